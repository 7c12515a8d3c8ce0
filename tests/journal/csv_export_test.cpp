#include "journal/csv_export.h"

#include "recording_reporter.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QByteArray kBom = "\xEF\xBB\xBF";
const QByteArray kHeadingLine = "№;Дата;Метод;Значение;Комментарий\r\n";

JournalRow commentRow(const QString& comment)
{
    return {{"1", "08.12.2026 14:05:09", "Исследовательский метод", "92,4", comment}};
}

// Awkward cells, as other programs must read them back: separators, quotes and line
// breaks quoted, texts that would run as formulas shown instead, numbers as they stand.
TEST(CsvExport, FieldsAreQuotedAndFormulasDisarmed)
{
    const struct {
        const char* cell;
        const char* field;
    } cases[] = {
        {"", ""},
        {"007", "007"},
        {"проба; вторая", "\"проба; вторая\""},
        {"проба \"2\"", "\"проба \"\"2\"\"\""},
        {"строка 1\r\nстрока 2", "\"строка 1\r\nстрока 2\""},
        {"конец\n", "\"конец\n\""},
        {" слева", "\" слева\""},
        {"справа ", "\"справа \""},
        {"=1+1", "'=1+1"},
        {"=1;2", "\"'=1;2\""},
        {"+7 (999) 123", "'+7 (999) 123"},
        {"-5 (АИ-92)", "'-5 (АИ-92)"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""},
        {"-5", "-5"},
        {"+3", "+3"},
        {"-92,4", "-92,4"},
        {"-0.5", "-0.5"},
        {"-", "'-"},
        {"-5,", "'-5,"},
        {"92,4 (АИ-92 склад 3)", "92,4 (АИ-92 склад 3)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        EXPECT_EQ(csvField(QString::fromUtf8(c.cell)), QString::fromUtf8(c.field));
    }
    EXPECT_EQ(csvLine(commentRow("a;b")),
              QByteArray("1;08.12.2026 14:05:09;Исследовательский метод;92,4;\"a;b\"\r\n"));
}

TEST(CsvExport, CsvNames)
{
    for (const char* name : {"/tmp/журнал.csv", "a.CSV", ".csv"})
        EXPECT_TRUE(isCsvFileName(QString::fromUtf8(name))) << name;
    for (const char* name : {"a.csv.xlsx", "csv", "/tmp/x.csv/журнал", "a.xls", "acsv"})
        EXPECT_FALSE(isCsvFileName(QString::fromUtf8(name))) << name;
}

class NoCursor : public BusyCursor {
public:
    void setHourglass() override { ++changes; }
    void setDefault() override { ++changes; }
    int changes = 0;
};

class CsvFileTest : public testing::Test {
protected:
    QTemporaryDir dir;
    NoCursor cursor;
    const QString file = dir.filePath(QStringLiteral("журнал.csv"));
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

// The byte-order mark, the heading line, then a line per table row: the empty journal's
// blank row too. An older file of that name is replaced whole.
TEST_F(CsvFileTest, WritesTheHeadingAndEveryRow)
{
    test::writeFile(file, "old");
    EXPECT_FALSE(exportGridToCsv(JournalTable(), file, cursor).cancelled);
    EXPECT_EQ(test::readFile(file), kBom + kHeadingLine + ";;;;\r\n");

    const JournalTable table = journalTableOf({commentRow("="), commentRow("")});
    exportGridToCsv(table, file, cursor);
    EXPECT_EQ(test::readFile(file), kBom + kHeadingLine + csvLine(commentRow("'=")) + csvLine(commentRow("")));
    EXPECT_EQ(entries(), QStringList{"журнал.csv"});
    EXPECT_EQ(cursor.changes, 4) << "the hourglass up and down each time";
}

// Cancelled while rows go, or in the save (rows of over a megabyte, so that pieces went
// to the disk already), the old file stays and nothing else is left.
TEST_F(CsvFileTest, CancelLeavesTheOldFile)
{
    JournalTable table;
    table.setRowCount(1201);
    for (int r = 1; r < table.rowCount(); ++r)
        table.setCell(r, 4, QString(1000, u'ж'));
    test::writeFile(file, "old");
    std::vector<std::pair<int, int>> reports;
    const SpreadsheetExportResult byProgress = exportGridToCsv(table, file, cursor, [&](int done, int total) {
        reports.emplace_back(done, total);
        return done < 900;
    });
    EXPECT_TRUE(byProgress.cancelled);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{499, 1200}, {999, 1200}}));
    EXPECT_EQ(test::readFile(file), QByteArray("old"));
    // Called off unless the save has passed its gate already; either way as it says.
    bool calledOff = false;
    const SpreadsheetExportResult inSave =
        exportGridToCsv(table, file, cursor, {}, [&](BackgroundSave& save) { calledOff = save.cancel(); });
    EXPECT_EQ(inSave.cancelled, calledOff);
    EXPECT_EQ(test::readFile(file) == "old", calledOff);
    test::writeFile(file, "old");
    EXPECT_EQ(entries(), QStringList{"журнал.csv"});
    EXPECT_EQ(cursor.changes, 4);

    EXPECT_FALSE(exportGridToCsv(table, file, cursor, {}, [](BackgroundSave& save) { waitInEventLoop(save); })
                     .cancelled);
    EXPECT_EQ(test::readFile(file).size(), kBom.size() + kHeadingLine.size() + 1200 * (4 + 2 + 2000));
}

// A file that can't be made raises its error before the hourglass goes up.
TEST_F(CsvFileTest, FailureLeavesTheCursorAlone)
{
    test::blockWithDirectory(file);
    EXPECT_THROW(exportGridToCsv(JournalTable(), file, cursor), FileCreateError);
    EXPECT_EQ(cursor.changes, 0);
}

}  // namespace
}  // namespace kv
