// Where the data files live: beside the executable in a build tree or a portable copy,
// else in the per-user directory, made with empty files at the first start.

#include "app/data_directory.h"
#include "app/data_files.h"
#include "form_fixture.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace kv::test {
namespace {

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(exe()));
    }
    void TearDown() override { ::chmod(QFile::encodeName(exe()).constData(), 0755); }

    QString exe() const { return root.filePath(QStringLiteral("usr/bin")); }
    QString home() const { return root.filePath(QStringLiteral("home/.local/share/kv4410pc")); }
    void makeReadOnly(const QString& dir) { ::chmod(QFile::encodeName(dir).constData(), 0555); }

    QTemporaryDir root;
};

TEST_F(DataDirectoryTest, ABuildTreeOrPortableCopyKeepsItsFilesBesideTheExecutable)
{
    // A directory the user may write.
    DataDirectory chosen = chooseDataDirectory(exe(), home());
    EXPECT_EQ(chosen.path, exe());
    EXPECT_TRUE(chosen.besideExecutable);
    EXPECT_FALSE(QFileInfo::exists(home()));

    // A read-only folder that already holds a data file (its files may be writable).
    writeFile(QDir(exe()).filePath(QStringLiteral("data2.tab")), {});
    makeReadOnly(exe());
    chosen = chooseDataDirectory(exe(), home());
    EXPECT_EQ(chosen.path, exe());
    EXPECT_TRUE(chosen.error.isEmpty());
}

TEST_F(DataDirectoryTest, AnInstalledCopyMakesThePerUserDirectoryWithEmptyFilesOnce)
{
    makeReadOnly(exe());
    EXPECT_FALSE(mayCreateFilesIn(exe()));
    DataDirectory chosen = chooseDataDirectory(exe(), home());
    EXPECT_EQ(chosen.path, home());
    EXPECT_FALSE(chosen.besideExecutable);
    EXPECT_TRUE(chosen.error.isEmpty());
    for (const char* name : {"kor.tab", "data.tab", "data2.tab"}) {
        const QFileInfo file(QDir(home()).filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.isFile()) << name;
        EXPECT_EQ(file.size(), 0) << name;
    }
    EXPECT_TRUE(QDir(exe()).isEmpty());

    // The next start finds the journal as it was left.
    writeFile(QDir(home()).filePath(QStringLiteral("data2.tab")), "kept");
    chosen = chooseDataDirectory(exe(), home());
    EXPECT_EQ(readFile(QDir(home()).filePath(QStringLiteral("data2.tab"))), QByteArray("kept"));
}

TEST_F(DataDirectoryTest, TheInstallDirectoryIsNeverTheDataDirectoryEvenWhereRootMayWrite)
{
    writeFile(QDir(exe()).filePath(QStringLiteral("data2.tab")), {});
    const DataDirectory chosen = chooseDataDirectory(exe(), home(), exe() + QStringLiteral("/."));
    EXPECT_EQ(chosen.path, home());
    EXPECT_FALSE(chosen.besideExecutable);
}

TEST_F(DataDirectoryTest, AHomeThatCannotHoldTheDirectoryGivesAMessageAndAPath)
{
    makeReadOnly(exe());
    // A regular file where a folder must go refuses the directory, root or not.
    writeFile(root.filePath(QStringLiteral("home")), "not a folder");
    const DataDirectory chosen = chooseDataDirectory(exe(), home());
    EXPECT_EQ(chosen.path, home());
    EXPECT_TRUE(chosen.error.startsWith(QStringLiteral("Не удалось создать папку данных")));
    EXPECT_TRUE(chosen.error.contains(QDir::toNativeSeparators(home())));
}

class UnmadeDataDirectory : public FormTest {};

TEST_F(UnmadeDataDirectory, TheSessionRunsInMemoryAndTheCloseSaysItCouldNotSave)
{
    writeFile(path(QStringLiteral("home")), "not a folder");
    const QString data = path(QStringLiteral("home/kv4410pc"));
    create({data, true});
    state().applyCount(8000);
    form->journalPage()->writeButClick();
    errors.messages.clear();
    form->show();
    EXPECT_FALSE(form->close());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(QStringLiteral("Cannot create directory \"%1\". ").arg(data)));

    // Once the folder can be made, the close saves and ends.
    QFile::remove(path(QStringLiteral("home")));
    errors.messages.clear();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QFileInfo(QDir(data).filePath(QStringLiteral("data2.tab"))).size() > 0);
}

}  // namespace
}  // namespace kv::test
