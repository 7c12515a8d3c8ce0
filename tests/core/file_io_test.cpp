#include "core/file_io.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <utility>
#include <vector>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << qPrintable(path);
    return st;
}

void chmodPath(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

constexpr uid_t kNobody = 65534;
constexpr int kCannotDrop = 3;

// Runs f as an ordinary user: in a child that drops to nobody when the tests run as
// root (for whom folder permissions mean nothing), else right here. Returns 0 when f
// returned, 1 when it raised FileCreateError, 2 for anything else, kCannotDrop when root
// may not change its user here.
int asOrdinaryUser(const std::function<void()>& f)
{
    auto run = [&] {
        try {
            f();
            return 0;
        } catch (const kv::FileCreateError&) {
            return 1;
        } catch (...) {
            return 2;
        }
    };
    if (::geteuid() != 0)
        return run();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(kCannotDrop);
        ::_exit(run());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 4;
}

// A file that the ordinary user of asOrdinaryUser owns.
void giveToOrdinaryUser(const QString& path)
{
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    }
}

TEST(FileIo, ReplaceCreatesAndOverwritesWithoutLeftovers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.tab");
    kv::replaceFileAtomically(path, QByteArray("first\r\n"));
    EXPECT_EQ(contents(path), QByteArray("first\r\n"));
    kv::replaceFileAtomically(path, QByteArray("second"));
    EXPECT_EQ(contents(path), QByteArray("second"));
    kv::replaceFileAtomically(path, QByteArray());
    EXPECT_EQ(contents(path), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.tab"});
}

TEST(FileIo, ReplaceKeepsPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kor.tab");
    kv::replaceFileAtomically(path, QByteArray("a"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    kv::replaceFileAtomically(path, QByteArray("b"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(FileIo, FailedReplaceReportsAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    // A directory where the file should be fails even for root.
    const QString path = dir.filePath("data2.tab");
    ASSERT_TRUE(QDir(dir.path()).mkdir("data2.tab"));
    try {
        kv::replaceFileAtomically(path, QByteArray("x"));
        FAIL();
    } catch (const kv::FileCreateError& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"" + path + "\". ")) << e.what();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});

    const QString inMissingDir = dir.filePath("missing/kor.tab");
    EXPECT_THROW(kv::replaceFileAtomically(inMissingDir, QByteArray("x")), kv::FileCreateError);
}

TEST(FileIo, ReadReportsMissingAndUnreadableFiles)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("kor.tab");
    try {
        (void)kv::readWholeFile(missing);
        FAIL();
    } catch (const kv::FileOpenError& e) {
        EXPECT_EQ(e.message(),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("data.tab"));
    EXPECT_THROW((void)kv::readWholeFile(dir.filePath("data.tab")), kv::FileOpenError);

    kv::replaceFileAtomically(missing, QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(kv::readWholeFile(missing), QByteArray("\x00\x01\xFF", 3));
}

TEST(FileIo, ReplaceWritesThroughSymbolicLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("kept/elsewhere"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("work"));
    const QString real = dir.filePath("kept/elsewhere/journal.tab");
    const QString link = dir.filePath("work/data2.tab");
    kv::replaceFileAtomically(real, QByteArray("old"));
    ASSERT_TRUE(QFile::link("../kept/elsewhere/journal.tab", link));  // relative, as users make them

    kv::replaceFileAtomically(link, QByteArray("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(real), QByteArray("new"));
    EXPECT_EQ(QDir(dir.filePath("work")).entryList(QDir::Files | QDir::System), QStringList{"data2.tab"});
    EXPECT_EQ(QDir(dir.filePath("kept/elsewhere")).entryList(QDir::Files), QStringList{"journal.tab"});

    // A link to a file not there yet creates that file.
    ASSERT_TRUE(QFile::link(dir.filePath("kept/kor.tab"), dir.filePath("work/kor.tab")));
    kv::replaceFileAtomically(dir.filePath("work/kor.tab"), QByteArray("k"));
    EXPECT_TRUE(QFileInfo(dir.filePath("work/kor.tab")).isSymLink());
    EXPECT_EQ(contents(dir.filePath("kept/kor.tab")), QByteArray("k"));
}

TEST(FileIo, HardLinkedFileIsRewrittenInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data2.tab");
    const QString other = dir.filePath("copy-of-journal.tab");
    kv::replaceFileAtomically(path, QByteArray("old content, longer"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    const ino_t inode = statOf(path).st_ino;

    kv::replaceFileAtomically(path, QByteArray("new"));
    EXPECT_EQ(contents(path), QByteArray("new"));
    EXPECT_EQ(contents(other), QByteArray("new"));
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(path).st_nlink, 2u);
}

TEST(FileIo, ReadOnlyFolderWithWritableFileIsRewrittenInPlace)
{
    QTemporaryDir dir;
    chmodPath(dir.path(), 0755);  // nobody must reach the folder inside
    // The rollback copy goes where the ordinary user may write, as their own state folder.
    const QString rollback = dir.filePath("rollback");
    ASSERT_TRUE(QDir().mkpath(rollback));
    chmodPath(rollback, 0777);
    kv::setRollbackDirectory(rollback);
    const QString folder = dir.filePath("ro");
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    const QString path = folder + "/data.tab";
    const QString locked = folder + "/kor.tab";
    kv::replaceFileAtomically(path, QByteArray("old old old"));
    kv::replaceFileAtomically(locked, QByteArray("locked"));
    chmodPath(path, 0644);
    chmodPath(locked, 0444);
    giveToOrdinaryUser(path);
    giveToOrdinaryUser(locked);
    giveToOrdinaryUser(folder);
    chmodPath(folder, 0555);

    const int outcome = asOrdinaryUser([&] { kv::replaceFileAtomically(path, QByteArray("new")); });
    if (outcome == kCannotDrop) {
        chmodPath(folder, 0755);
        GTEST_SKIP() << "running as root without the right to become another user";
    }
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(contents(path), QByteArray("new"));
    EXPECT_EQ(statOf(path).st_mode & 0777, 0644u);

    // Neither way works: a read-only file in a read-only folder, or a new file there.
    EXPECT_EQ(asOrdinaryUser([&] { kv::replaceFileAtomically(locked, QByteArray("x")); }), 1);
    EXPECT_EQ(asOrdinaryUser([&] { kv::replaceFileAtomically(folder + "/new.tab", "x"); }), 1);
    EXPECT_EQ(contents(locked), QByteArray("locked"));
    chmodPath(folder, 0755);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"data.tab", "kor.tab"}));
    EXPECT_TRUE(QDir(rollback).isEmpty());
    kv::setRollbackDirectory({});
}

namespace inplace {

kv::InPlaceStep g_cutAt;

// A hard-linked file, so that every save goes in place.
QString linkedFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath("data2.tab");
    QFile::remove(path);
    QFile::remove(dir.filePath("link"));
    kv::replaceFileAtomically(path, content);
    EXPECT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("link")).constData()), 0);
    return path;
}

// Runs f in a child process and returns how it ended (the status of waitpid).
int inChild(const std::function<void()>& f)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        f();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace inplace

TEST(FileIo, InPlaceRewriteCutOffAtAnyStepIsUndoneAtTheNextStart)
{
    using kv::InPlaceStep;
    QTemporaryDir dir;
    kv::setRollbackDirectory(dir.filePath("rollback"));
    const QByteArray shortText("old");
    const QByteArray longText("a much longer content than the other one");
    for (InPlaceStep step : {InPlaceStep::RollbackKept, InPlaceStep::Reserved, InPlaceStep::Written,
                             InPlaceStep::Truncated, InPlaceStep::Synced}) {
        for (const auto& [before, after] : {std::pair{longText, shortText}, std::pair{shortText, longText}}) {
            SCOPED_TRACE(int(step));
            const QString path = inplace::linkedFile(dir, before);
            inplace::g_cutAt = step;
            const int status = inplace::inChild([&] {
                kv::setInPlaceStepHook(+[](InPlaceStep reached) {
                    if (reached == inplace::g_cutAt)
                        ::_exit(9);
                });
                kv::replaceFileAtomically(path, after);
            });
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9);

            const std::vector<kv::InterruptedRewrite> restored = kv::restoreInterruptedRewrites();
            ASSERT_EQ(restored.size(), 1u);
            EXPECT_EQ(restored[0].path, path);
            EXPECT_TRUE(restored[0].failure.isEmpty());
            EXPECT_EQ(contents(path), before);
            EXPECT_EQ(contents(dir.filePath("link")), before);
            EXPECT_TRUE(kv::restoreInterruptedRewrites().empty());  // done once
        }
    }
    kv::setRollbackDirectory({});
}

TEST(FileIo, InPlaceRewriteKilledAnywhereLeavesTheOldOrTheNewContent)
{
    QTemporaryDir dir;
    kv::setRollbackDirectory(dir.filePath("rollback"));
    const QByteArray first = QByteArray(3000, 'a') + "\r\n";
    const QByteArray second = QByteArray(9000, 'b') + "\r\n";
    const QString path = inplace::linkedFile(dir, first);
    int damaged = 0;
    int restored = 0;
    constexpr int kKills = 300;
    for (int i = 0; i < kKills; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (;;) {
                kv::replaceFileAtomically(path, second);
                kv::replaceFileAtomically(path, first);
            }
        }
        // Where the kill lands varies from run to run; the outcome may not.
        ::usleep(useconds_t(200 + (i * 7919) % 3000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        restored += int(kv::restoreInterruptedRewrites().size());
        const QByteArray now = contents(path);
        if (now != first && now != second)
            ++damaged;
    }
    EXPECT_EQ(damaged, 0) << "of " << kKills << " kills (" << restored << " restored)";
    RecordProperty("restored", restored);
    EXPECT_TRUE(QDir(dir.filePath("rollback")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    kv::setRollbackDirectory({});
}

// A failure names the file the operator knows first: not the rollback copy, not only
// where a link leads.
TEST(FileIo, FailuresNameTheFileTheOperatorKnows)
{
    QTemporaryDir dir;
    // No rollback copy can be made: a file stands where its folder would be.
    kv::replaceFileAtomically(dir.filePath("blocked"), QByteArray("x"));
    kv::setRollbackDirectory(dir.filePath("blocked/rollback"));
    const QString linked = inplace::linkedFile(dir, QByteArray(100, 'o'));
    try {
        kv::replaceFileAtomically(linked, QByteArray(200, 'n'));
        ADD_FAILURE() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"" + linked + "\". ")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("blocked/rollback")) << e.message().toStdString();
    }
    kv::setRollbackDirectory({});

    // A link's write failure: the link, then its target.
    const QString target = dir.filePath("real.tab");
    const QString link = dir.filePath("linked-journal.tab");
    kv::replaceFileAtomically(target, QByteArray("x"));
    ASSERT_TRUE(QFile::link(target, link));
    const int status = inplace::inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 100;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            kv::replaceFileAtomically(link, QByteArray(5000, 'n'));
        } catch (const kv::StreamWriteError& e) {
            ::_exit(e.message().startsWith("Stream write error \"" + link + "\" → \"" + target + "\"") ? 7 : 8);
        }
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
}

TEST(FileIo, InPlaceRewriteOnAFullDiskFailsBeforeAnyOldByteChanges)
{
    QTemporaryDir dir;
    kv::setRollbackDirectory(dir.filePath("rollback"));
    const QByteArray old(1000, 'o');
    const QString path = inplace::linkedFile(dir, old);
    // The size limit stands in for the full disk: the reservation meets it first.
    const int status = inplace::inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 2000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            kv::replaceFileAtomically(path, QByteArray(5000, 'n'));
        } catch (const kv::StreamWriteError& e) {
            ::_exit(e.message().contains(kv::systemErrorText(EFBIG)) ? 7 : 8);
        }
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    EXPECT_EQ(contents(path), old);
    EXPECT_TRUE(kv::restoreInterruptedRewrites().empty());
    kv::setRollbackDirectory({});
}

TEST(FileIo, ReplaceKeepsGroupAndOwner)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data2.tab");
    kv::replaceFileAtomically(path, QByteArray("a"));
    const QByteArray name = QFile::encodeName(path);
    uid_t owner = ::geteuid();
    gid_t group = ::getegid();
    if (::geteuid() == 0) {
        owner = kNobody;
        group = kNobody;
    } else {
        // A supplementary group of the user, as a shared folder's group is.
        gid_t groups[256];
        const int n = ::getgroups(256, groups);
        for (int i = 0; i < n; ++i)
            if (groups[i] != ::getegid())
                group = groups[i];
        if (group == ::getegid())
            GTEST_SKIP() << "the user belongs to no second group";
    }
    ASSERT_EQ(::chown(name.constData(), owner, group), 0);
    chmodPath(path, 0664);

    kv::replaceFileAtomically(path, QByteArray("b"));
    EXPECT_EQ(contents(path), QByteArray("b"));
    EXPECT_EQ(statOf(path).st_gid, group);
    EXPECT_EQ(statOf(path).st_uid, owner);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0664u);
}

TEST(FileIo, GoodSaveRemovesOnlyItsOwnLeftoverTemps)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    const QString path = dir.filePath("data2.tab");
    // A person's own copies ("data2.tab.backup", a dated "data2.tab.091225") never go.
    const QStringList kept = {"data2.tab.bak", "data2.tab.backup", "data2.tab.091225", "data2.tab.Ab12Cd",
                              "data2.tab.kv4410pc-save-Ab12C", "data2.tab.kv4410pc-save-Ab12Cd7",
                              "data2.tab.kv4410pc-save-Ab-2Cd", "data.tab.kv4410pc-save-Ab12Cd",
                              "xdata2.tab.kv4410pc-save-Ab12Cd", "data2.tab"};
    for (const QString& name : kept + QStringList{"data2.tab.kv4410pc-save-Ab12Cd", "data2.tab.kv4410pc-save-000000"})
        kv::replaceFileAtomically(dir.filePath(name), QByteArray("x"));
    ASSERT_TRUE(d.mkdir("data2.tab.kv4410pc-save-Zz99zz"));
    // Of the right shape but older than any save's temporary can be: a person's file.
    const QString dated = dir.filePath("data2.tab.kv4410pc-save-Old123");
    kv::replaceFileAtomically(dated, QByteArray("x"));
    const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dated).constData(), times, 0), 0);

    kv::replaceFileAtomically(path, QByteArray("saved"));
    QStringList expected = kept + QStringList{"data2.tab.kv4410pc-save-Old123"};
    expected.sort();
    EXPECT_EQ(d.entryList(QDir::Files), expected);
    EXPECT_TRUE(d.exists("data2.tab.kv4410pc-save-Zz99zz"));
}

TEST(FileIo, ReadRefusesWhatIsNotARegularFileOrTooLarge)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("kor.tab");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    // Would block for ever without a writer if the open waited.
    try {
        (void)kv::readWholeFile(fifo);
        FAIL();
    } catch (const kv::FileOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + fifo + "\". Not a regular file");
    }
    EXPECT_THROW((void)kv::readWholeFile("/dev/zero", 1 << 20), kv::FileOpenError);

    const QString big = dir.filePath("data2.tab");
    kv::replaceFileAtomically(big, QByteArray(101, 'x'));
    EXPECT_EQ(kv::readWholeFile(big, 101).size(), 101);
    try {
        (void)kv::readWholeFile(big, 100);
        FAIL();
    } catch (const kv::FileOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + big + "\". File too large");
    }
}

TEST(FileIo, NewFilesFollowTheUmaskWithoutChangingIt)
{
    QTemporaryDir dir;
    const mode_t before = ::umask(027);
    EXPECT_EQ(kv::newFileMode(), 0640u);
    kv::replaceFileAtomically(dir.filePath("kor.tab"), QByteArray("a"));
    EXPECT_EQ(statOf(dir.filePath("kor.tab")).st_mode & 0777, 0640u);
    EXPECT_EQ(::umask(before), 027u);
}

TEST(FileIo, CopyGoesThroughTheSafeSave)
{
    QTemporaryDir dir;
    const QString from = dir.filePath("kor.tab");
    const QString to = dir.filePath("kor.tab.bak");
    kv::replaceFileAtomically(from, QByteArray("\x01\x00\x00", 3));
    kv::replaceFileAtomically(to, QByteArray("older backup"));
    kv::copyFileSafely(from, to);
    EXPECT_EQ(contents(to), QByteArray("\x01\x00\x00", 3));
    EXPECT_THROW(kv::copyFileSafely(dir.filePath("missing"), to), kv::FileOpenError);
    EXPECT_EQ(contents(to), QByteArray("\x01\x00\x00", 3));
}

}  // namespace

// A file streamed piece by piece reaches its name only at commit, with the old file's
// mode, and only if the last question allows it; dropped or called off, it leaves the old
// file and nothing else. A hard-linked file is rewritten in place, as by a whole save.
TEST(FileIo, StreamedReplacementAppearsWholeAtCommitOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("journal.csv");
    kv::replaceFileAtomically(path, QByteArray("old"));
    chmodPath(path, 0640);
    const auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
    for (const int ending : {0, 1, 2}) {  // dropped, called off, committed
        SCOPED_TRACE(ending);
        {
            kv::FileReplacement replacement(path);
            replacement.write("new ");
            replacement.write("content");
            EXPECT_EQ(contents(path), QByteArray("old"));
            EXPECT_EQ(files().size(), 2);
            if (ending > 0) {
                EXPECT_EQ(replacement.commit([ending] { return ending == 2; }), ending == 2);
            }
        }
        EXPECT_EQ(contents(path), ending == 2 ? QByteArray("new content") : QByteArray("old"));
        EXPECT_EQ(files(), QStringList{"journal.csv"});
    }
    EXPECT_EQ(statOf(path).st_mode & 0777, 0640u);

    const QString other = dir.filePath("link");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    kv::FileReplacement linked(path);
    linked.write("in place");
    EXPECT_TRUE(linked.commit());
    EXPECT_EQ(contents(other), QByteArray("in place"));

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.csv"));
    EXPECT_THROW(kv::FileReplacement(dir.filePath("folder.csv")), kv::FileCreateError);
}
