#include "journal/spreadsheet_export.h"

#include "recording_workbook_writer.h"

#include <gtest/gtest.h>

#include <semaphore>
#include <thread>

namespace kv {
namespace {

using test::WorkbookLog;
using Rows = std::vector<std::array<QString, 5>>;

// The steps of a whole export, written out from the sheet layout: the workbook, the
// widths, the sheet's type size, the title, the headings, then per data row its
// alignment and cells, the save, the close and the quit.
QStringList expectedSteps(const Rows& rows, const QString& fileName)
{
    QStringList steps = {
        "cursor hourglass",
        "create",
        "column 1 width 10",
        "column 2 width 30",
        "column 3 width 40",
        "column 4 width 20",
        "column 5 width 90",
        "columns size 8",
        "format A1:B1 size 15, bold, centre",
        "text 1, 2 \"Октанометр КВ-4410 ПК\"",
        "format A3:E3 size 10, bold, centre",
        "text 3, 1 \"№\"",
        "text 3, 2 \"Дата\"",
        "text 3, 3 \"Метод\"",
        "text 3, 4 \"Значение\"",
        "text 3, 5 \"Комментарий\"",
    };
    int n = 4;
    for (const auto& row : rows) {
        steps << QStringLiteral("format A%1:E%1 centre").arg(n);
        for (int c = 0; c < 5; ++c)
            steps << QStringLiteral("text %1, %2 \"%3\"").arg(n).arg(c + 1).arg(row[c]);
        ++n;
    }
    steps << "cursor default" << QStringLiteral("save \"%1\"").arg(fileName) << "close" << "quit";
    return steps;
}

JournalTable tableOf(const Rows& rows)
{
    JournalTable table;
    table.setRowCount(int(rows.size()) + 1);
    for (int r = 0; r < int(rows.size()); ++r)
        table.setRow(r + 1, JournalRow{rows[r]});
    return table;
}

const Rows kThreeRows = {{
    {"1", "08.12.2026 14:05:09", "Исследовательский метод", "83,3", ""},
    {"2", "08.12.2026 14:06:10", "Моторный метод", "78 (АИ-92 Лук)", "проба \"2\""},
    {"7", "08.12.2026 15:00:00", "Цетановое число", "*", "<5% воды & осадок"},
}};

class SpreadsheetExportTest : public testing::Test {
protected:
    std::shared_ptr<WorkbookLog> log = std::make_shared<WorkbookLog>();
    test::RecordingCursor cursor{log};
    QStringList asked;
};

// An empty journal (one blank row) gives one row of empty cells in sheet row 4; three
// rows fill rows 4 to 6, the texts as they stand (no escaping, no trimming). The archive
// goes the same way under the same title and headings, and a name without extension is
// passed on unchanged.
TEST_F(SpreadsheetExportTest, StepsFollowTheSheetLayout)
{
    const struct {
        Rows rows;
        JournalTable table;
        QString fileName;
    } cases[] = {
        {{{"", "", "", "", ""}}, JournalTable(), "/home/lab/журнал.xls"},
        {kThreeRows, tableOf(kThreeRows), "/tmp/архив"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName.toStdString());
        log->steps.clear();
        asked.clear();
        const SpreadsheetExportResult result =
            exportGridToSpreadsheet(c.table, c.fileName, test::recordingFactory(log, &asked), cursor);
        EXPECT_FALSE(result.cancelled);
        EXPECT_TRUE(result.cutRows.isEmpty());
        EXPECT_EQ(asked, QStringList{c.fileName});
        EXPECT_EQ(log->steps, expectedSteps(c.rows, c.fileName));
        EXPECT_EQ(log->live, 0);
    }
}

TEST_F(SpreadsheetExportTest, NoWriterIsConnectErrorAndNothingElse)
{
    for (const WorkbookWriterFactory& factory :
         {test::recordingFactory(log, &asked, false), WorkbookWriterFactory()}) {
        try {
            exportGridToSpreadsheet(tableOf(kThreeRows), "a.xls", factory, cursor);
            FAIL() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Error connect Excel"));
        }
        EXPECT_TRUE(log->steps.isEmpty()) << "the cursor is not touched either";
    }
}

// A table the sheet can't hold is refused before anything is written: a sheet of 1,000
// rows takes 997 table rows (with the title, the gap and the headings), not 998.
TEST_F(SpreadsheetExportTest, TableLongerThanTheSheetIsRefusedUpFront)
{
    log->maxRows = 1000;
    for (const int rows : {997, 998}) {
        log->steps.clear();
        JournalTable table;
        table.setRowCount(rows + 1);
        try {
            exportGridToSpreadsheet(table, "d.xlsx", test::recordingFactory(log, nullptr), cursor);
            EXPECT_EQ(rows, 997);
        } catch (const Error& e) {
            EXPECT_EQ(rows, 998);
            EXPECT_EQ(e.message(), QStringLiteral("Лист электронной таблицы вмещает не более 1 000 строк, а журнал "
                                                  "займёт 1 001. Сохраните его в формате CSV."));
            EXPECT_TRUE(log->steps.isEmpty());
        }
        EXPECT_EQ(log->live, 0);
    }
    EXPECT_EQ(sheetRowsError(1048576, 1048577),
              QStringLiteral("Лист электронной таблицы вмещает не более 1 048 576 строк, а журнал займёт "
                             "1 048 577. Сохраните его в формате CSV."));
}

// A step failing anywhere (the create, a cell write with the hourglass up, the save
// after it is down, the quit itself) raises its own error; the rest of the steps don't
// run, the cursor ends on the default once, the workbook is closed unsaved, the writer
// told to quit and released.
TEST_F(SpreadsheetExportTest, FailingStepRestoresCursorAndReleasesTheWriter)
{
    const QStringList full = expectedSteps(kThreeRows, "b.xls");
    for (const QString& failing : {QStringLiteral("create"), QStringLiteral("text 5, 3 \"Моторный метод\""),
                                   QStringLiteral("save \"b.xls\""), QStringLiteral("quit")}) {
        SCOPED_TRACE(failing.toStdString());
        log = std::make_shared<WorkbookLog>();
        test::RecordingCursor recordingCursor(log);
        const int at = int(full.indexOf(failing));
        ASSERT_GE(at, 0);
        log->failAt = at + 1;
        try {
            exportGridToSpreadsheet(tableOf(kThreeRows), "b.xls", test::recordingFactory(log, nullptr),
                                    recordingCursor);
            FAIL() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "Step failed: " + failing);
        }
        QStringList expected = full.mid(0, at + 1);
        if (!expected.contains("cursor default"))
            expected << "cursor default";
        if (at > full.indexOf("create") && at < full.indexOf("close"))
            expected << "close";
        expected << "quit";
        EXPECT_EQ(log->steps, expected);
        EXPECT_EQ(log->live, 0);
    }
}

// Cancelled while rows go: no save, the workbook closed unsaved, the writer told to
// quit; the reports run up to all rows written just before the save.
TEST_F(SpreadsheetExportTest, ProgressReportsRowsAndCancelSavesNothing)
{
    JournalTable table;
    table.setRowCount(1201);
    table.setCell(1, 4, QString(kMaxCellText + 1, u'x'));
    std::vector<std::pair<int, int>> reports;
    const auto record = [&](int done, int total) {
        reports.emplace_back(done, total);
        return true;
    };
    EXPECT_FALSE(exportGridToSpreadsheet(table, "c.xls", test::recordingFactory(log, nullptr), cursor, record)
                     .cancelled);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{499, 1200}, {999, 1200}, {1200, 1200}}));

    log->steps.clear();
    const SpreadsheetExportResult cancelled = exportGridToSpreadsheet(
        table, "c.xls", test::recordingFactory(log, nullptr), cursor, [](int done, int) { return done < 900; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.cutRows.isEmpty()) << "nothing was written, so nothing was cut";
    EXPECT_FALSE(log->steps.join('\n').contains("save"));
    EXPECT_EQ(log->steps.mid(log->steps.size() - 3), (QStringList{"cursor default", "close", "quit"}));
    EXPECT_EQ(log->live, 0);
}

// With a waiter the save runs on a thread of its own; Cancel there, before the workbook
// replaces the file, saves nothing: the workbook is closed unsaved as after Cancel
// while rows go.
TEST_F(SpreadsheetExportTest, SaveRunsOnAThreadOfItsOwnAndCancelCallsItOff)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        log->steps.clear();
        std::binary_semaphore waited{0};
        std::thread::id savingThread;
        log->duringSave = [&] {
            savingThread = std::this_thread::get_id();
            waited.acquire();
        };
        const SpreadsheetExportResult result = exportGridToSpreadsheet(
            tableOf(kThreeRows), "e.xlsx", test::recordingFactory(log, nullptr), cursor, {},
            [&](BackgroundSave& save) {
                EXPECT_FALSE(save.finished());
                if (cancel) {
                    EXPECT_TRUE(save.cancel());
                }
                waited.release();
            });
        EXPECT_NE(savingThread, std::this_thread::get_id());
        EXPECT_EQ(result.cancelled, cancel);
        QStringList ending = {QStringLiteral("save \"e.xlsx\""), QStringLiteral("close"), QStringLiteral("quit")};
        if (cancel)
            ending.insert(1, QStringLiteral("save called off"));
        EXPECT_EQ(log->steps.mid(log->steps.size() - ending.size()), ending);
        EXPECT_EQ(log->live, 0);
    }
}

}  // namespace
}  // namespace kv
