#include "convert_line.h"

#include <QStringList>

namespace kv {

namespace {

QString column(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return out;
}

QString colourColumn(const std::optional<Rgb>& colour)
{
    if (!colour)
        return QStringLiteral("-");
    return u'#' + QStringLiteral("%1").arg(*colour & 0xFFFFFFu, 6, 16, QChar(u'0')).toUpper();
}

}  // namespace

QString formatConvertLine(std::uint16_t count, const ReadingDisplay& display)
{
    QStringList columns;
    columns.reserve(11);
    columns << QString::number(count) << column(display.panel1) << column(display.panel3);
    for (const LabelDisplay& label : display.labels)
        columns << column(label.text) << colourColumn(label.colour);
    return columns.join(u'\t');
}

}  // namespace kv
