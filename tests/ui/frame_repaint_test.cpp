// Texts that change faster than a frame: set at once, painted once per frame.

#include "ui/frame_repaint.h"
#include "ui/text_panel.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

namespace kv {
namespace {

class CountingPanel : public TextPanel {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        TextPanel::paintEvent(event);
    }
};

class FrameRepaintTest : public testing::Test {
protected:
    FrameRepaintTest()
    {
        label.setRepaint(&repaint);
        label.resize(200, 30);
        label.show();
        settle();
        label.paints = 0;
    }
    // What the event loop does between two reports: deliver what is posted, paint.
    static void settle() { QApplication::processEvents(); }
    QTimer* frame() { return repaint.findChild<QTimer*>(); }

    // A frame that never ends by itself: the test ends it, so a slow machine can't.
    FrameRepaint repaint{nullptr, 3600 * 1000};
    CountingPanel label;
};

TEST_F(FrameRepaintTest, TheFirstTextPaintsAtOnceLaterOnesAtTheEndOfTheFrame)
{
    for (int i = 0; i < 10; ++i) {
        label.setText(QString::number(i));
        EXPECT_EQ(label.text(), QString::number(i));  // the text is there at once
        settle();
    }
    EXPECT_EQ(label.paints, 1);

    // The frame ends (its timer, driven here): the changes since are painted once.
    ASSERT_NE(frame(), nullptr);
    ASSERT_TRUE(frame()->isActive());
    emit frame()->timeout({});
    settle();
    EXPECT_EQ(label.paints, 2);

    // A frame with no change ends quietly, and the next change paints at once again.
    emit frame()->timeout({});
    settle();
    EXPECT_EQ(label.paints, 2);
    frame()->stop();
    label.setText(QStringLiteral("last"));
    settle();
    EXPECT_EQ(label.paints, 3);
}

TEST_F(FrameRepaintTest, AQuietPaletteChangeWaitsForItsRequest)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    FrameRepaint::setPaletteQuietly(&label, palette);
    settle();
    EXPECT_EQ(label.paints, 0);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(label.updatesEnabled());
}

TEST_F(FrameRepaintTest, AWidgetDestroyedWithinTheFrameIsSkipped)
{
    repaint.requestRepaint(&label);
    auto* gone = new QLabel;
    gone->show();
    repaint.requestRepaint(gone);
    delete gone;
    emit frame()->timeout({});
    settle();
    SUCCEED();
}

}  // namespace
}  // namespace kv
