#pragma once
// StatusBar1: a status bar of six text panels 300, 200, 100, 100, 100 and 100 wide.
// Panel i is a TextPanel named "StatusBar1Panel<i>". Panels 1 and 3 change with every
// reading, so texts are painted at most once per frame (see FrameRepaint).

#include <QStatusBar>

#include <array>

namespace kv {

class FrameRepaint;
class TextPanel;

class PanelStatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kPanelCount = 6;

    explicit PanelStatusBar(QWidget* parent = nullptr);

    TextPanel* panel(int index) const;
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

private:
    std::array<TextPanel*, kPanelCount> m_panels{};
    FrameRepaint* m_repaint = nullptr;
};

}  // namespace kv
