#pragma once
// The table as CSV, for other programs to read: one heading line, then one line per table
// row with the cells' texts as they stand, in the shape a Russian-locale spreadsheet opens
// without an import dialog: fields between semicolons, UTF-8 with a byte-order mark, CR LF
// line ends.

#include "journal/background_save.h"
#include "journal/journal_table.h"
#include "journal/spreadsheet_export.h"

#include <QByteArray>
#include <QString>

namespace kv {

// A name ending in ".csv", in any case: the table goes out as CSV.
bool isCsvFileName(const QString& fileName);

// One field. A text a spreadsheet would run as a formula (beginning with '=', '+', '-',
// '@', a tab or CR, and not a plain number such as "-5" or "92,4") gets a leading
// apostrophe, so that it is shown and never run. The field is quoted when it holds ';',
// '"', CR or LF or begins or ends with a blank, its quotes doubled.
QString csvField(const QString& text);
// One line of five fields, CR LF included, in UTF-8.
QByteArray csvLine(const JournalRow& row);

// Writes the table as CSV under `fileName` (as given), a piece at a time into a temporary
// file beside it that replaces the old file only when whole (FileReplacement), with the
// hourglass up while rows go. Progress and the save's waiter as for
// exportGridToSpreadsheet: cancelled, the old file stays and the result says so. Raises
// the file errors, the old file then intact too.
SpreadsheetExportResult exportGridToCsv(const JournalTable& table, const QString& fileName, BusyCursor& cursor,
                                        const ExportProgress& progress = {}, const SaveWaiter& waitForSave = {});

}  // namespace kv
