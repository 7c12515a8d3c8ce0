#include "app/result_label.h"

#include "ui/fonts.h"
#include "ui/result_drag.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QFontInfo>

#include <algorithm>

namespace kv {

namespace {

// Below this a result would no longer be read from across the bench.
constexpr int kSmallestPixelSize = 8;

}  // namespace

ResultLabel::ResultLabel(QWidget* parent)
    : TextPanel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::OpenHandCursor);
    // The panel's width is fixed; a long text shrinks rather than widening the label.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QFont ResultLabel::shownFont() const
{
    const QFont font = this->font();
    const int width = contentsRect().width();
    if (m_fittedWidth == width && m_fittedText == text() && m_fittedBase == font)
        return m_fitted;
    m_fittedText = text();
    m_fittedWidth = width;
    m_fittedBase = font;
    m_fitted = font;
    const int advance = QFontMetrics(font).horizontalAdvance(text());
    if (text().isEmpty() || advance <= width)
        return m_fitted;
    const int full = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    const QStringList texts{text()};
    m_fitted.setPixelSize(largestPixelSizeWithin(
        font, kSmallestPixelSize, full, [&](const QFont& f) { return textsOverflow(f, texts, width); }));
    return m_fitted;
}

void ResultLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->position().toPoint();
        // What the operator grabbed: the value and its look at the press, not at the drop
        // (a drifting sample changes the label meanwhile).
        m_pressedValue = dimmed() ? QString() : text();
        m_pressedImage = grab();
    }
    TextPanel::mousePressEvent(event);
}

void ResultLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength()
               < QApplication::startDragDistance()) {
        TextPanel::mouseMoveEvent(event);
        return;
    }
    m_pressed = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(makeResultLabelMimeData(objectName(), m_pressedValue));
    drag->setPixmap(m_pressedImage);
    drag->setHotSpot(m_pressPos);
    drag->exec(Qt::CopyAction);
}

void ResultLabel::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    TextPanel::mouseReleaseEvent(event);
}

}  // namespace kv
