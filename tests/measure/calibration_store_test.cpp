#include "measure/calibration_store.h"

#include "core/cp1251.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/methods.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

QString golden(const char* name)
{
    return QStringLiteral(KV_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

TCalibration record(int method, double slope, const QString& name = {})
{
    TCalibration c;
    c.method = method;
    c.slope = slope;
    c.setName(name);
    return c;
}

// A store holding what a file's bytes give, as the program reads kor.tab.
CalibrationStore loaded(const QString& path)
{
    CalibrationStore store;
    store.setRecords(parseCalibrations(readWholeFile(path, kMaxCalibrationFileSize)));
    return store;
}

class CalibrationFiles : public testing::Test {
protected:
    QString korPath() const { return m_dir.filePath(QStringLiteral("kor.tab")); }

    QByteArray loadAndSave(const char* name)
    {
        return serializeCalibrations(loaded(golden(name)).calibrations());
    }

    QTemporaryDir m_dir;
};

// Every byte of a whole entry comes back, padding and the bytes behind a counted string
// included; irregular entries come back as whole records.
TEST_F(CalibrationFiles, LoadAndSaveAreByteExact)
{
    const std::pair<const char*, const char*> cases[] = {
        {"kor_empty.tab", "kor_empty.tab"},
        {"kor_two_records.tab", "kor_two_records.tab"},
        {"kor_odd_method.tab", "kor_odd_method.tab"},
        {"kor_truncated_entry.tab", "kor_truncated_entry_saved.tab"},
        {"kor_oversized_entry.tab", "kor_oversized_entry_saved.tab"},
        {"kor_short_entry.tab", "kor_short_entry_saved.tab"},
        {"kor_negative_length.tab", "kor_one_record.tab"},
        {"kor_tail_fragment.tab", "kor_one_record.tab"},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ(loadAndSave(input), readWholeFile(golden(expected)));
    }
}

TEST_F(CalibrationFiles, LoadedFields)
{
    CalibrationStore store = loaded(golden("kor_two_records.tab"));
    ASSERT_EQ(store.count(), 2);
    EXPECT_EQ(store.at(1).method, Motor);
    EXPECT_EQ(store.at(2).offset, -0.5);
    EXPECT_EQ(store.at(2).nameText(), QStringLiteral("Эталон-95 зимний"));
    EXPECT_FALSE(store.AnyCalibrationActive());  // every run starts with all off

    // A foreign method stays; a length byte of 200 reads only the 50 bytes of the area.
    store = loaded(golden("kor_odd_method.tab"));
    ASSERT_EQ(store.count(), 1);
    EXPECT_EQ(store.at(1).nameText(), QString(50, u'X'));
    EXPECT_EQ(store.ToggleCalibration(1), ToggleResult::Done);
    EXPECT_FALSE(store.AnyCalibrationActive());
}

TEST_F(CalibrationFiles, MissingFileRaises)
{
    const QString missing = m_dir.filePath(QStringLiteral("none.tab"));
    try {
        loaded(missing);
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
}

// A write cut short by the file size limit (which binds root too) fails the save and
// leaves the former file as it was.
TEST_F(CalibrationFiles, FailedWriteLeavesTheFormerFileWhole)
{
    const QByteArray former = readWholeFile(golden("kor_one_record.tab"));
    replaceFileAtomically(korPath(), former);
    CalibrationStore store;
    for (int i = 0; i < 8; ++i)
        store.AddCalibration(record(Motor, i + 1));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        replaceFileAtomically(korPath(), serializeCalibrations(store.calibrations()));
    } catch (const StreamWriteError& e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(message, QStringLiteral("Stream write error \"%1\". %2").arg(korPath(), systemErrorText(EFBIG)));
    EXPECT_EQ(readWholeFile(korPath()), former);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kor.tab")});
}

// A length far beyond the end of the file takes what is there.
TEST(CalibrationParse, HugeLength)
{
    TCalibration full = record(Aki, 2.5, QStringLiteral("Полная"));
    std::memset(full.padding1, 0xAB, sizeof full.padding1);
    QByteArray huge = serializeCalibrations({full});
    huge.replace(0, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
    const auto records = parseCalibrations(huge);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::memcmp(&records[0], &full, sizeof full), 0);
}

// The application keeps a copy of a damaged file before the next save drops its tail,
// so damage must be told apart from the harmless ends of a file.
TEST_F(CalibrationFiles, LoadTellsDamageFromAHarmlessEnd)
{
    const struct {
        const char* file;
        std::optional<int> damagedAfter;
    } cases[] = {
        {"kor_two_records.tab", std::nullopt},
        {"kor_empty.tab", std::nullopt},
        {"kor_tail_fragment.tab", std::nullopt},   // 1 to 3 bytes after the last entry
        {"kor_oversized_entry.tab", std::nullopt}, // over 264, but the file holds it
        {"kor_short_entry.tab", std::nullopt},
        {"kor_negative_length.tab", 1},
        {"kor_truncated_entry.tab", 1},            // the cut record is kept behind it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const CalibrationParse parsed = parseCalibrationFile(readWholeFile(golden(c.file)));
        EXPECT_EQ(parsed.damaged ? std::optional(parsed.intactRecords) : std::nullopt, c.damagedAfter);
    }
}

// The notice names the last record read, a cut one included, and what was not read.
TEST(CalibrationParse, DamageNamesTheLastRecordRead)
{
    const std::vector<TCalibration> five(5, record(Research, 1, QStringLiteral("Равные")));
    const QByteArray whole = serializeCalibrations(five);
    QByteArray negativeAfterTwo = serializeCalibrations({five[0], five[1]});
    negativeAfterTwo.append("\xFF\xFF\xFF\xFF", 4).append(QByteArray(20, 'x'));
    const struct {
        const char* what;
        QByteArray file;
        const char* text;
    } cases[] = {
        {"last 100 bytes cut", whole.left(whole.size() - 100),
         "Файл \"kor.tab\" повреждён: последняя прочитанная запись — 5, она обрывается в конце "
         "файла (недостаёт байт: 100 из 264)."},
        {"negative length after 2", negativeAfterTwo,
         "Файл \"kor.tab\" повреждён: последняя прочитанная запись — 2, остальное не прочитано "
         "(байт: 24)."},
        {"negative length first", QByteArray("\xFF\xFF\xFF\xFF", 4),
         "Файл \"kor.tab\" повреждён: не прочитано ни одной записи (байт: 4)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CalibrationParse parsed = parseCalibrationFile(c.file);
        ASSERT_TRUE(parsed.damaged);
        EXPECT_EQ(calibrationDamageText(QStringLiteral("kor.tab"), parsed.damage), QString::fromUtf8(c.text));
    }
    // The cut record is the fifth, with its name whole.
    EXPECT_EQ(parseCalibrations(whole.left(whole.size() - 100)).back().nameText(), QStringLiteral("Равные"));
}

// Zero lengths would make a 264-byte record of every 4 bytes: a few megabytes of zeros
// would take gigabytes. The count stops where no real file of the size limit reaches.
TEST(CalibrationParse, EntriesBeyondAnyRealFileAreDamage)
{
    const QByteArray zeros(4 * (kMaxCalibrationCount + 10), '\0');
    const CalibrationParse parsed = parseCalibrationFile(zeros);
    EXPECT_EQ(parsed.records.size(), std::size_t(kMaxCalibrationCount));
    EXPECT_TRUE(parsed.damaged);
    EXPECT_EQ(parsed.intactRecords, kMaxCalibrationCount);

    const QByteArray full = serializeCalibrations(
        std::vector<TCalibration>(std::size_t(kMaxCalibrationCount), record(Motor, 1)));
    EXPECT_LE(full.size(), kMaxCalibrationFileSize);
    EXPECT_FALSE(parseCalibrationFile(full).damaged);
}

TEST_F(CalibrationFiles, OversizedOrSpecialFilesAreRefusedWithoutBlocking)
{
    replaceFileAtomically(korPath(), QByteArray());
    ASSERT_EQ(::truncate(QFile::encodeName(korPath()).constData(), kMaxCalibrationFileSize + 1), 0);
    try {
        loaded(korPath());
        FAIL();
    } catch (const FileOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + korPath() + "\". File too large");
    }

    const QString fifo = m_dir.filePath(QStringLiteral("pipe.tab"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_THROW(loaded(fifo), FileOpenError);
    EXPECT_THROW(loaded(QStringLiteral("/dev/zero")), FileOpenError);
}

TEST(CalibrationName, SetAndRead)
{
    TCalibration c;
    std::memset(c.name, 0x55, sizeof c.name);
    std::memset(c.reserved, 0x66, sizeof c.reserved);
    c.setName(QStringLiteral("ab"));
    EXPECT_EQ(c.name[0], 2);
    for (std::size_t i = 3; i < sizeof c.name; ++i)
        ASSERT_EQ(c.name[i], 0) << i;
    for (const std::uint8_t b : c.reserved)
        ASSERT_EQ(b, 0);

    c.setName(QString(60, u'Ж'));
    EXPECT_EQ(c.nameText(), QString(50, u'Ж'));
    // A character outside the code page, a pair of surrogates included, is one '?'.
    c.setName(QStringLiteral("A😀中€"));
    EXPECT_EQ(c.nameText(), QStringLiteral("A??€"));

    // Every byte value reads as the code page converter reads it.
    for (int first = 0; first < 256; first += 50) {
        QByteArray bytes;
        for (int b = first; b < std::min(first + 50, 256); ++b)
            bytes.append(char(b));
        c.name[0] = std::uint8_t(bytes.size());
        std::memcpy(c.name + 1, bytes.constData(), std::size_t(bytes.size()));
        EXPECT_EQ(c.nameText(), fromCp1251(bytes)) << first;
    }
}

TEST(CalibrationStoreOps, Toggle)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1.1));
    store.AddCalibration(record(Research, 0));
    store.AddCalibration(record(Research, 0.9));
    store.AddCalibration(record(Cetane, 1.2));
    store.AddCalibration(record(Motor, -0.0));

    EXPECT_EQ(store.ToggleCalibration(2), ToggleResult::NotComputed);
    EXPECT_EQ(store.ToggleCalibration(5), ToggleResult::NotComputed);
    EXPECT_FALSE(store.AnyCalibrationActive());

    EXPECT_EQ(store.ToggleCalibration(1), ToggleResult::Done);
    EXPECT_EQ(store.FindActiveCalibration(Research), &store.at(1));
    // A second one of the same method takes over; another method is independent.
    store.ToggleCalibration(3);
    store.ToggleCalibration(4);
    EXPECT_EQ(store.activeCalibration(Research), 3);
    EXPECT_EQ(store.activeCalibration(Cetane), 4);
    // The same position again switches it off; positions without a record do nothing.
    store.ToggleCalibration(3);
    store.ToggleCalibration(0);
    store.ToggleCalibration(6);
    EXPECT_EQ(store.activeCalibration(Research), 0);
    EXPECT_EQ(store.FindActiveCalibration(Research), nullptr);
    EXPECT_EQ(store.activeCalibration(Cetane), 4);
    EXPECT_TRUE(store.AnyCalibrationActive());
}

TEST(CalibrationStoreOps, DeleteAndReplace)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1));
    store.AddCalibration(record(Motor, 2));
    store.AddCalibration(record(Aki, 3));
    store.ToggleCalibration(1);
    store.ToggleCalibration(2);
    store.ToggleCalibration(3);

    // The same method stays on with its new coefficients; another method switches off.
    store.ReplaceCalibration(1, record(Research, 1.5));
    EXPECT_EQ(store.FindActiveCalibration(Research)->slope, 1.5);
    store.ReplaceCalibration(2, record(Cetane, 2));
    EXPECT_EQ(store.activeCalibration(Motor), 0);
    EXPECT_EQ(store.activeCalibration(Cetane), 0);
    store.ReplaceCalibration(4, record(Aki, 9));
    EXPECT_EQ(store.count(), 3);

    // Deleting 1 switches research off; the AKI calibration moves up to 2 and stays on.
    store.DeleteCalibration(1);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.activeCalibration(Research), 0);
    EXPECT_EQ(store.activeCalibration(Aki), 2);
    EXPECT_EQ(store.FindActiveCalibration(Aki)->slope, 3);
    store.DeleteCalibration(0);
    store.DeleteCalibration(3);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.at(1).method, Cetane);

    // Set without checks, as the command-line tool does; only methods 1 to 4 exist.
    store.setActiveCalibration(Research, 2);
    EXPECT_EQ(store.FindActiveCalibration(Research), &store.at(2));
    store.setActiveCalibration(5, 1);
    EXPECT_EQ(store.activeCalibration(5), 0);
    EXPECT_EQ(store.FindActiveCalibration(0), nullptr);
}

// Each switched-on calibration stays on its own record whichever is deleted: entries
// before the deleted position keep it, entries behind it follow their records up.
TEST(CalibrationStoreOps, DeleteKeepsEveryOtherCalibrationOnItsRecord)
{
    const int methods[] = {Research, Motor, Aki, Cetane};
    for (int deleted = 1; deleted <= 4; ++deleted) {
        SCOPED_TRACE(deleted);
        CalibrationStore store;
        for (int i = 0; i < 4; ++i)
            store.AddCalibration(record(methods[i], 10 + i));
        for (int k = 1; k <= 4; ++k)
            store.ToggleCalibration(k);
        store.DeleteCalibration(deleted);
        for (int i = 0; i < 4; ++i) {
            const TCalibration* on = store.FindActiveCalibration(methods[i]);
            if (i + 1 == deleted) {
                EXPECT_EQ(store.activeCalibration(methods[i]), 0);
                continue;
            }
            ASSERT_NE(on, nullptr) << methods[i];
            EXPECT_EQ(on->method, methods[i]);
            EXPECT_EQ(on->slope, 10 + i);
        }
        // The next switch of a record acts on its own method's entry.
        store.ToggleCalibration(store.count());
        EXPECT_EQ(store.activeCalibration(store.at(store.count()).method), 0);
    }
}

}  // namespace
}  // namespace kv
