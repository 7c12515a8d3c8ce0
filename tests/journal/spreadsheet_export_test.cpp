#include "journal/spreadsheet_export.h"

#include "recording_spreadsheet.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::SpreadsheetLog;

// The calls a whole export makes, written out from the sheet layout: the workbook, the
// widths, the fonts, the title, the headings, then per data row its alignment and cells.
QStringList expectedCalls(const std::vector<std::array<QString, 5>>& rows, const QString& fileName)
{
    QStringList calls = {
        "cursor hourglass",
        "application.SheetsInNewWorkBook put 1",
        "application.WorkBooks call",
        "workbooks.Add call",
        "application.Workbooks get 1",
        "workbook.Sheets get 1",
        "sheet.Columns call",
        "columns.Columns get 1", "column.ColumnWidth put 10",
        "columns.Columns get 2", "column.ColumnWidth put 30",
        "columns.Columns get 3", "column.ColumnWidth put 40",
        "columns.Columns get 4", "column.ColumnWidth put 20",
        "columns.Columns get 5", "column.ColumnWidth put 90",
        "columns.Columns call", "allColumns.Font call", "font.Size put 8",
        "sheet.Range get \"a1:b1\"",
        "range.Font call", "font.Size put 15",
        "range.Font call", "font.Bold put true",
        "range.HorizontalAlignment put 3",
        "sheet.Cells put 1, 2, \"Октанометр КВ-4410 ПК\"",
        "sheet.Range get \"a3:g3\"",
        "range.Font call", "font.Size put 10",
        "range.Font call", "font.Bold put true",
        "range.HorizontalAlignment put 3",
        "sheet.Cells put 3, 1, \"№\"",
        "sheet.Cells put 3, 2, \"Дата\"",
        "sheet.Cells put 3, 3, \"Метод\"",
        "sheet.Cells put 3, 4, \"Значение\"",
        "sheet.Cells put 3, 5, \"Комментарий\"",
    };
    int n = 4;
    for (const auto& row : rows) {
        calls << QStringLiteral("sheet.Range get \"a%1:g%1\"").arg(n)
              << QStringLiteral("range.HorizontalAlignment put 3");
        for (int c = 0; c < 5; ++c)
            calls << QStringLiteral("sheet.Cells put %1, %2, \"%3\"").arg(n).arg(c + 1).arg(row[c]);
        ++n;
    }
    calls << "cursor default"
          << "application.WorkBooks get 1"
          << QStringLiteral("workbook.SaveAs call \"%1\"").arg(fileName)
          << "application.WorkBooks get 1"
          << "workbook.close call false"
          << "application.quit call";
    return calls;
}

JournalTable tableOf(const std::vector<std::array<QString, 5>>& rows)
{
    JournalTable table;
    table.setRowCount(int(rows.size()) + 1);
    for (int r = 0; r < int(rows.size()); ++r)
        table.setRow(r + 1, JournalRow{rows[r]});
    return table;
}

const std::vector<std::array<QString, 5>> kThreeRows = {{
    {"1", "08.12.2026 14:05:09", "Исследовательский метод", "83,3", ""},
    {"2", "08.12.2026 14:06:10", "Моторный метод", "78 (АИ-92 Лук)", "проба \"2\""},
    {"7", "08.12.2026 15:00:00", "Цетановое число", "*", "<5% воды & осадок"},
}};

class SpreadsheetExportTest : public testing::Test {
protected:
    std::shared_ptr<SpreadsheetLog> log = std::make_shared<SpreadsheetLog>();
    test::RecordingCursor cursor{log};
    QStringList asked;

    void exportTable(const JournalTable& table, const QString& name)
    {
        exportGridToSpreadsheet(table, name, test::recordingFactory(log, &asked), cursor);
    }
    void expectAllReleased()
    {
        EXPECT_EQ(log->live, 0);
        EXPECT_EQ(log->liveAtAppRelease, 0) << "the application is released last";
    }
};

TEST_F(SpreadsheetExportTest, EmptyJournalGivesOneRowOfEmptyCells)
{
    exportTable(JournalTable(), "/home/lab/журнал.xls");
    EXPECT_EQ(asked, QStringList{"Excel.Application"});
    EXPECT_EQ(log->calls, expectedCalls({{"", "", "", "", ""}}, "/home/lab/журнал.xls"));
    expectAllReleased();
}

// Rows 4 to 6, the texts as they stand (no escaping, no trimming); the archive goes the
// same way under the same title and headings, and a name without extension is passed on
// unchanged.
TEST_F(SpreadsheetExportTest, RowsGoToSheetRowsFromFourOn)
{
    exportTable(tableOf(kThreeRows), "/tmp/архив");
    EXPECT_EQ(log->calls, expectedCalls(kThreeRows, "/tmp/архив"));
    expectAllReleased();
}

TEST_F(SpreadsheetExportTest, NoApplicationIsConnectErrorAndNothingElse)
{
    try {
        exportGridToSpreadsheet(tableOf(kThreeRows), "a.xls",
                                test::recordingFactory(log, &asked, false), cursor);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Error connect Excel"));
    }
    EXPECT_EQ(asked, QStringList{"Excel.Application"});
    EXPECT_TRUE(log->calls.isEmpty()) << "the cursor is not touched either";

    EXPECT_THROW(exportGridToSpreadsheet(JournalTable(), "a.xls", AutomationFactory(), cursor), Error);
    EXPECT_TRUE(log->calls.isEmpty());
}

// A call failing at any step (a cell write with the hourglass up, the save after it is
// down, the quit itself) raises its own error; the rest of the steps don't run, the
// cursor ends on the default once, the workbook is closed unsaved, the application told
// to quit, and everything released.
TEST_F(SpreadsheetExportTest, FailingCallRestoresCursorAndReleasesEverything)
{
    const QStringList full = expectedCalls(kThreeRows, "b.xls");
    for (const QString& failing : {QStringLiteral("sheet.Cells put 5, 3, \"Моторный метод\""),
                                  QStringLiteral("workbook.SaveAs call \"b.xls\""),
                                  QStringLiteral("application.quit call"),
                                  QStringLiteral("application.SheetsInNewWorkBook put 1")}) {
        SCOPED_TRACE(failing.toStdString());
        log = std::make_shared<SpreadsheetLog>();
        test::RecordingCursor recordingCursor(log);
        const int at = int(full.indexOf(failing));
        ASSERT_GE(at, 0);
        log->failAt = at + 1;
        try {
            exportGridToSpreadsheet(tableOf(kThreeRows), "b.xls", test::recordingFactory(log, nullptr),
                                    recordingCursor);
            FAIL() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "Call failed: " + failing);
        }
        QStringList expected = full.mid(0, at + 1);
        const bool hourglassUp = !expected.contains("cursor default");
        if (hourglassUp)
            expected << "cursor default";
        const bool workbookOpen = at > full.indexOf("workbooks.Add call")
            && at < full.indexOf("workbook.close call false");
        if (workbookOpen)
            expected << "application.Workbooks get 1" << "workbook.close call false";
        expected << "application.quit call";
        EXPECT_EQ(log->calls, expected);
        EXPECT_EQ(log->calls.count("cursor default"), 1);
        EXPECT_EQ(log->live, 0);
        EXPECT_EQ(log->liveAtAppRelease, 0);
    }
}

// Cancelled while rows go: no save, the workbook closed unsaved, the application told to
// quit; the reports run up to all rows written just before the save.
TEST_F(SpreadsheetExportTest, ProgressReportsRowsAndCancelSavesNothing)
{
    JournalTable table;
    table.setRowCount(1201);
    std::vector<std::pair<int, int>> reports;
    const auto record = [&](int done, int total) {
        reports.emplace_back(done, total);
        return true;
    };
    EXPECT_FALSE(exportGridToSpreadsheet(table, "c.xls", test::recordingFactory(log, nullptr), cursor, record)
                     .cancelled);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{499, 1200}, {999, 1200}, {1200, 1200}}));

    log = std::make_shared<SpreadsheetLog>();
    test::RecordingCursor recordingCursor(log);
    EXPECT_TRUE(exportGridToSpreadsheet(table, "c.xls", test::recordingFactory(log, nullptr),
                                        recordingCursor, [](int done, int) { return done < 900; })
                    .cancelled);
    EXPECT_FALSE(log->calls.join('\n').contains("SaveAs"));
    EXPECT_EQ(log->calls.mid(log->calls.size() - 4),
              (QStringList{"cursor default", "application.Workbooks get 1", "workbook.close call false",
                           "application.quit call"}));
    expectAllReleased();
}

}  // namespace
}  // namespace kv
