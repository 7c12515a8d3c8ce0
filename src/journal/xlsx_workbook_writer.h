#pragma once
// The workbook writer the program uses: an Office Open XML workbook (.xlsx) written with
// libxlsxwriter, whatever extension the name has, so that no spreadsheet program is
// needed.
//
// Rows stream out as they are finished, so memory stays flat however long the table:
// cells and ranges must come in rising row order (a step reaching back to a finished row
// is refused), and the columns' type size reaches only the rows written after it. The workbook is made whole in a
// scratch folder beside the target and put in place by the safe save only at save, so a
// failure or a close without save leaves the old file, or none, never half a workbook.

#include "journal/workbook_writer.h"

namespace kv {

// A writer for a workbook to be saved as `fileName`; failures name that file. nullptr when
// the writer's module (kv4410pc-xlsx.so, beside the program or in its library folder) can't
// be loaded: the library it is written with, and the two that one needs, are loaded with
// the first export rather than before the first window.
std::unique_ptr<WorkbookWriter> createXlsxWorkbookWriter(const QString& fileName);

// Where the module is looked for, in order.
QStringList xlsxModuleFolders();

}  // namespace kv
