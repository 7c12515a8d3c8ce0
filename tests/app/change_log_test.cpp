// The log of changes: what is appended comes back whole and in order, from a writer thread
// that flushes while more is appended; a record cut off or damaged is left out.

#include "app/change_log.h"
#include "core/file_io.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ChangeLog, AWholeRecordComesBackAndACutOneIsLeftOut)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("log"));
    ChangeLog log;
    log.start(path, "base");
    for (const char* record : {"one", "", "three"})
        log.append(record);
    log.flush();
    log.close();
    const QByteArray whole = readWholeFile(path);
    for (qsizetype cut = whole.size(); cut > whole.size() - 8; --cut) {
        replaceFileAtomically(path, whole.left(cut));
        const std::optional<ChangeLog::Content> read = ChangeLog::read(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->base, "base");
        EXPECT_EQ(read->records.size(), cut == whole.size() ? 3u : 2u);
        EXPECT_EQ(read->tornTail, cut != whole.size());
    }
    // A flipped byte fails its record's check.
    QByteArray flipped = whole;
    flipped[flipped.size() - 2] = 'X';
    replaceFileAtomically(path, flipped);
    EXPECT_EQ(ChangeLog::read(path)->records.size(), 2u);
    EXPECT_FALSE(ChangeLog::read(QDir(dir.path()).filePath(QStringLiteral("none"))));
}

TEST(ChangeLog, RecordsAppendedWhileTheWriterFlushesAllComeBackInOrder)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("log"));
    ChangeLog log;
    log.start(path, "base");
    for (int i = 0; i < 2000; ++i) {
        log.append(QByteArray::number(i));
        if (i % 500 == 0)
            log.flush();
    }
    log.flush();
    EXPECT_TRUE(log.takeFailure().isEmpty());
    log.close();
    const std::optional<ChangeLog::Content> read = ChangeLog::read(path);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->records.size(), 2000u);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(read->records[std::size_t(i)], QByteArray::number(i));
    // Resumed, it goes on after what is there.
    log.resume(path);
    log.append("more");
    log.flush();
    log.close();
    EXPECT_EQ(ChangeLog::read(path)->records.back(), "more");
}

}  // namespace
}  // namespace kv
