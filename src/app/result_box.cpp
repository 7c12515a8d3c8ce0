#include "app/result_box.h"

#include "ui/frame_repaint.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace kv {

namespace {

// Seen from across the bench, at two metres: a thin line is lost in the style's frame.
constexpr int kSettledPenWidth = 5;

}  // namespace

ResultBox::ResultBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
{
}

QColor ResultBox::settledColour()
{
    return QColor(0, 160, 0);
}

void ResultBox::setSettled(bool settled)
{
    if (settled == m_settled)
        return;
    m_settled = settled;
    if (m_repaint)
        m_repaint->requestRepaint(this);
    else
        update();
}

void ResultBox::paintEvent(QPaintEvent* event)
{
    QGroupBox::paintEvent(event);
    if (!m_settled)
        return;
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect frame =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    QPainter painter(this);
    painter.setPen(QPen(settledColour(), kSettledPenWidth));
    // Inside the frame's rectangle, so the whole pen width is painted.
    const int inset = kSettledPenWidth / 2;
    painter.drawRect(frame.adjusted(inset, inset, -inset - 1, -inset - 1));
    // The title stays readable: its own background is painted again over the line.
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    if (label.isValid() && !title().isEmpty()) {
        painter.fillRect(label.adjusted(-2, 0, 2, 0), palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(label, int(option.textAlignment) | Qt::TextShowMnemonic, title());
    }
}

}  // namespace kv
