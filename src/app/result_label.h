#pragma once
// A large result label of the main window: shows its hint on hover and, pressed and
// moved, starts a drag carrying its own name, which the journal takes as an entry.

#include <QLabel>
#include <QPoint>

namespace kv {

class ResultLabel : public QLabel {
public:
    explicit ResultLabel(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint m_pressPos;
    bool m_pressed = false;
};

}  // namespace kv
