#include "core/errors.h"
#include "journal/table_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv {
namespace {

QString dataFile(const char* name)
{
    return QStringLiteral(KV_TEST_DATA_DIR "/") + QLatin1StringView(name);
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

JournalTable loaded(const char* name)
{
    JournalTable table;
    loadTableFile(table, dataFile(name));
    return table;
}

TEST(TableFile, EmptyTableIsOneRecordOfEmptyCells)
{
    EXPECT_EQ(tableFileBytes(JournalTable{}), bytesOf(dataFile("journal_empty.tab")));
    EXPECT_EQ(tableFileBytes(JournalTable{}).size(), 12);
}

TEST(TableFile, ReadingBackAnEmptyFileGivesBlanksThatAreNoLongerEmpty)
{
    const JournalTable table = loaded("journal_empty.tab");
    ASSERT_EQ(table.rowCount(), 2);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(table.cell(1, c), QStringLiteral(" "));
    EXPECT_FALSE(table.lastRowIsBlank());
}

TEST(TableFile, WellFormedFilesLoadAndSaveByteForByte)
{
    for (const char* name : {"journal_three_rows.tab", "journal_calibrated_value.tab"}) {
        const JournalTable table = loaded(name);
        EXPECT_EQ(tableFileBytes(table), bytesOf(dataFile(name))) << name;
    }
    const JournalTable three = loaded("journal_three_rows.tab");
    ASSERT_EQ(three.rowCount(), 4);
    EXPECT_EQ(three.cell(2, 4), QStringLiteral("проба №2, бак 3"));
    EXPECT_EQ(three.cell(3, 2), QStringLiteral("Цетановое число"));
    EXPECT_EQ(loaded("journal_calibrated_value.tab").cell(1, 3),
              QStringLiteral("87,8 (АИ-92 Лукой)"));
}

TEST(TableFile, OnlyWholeRecordsCountAndTheSixthLineIsSkipped)
{
    const JournalTable thirteen = loaded("journal_13_lines.tab");
    ASSERT_EQ(thirteen.rowCount(), 3);
    EXPECT_EQ(thirteen.cell(2, 4), QStringLiteral("h"));

    const JournalTable line6 = loaded("journal_line6_text.tab");
    ASSERT_EQ(line6.rowCount(), 2);
    EXPECT_EQ(line6.cell(1, 4), QStringLiteral("комментарий"));
    EXPECT_FALSE(tableFileBytes(line6).contains(QByteArray("\xED\xE5 ", 3)));
}

TEST(TableFile, AnyLineEndSplitsAndANulEndsTheText)
{
    const JournalTable table = loaded("journal_mixed_endings.tab");
    ASSERT_EQ(table.rowCount(), 3);
    const JournalRow first{{"1", " ", "x", "y", "z"}};
    const JournalRow second{{"2", "d", "m", "v", "c"}};
    EXPECT_EQ(table.row(1), first);
    EXPECT_EQ(table.row(2), second);
}

TEST(TableFile, ShortOrEmptyInputLeavesTheTableAlone)
{
    JournalTable table;
    readTableBytes(table, QByteArray());
    readTableBytes(table, QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n"));
    readTableBytes(table, QByteArray("\0" "1\r\n2\r\n3\r\n4\r\n5\r\n\r\n", 18));
    EXPECT_TRUE(table.isEmpty());
}

TEST(TableFile, AReadThatStopsAtDamageSaysSoAndHowFarItGot)
{
    const QByteArray record("1\r\nd\r\nm\r\nv\r\nc\r\n\r\n");
    const struct {
        const char* what;
        QByteArray bytes;
        int records;
        bool damaged;
    } cases[] = {
        {"whole", record + record, 2, false},
        {"a blank line at the end", record + "\r\n", 1, false},
        {"NULs at the end", record + QByteArray(8, '\0'), 1, false},
        {"a NUL inside record 3 of 3", record + record + QByteArray("1\r\nd\0m\r\nv\r\nc\r\n\r\n", 13), 2, true},
        {"the last record cut short", record + record + "1\r\nd\r\nm", 2, true},
        {"a 13th line with text", record + record + "x\r\n", 2, true},
        {"only damage", QByteArray("\0x", 2), 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JournalTable table;
        const TableRead read = readTableBytes(table, c.bytes);
        EXPECT_EQ(read.records, c.records);
        EXPECT_EQ(read.damaged, c.damaged);
    }
}

TEST(TableFile, LoadingDoesNotClearTheTable)
{
    JournalTable table;
    table.setRow(1, JournalRow{{"a", "b", "c", "d", "e"}});
    table.appendData(JournalRow{{"f", "g", "h", "i", "j"}});
    loadTableFile(table, dataFile("journal_three_rows.tab"));
    // The first record lands in row 1, the others after the rows already there.
    ASSERT_EQ(table.rowCount(), 5);
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(table.cell(2, 0), QStringLiteral("f"));
    EXPECT_EQ(table.cell(3, 0), QStringLiteral("2"));
    EXPECT_EQ(table.cell(4, 0), QStringLiteral("3"));
}

TEST(TableFile, TextOutsideCodePage1251IsWrittenAsQuestionMarks)
{
    JournalTable table;
    table.setRow(1, JournalRow{{"1", "d", "m", "v", QStringLiteral("λ ок")}});
    EXPECT_EQ(tableFileBytes(table), QByteArray("1\r\nd\r\nm\r\nv\r\n? \xEE\xEA\r\n\r\n"));
}

TEST(TableFile, FailuresRaiseTheFileErrorsAndLeaveNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    JournalTable table;
    const QString missing = dir.filePath(QStringLiteral("data2.tab"));
    try {
        loadTableFile(table, missing);
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"") + missing + '"'));
    }
    EXPECT_TRUE(table.isEmpty());

    // A directory in the file's place: the save fails and nothing is touched.
    const QString blocked = dir.filePath(QStringLiteral("data.tab"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("data.tab")));
    EXPECT_THROW(saveTableFile(loaded("journal_three_rows.tab"), blocked), FileCreateError);
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST(TableFile, OversizedOrSpecialFilesAreRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data2.tab"));
    saveTableFile(loaded("journal_three_rows.tab"), path);
    // A sparse file: no disk space is used for the size.
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), kMaxTableFileSize + 1), 0);
    JournalTable table;
    try {
        loadTableFile(table, path);
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + path + "\". File too large");
    }
    EXPECT_TRUE(table.isEmpty());

    const QString fifo = dir.filePath(QStringLiteral("data.tab"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_THROW(loadTableFile(table, fifo), FileOpenError);
}

JournalTable bigJournal(int rows, const QString& comment)
{
    JournalTable table;
    for (int i = 1; i <= rows; ++i)
        table.appendData(JournalRow{{QString::number(i), QStringLiteral("08.12.2026 14:30"),
                                     QStringLiteral("И"), QString::number(80 + i % 200 / 10.0),
                                     comment + QString::number(i)}});
    return table;
}

// A save killed at any moment leaves the journal with its old or its new content, never
// a mix or a cut; the temporary files the kills leave go with the next good save.
TEST(TableFile, SavesSurviveSigkillAtAnyMoment)
{
    constexpr int kKills = 200;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data2.tab"));
    const JournalTable first = bigJournal(100000, QStringLiteral("Эталон "));
    const JournalTable second = bigJournal(100000, QStringLiteral("Проба АИ-95 "));
    const QByteArray firstBytes = tableFileBytes(first);
    const QByteArray secondBytes = tableFileBytes(second);
    saveTableFile(first, path);

    // Kills are spread over about four saves (the child starts slower than the parent
    // saves), so they land in every phase of one.
    const auto started = std::chrono::steady_clock::now();
    saveTableFile(second, path);
    saveTableFile(first, path);
    const auto saveTime = (std::chrono::steady_clock::now() - started) / 2;
    std::mt19937 random(4410);
    std::uniform_int_distribution<long long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() * 4);

    int sawOld = 0;
    int sawNew = 0;
    int killsWithTempLeft = 0;
    QByteArray before = firstBytes;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                saveTableFile(second, path);
                saveTableFile(first, path);
            }
        }
        ::usleep(useconds_t(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const QByteArray now = bytesOf(path);
        if (now != firstBytes && now != secondBytes)
            FAIL() << "kill " << kill << " left " << now.size() << " bytes of neither content";
        ++(now == before ? sawOld : sawNew);
        before = now;
        if (QDir(dir.path()).entryList(QDir::Files).size() > 1)
            ++killsWithTempLeft;
    }
    RecordProperty("old", sawOld);
    RecordProperty("new", sawNew);
    RecordProperty("killsWithTempLeft", killsWithTempLeft);
    // Otherwise the kills never hit a save under way and proved nothing.
    EXPECT_GT(killsWithTempLeft, 0);

    saveTableFile(second, path);
    EXPECT_EQ(bytesOf(path), secondBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("data2.tab")});
}

}  // namespace
}  // namespace kv
