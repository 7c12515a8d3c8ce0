#pragma once
// Hands a journal or archive table to a spreadsheet: a one-sheet workbook with a title,
// a heading row and one row per table row, saved under a given name.

#include "journal/journal_table.h"
#include "journal/workbook_writer.h"

#include <QList>
#include <QString>

#include <functional>

namespace kv {

// Raised when no workbook writer can be had.
inline const QString kSpreadsheetConnectError = QStringLiteral("Error connect Excel");

// The screen cursor an export shows while it writes rows.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void setHourglass() = 0;
    virtual void setDefault() = 0;
};

// Told (rows written, rows in all) as rows go; answering false cancels the export. The
// last report, all rows written, comes just before the save, which a SaveWaiter can still
// call off.
using ExportProgress = std::function<bool(int done, int total)>;
// Table rows between progress reports: often enough for a smooth bar, rarely enough to
// cost nothing.
inline constexpr int kExportProgressStep = 500;

// The most text a spreadsheet cell holds, in UTF-16 units as spreadsheets count.
inline constexpr qsizetype kMaxCellText = 32767;

// The name a workbook is saved under: the name chosen, with ".xlsx" added when it has no
// extension (the content is always Office Open XML); a name with one stays as it is.
QString workbookFileName(const QString& chosen);

struct SpreadsheetExportResult {
    // The progress cancelled it: nothing was saved.
    bool cancelled = false;
    // Table rows (from 1) with a cell longer than kMaxCellText, exported cut to the
    // limit and ending in "…".
    QList<int> cutRows;
};

// Builds the workbook through a writer from `factory` and saves it as `fileName`, which
// is passed on unchanged. With `waitForSave` the save runs on a thread of its own while
// the waiter keeps this thread live. When `progress` cancels the export, or the waiter
// calls the save off, the result says so: nothing was saved, the workbook is closed
// unsaved and the writer told to quit as after a failure.
// Raises Error(kSpreadsheetConnectError) when no writer can be had and
// Error(sheetRowsError) when its sheet is too short for the table, leaving the cursor
// alone. Any later failing step raises that step's error once the cursor is back to the
// default, the workbook closed unsaved and the writer told to quit (as far as they still
// work; their own failures then are dropped) and the writer released.
SpreadsheetExportResult exportGridToSpreadsheet(const JournalTable& table, const QString& fileName,
                                                const WorkbookWriterFactory& factory, BusyCursor& cursor,
                                                const ExportProgress& progress = {},
                                                const SaveWaiter& waitForSave = {});

// Raised before anything is written when the table needs more rows (sheetRows: the
// title, the gap and the headings too) than the writer's sheet holds.
QString sheetRowsError(int maxRows, qint64 sheetRows);

// The notice after an export that cut cells: once, with the rows.
QString cutCellsNotice(const QList<int>& rows);

}  // namespace kv
