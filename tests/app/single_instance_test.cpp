// One program per data folder: the lock, the request to the first program, and two real
// programs started on one folder.

#include "app/single_instance.h"
#include "journal/journal_table.h"
#include "journal/table_file.h"
#include "recording_reporter.h"

#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <thread>

namespace kv::test {
namespace {

TEST(SingleInstance, ASecondClaimAsksTheFirstAndALockLeftByTheDeadIsTaken)
{
    QTemporaryDir dir;
    {
        SingleInstance first(dir.path());
        ASSERT_EQ(first.claim(), SingleInstance::Claim::Owner);
        EXPECT_TRUE(QFileInfo::exists(first.lockFilePath()));
        QSignalSpy asked(&first, &SingleInstance::activationRequested);

        SingleInstance second(dir.path());
        EXPECT_EQ(second.claim(), SingleInstance::Claim::OtherAsked);
        EXPECT_TRUE(asked.wait(5000) || asked.count() > 0);
    }
    // A lock whose program is gone (killed, say) does not stand in the way.
    writeFile(QDir(dir.path()).filePath(QStringLiteral("kv4410pc.lock")),
              "2147480000\nkv4410pc\n" + QSysInfo::machineHostName().toUtf8() + '\n');
    SingleInstance next(dir.path());
    EXPECT_EQ(next.claim(), SingleInstance::Claim::Owner);
}

// A claim from another thread, while this one serves the first program's requests.
SingleInstance::Claim claimWhileServing(SingleInstance& instance)
{
    std::atomic<bool> done{false};
    SingleInstance::Claim claim{};
    std::thread starting([&] {
        claim = instance.claim();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 60000));
    starting.join();
    return claim;
}

// A start while the first program is closing waits for it to let go, then owns the folder;
// a start while it runs brings it forward.
TEST(SingleInstance, AClaimDuringTheFirstsCloseWaitsAndThenOwns)
{
    QTemporaryDir dir;
    // The first program on a thread of its own, closing: it answers so, then lets go.
    std::atomic<bool> serving{false};
    std::unique_ptr<QThread> first(QThread::create([&] {
        SingleInstance closing(dir.path());
        EXPECT_EQ(closing.claim(), SingleInstance::Claim::Owner);
        closing.setRaiseHandler([] { return false; });
        QEventLoop loop;
        QObject::connect(&closing, &SingleInstance::activationRequested, &loop, [&] {
            QTimer::singleShot(0, &loop, [&] {
                closing.release();
                loop.quit();
            });
        });
        serving = true;
        loop.exec();
    }));
    first->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serving.load(); }, 30000));
    SingleInstance second(dir.path());
    EXPECT_EQ(second.claim(), SingleInstance::Claim::Owner);
    first->wait();

    second.setRaiseHandler([] { return true; });
    SingleInstance third(dir.path());
    EXPECT_EQ(claimWhileServing(third), SingleInstance::Claim::OtherAsked);
}

// The folder itself is locked: a second program that does not find the first's lock file
// (another user's, kept in their own runtime folder) is still kept out; and a lock file
// left on another computer is named and taken over only when asked.
TEST(SingleInstance, TheFolderIsHeldForEveryUserAndALockFromElsewhereIsTakenOverOnRequest)
{
    QTemporaryDir dir;
    const QString lockFile = QDir(dir.path()).filePath(QStringLiteral("kv4410pc.lock"));
    {
        SingleInstance first(dir.path());
        ASSERT_EQ(first.claim(), SingleInstance::Claim::Owner);
        QFile::remove(lockFile);  // as if it lay where this user can't see it
        SingleInstance second(dir.path());
        EXPECT_NE(second.claim(), SingleInstance::Claim::Owner);
    }
    writeFile(lockFile, "4242\nkv4410pc\nlab-pc-2\n");
    SingleInstance next(dir.path());
    ASSERT_EQ(next.claim(), SingleInstance::Claim::HeldElsewhere);
    EXPECT_TRUE(next.holderText().startsWith(QStringLiteral("компьютер lab-pc-2, пользователь ")))
        << next.holderText().toStdString();
    EXPECT_TRUE(heldElsewhereText(dir.path(), lockFile, next.holderText()).contains(lockFile));
    EXPECT_EQ(next.takeOver(), SingleInstance::Claim::Owner);
}

// The demo program copied into `dir`, so that it keeps its data files there; empty when
// it can't be copied.
QString copyOfTheDemo(const QTemporaryDir& dir)
{
    const QString program = dir.filePath(QStringLiteral("kv4410pc-demo"));
    return QFile::copy(QStringLiteral(KV_DEMO_PROGRAM), program) ? program : QString();
}

void onTheOffscreenPlatform(QProcess& process)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
}

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

// Two real programs on one folder: the second leaves at once and touches no file, and the
// first, which changed nothing, rewrites nothing at its close.
TEST(SingleInstance, ASecondProgramOnTheSameFilesLeavesThemAlone)
{
    QTemporaryDir dir;
    const QString program = copyOfTheDemo(dir);
    ASSERT_FALSE(program.isEmpty());
    const QString journal = dir.filePath(QStringLiteral("data2.tab"));
    writeFile(journal, readFile(QStringLiteral(KV_TEST_DATA_DIR "/journal_three_rows.tab")));
    writeFile(dir.filePath(QStringLiteral("data.tab")), {});
    writeFile(dir.filePath(QStringLiteral("kor.tab")), {});
    const ino_t inode = inodeOf(journal);

    QProcess first;
    onTheOffscreenPlatform(first);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    const QString lock = dir.filePath(QStringLiteral("kv4410pc.lock"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 30000));

    QProcess second;
    onTheOffscreenPlatform(second);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(readFile(journal), readFile(QStringLiteral(KV_TEST_DATA_DIR "/journal_three_rows.tab")));
    EXPECT_EQ(inodeOf(journal), inode);
    EXPECT_FALSE(QFileInfo::exists(lock));
}

// Opening the program again just after closing it: the second start waits for the first's
// close and then opens the files, instead of asking a window that is going.
TEST(SingleInstance, AStartDuringTheFirstsCloseOpensOnceTheFilesAreWritten)
{
    QTemporaryDir dir;
    const QString program = copyOfTheDemo(dir);
    ASSERT_FALSE(program.isEmpty());
    {
        // Long enough that freeing it takes a while after the files are written.
        std::vector<JournalRow> rows(100000, JournalRow{{QStringLiteral("1"), QStringLiteral("10.12.2026 09:00:00"),
                                                         QStringLiteral("Моторный метод"), QStringLiteral("83,2"),
                                                         QStringLiteral("проба")}});
        writeFile(dir.filePath(QStringLiteral("data2.tab")), tableFileBytes(journalTableOf(rows)));
    }
    writeFile(dir.filePath(QStringLiteral("data.tab")), {});
    writeFile(dir.filePath(QStringLiteral("kor.tab")), {});
    QProcess first;
    QProcess second;
    for (QProcess* p : {&first, &second})
        onTheOffscreenPlatform(*p);
    const QString lock = dir.filePath(QStringLiteral("kv4410pc.lock"));
    const auto holder = [&lock] {
        qint64 pid = 0;
        QString host, application;
        return QLockFile(lock).getLockInfo(&pid, &host, &application) ? pid : 0;
    };
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return holder() == first.processId(); }, 30000));

    first.terminate();
    second.start(program, {});
    ASSERT_TRUE(second.waitForStarted());
    const qint64 secondId = second.processId();
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return holder() == secondId || second.state() != QProcess::Running; }, 30000));
    EXPECT_EQ(holder(), secondId) << "the second start left with " << second.exitCode();
    EXPECT_EQ(second.state(), QProcess::Running);
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
}

// A start that can read neither table shows a box for each; a termination signal while
// they come (a shutdown) closes them all and the program ends as at its close.
TEST(SingleInstance, ATerminationSignalDuringTheStartsBoxesEndsTheProgram)
{
    QTemporaryDir dir;
    const QString program = copyOfTheDemo(dir);
    ASSERT_FALSE(program.isEmpty());
    writeFile(dir.filePath(QStringLiteral("kor.tab")), {});
    for (const char* unreadable : {"data.tab", "data2.tab"})
        ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(unreadable)));
    QProcess start;
    onTheOffscreenPlatform(start);
    start.start(program, {});
    ASSERT_TRUE(start.waitForStarted());
    // Its lock is taken once the signal is handled; the boxes come after it and wait.
    const QString lock = dir.filePath(QStringLiteral("kv4410pc.lock"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 30000));
    start.terminate();
    ASSERT_TRUE(start.waitForFinished(30000)) << "a box stayed open";
    EXPECT_EQ(start.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(start.exitCode(), 0);
}

}  // namespace
}  // namespace kv::test
