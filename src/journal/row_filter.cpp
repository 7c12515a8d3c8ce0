#include "journal/row_filter.h"

#include <QLocale>
#include <QStringList>

namespace kv {

namespace {

int digit(QChar c)
{
    const int d = c.unicode() - u'0';
    return d >= 0 && d <= 9 ? d : -1;
}

// "dd.MM.yyyy" read by hand: a year's journal is filtered by date at every keystroke.
QDate dottedDate(QStringView text)
{
    if (text.size() < 10 || text[2] != u'.' || text[5] != u'.')
        return {};
    int value[8];
    const int at[8] = {0, 1, 3, 4, 6, 7, 8, 9};
    for (int i = 0; i < 8; ++i) {
        if ((value[i] = digit(text[at[i]])) < 0)
            return {};
    }
    return QDate(value[4] * 1000 + value[5] * 100 + value[6] * 10 + value[7], value[2] * 10 + value[3],
                 value[0] * 10 + value[1]);
}

}  // namespace

QDate entryDate(const QString& dateCell)
{
    const QDate dotted = dottedDate(dateCell);
    if (dotted.isValid())
        return dotted;
    const qsizetype blank = dateCell.indexOf(u' ');
    return QLocale().toDate(blank < 0 ? dateCell : dateCell.left(blank), QLocale::ShortFormat);
}

bool RowFilter::accepts(const JournalRow& row) const
{
    if (from.isValid() || to.isValid()) {
        const QDate date = entryDate(row.cells[JournalTable::kDateColumn]);
        if (!date.isValid() || (from.isValid() && date < from) || (to.isValid() && date > to))
            return false;
    }
    const QStringView wanted = QStringView(text).trimmed();
    if (wanted.isEmpty())
        return true;
    for (const QString& cell : row.cells) {
        if (cell.contains(wanted, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString RowFilter::description() const
{
    const QString format = QStringLiteral("dd.MM.yyyy");
    QStringList dates;
    if (from.isValid())
        dates << QStringLiteral("с %1").arg(from.toString(format));
    if (to.isValid())
        dates << QStringLiteral("по %1").arg(to.toString(format));
    QStringList parts;
    if (const QString wanted = text.trimmed(); !wanted.isEmpty())
        parts << QStringLiteral("«%1»").arg(wanted);
    if (!dates.isEmpty())
        parts << dates.join(u' ');
    return parts.join(QStringLiteral(", "));
}

}  // namespace kv
