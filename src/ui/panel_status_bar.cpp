#include "ui/panel_status_bar.h"

#include "ui/frame_repaint.h"
#include "ui/text_panel.h"

namespace kv {

namespace {

constexpr std::array<int, PanelStatusBar::kPanelCount> kPanelWidths = {300, 200, 100, 100, 100, 100};

}  // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_repaint(new FrameRepaint(this))
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    for (int i = 0; i < kPanelCount; ++i) {
        const int width = kPanelWidths[std::size_t(i)];
        auto* panel = new TextPanel(this);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setRepaint(m_repaint);
        // A panel keeps its width while there is room and gives way in a narrow window,
        // where a status bar of fixed panels would hold the whole window at its width.
        panel->setPreferredWidth(width - 2 * panel->frameWidth());
        panel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        panel->setMaximumWidth(width);
        panel->setMinimumHeight(19);
        addWidget(panel);
        m_panels[std::size_t(i)] = panel;
    }
}

TextPanel* PanelStatusBar::panel(int index) const
{
    if (index < 0 || index >= kPanelCount)
        return nullptr;
    return m_panels[std::size_t(index)];
}

QString PanelStatusBar::panelText(int index) const
{
    const TextPanel* shown = panel(index);
    return shown ? shown->text() : QString();
}

void PanelStatusBar::setPanelText(int index, const QString& text)
{
    if (TextPanel* shown = panel(index))
        shown->setText(text);
}

}  // namespace kv
