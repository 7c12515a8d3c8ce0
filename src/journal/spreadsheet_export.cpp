#include "journal/spreadsheet_export.h"

#include "core/errors.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>

namespace kv {

namespace {

constexpr std::array<int, 5> kColumnWidths = {10, 30, 40, 20, 90};
constexpr int kSheetFontSize = 8;
constexpr CellRange kTitleRange{1, 1, 1, 2};
constexpr int kHeadingRow = 3;
// The heading and data rows are formatted across the five columns only (a to e, not on
// to g): a formatted blank cell counts in the sheet's extent, and a reader that trusts
// the extent would find two empty columns more in every row.
constexpr int kFormattedColumns = JournalTable::kColumnCount;
constexpr int kFirstDataSheetRow = 4;

// Thrown through the steps when the operator cancels; never leaves the export.
struct Cancelled {};

CellFormat boldCentred(int size)
{
    return {size, true, HorizontalAlignment::Centre};
}

CellRange wholeRow(int row)
{
    return {row, 1, row, kFormattedColumns};
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

// The title, the headings and the table's rows from sheet row 4 on.
void writeCells(WorkbookWriter& writer, const JournalTable& table, const ExportProgress& progress,
                QList<int>& cutRows)
{
    writer.formatRange(kTitleRange, boldCentred(15));
    writer.setCellText(1, 2, kJournalTitle);

    writer.formatRange(wholeRow(kHeadingRow), boldCentred(10));
    for (int c = 0; c < int(kJournalHeadings.size()); ++c)
        writer.setCellText(kHeadingRow, c + 1, kJournalHeadings[c]);

    const int rows = table.rowCount() - 1;
    int n = kFirstDataSheetRow;
    for (int r = 1; r < table.rowCount(); ++r, ++n) {
        if (progress && r % kExportProgressStep == 0 && !progress(r - 1, rows))
            throw Cancelled();
        writer.formatRange(wholeRow(n), {std::nullopt, std::nullopt, HorizontalAlignment::Centre});
        bool rowCut = false;
        for (int c = 0; c < JournalTable::kColumnCount; ++c) {
            bool cut = false;
            writer.setCellText(n, c + 1, cellText(table.cell(r, c), cut));
            rowCut = rowCut || cut;
        }
        if (rowCut)
            cutRows << r;
    }
    if (progress && !progress(rows, rows))
        throw Cancelled();
}

// After a failure: the cursor back, the workbook closed unsaved and the writer told to
// quit, so that no scratch file stays behind. Their own failures are dropped; the first
// failure is the one reported.
void cleanUp(WorkbookWriter& writer, BusyCursor& cursor, bool hourglass, bool workbookOpen)
{
    if (hourglass)
        cursor.setDefault();
    try {
        if (workbookOpen)
            writer.close();
    } catch (const std::exception&) {
    }
    try {
        writer.quit();
    } catch (const std::exception&) {
    }
}

// 1048576 as "1 048 576".
QString groupedDigits(qint64 number)
{
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u' ');
    return digits;
}

}  // namespace

QString sheetRowsError(int maxRows, qint64 sheetRows)
{
    return QStringLiteral("Лист электронной таблицы вмещает не более %1 строк, а журнал займёт %2. "
                          "Сохраните его в формате CSV.")
        .arg(groupedDigits(maxRows), groupedDigits(sheetRows));
}

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
                                                const WorkbookWriterFactory& factory, BusyCursor& cursor,
                                                const ExportProgress& progress, const SaveWaiter& waitForSave)
{
    const std::unique_ptr<WorkbookWriter> writer = factory ? factory(fileName) : nullptr;
    if (!writer)
        throw Error(kSpreadsheetConnectError);
    // Known before anything is written: a sheet too short would fail only at its last row.
    const qint64 sheetRows = qint64(table.rowCount() - 1) + (kFirstDataSheetRow - 1);
    if (sheetRows > writer->maxRows())
        throw Error(sheetRowsError(writer->maxRows(), sheetRows));

    SpreadsheetExportResult result;
    bool hourglass = false;
    bool workbookOpen = false;
    try {
        cursor.setHourglass();
        hourglass = true;
        writer->create();
        workbookOpen = true;
        for (int c = 0; c < int(kColumnWidths.size()); ++c)
            writer->setColumnWidth(c + 1, kColumnWidths[c]);
        writer->setColumnsFontSize(kSheetFontSize);
        writeCells(*writer, table, progress, result.cutRows);
        cursor.setDefault();
        hourglass = false;

        // Only the saving thread touches the writer until the save is over.
        WorkbookWriter& saving = *writer;
        if (!runSave([&saving, &fileName](const ReplaceGate& gate) { return saving.save(fileName, gate); },
                     waitForSave))
            throw Cancelled();
        writer->close();
        workbookOpen = false;
        writer->quit();
    } catch (const Cancelled&) {
        cleanUp(*writer, cursor, hourglass, workbookOpen);
        result.cancelled = true;
        result.cutRows.clear();
    } catch (...) {
        cleanUp(*writer, cursor, hourglass, workbookOpen);
        throw;
    }
    return result;
}

}  // namespace kv
