// The data files without a window: what a close writes, and every way a session's rows
// could have been lost.

#include "app/data_files.h"
#include "core/file_io.h"
#include "core/methods.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"
#include "measure/calibration_list_model.h"
#include "recording_reporter.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv::test {
namespace {

const QDateTime kWhen(QDate(2026, 12, 9), QTime(10, 0, 0));

QByteArray tableOf(int rows, const char* value = "91,8")
{
    std::vector<JournalRow> entries;
    for (int row = 1; row <= rows; ++row)
        entries.push_back(makeEntry(row, kWhen, Research, QString::fromUtf8(value)));
    return tableFileBytes(journalTableOf(entries));
}

JournalTable tableIn(const QString& path)
{
    JournalTable table;
    loadTableFile(table, path);
    return table;
}

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString journalPath() const { return path(QStringLiteral("data2.tab")); }
    QString archivePath() const { return path(QStringLiteral("data.tab")); }

    void writeFiles(const QByteArray& journal, const QByteArray& archive)
    {
        writeFile(journalPath(), journal);
        writeFile(archivePath(), archive);
        writeFile(path(QStringLiteral("kor.tab")), {});
    }

    void load()
    {
        files.LoadCalibrations();
        files.loadArchive();
        files.loadJournal();
    }

    QTemporaryDir dir;
    CalibrationListModel calibrations;
    JournalBook book;
    RecordingReporter errors;
    DataFiles files{dir.path(), calibrations, book, errors};
};

TEST_F(DataFilesTest, UntouchedFilesAreNeverRewrittenNorHoldTheClose)
{
    writeFiles(tableOf(3), tableOf(2));
    load();
    const ino_t journalInode = inodeOf(journalPath());
    EXPECT_TRUE(files.saveAll());
    EXPECT_EQ(inodeOf(journalPath()), journalInode);  // a rewrite would replace the file

    // Another program's work since start (or a file this user may not write, or a link
    // leading nowhere) is left as it is.
    writeFile(archivePath(), tableOf(5));
    QFile::remove(journalPath());
    ASSERT_TRUE(QFile::link(path(QStringLiteral("gone/data2.tab")), journalPath()));
    EXPECT_TRUE(files.saveAll());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
    EXPECT_EQ(readFile(archivePath()), tableOf(5));
    EXPECT_TRUE(QFileInfo(journalPath()).isSymLink());
}

TEST_F(DataFilesTest, ARowMovedToAnArchiveThatCannotBeWrittenStaysInTheJournalFile)
{
    writeFiles(tableOf(2), tableOf(1, "90"));
    load();
    book.moveToArchive(1);
    blockWithDirectory(archivePath());

    EXPECT_FALSE(files.saveAll());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(archivePath())));
    // Both rows are in the journal's file: the one left and the one moved.
    EXPECT_EQ(tableIn(journalPath()).rowCount(), 3);

    // Once the archive can be written, the row is there and has left the journal's file.
    QDir(archivePath()).removeRecursively();
    errors.messages.clear();
    EXPECT_TRUE(files.saveAll());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(tableIn(archivePath()).rowCount(), 3);
    EXPECT_EQ(tableIn(journalPath()).rowCount(), 2);
}

// "Unchanged" is what the disk holds: a file gone while the program ran is written back
// from what the session holds, whichever table the session changed.
TEST_F(DataFilesTest, FilesGoneWhileRunningAreWrittenBack)
{
    const QByteArray korBytes = serializeCalibrations({TCalibration{}, TCalibration{}});
    for (const bool wholeFolder : {false, true}) {
        SCOPED_TRACE(wholeFolder ? "folder made again empty" : "two files deleted");
        writeFiles(tableOf(2), tableOf(5, "90"));
        writeFile(path(QStringLiteral("kor.tab")), korBytes);
        CalibrationListModel list;
        JournalBook tables;
        DataFiles session(dir.path(), list, tables, errors);
        session.LoadCalibrations();
        session.loadArchive();
        session.loadJournal();
        if (wholeFolder) {
            for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
                QFile::remove(path(name));
        } else {
            QFile::remove(archivePath());
            QFile::remove(path(QStringLiteral("kor.tab")));
        }
        tables.addEntry(Motor, QStringLiteral("83,1"), kWhen);
        EXPECT_TRUE(session.saveAll());
        EXPECT_EQ(tableIn(archivePath()).rowCount(), 6);
        EXPECT_EQ(readFile(path(QStringLiteral("kor.tab"))), korBytes);
        EXPECT_EQ(tableIn(journalPath()).rowCount(), 4);
    }
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
}

TEST_F(DataFilesTest, OneSideCopyPerSessionHowEverOftenTheCloseIsTried)
{
    writeFiles(tableOf(2), tableOf(1));
    QFile::remove(journalPath());
    ASSERT_TRUE(QDir().mkdir(journalPath()));  // there, but can't be read
    load();
    book.addEntry(Motor, QStringLiteral("83,1"), kWhen);
    for (int close = 0; close < 3; ++close)
        files.saveAll();
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("data2-*.tab")}, QDir::Files).size(), 1);
}

// A journal larger than the memory left for it is refused with a message, not a crash,
// and its file is never written over.
TEST_F(DataFilesTest, AJournalTooLargeForMemoryIsRefusedNotACrash)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit and a sanitizer's shadow memory don't mix";
#endif
    writeFiles(tableOf(200000, "92,4 (Эталон АИ-92 / АИ-95, весна)"), tableOf(1));
    const QByteArray journalBefore = readFile(journalPath());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld", &pages) != 1)
            ::_exit(3);
        std::fclose(statm);
        // What the process has now, and less than the table would take.
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + 16 * 1024 * 1024;
        ::setrlimit(RLIMIT_AS, &limit);
        load();
        const bool refused = errors.messages.size() == 1 && errors.messages[0].contains(QStringLiteral("слишком велик"))
            && book.journal().table().isEmpty();
        files.saveAll();
        ::_exit(refused ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the program did not end by itself: signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(journalPath()), journalBefore);
}

TEST_F(DataFilesTest, AVanishedFolderIsReportedWhenTheSessionHasSomethingToSave)
{
    writeFiles(tableOf(1), tableOf(1));
    load();
    ASSERT_TRUE(dir.remove());
    EXPECT_TRUE(files.saveAll());  // nothing done: nothing lost
    EXPECT_TRUE(errors.messages.isEmpty());

    book.addEntry(Motor, QStringLiteral("83,1"), kWhen);
    EXPECT_FALSE(files.saveAll());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(dir.path())) << errors.messages[0].toStdString();

    // Put back, the folder takes the session's work.
    QDir().mkpath(dir.path());
    errors.messages.clear();
    EXPECT_TRUE(files.saveAll());
    EXPECT_EQ(tableIn(journalPath()).rowCount(), 3);
}

TEST_F(DataFilesTest, ADamagedJournalIsCopiedWholeBeforeTheCloseWritesWhatWasRead)
{
    const QByteArray damaged = tableOf(2) + QByteArray("3\r\nd\0m\r\nv\r\nc\r\n\r\n", 17);
    writeFiles(damaged, tableOf(1));
    writeFile(path(QStringLiteral("data2.tab.bak")), "older copy");
    load();

    ASSERT_EQ(errors.notices.size(), 1);
    const QString copy = path(QStringLiteral("data2.tab.bak.2"));
    EXPECT_TRUE(errors.notices[0].contains(QStringLiteral("после записи 2"))) << errors.notices[0].toStdString();
    EXPECT_TRUE(errors.notices[0].endsWith(copy));
    EXPECT_EQ(readFile(copy), damaged);
    EXPECT_EQ(readFile(path(QStringLiteral("data2.tab.bak"))), QByteArray("older copy"));

    EXPECT_TRUE(files.saveAll());
    EXPECT_EQ(readFile(journalPath()), tableOf(2));
    EXPECT_EQ(readFile(copy), damaged);
}

TEST_F(DataFilesTest, WriteErrorsNameTheFileAndTheCause)
{
    writeFiles(tableOf(1), tableOf(1));
    load();
    for (int i = 0; i < 200; ++i)
        book.addEntry(Motor, QStringLiteral("83,1"), kWhen);

    // A file size limit makes the write fail after the open, as a full disk does.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto formerHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = files.saveAll();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, formerHandler);

    EXPECT_FALSE(saved1);
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_EQ(errors.messages[0],
              QStringLiteral("Stream write error \"%1\". %2").arg(journalPath(), systemErrorText(EFBIG)));
    EXPECT_EQ(readFile(journalPath()), tableOf(1));

    // A link leading into a missing folder: its target is named.
    QFile::remove(journalPath());
    const QString target = path(QStringLiteral("gone/data2.tab"));
    ASSERT_TRUE(QFile::link(target, journalPath()));
    errors.messages.clear();
    EXPECT_FALSE(files.saveAll());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(target)) << errors.messages[0].toStdString();
}

// A rewrite in place cut off half-way (a hard-linked journal): the next start puts the old
// content back before reading it, and says so.
TEST_F(DataFilesTest, AnInterruptedRewriteInPlaceIsUndoneAtTheNextStart)
{
    writeFiles(tableOf(3), tableOf(1));
    ASSERT_EQ(::link(QFile::encodeName(journalPath()).constData(),
                     QFile::encodeName(path(QStringLiteral("linked.tab"))).constData()),
              0);
    if (::fork() == 0) {
        setInPlaceStepHook(+[](InPlaceStep step) {
            if (step == InPlaceStep::Written)
                ::_exit(9);
        });
        replaceFileAtomically(journalPath(), tableOf(1, "78"));
        ::_exit(0);
    }
    ::wait(nullptr);
    ASSERT_NE(readFile(journalPath()), tableOf(3));  // half-written

    files.restoreInterruptedSaves();
    load();
    ASSERT_EQ(errors.notices.size(), 1);
    EXPECT_TRUE(errors.notices[0].contains(journalPath())) << errors.notices[0].toStdString();
    EXPECT_EQ(readFile(journalPath()), tableOf(3));
    EXPECT_EQ(book.journal().table().rowCount(), 4);
}

}  // namespace
}  // namespace kv::test
