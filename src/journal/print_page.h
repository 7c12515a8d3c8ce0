#pragma once
// The print page tmp1.html: the journal as an HTML table, in code page 1251 with CR LF
// line ends, which the print view shows and previews.

#include "journal/journal_table.h"

#include <QByteArray>
#include <QString>

namespace kv {

inline const QString kPrintPageFileName = QStringLiteral("tmp1.html");

// The page's bytes: the heading row, then one table row per data row of the table (an
// empty journal's blank row included). Cell texts are HTML-escaped (& < > "), so a
// comment prints as typed and no markup an operator typed is run.
QByteArray printPageBytes(const JournalTable& table);

// Writes the page into `directory` through the safe save, overwriting an earlier one, and
// returns its full path. Raises FileCreateError / StreamWriteError.
QString buildPrintPage(const JournalTable& table, const QString& directory);

}  // namespace kv
