#include "journal/journal_book.h"

#include "journal/journal_entry.h"

#include <QHash>

namespace kv {

JournalBook::JournalBook(QObject* parent)
    : QObject(parent)
{
}

int JournalBook::addEntry(int method, const QString& value, const QDateTime& when)
{
    JournalTableModel& journal = m_journal.model;
    if (!journal.table().lastRowIsBlank())
        journal.appendRow();
    const int row = journal.table().rowCount() - 1;
    journal.setRow(row, makeEntry(row, when, method, value));
    return row;
}

void JournalBook::deleteEntry(int row)
{
    m_journal.model.deleteRow(row);
}

void JournalBook::moveToArchive(int row)
{
    const JournalTable& journal = m_journal.model.table();
    if (journal.lastRowIsBlank() || !journal.isDataRow(row))
        return;
    m_archive.model.appendData(journal.row(row));
    m_journal.model.deleteRow(row);
}

void JournalBook::deleteArchived(int row)
{
    const JournalTable& archive = m_archive.model.table();
    if (!archive.isDataRow(row))
        return;
    const bool blanks = archive.rowCount() <= 2;
    m_archive.model.deleteRow(row);
    if (blanks)
        m_archiveRowsRead = 1;  // a blank row is no moved row
    else if (row <= m_archiveRowsRead)
        --m_archiveRowsRead;
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
