#include "journal/journal_table.h"

#include <iterator>

#include <algorithm>

namespace kv {

namespace {
const JournalRow kBlankRow{};
const QString kNoText{};
}  // namespace

JournalTable::JournalTable()
    : m_rows(std::make_shared<std::vector<JournalRow>>(1))
{
}

std::vector<JournalRow>& JournalTable::edit()
{
    if (m_rows.use_count() > 1)
        m_rows = std::make_shared<std::vector<JournalRow>>(*m_rows);
    return *m_rows;
}

const QString& JournalTable::cell(int row, int column) const
{
    if (!isDataRow(row) || column < 0 || column >= kColumnCount)
        return kNoText;
    return (*m_rows)[std::size_t(row - 1)].cells[std::size_t(column)];
}

const JournalRow& JournalTable::row(int row) const
{
    if (!isDataRow(row))
        return kBlankRow;
    return (*m_rows)[std::size_t(row - 1)];
}

void JournalTable::setCell(int row, int column, const QString& text)
{
    if (!isDataRow(row) || column < 0 || column >= kColumnCount)
        return;
    edit()[std::size_t(row - 1)].cells[std::size_t(column)] = singleLineCell(text);
}

void JournalTable::setRow(int row, const JournalRow& cells)
{
    for (int c = 0; c < kColumnCount; ++c)
        setCell(row, c, cells.cells[std::size_t(c)]);
}

void JournalTable::appendRow()
{
    edit().emplace_back();
}

void JournalTable::insertRow(int row, const JournalRow& cells)
{
    if (row < 1 || row > rowCount())
        return;
    std::vector<JournalRow>& rows = edit();
    rows.insert(rows.begin() + (row - 1), JournalRow{});
    setRow(row, cells);
}

void JournalTable::setRowCount(int count)
{
    edit().resize(std::size_t(std::max(count, 2) - 1));
}

bool JournalTable::isEmpty() const
{
    return rowCount() == 2 && lastRowIsBlank();
}

bool JournalTable::lastRowIsBlank() const
{
    return m_rows->back().cells[kDateColumn].isEmpty();
}

void JournalTable::deleteRow(int row)
{
    if (row == 1 && rowCount() <= 2) {
        edit().front() = JournalRow{};
        return;
    }
    if (!isDataRow(row))
        return;
    std::vector<JournalRow>& rows = edit();
    rows.erase(rows.begin() + (row - 1));
}

void JournalTable::appendData(const JournalRow& cells)
{
    appendRow();
    setRow(rowCount() - 1, cells);
}

void JournalTable::takeReadRows(std::vector<JournalRow>&& rows)
{
    if (rows.empty())
        return;
    if (m_rows->size() == 1) {
        m_rows = std::make_shared<std::vector<JournalRow>>(std::move(rows));
        return;
    }
    std::vector<JournalRow>& mine = edit();
    mine[0] = std::move(rows[0]);
    mine.reserve(mine.size() + rows.size() - 1);
    std::move(rows.begin() + 1, rows.end(), std::back_inserter(mine));
}

void JournalTable::clear()
{
    m_rows = std::make_shared<std::vector<JournalRow>>(1);
}

JournalTable journalTableOf(const std::vector<JournalRow>& rows)
{
    JournalTable table;
    table.setRowCount(int(rows.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i)
        table.setRow(int(i) + 1, rows[i]);
    return table;
}

QString singleLineCell(const QString& text)
{
    const auto breaksLine = [](QChar ch) {
        return ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || ch.isNull();
    };
    if (std::none_of(text.begin(), text.end(), breaksLine))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('\r')) {
            result += QLatin1Char(' ');
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (breaksLine(ch)) {
            result += QLatin1Char(' ');
        } else {
            result += ch;
        }
    }
    return result;
}

}  // namespace kv
