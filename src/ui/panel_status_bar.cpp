#include "ui/panel_status_bar.h"

#include "ui/frame_repaint.h"

#include <QLabel>

namespace kv {

namespace {

constexpr std::array<int, PanelStatusBar::kPanelCount> kPanelWidths = {300, 200, 100, 100, 100, 100};

// A panel keeps its width while there is room and gives way in a narrow window, where
// a status bar of fixed panels would hold the whole window at its width.
class StatusPanel : public QLabel {
public:
    StatusPanel(int width, QWidget* parent)
        : QLabel(parent)
        , m_width(width)
    {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        setMaximumWidth(width);
    }
    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    int m_width;
};

}  // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_repaint(new FrameRepaint(this))
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* label = new StatusPanel(kPanelWidths[std::size_t(i)], this);
        label->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumHeight(19);
        addWidget(label);
        m_panels[std::size_t(i)] = label;
    }
}

QLabel* PanelStatusBar::panel(int index) const
{
    if (index < 0 || index >= kPanelCount)
        return nullptr;
    return m_panels[std::size_t(index)];
}

QString PanelStatusBar::panelText(int index) const
{
    const QLabel* label = panel(index);
    return label ? label->text() : QString();
}

void PanelStatusBar::setPanelText(int index, const QString& text)
{
    QLabel* label = panel(index);
    if (!label || label->text() == text)
        return;
    FrameRepaint::setTextQuietly(label, text);
    m_repaint->requestRepaint(label);
}

}  // namespace kv
