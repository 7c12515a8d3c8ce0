#include "app/result_label.h"

#include "journal/ui/result_drag.h"

#include <QApplication>
#include <QDrag>
#include <QMouseEvent>

namespace kv {

ResultLabel::ResultLabel(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::OpenHandCursor);
}

void ResultLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->position().toPoint();
    }
    QLabel::mousePressEvent(event);
}

void ResultLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength()
               < QApplication::startDragDistance()) {
        QLabel::mouseMoveEvent(event);
        return;
    }
    m_pressed = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(makeResultLabelMimeData(objectName()));
    drag->setPixmap(grab());
    drag->setHotSpot(m_pressPos);
    drag->exec(Qt::CopyAction);
}

void ResultLabel::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
}

}  // namespace kv
