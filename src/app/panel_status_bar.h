#pragma once
// StatusBar1: a status bar of six fixed-width text panels (300, 200, 100, 100, 100, 100).
// Panel i is a QLabel named "StatusBar1Panel<i>".

#include <QStatusBar>

#include <array>

class QLabel;

namespace kv {

class PanelStatusBar : public QStatusBar {
public:
    static constexpr int kPanelCount = 6;

    explicit PanelStatusBar(QWidget* parent = nullptr);

    QLabel* panel(int index) const;
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

private:
    std::array<QLabel*, kPanelCount> m_panels{};
};

}  // namespace kv
