#include "ui/text_panel.h"

#include "ui/frame_repaint.h"

#include <QPainter>
#include <QStyle>

namespace kv {

TextPanel::TextPanel(QWidget* parent)
    : QFrame(parent)
{
}

void TextPanel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    if (m_repaint)
        m_repaint->requestRepaint(this);
    else
        update();
}

void TextPanel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void TextPanel::setPreferredWidth(int width)
{
    m_preferredWidth = width;
    updateGeometry();
}

QSize TextPanel::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return {m_preferredWidth + frame, QFontMetrics(font()).height() + frame};
}

QSize TextPanel::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void TextPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    const QFont font = textFont();
    painter.setFont(font);
    QRect area = contentsRect();
    // As a framed label does: the text keeps half an 'x' away from the frame.
    if (frameWidth() > 0) {
        const int indent = QFontMetrics(font).horizontalAdvance(u'x') / 2;
        area.adjust(indent, 0, -indent, 0);
    }
    style()->drawItemText(&painter, area, int(m_alignment), shownPalette(), isEnabled(), m_text,
                          foregroundRole());
}

QPalette TextPanel::shownPalette() const
{
    // The style draws in the palette's current group whatever it is told of the state.
    QPalette shown = palette();
    if (m_dimmed)
        shown.setCurrentColorGroup(QPalette::Disabled);
    return shown;
}

QColor TextPanel::textColour() const
{
    return shownPalette().color(foregroundRole());
}

void TextPanel::setDimmed(bool dimmed)
{
    if (m_dimmed == dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

}  // namespace kv
