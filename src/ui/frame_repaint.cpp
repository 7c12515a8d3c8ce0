#include "ui/frame_repaint.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace kv {

namespace {

// While the attribute is set, QWidget::update() does nothing. Set and cleared directly,
// not through setUpdatesEnabled(), which would repaint on clearing.
template <typename F>
void withoutUpdates(QWidget* widget, F&& change)
{
    const bool wasDisabled = widget->testAttribute(Qt::WA_UpdatesDisabled);
    widget->setAttribute(Qt::WA_UpdatesDisabled, true);
    change();
    widget->setAttribute(Qt::WA_UpdatesDisabled, wasDisabled);
}

}  // namespace

FrameRepaint::FrameRepaint(QObject* parent, int frameMs)
    : QObject(parent)
    , m_frame(new QTimer(this))
{
    m_frame->setSingleShot(true);
    m_frame->setInterval(frameMs);
    connect(m_frame, &QTimer::timeout, this, &FrameRepaint::endFrame);
}

void FrameRepaint::setPaletteQuietly(QWidget* widget, const QPalette& palette)
{
    withoutUpdates(widget, [&] { widget->setPalette(palette); });
}

void FrameRepaint::requestRepaint(QWidget* widget)
{
    if (!m_frame->isActive()) {
        widget->update();
        m_frame->start();
        return;
    }
    if (std::find(m_pending.begin(), m_pending.end(), widget) == m_pending.end())
        m_pending.emplace_back(widget);
}

void FrameRepaint::endFrame()
{
    if (m_pending.empty())
        return;
    for (const QPointer<QWidget>& widget : m_pending) {
        if (widget)
            widget->update();
    }
    m_pending.clear();
    // What changes during the next frame is painted at its end again.
    m_frame->start();
}

}  // namespace kv
