#pragma once
// The rows of a journal or archive grid: a heading row 0 that is not stored here, then the
// data rows 1..rowCount()-1. There is always at least one data row; a table whose only row
// has an empty date cell counts as empty.

#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace kv {

// The headings of the five columns and the title over a printed or exported table.
inline const std::array<QString, 5> kJournalHeadings = {
    QStringLiteral("№"), QStringLiteral("Дата"), QStringLiteral("Метод"),
    QStringLiteral("Значение"), QStringLiteral("Комментарий"),
};
inline const QString kJournalTitle = QStringLiteral("Октанометр КВ-4410 ПК");

// №, date and time, method name, value text, comment.
struct JournalRow {
    std::array<QString, 5> cells;
    bool operator==(const JournalRow&) const = default;
};

class JournalTable {
public:
    static constexpr int kColumnCount = 5;
    static constexpr int kNumberColumn = 0;
    static constexpr int kDateColumn = 1;
    static constexpr int kMethodColumn = 2;
    static constexpr int kValueColumn = 3;
    static constexpr int kCommentColumn = 4;

    // Row count 2: the heading and one blank row.
    JournalTable();
    JournalTable(const JournalTable&) = default;
    JournalTable& operator=(const JournalTable&) = default;
    // A table moved from keeps sharing the rows: it stays a table.
    JournalTable(JournalTable&& other) noexcept : m_rows(other.m_rows) {}
    JournalTable& operator=(JournalTable&& other) noexcept
    {
        m_rows = other.m_rows;
        return *this;
    }

    // Counts the heading row too, so it is never below 2.
    int rowCount() const { return int(m_rows->size()) + 1; }

    // Row 1..rowCount()-1. An index outside that range gives an empty text / blank row.
    const QString& cell(int row, int column) const;
    const JournalRow& row(int row) const;
    bool isDataRow(int row) const { return row >= 1 && row < rowCount(); }

    // Does nothing outside the data rows or columns. A line break or NUL becomes a blank:
    // a cell is one line of the table file, and a NUL would end the file's text.
    void setCell(int row, int column, const QString& text);
    void setRow(int row, const JournalRow& cells);

    // Adds a blank row at the end (row count + 1).
    void appendRow();
    // Puts a data row at `row` (1..rowCount()), the rows from there on moving down.
    // A line break or NUL in a cell becomes a blank, as in setCell.
    void insertRow(int row, const JournalRow& cells);
    // Rows beyond 1 are dropped or blank rows added; never below 2.
    void setRowCount(int count);

    // Row count 2 and an empty date cell in row 1.
    bool isEmpty() const;
    // The date cell of the last row is empty: an entry reuses that row.
    bool lastRowIsBlank() const;

    // The only data row is blanked; any other data row is removed and the rows below move
    // up. The "№" cells are not renumbered. Nothing happens outside the data rows.
    void deleteRow(int row);

    // Appends a data row holding `cells` after the last one, even when the last one is
    // blank (the archive side of moving a row).
    void appendData(const JournalRow& cells);

    // Blank row 1 and row count 2.
    void clear();

    // A read's records, each cell one line already: the first fills row 1 as it stands,
    // the others follow the last row (what setRow(1) and appendData would do, without
    // looking at every character again).
    void takeReadRows(std::vector<JournalRow>&& rows);

private:
    // The rows are shared between copies until one of them changes: a print or an export
    // takes the table as it stands without copying a million rows.
    std::vector<JournalRow>& edit();

    std::shared_ptr<std::vector<JournalRow>> m_rows;  // (*m_rows)[i] is data row i + 1
};

// A table holding `rows` in order, the first in the blank row a table starts with (none:
// the empty table).
JournalTable journalTableOf(const std::vector<JournalRow>& rows);

// A cell's text as one line: each CR, LF, CR LF or NUL becomes a blank.
QString singleLineCell(const QString& text);

}  // namespace kv
