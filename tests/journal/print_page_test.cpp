#include "journal/print_page.h"

#include "core/errors.h"
#include "recording_reporter.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

QByteArray golden(const char* name)
{
    return test::readFile(QStringLiteral(KV_TEST_DATA_DIR "/") + QLatin1StringView(name));
}

JournalTable tableOf(std::initializer_list<std::array<QString, 5>> rows)
{
    JournalTable table;
    table.setRowCount(int(rows.size()) + 1);
    int r = 1;
    for (const auto& row : rows)
        table.setRow(r++, JournalRow{row});
    return table;
}

TEST(PrintPage, EmptyJournalPrintsHeadingAndOneBlankRow)
{
    EXPECT_EQ(printPageBytes(JournalTable()), golden("print_page_empty.html"));
}

// Blank rows print too; a method name cut short and the calibration note stand as typed.
TEST(PrintPage, RowsInTableOrder)
{
    EXPECT_EQ(printPageBytes(tableOf({
                  {"1", "08.12.2026 14:05:09", "Исследовательский", "83,3", ""},
                  {"2", "08.12.2026 14:06:10", "Моторный", "78 (АИ-92 Лук)", "проба 2"},
                  {"", "", "", "", ""},
              })),
              golden("print_page_three_rows.html"));
}

// A comment's markup characters print as typed instead of breaking the table or running.
TEST(PrintPage, CellTextsAreEscaped)
{
    EXPECT_EQ(printPageBytes(tableOf({
                  {"1", "08.12.2026 14:05:09", "Исследовательский", "83,3",
                   "<5% воды & \"грязь\" > нормы"},
                  {"2", "08.12.2026 14:06:10", "Моторный", "78", "<script>alert(1)</script>"},
              })),
              golden("print_page_escaped.html"));
}

// Printing again overwrites the page; a folder that can't take it raises the file error.
TEST(PrintPage, BuildWritesIntoTheDataDirectory)
{
    QTemporaryDir dir;
    const QString path = buildPrintPage(tableOf({{"1", "a", "b", "c", "d"}}), dir.path());
    EXPECT_EQ(path, QDir(dir.path()).filePath("tmp1.html"));
    EXPECT_EQ(buildPrintPage(JournalTable(), dir.path()), path);
    EXPECT_EQ(test::readFile(path), golden("print_page_empty.html"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"tmp1.html"});

    test::blockWithDirectory(path);
    EXPECT_THROW(buildPrintPage(JournalTable(), dir.path()), FileCreateError);
}

// A long page is written as it is made and a stop leaves the earlier page, and nothing
// else, in the folder.
TEST(PrintPage, AStoppedWriteLeavesTheEarlierPage)
{
    QTemporaryDir dir;
    const QString path = buildPrintPage(JournalTable(), dir.path());
    JournalTable table;
    table.setRowCount(2501);
    std::vector<int> told;
    EXPECT_EQ(buildPrintPage(table, dir.path(), [&told](int done, int total) {
                  told.push_back(done);
                  return total == 2500 && done < 2000;
              }),
              QString());
    EXPECT_EQ(told, (std::vector<int>{1000, 2000}));
    EXPECT_EQ(test::readFile(path), golden("print_page_empty.html"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tmp1.html"});
    EXPECT_EQ(buildPrintPage(table, dir.path(), [](int, int) { return true; }), path);
    EXPECT_EQ(test::readFile(path), printPageBytes(table));
}

}  // namespace
}  // namespace kv
