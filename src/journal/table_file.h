#pragma once
// The journal and archive files (data2.tab, data.tab): code page 1251 text with CR LF line
// ends, six lines a record (five cells and an empty separator line), no header.

#include "journal/journal_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kv {

// The file's bytes for the data rows of the table. An empty table still gives one record
// of five empty cells.
QByteArray tableFileBytes(const JournalTable& table);

// What a read found: how many whole records it took, and whether it stopped at damage
// (text after a NUL, or a last record cut short with something in it), so that what
// follows is not lost when the file is written again.
struct TableRead {
    int records = 0;
    bool damaged = false;
};

// Adds the records in `bytes` to the table without clearing it: the first record goes into
// row 1, each further one into a new row at the end. Lines end at CR, LF or CR LF; a NUL
// ends the text; the sixth line of a record is skipped whatever it holds; a short last
// record is ignored; an empty line becomes a cell of one space. Blank lines or NULs at
// the very end are no damage.
TableRead readTableBytes(JournalTable& table, QByteArrayView bytes);

// The largest journal or archive read: millions of entries, far beyond what the grid can
// hold; a larger file can only be a mistake.
inline constexpr qint64 kMaxTableFileSize = qint64(1) << 30;

// readTableBytes on the file's contents. Raises FileOpenError, also when the file is not
// a regular file or is over kMaxTableFileSize.
TableRead loadTableFile(JournalTable& table, const QString& path);

// Replaces the file atomically with tableFileBytes. Raises FileCreateError or
// StreamWriteError; the old file is then intact.
void saveTableFile(const JournalTable& table, const QString& path);

}  // namespace kv
