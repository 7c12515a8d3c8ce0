#pragma once
// JournalBook: the journal and the archive, with the rules that make and move their rows,
// and what changed in each since it was read from or written to its file. The pages
// show its two models; the data files are read into it and written from it.
//
// Each rule returns what it did as a JournalChange: the rows before and after, which is
// enough to take the change back, to make it again, and to say what it was.

#include "core/methods.h"
#include "journal/journal_table_model.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>

#include <optional>
#include <vector>

namespace kv {

enum class JournalSide { Journal, Archive };

// One row of one table changed: made (no `before`), removed (no `after`) or rewritten.
struct RowEdit {
    JournalSide table = JournalSide::Journal;
    int row = 0;  // table row, 1..
    std::optional<JournalRow> before;
    std::optional<JournalRow> after;
};

struct JournalChange {
    std::vector<RowEdit> edits;  // in the order they were made
    int archiveRowsReadBefore = 0;
    int archiveRowsReadAfter = 0;
    // Nothing happened (a delete of a blank row, a comment typed as it was).
    bool isEmpty() const { return edits.empty(); }
};

class JournalBook : public QObject {
    Q_OBJECT

public:
    using Table = JournalSide;

    explicit JournalBook(QObject* parent = nullptr);

    JournalTableModel& journal() { return m_journal.model; }
    JournalTableModel& archive() { return m_archive.model; }
    const JournalTableModel& journal() const { return m_journal.model; }
    const JournalTableModel& archive() const { return m_archive.model; }
    JournalTableModel& model(Table table) { return side(table).model; }

    // An entry for `method` showing `value`, made at `when`: into the journal's blank last
    // row when the journal is empty, else into a new last row (the change's one edit).
    JournalChange addEntry(Method method, const QString& value, const QDateTime& when);
    // A journal row's comment; nothing outside the data rows or when it is unchanged.
    JournalChange setComment(int row, const QString& text);
    // Deletes a journal row (the only one is blanked); nothing outside the data rows.
    JournalChange deleteEntry(int row);
    // Moves a journal row to the end of the archive; nothing from an empty journal or
    // outside the data rows.
    JournalChange moveToArchive(int row);
    // Deletes an archive row as deleteEntry does.
    JournalChange deleteArchived(int row);

    // Takes a change back, the book being as the change left it; and makes it again.
    void undo(const JournalChange& change);
    void redo(const JournalChange& change);

    // The rows moved into the archive since it was read, in the order they came, as far as
    // they are still there: they are the archive's last rows, because rows only ever
    // arrive at its end.
    std::vector<JournalRow> movedThisSession() const;
    // How many of the archive's rows came from its file (the rest were moved this session).
    int archiveRowsRead() const { return m_archiveRowsRead; }

    // Adds a file's records to a table (at start). The bytes read become what the table
    // is compared with at the next save.
    TableRead read(Table table, const QByteArray& fileBytes);
    // The table must be written at the next save even if it does not change: its file is
    // missing, or was read only up to damage, or holds something else than the table.
    void markUnsaved(Table table) { side(table).mustWrite = true; }

    // The file's bytes when they must be written: the table changed since it was read or
    // last saved, and its content differs from what the file holds. Else nothing, so an
    // untouched file is never rewritten.
    std::optional<QByteArray> bytesToSave(Table table) const;
    // Whether the session changed the table since it was read or last saved, whatever
    // its file needs.
    bool changedBySession(Table table) const;
    // After `bytes` (the table's own, from bytesToSave) reached the file.
    void markSaved(Table table, const QByteArray& bytes);
    // What the file holds as last read or written: its size and content hash, the same
    // for the same bytes in every run.
    QByteArray savedFingerprint(Table table) const;
    // The same for any file's bytes.
    static QByteArray fingerprintOf(const QByteArray& bytes);

    // The journal's file bytes with the rows moved to the archive this session put back
    // at its end: what the journal file gets when the archive could not be written.
    QByteArray journalBytesWithMovedRows() const;

private:
    struct Side {
        JournalTableModel model;
        quint64 savedRevision = 0;
        size_t savedHash = 0;
        qsizetype savedSize = 0;
        bool mustWrite = false;
    };
    Side& side(Table table) { return table == Table::Journal ? m_journal : m_archive; }
    const Side& side(Table table) const { return table == Table::Journal ? m_journal : m_archive; }
    void remember(Side& side, const QByteArray& bytes);
    JournalChange begin() const;
    // Applies one edit forwards or backwards, through the model so the views follow.
    void apply(const RowEdit& edit, bool forwards);
    // Deletes a row of a table, the only one blanked, and notes it in `change`.
    void deleteRow(Table table, int row, JournalChange& change);

    Side m_journal;
    Side m_archive;
    // The archive rows read from its file still there; after them come the moved ones.
    int m_archiveRowsRead = 1;
};

}  // namespace kv
