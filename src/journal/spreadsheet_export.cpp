#include "journal/spreadsheet_export.h"

#include "core/errors.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>

namespace kv {

bool sameDispatchName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

namespace {

const QString kTitle = QStringLiteral("Октанометр КВ-4410 ПК");
const std::array<QString, 5> kHeadings = {
    QStringLiteral("№"), QStringLiteral("Дата"), QStringLiteral("Метод"),
    QStringLiteral("Значение"), QStringLiteral("Комментарий"),
};
constexpr std::array<int, 5> kColumnWidths = {10, 30, 40, 20, 90};
constexpr int kCentred = 3;
constexpr int kFirstDataSheetRow = 4;
// Rows between progress reports: often enough for a smooth bar, rarely enough to cost
// nothing.
constexpr int kProgressStep = 500;

// Thrown through the steps when the operator cancels; never leaves the export.
struct Cancelled {};

AutomationObjectPtr call(const AutomationObjectPtr& object, const QString& name, CallKind kind,
                         const AutomationArgs& args = {})
{
    return object->invoke(name, kind, args);
}

// A call whose result the next steps need: a missing object is a failure of the call.
AutomationObjectPtr fetch(const AutomationObjectPtr& object, const QString& name, CallKind kind,
                          const AutomationArgs& args = {})
{
    AutomationObjectPtr result = object->invoke(name, kind, args);
    if (!result)
        throw Error(QStringLiteral("%1 returned no object").arg(name));
    return result;
}

// A bold range of the given type size, centred.
void formatRange(const AutomationObjectPtr& sheet, const QString& address, int size)
{
    const AutomationObjectPtr range = fetch(sheet, QStringLiteral("Range"), CallKind::Get, {address});
    call(fetch(range, QStringLiteral("Font"), CallKind::Method), QStringLiteral("Size"),
         CallKind::Put, {size});
    call(fetch(range, QStringLiteral("Font"), CallKind::Method), QStringLiteral("Bold"),
         CallKind::Put, {true});
    call(range, QStringLiteral("HorizontalAlignment"), CallKind::Put, {kCentred});
}

void putCell(const AutomationObjectPtr& sheet, int row, int column, const QString& text)
{
    call(sheet, QStringLiteral("Cells"), CallKind::Put, {row, column, text});
}

// The collection's name is spelt differently at different steps; the application doesn't
// mind, but the calls are kept as written.
AutomationObjectPtr firstWorkbook(const AutomationObjectPtr& application, const QString& name)
{
    return fetch(application, name, CallKind::Get, {1});
}

// After a failure: the cursor back, the workbook closed unsaved and the application told
// to quit, so that no invisible application is left running. Their own failures are
// dropped; the first failure is the one reported.
void cleanUp(BusyCursor& cursor, bool hourglass, bool workbookOpen,
             const AutomationObjectPtr& application)
{
    if (hourglass)
        cursor.setDefault();
    try {
        if (workbookOpen)
            if (AutomationObjectPtr workbook = application->invoke(
                    QStringLiteral("Workbooks"), CallKind::Get, {1}))
                workbook->invoke(QStringLiteral("close"), CallKind::Method, {false});
    } catch (const std::exception&) {
    }
    try {
        application->invoke(QStringLiteral("quit"), CallKind::Method, {});
    } catch (const std::exception&) {
    }
}

// Steps 1 to 5: a new workbook of one sheet.
AutomationObjectPtr newWorkbook(const AutomationObjectPtr& application, bool& workbookOpen)
{
    call(application, QStringLiteral("SheetsInNewWorkBook"), CallKind::Put, {1});
    call(fetch(application, QStringLiteral("WorkBooks"), CallKind::Method), QStringLiteral("Add"),
         CallKind::Method);
    workbookOpen = true;
    return fetch(firstWorkbook(application, QStringLiteral("Workbooks")), QStringLiteral("Sheets"),
                 CallKind::Get, {1});
}

// Steps 6 to 11: the widths of columns 1 to 5, then the type size of all columns.
void formatColumns(const AutomationObjectPtr& sheet)
{
    const AutomationObjectPtr columns = fetch(sheet, QStringLiteral("Columns"), CallKind::Method);
    for (int c = 0; c < int(kColumnWidths.size()); ++c)
        call(fetch(columns, QStringLiteral("Columns"), CallKind::Get, {c + 1}),
             QStringLiteral("ColumnWidth"), CallKind::Put, {kColumnWidths[c]});
    call(fetch(fetch(columns, QStringLiteral("Columns"), CallKind::Method), QStringLiteral("Font"),
               CallKind::Method),
         QStringLiteral("Size"), CallKind::Put, {8});
}

// A text a cell can hold: a longer one (only a foreign data file has such a comment)
// would make the spreadsheet refuse the whole workbook, so it is cut, never mid-character.
QString cellText(const QString& text, bool& cut)
{
    cut = text.size() > kMaxCellText;
    if (!cut)
        return text;
    qsizetype keep = kMaxCellText - 1;
    if (text[keep - 1].isHighSurrogate())
        --keep;
    return text.left(keep) + u'…';
}

// Steps 12 to 23: the title, the headings and the table's rows from sheet row 4 on.
void writeCells(const AutomationObjectPtr& sheet, const JournalTable& table,
                const ExportProgress& progress, QList<int>& cutRows)
{
    formatRange(sheet, QStringLiteral("a1:b1"), 15);
    putCell(sheet, 1, 2, kTitle);

    formatRange(sheet, QStringLiteral("a3:g3"), 10);
    for (int c = 0; c < int(kHeadings.size()); ++c)
        putCell(sheet, 3, c + 1, kHeadings[c]);

    const int rows = table.rowCount() - 1;
    int n = kFirstDataSheetRow;
    for (int r = 1; r < table.rowCount(); ++r, ++n) {
        if (progress && r % kProgressStep == 0 && !progress(r - 1, rows))
            throw Cancelled();
        call(fetch(sheet, QStringLiteral("Range"), CallKind::Get, {QStringLiteral("a%1:g%1").arg(n)}),
             QStringLiteral("HorizontalAlignment"), CallKind::Put, {kCentred});
        bool rowCut = false;
        for (int c = 0; c < JournalTable::kColumnCount; ++c) {
            bool cut = false;
            putCell(sheet, n, c + 1, cellText(table.cell(r, c), cut));
            rowCut = rowCut || cut;
        }
        if (rowCut)
            cutRows << r;
    }
    if (progress && !progress(rows, rows))
        throw Cancelled();
}

}  // namespace

QString workbookFileName(const QString& chosen)
{
    if (chosen.isEmpty() || QFileInfo(chosen).fileName().contains(u'.'))
        return chosen;
    return chosen + QStringLiteral(".xlsx");
}

QString cutCellsNotice(const QList<int>& rows)
{
    constexpr int kRowsNamed = 10;
    QStringList named;
    for (qsizetype i = 0; i < std::min<qsizetype>(rows.size(), kRowsNamed); ++i)
        named << QString::number(rows[i]);
    if (rows.size() > kRowsNamed)
        named << QStringLiteral("…");
    return QStringLiteral("Текст длиннее %1 знаков не помещается в ячейку таблицы: он обрезан и "
                          "кончается знаком «…». Строки: %2.")
        .arg(kMaxCellText)
        .arg(named.join(QStringLiteral(", ")));
}

SpreadsheetExportResult exportGridToSpreadsheet(const JournalTable& table, const QString& fileName,
                                                const AutomationFactory& factory, BusyCursor& cursor,
                                                const ExportProgress& progress)
{
    SpreadsheetExportResult result;
    AutomationObjectPtr application = factory ? factory(kSpreadsheetProgramId) : nullptr;
    if (!application)
        throw Error(kSpreadsheetConnectError);

    bool hourglass = false;
    bool workbookOpen = false;
    try {
        cursor.setHourglass();
        hourglass = true;
        AutomationObjectPtr sheet = newWorkbook(application, workbookOpen);
        formatColumns(sheet);
        writeCells(sheet, table, progress, result.cutRows);
        cursor.setDefault();
        hourglass = false;

        const QString workbooks = QStringLiteral("WorkBooks");
        call(firstWorkbook(application, workbooks), QStringLiteral("SaveAs"), CallKind::Method,
             {fileName});
        call(firstWorkbook(application, workbooks), QStringLiteral("close"), CallKind::Method,
             {false});
        workbookOpen = false;
        sheet.reset();
        call(application, QStringLiteral("quit"), CallKind::Method);
    } catch (const Cancelled&) {
        cleanUp(cursor, hourglass, workbookOpen, application);
        result.cancelled = true;
        result.cutRows.clear();
    } catch (...) {
        cleanUp(cursor, hourglass, workbookOpen, application);
        throw;
    }
    return result;
}

}  // namespace kv
