#include "journal/journal_book.h"

#include "journal/journal_entry.h"

#include <QHash>

namespace kv {

JournalBook::JournalBook(QObject* parent)
    : QObject(parent)
{
}

JournalChange JournalBook::begin() const
{
    JournalChange change;
    change.archiveRowsReadBefore = change.archiveRowsReadAfter = m_archiveRowsRead;
    return change;
}

void JournalBook::apply(const RowEdit& edit, bool forwards)
{
    JournalTableModel& model = side(edit.table).model;
    const std::optional<JournalRow>& from = forwards ? edit.before : edit.after;
    const std::optional<JournalRow>& to = forwards ? edit.after : edit.before;
    if (!from)
        model.insertRow(edit.row, *to);
    else if (!to)
        model.deleteRow(edit.row);
    else
        model.setRow(edit.row, *to);
}

JournalChange JournalBook::addEntry(Method method, const QString& value, const QDateTime& when)
{
    const JournalTable& journal = m_journal.model.table();
    JournalChange change = begin();
    RowEdit edit{Table::Journal, journal.rowCount() - 1, journal.row(journal.rowCount() - 1), {}};
    if (!journal.lastRowIsBlank()) {
        edit.row = journal.rowCount();
        edit.before.reset();
    }
    edit.after = makeEntry(edit.row, when, method, value);
    apply(edit, true);
    change.edits.push_back(std::move(edit));
    return change;
}

JournalChange JournalBook::setComment(int row, const QString& text)
{
    const JournalTable& journal = m_journal.model.table();
    JournalChange change = begin();
    if (!journal.isDataRow(row))
        return change;
    RowEdit edit{Table::Journal, row, journal.row(row), journal.row(row)};
    edit.after->cells[JournalTable::kCommentColumn] = singleLineCell(text);
    if (edit.after == edit.before)
        return change;
    m_journal.model.setComment(row, text);
    change.edits.push_back(std::move(edit));
    return change;
}

void JournalBook::deleteRow(Table table, int row, JournalChange& change)
{
    const JournalTable& rows = side(table).model.table();
    RowEdit edit{table, row, rows.row(row), std::nullopt};
    // The only row is blanked, not removed: a table always has one data row.
    if (rows.rowCount() <= 2) {
        edit.after = JournalRow{};
        if (edit.after == edit.before)
            return;
    }
    apply(edit, true);
    change.edits.push_back(std::move(edit));
}

JournalChange JournalBook::deleteEntry(int row)
{
    JournalChange change = begin();
    if (m_journal.model.table().isDataRow(row))
        deleteRow(Table::Journal, row, change);
    return change;
}

JournalChange JournalBook::moveToArchive(int row)
{
    const JournalTable& journal = m_journal.model.table();
    JournalChange change = begin();
    if (journal.lastRowIsBlank() || !journal.isDataRow(row))
        return change;
    // Rows arrive at the archive's end, after a blank last row too.
    RowEdit arrival{Table::Archive, m_archive.model.table().rowCount(), std::nullopt, journal.row(row)};
    apply(arrival, true);
    change.edits.push_back(std::move(arrival));
    deleteRow(Table::Journal, row, change);
    return change;
}

JournalChange JournalBook::deleteArchived(int row)
{
    const JournalTable& archive = m_archive.model.table();
    JournalChange change = begin();
    if (!archive.isDataRow(row))
        return change;
    const bool blanks = archive.rowCount() <= 2;
    deleteRow(Table::Archive, row, change);
    if (change.isEmpty())
        return change;
    if (blanks)
        m_archiveRowsRead = 1;  // a blank row is no moved row
    else if (row <= m_archiveRowsRead)
        --m_archiveRowsRead;
    change.archiveRowsReadAfter = m_archiveRowsRead;
    return change;
}

void JournalBook::undo(const JournalChange& change)
{
    for (auto edit = change.edits.rbegin(); edit != change.edits.rend(); ++edit)
        apply(*edit, false);
    m_archiveRowsRead = change.archiveRowsReadBefore;
}

void JournalBook::redo(const JournalChange& change)
{
    for (const RowEdit& edit : change.edits)
        apply(edit, true);
    m_archiveRowsRead = change.archiveRowsReadAfter;
}

std::vector<JournalRow> JournalBook::movedThisSession() const
{
    const JournalTable& archive = m_archive.model.table();
    std::vector<JournalRow> rows;
    for (int r = m_archiveRowsRead + 1; r < archive.rowCount(); ++r)
        rows.push_back(archive.row(r));
    return rows;
}

TableRead JournalBook::read(Table table, const QByteArray& fileBytes)
{
    Side& s = side(table);
    const TableRead result = s.model.readBytes(fileBytes);
    remember(s, fileBytes);
    if (table == Table::Archive)
        m_archiveRowsRead = s.model.table().rowCount() - 1;
    return result;
}

namespace {
// Changed and changed back (an entry made and deleted) is no change.
template <typename Side>
bool sameAsSaved(const Side& s, const QByteArray& bytes)
{
    return bytes.size() == s.savedSize && qHash(bytes) == s.savedHash;
}
}  // namespace

std::optional<QByteArray> JournalBook::bytesToSave(Table table) const
{
    const Side& s = side(table);
    if (!s.mustWrite && s.model.revision() == s.savedRevision)
        return std::nullopt;
    QByteArray bytes = tableFileBytes(s.model.table());
    if (!s.mustWrite && sameAsSaved(s, bytes))
        return std::nullopt;
    return bytes;
}

bool JournalBook::changedBySession(Table table) const
{
    const Side& s = side(table);
    return s.model.revision() != s.savedRevision
        && !sameAsSaved(s, tableFileBytes(s.model.table()));
}

void JournalBook::markSaved(Table table, const QByteArray& bytes)
{
    Side& s = side(table);
    remember(s, bytes);
    s.mustWrite = false;
}

QByteArray JournalBook::savedFingerprint(Table table) const
{
    const Side& s = side(table);
    return QByteArray::number(s.savedSize) + ':' + QByteArray::number(quint64(s.savedHash), 16);
}

QByteArray JournalBook::fingerprintOf(const QByteArray& bytes)
{
    return QByteArray::number(bytes.size()) + ':' + QByteArray::number(quint64(qHash(bytes)), 16);
}

void JournalBook::remember(Side& s, const QByteArray& bytes)
{
    s.savedRevision = s.model.revision();
    s.savedHash = qHash(bytes);
    s.savedSize = bytes.size();
}

QByteArray JournalBook::journalBytesWithMovedRows() const
{
    JournalTable table = m_journal.model.table();
    for (const JournalRow& row : movedThisSession()) {
        if (table.isEmpty())
            table.setRow(1, row);
        else
            table.appendData(row);
    }
    return tableFileBytes(table);
}

}  // namespace kv
