// The trend strip and the settled mark of the main window, fed by the virtual instrument
// through the real link: polls and hand-overs are driven one by one.

#include "app/workspace.h"
#include "instrument_window.h"
#include "virtual_instrument.h"

#include "hid_test_helpers.h"

#include "app/main_window.h"
#include "app/reading_trend_view.h"
#include "app/result_box.h"
#include "app/result_panel.h"
#include "core/error_guard.h"
#include "core/methods.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"
#include "measure/trend_feed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kv::test {
namespace {

class FailingReporter : public ErrorReporter {
public:
    void showError(const QString& message) override { ADD_FAILURE() << message.toStdString(); }
};

class TrendDemoTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"kor.tab", "data.tab", "data2.tab"}) {
            QFile file(QDir(dir.path()).filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        workspace = std::make_unique<Workspace>(dir.path());
        form = std::make_unique<TForm1>(*workspace, platform, &errors);
        form->link().stop();  // the test polls
        instrument = std::make_unique<VirtualInstrument>(platform);
        instrument->resistorTimer()->stop();
        window = std::make_unique<InstrumentWindow>(*instrument);
        instrument->model().setNoise(0);
        window->chooseResearch(92.0);
    }
    void TearDown() override
    {
        window.reset();
        instrument.reset();
        form.reset();
    }

    void connect()
    {
        instrument->plug();
        instrument->resistorTimer()->stop();
        QCoreApplication::sendPostedEvents();  // the device-change pass
        ASSERT_NE(form->link().currentDevice(), nullptr);
        form->link().Timer1Timer();  // the connect command is answered with a reading
        ASSERT_TRUE(runOneHandOver(form->hid()));
    }
    void poll(int n)
    {
        for (int i = 0; i < n; ++i) {
            form->link().GetdataTimer();
            ASSERT_TRUE(runOneHandOver(form->hid()));
        }
    }

    ResultPanel& panel() const { return *form->resultPanel(); }
    QString mark() const { return panel().trendView()->markText(); }
    bool green() const { return panel().resultBox()->settled(); }
    const ReadingTrend& trend() const { return panel().trendFeed().trend(); }

    QTemporaryDir dir;
    FakeHidPlatform platform;
    FailingReporter errors;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<VirtualInstrument> instrument;
    std::unique_ptr<InstrumentWindow> window;
};

TEST_F(TrendDemoTest, TheStripAndTheMarkFollowTheInstrument)
{
    EXPECT_EQ(panel().trendView()->objectName(), QStringLiteral("readingTrend"));
    EXPECT_EQ(mark(), QStringLiteral("Нет данных"));
    EXPECT_FALSE(green());

    connect();
    poll(ReadingTrend::kSettleCount - 2);
    EXPECT_EQ(trend().size(), ReadingTrend::kSettleCount - 1);
    EXPECT_EQ(mark(), QString());
    poll(1);
    EXPECT_EQ(mark(), QStringLiteral("Стабильно"));
    EXPECT_TRUE(green());
    EXPECT_NEAR(*trend().latest(), 92.0, 0.05);

    // A new sample: the readings drift, the mark goes, and comes back once they settle.
    ASSERT_TRUE(window->pourResearch(95.0));
    poll(1);
    EXPECT_EQ(mark(), QString());
    EXPECT_FALSE(green());
    int polls = 0;
    while (!green() && polls++ < 60)
        poll(1);
    EXPECT_TRUE(green());
    EXPECT_NEAR(*trend().latest(), 95.0, 0.05);
    EXPECT_GE(polls, ReadingTrend::kSettleCount);

    // A click on a method's name makes the strip follow it, from a new start.
    QTest::mouseClick(panel().nameLabel(Motor), Qt::LeftButton);
    EXPECT_EQ(panel().trendFeed().followedMethod(), Motor);
    EXPECT_EQ(mark(), QStringLiteral("Ожидание данных"));
    EXPECT_FALSE(green());
    poll(1);
    EXPECT_NEAR(*trend().latest(), 85.0, 0.05);  // the motor number of 95

    // Diesel: the cetane number.
    panel().DbutClick();
    EXPECT_EQ(panel().trendFeed().followedMethod(), Cetane);
    EXPECT_TRUE(trend().isEmpty());

    // Unplugged: no data as soon as the link finds the instrument gone.
    poll(3);
    EXPECT_FALSE(trend().isEmpty());
    instrument->unplug();
    QCoreApplication::sendPostedEvents();
    form->link().GetdataTimer();
    EXPECT_TRUE(trend().isEmpty());
    EXPECT_EQ(mark(), QStringLiteral("Нет данных"));

    // Unplugged and plugged again before any poll noticed: the new connection starts it.
    connect();
    poll(3);
    instrument->unplug();
    QCoreApplication::sendPostedEvents();
    connect();
    EXPECT_EQ(trend().size(), 1);
}

}  // namespace
}  // namespace kv::test
