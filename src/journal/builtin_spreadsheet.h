#pragma once
// The spreadsheet application the program carries itself, so that an export works where
// no spreadsheet program is installed. It answers the automation calls of the export on a
// workbook held in memory and writes it at SaveAs as an Office Open XML workbook (.xlsx),
// whatever extension the name has.
//
// What it understands (names without regard to case):
//   application: SheetsInNewWorkBook (put), Workbooks (get/call, optional index), quit
//   workbooks:   Add, Item (get, index)
//   workbook:    Sheets (get, index), SaveAs (file name), close (optional save flag)
//   sheet:       Columns (optional column number), Range ("a1:g3" or "b2"), Cells (put
//                row, column, value)
//   columns:     Columns (optional number within them), ColumnWidth (put), Font
//   range:       Font, HorizontalAlignment (put: 1 general, 2 left, 3 centre, 4 right,
//                5 fill, 6 justify, 7 centre across; or the named constants for them)
//   font:        Size (put), Bold (put)
// Formats apply as a spreadsheet applies them: a column format also reaches the cells
// already in the column, a range format the cells of the range, the later over the
// earlier.

#include "journal/spreadsheet_automation.h"

namespace kv {

// A new application object.
AutomationObjectPtr createBuiltinSpreadsheet();

// Answers to the export's identifier (in any case) with a new built-in application, to
// any other with nullptr.
AutomationFactory builtinSpreadsheetFactory();

}  // namespace kv
