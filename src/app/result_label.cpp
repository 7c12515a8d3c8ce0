#include "app/result_label.h"

#include "journal/ui/result_drag.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QFontInfo>
#include <QStyle>

#include <algorithm>

namespace kv {

namespace {

// Below this a result would no longer be read from across the bench.
constexpr int kSmallestPixelSize = 8;

bool fits(const QFont& font, const QString& text, int width)
{
    return QFontMetrics(font).horizontalAdvance(text) <= width;
}

}  // namespace

ResultLabel::ResultLabel(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::OpenHandCursor);
    // Calibration names are the operator's own text, never markup.
    setTextFormat(Qt::PlainText);
    // The panel's width is fixed; a long text shrinks rather than widening the label.
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
}

QFont ResultLabel::shownFont() const
{
    QFont font = this->font();
    const int width = contentsRect().width();
    if (text().isEmpty() || fits(font, text(), width))
        return font;
    const int full = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    // Text width grows almost in proportion to the size: start from that estimate and
    // correct it by the measured width, which hinting may round either way.
    const int advance = QFontMetrics(font).horizontalAdvance(text());
    int pixels = std::clamp(full * width / std::max(advance, 1), kSmallestPixelSize, full - 1);
    font.setPixelSize(pixels);
    while (pixels > kSmallestPixelSize && !fits(font, text(), width))
        font.setPixelSize(--pixels);
    for (QFont larger = font; pixels + 1 < full;) {
        larger.setPixelSize(pixels + 1);
        if (!fits(larger, text(), width))
            break;
        font = larger;
        ++pixels;
    }
    return font;
}

void ResultLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setFont(shownFont());
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                          text(), foregroundRole());
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
