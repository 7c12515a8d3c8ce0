#pragma once
// The print page tmp1.html: the journal as an HTML table, in code page 1251 with CR LF
// line ends, which the print view shows and previews.

#include "journal/journal_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace kv {

inline const QString kPrintPageFileName = QStringLiteral("tmp1.html");

// The page's bytes: the heading row, then one table row per data row of the table (an
// empty journal's blank row included). Cell texts are HTML-escaped (& < > "), so a
// comment prints as typed and no markup an operator typed is run.
QByteArray printPageBytes(const JournalTable& table);

// Told (rows written, rows in all) now and then; answering false stops the writing.
using PrintPageProgress = std::function<bool(int done, int total)>;

// The same bytes handed to `sink` piece by piece, so a long journal's page never stands
// whole in memory. False when `progress` stopped it.
bool writePrintPage(const JournalTable& table, const std::function<void(QByteArrayView)>& sink,
                    const PrintPageProgress& progress = {});

// Writes the page into `directory` as it is made, through a temporary file put in place
// only when whole, overwriting an earlier page, and returns its full path; an empty text
// when `progress` stopped it (the earlier page then stays). Raises FileCreateError /
// StreamWriteError.
QString buildPrintPage(const JournalTable& table, const QString& directory,
                       const PrintPageProgress& progress = {});

}  // namespace kv
