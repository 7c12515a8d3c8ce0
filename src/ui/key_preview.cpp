#include "ui/key_preview.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kv {

KeyPreview::KeyPreview(QWidget* window, Handler handler)
    : QObject(window)
    , m_window(window)
    , m_handler(std::move(handler))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_window)
        return false;
    // A key the focused control ignores travels up to its parents and passes this filter
    // again on each; only its first stop, the focused control, counts.
    QWidget* focused = m_window->focusWidget();
    if (widget != (focused ? focused : m_window))
        return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    for (const QChar key : text)
        m_handler(widget, key);
    return false;
}

}  // namespace kv
