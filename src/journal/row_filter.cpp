#include "journal/row_filter.h"

#include <QLocale>
#include <QStringList>

#include <string>

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

// Case folding, quick for the letters a journal holds (Latin and Russian), Qt's for the
// rest: a year's journal is searched at every keystroke.
inline char16_t fold(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
    if (c >= 0x0410 && c <= 0x042F)
        return char16_t(c + 0x20);
    if (c >= 0x0430 && c <= 0x045F)
        return c;
    if (c >= 0x0400 && c <= 0x040F)
        return char16_t(c + 0x50);
    return QChar::toCaseFolded(c);
}

// Whether `text` holds `folded` (already folded), either in any case.
bool holds(QStringView text, const std::u16string& folded)
{
    const qsizetype n = qsizetype(folded.size());
    const char16_t first = folded.front();
    const char16_t* t = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        if (fold(t[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < n && fold(t[i + k]) == folded[std::size_t(k)])
            ++k;
        if (k == n)
            return true;
    }
    return false;
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
    return RowMatcher(*this).accepts(row);
}

RowMatcher::RowMatcher(const RowFilter& filter)
    : m_filter(filter)
    , m_wanted(filter.text.trimmed())
{
    for (const QChar c : m_wanted) {
        m_folded.push_back(fold(c.unicode()));
        m_plain = m_plain && !c.isSurrogate();
    }
}

bool RowMatcher::accepts(const JournalRow& row) const
{
    if (m_filter.from.isValid() || m_filter.to.isValid()) {
        const QDate date = entryDate(row.cells[JournalTable::kDateColumn]);
        if (!date.isValid() || (m_filter.from.isValid() && date < m_filter.from)
            || (m_filter.to.isValid() && date > m_filter.to))
            return false;
    }
    if (m_wanted.isEmpty())
        return true;
    for (const QString& cell : row.cells) {
        if (m_plain ? holds(cell, m_folded) : cell.contains(m_wanted, Qt::CaseInsensitive))
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
