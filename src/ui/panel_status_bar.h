#pragma once
// StatusBar1: a status bar of six fixed-width text panels (300, 200, 100, 100, 100, 100).
// Panel i is a QLabel named "StatusBar1Panel<i>". Panels 1 and 3 change with every
// reading, so texts are painted at most once per frame (see FrameRepaint).

#include <QStatusBar>

#include <array>

class QLabel;

namespace kv {

class FrameRepaint;

class PanelStatusBar : public QStatusBar {
public:
    static constexpr int kPanelCount = 6;

    explicit PanelStatusBar(QWidget* parent = nullptr);

    QLabel* panel(int index) const;
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

private:
    std::array<QLabel*, kPanelCount> m_panels{};
    FrameRepaint* m_repaint = nullptr;
};

}  // namespace kv
