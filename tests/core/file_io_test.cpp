#include "core/file_io.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
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
        kv::readWholeFile(missing);
        FAIL();
    } catch (const kv::FileOpenError& e) {
        EXPECT_EQ(e.message(),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("data.tab"));
    EXPECT_THROW(kv::readWholeFile(dir.filePath("data.tab")), kv::FileOpenError);

    kv::replaceFileAtomically(missing, QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(kv::readWholeFile(missing), QByteArray("\x00\x01\xFF", 3));
}

}  // namespace
