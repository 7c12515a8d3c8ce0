#include "measure/calibration_store.h"

#include "core/cp1251.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/methods.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace kv {
namespace {

QString golden(const char* name)
{
    return QStringLiteral(KV_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

QByteArray goldenBytes(const char* name)
{
    return readWholeFile(golden(name));
}

TCalibration record(int method, double slope, const QString& name = {})
{
    TCalibration c;
    c.method = method;
    c.slope = slope;
    c.offset = 1;
    c.setName(name);
    return c;
}

class CalibrationFiles : public testing::Test {
protected:
    QString korPath() const { return m_dir.filePath(QStringLiteral("kor.tab")); }

    // Loads a golden file into a fresh store and saves it again.
    QByteArray loadAndSave(const char* name)
    {
        CalibrationStore store;
        store.LoadCalibrations(golden(name));
        store.SaveCalibrations(korPath());
        return readWholeFile(korPath());
    }

    QTemporaryDir m_dir;
};

// Every byte of a record comes back, padding and the bytes behind a counted string
// included, in the same order.
TEST_F(CalibrationFiles, WholeEntriesSurviveLoadAndSaveByteForByte)
{
    for (const char* name : {"kor_empty.tab", "kor_one_record.tab", "kor_two_records.tab",
                             "kor_odd_method.tab"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(loadAndSave(name), goldenBytes(name));
    }
}

TEST_F(CalibrationFiles, IrregularEntriesAreSavedAsWholeRecords)
{
    const std::pair<const char*, const char*> cases[] = {
        {"kor_truncated_entry.tab", "kor_truncated_entry_saved.tab"},
        {"kor_oversized_entry.tab", "kor_oversized_entry_saved.tab"},
        {"kor_short_entry.tab", "kor_short_entry_saved.tab"},
        {"kor_negative_length.tab", "kor_one_record.tab"},
        {"kor_tail_fragment.tab", "kor_one_record.tab"},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ(loadAndSave(input), goldenBytes(expected));
    }
}

TEST_F(CalibrationFiles, FieldsOfTheTwoRecords)
{
    CalibrationStore store;
    store.LoadCalibrations(golden("kor_two_records.tab"));
    ASSERT_EQ(store.count(), 2);
    EXPECT_EQ(store.at(1).method, Motor);
    EXPECT_EQ(store.at(1).slope, 0.98);
    EXPECT_EQ(store.at(1).realHigh, 92.0);
    EXPECT_EQ(store.at(1).nameText(), QStringLiteral("АИ-92 летний"));
    EXPECT_EQ(store.at(2).method, Research);
    EXPECT_EQ(store.at(2).offset, -0.5);
    EXPECT_EQ(store.at(2).nameText(), QStringLiteral("Эталон-95 зимний"));
    for (int m = 1; m <= 4; ++m)
        EXPECT_EQ(store.activeCalibration(m), 0);  // every run starts with all off
}

TEST_F(CalibrationFiles, CutEntryKeepsTheBytesPresent)
{
    CalibrationStore store;
    store.LoadCalibrations(golden("kor_truncated_entry.tab"));
    ASSERT_EQ(store.count(), 2);
    const TCalibration& cut = store.at(2);
    EXPECT_EQ(cut.method, Research);
    EXPECT_EQ(cut.slope, 1.02);
    EXPECT_EQ(cut.realLow, 81.1);      // bytes 32..39, the last present
    EXPECT_EQ(cut.measuredHigh, 0.0);  // beyond the cut
    EXPECT_EQ(cut.nameText(), QString());
}

TEST_F(CalibrationFiles, ForeignMethodAndOverlongNameStayAsStored)
{
    CalibrationStore store;
    store.LoadCalibrations(golden("kor_odd_method.tab"));
    ASSERT_EQ(store.count(), 1);
    EXPECT_EQ(store.at(1).method, 7);
    // Its length byte says 200; only the 50 bytes of the area are read.
    EXPECT_EQ(store.at(1).nameText(), QString(50, u'X'));
    EXPECT_EQ(store.ToggleCalibration(1), ToggleResult::Done);
    EXPECT_FALSE(store.AnyCalibrationActive());
}

TEST_F(CalibrationFiles, MissingFileEmptiesTheListAndRaises)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1));
    const QString missing = m_dir.filePath(QStringLiteral("none.tab"));
    try {
        store.LoadCalibrations(missing);
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    EXPECT_EQ(store.count(), 0);
}

TEST_F(CalibrationFiles, FailedCreateKeepsTheListInMemory)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("kor.tab"));
    CalibrationStore store;
    store.AddCalibration(record(Research, 1));
    try {
        store.SaveCalibrations(korPath());
        FAIL() << "no error";
    } catch (const FileCreateError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(korPath())));
    }
    EXPECT_EQ(store.count(), 1);
}

// A write cut short by the file size limit (which binds root too) fails the save and
// leaves the former file as it was.
TEST_F(CalibrationFiles, FailedWriteLeavesTheFormerFileWhole)
{
    const QByteArray former = goldenBytes("kor_one_record.tab");
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
    bool raised = false;
    try {
        store.SaveCalibrations(korPath());
    } catch (const StreamWriteError& e) {
        raised = true;
        EXPECT_EQ(e.message(), QStringLiteral("Stream write error"));
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(readWholeFile(korPath()), former);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kor.tab")});
}

TEST(CalibrationParse, EntryLengths)
{
    TCalibration full = record(Aki, 2.5, QStringLiteral("Полная"));
    std::memset(full.padding1, 0xAB, sizeof full.padding1);
    const QByteArray one = serializeCalibrations({full});

    // A zero length is an empty record, and the next entry still follows.
    QByteArray zero(4, '\0');
    auto records = parseCalibrations(zero + one);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].method, 0);
    EXPECT_EQ(records[0].nameText(), QString());
    EXPECT_EQ(std::memcmp(&records[1], &full, sizeof full), 0);

    // A length far beyond the file takes what is there.
    QByteArray huge = one;
    huge[0] = char(0xFF);
    huge[1] = char(0xFF);
    huge[2] = char(0xFF);
    huge[3] = char(0x7F);
    records = parseCalibrations(huge);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::memcmp(&records[0], &full, sizeof full), 0);

    // A length field cut short is no entry.
    EXPECT_TRUE(parseCalibrations(QByteArray("\x08\x01", 2)).empty());
    EXPECT_EQ(parseCalibrations(one + QByteArray(1, '\x01')).size(), 1u);
}

TEST(CalibrationName, CutTo50AndUnknownCharactersBecomeQuestionMarks)
{
    TCalibration c;
    c.setName(QString(60, u'Ж'));
    EXPECT_EQ(c.name[0], 50);
    EXPECT_EQ(c.nameText(), QString(50, u'Ж'));

    // A character outside the code page, a pair of surrogates included, is one '?'.
    c.setName(QStringLiteral("A😀中€"));
    EXPECT_EQ(c.nameText(), QStringLiteral("A??€"));
}

// Every byte value reads as the code page converter reads it.
TEST(CalibrationName, EveryByteDecodesAsTheConverterDoes)
{
    for (int first = 0; first < 256; first += 50) {
        TCalibration c;
        QByteArray bytes;
        for (int b = first; b < std::min(first + 50, 256); ++b)
            bytes.append(char(b));
        c.name[0] = std::uint8_t(bytes.size());
        std::memcpy(c.name + 1, bytes.constData(), std::size_t(bytes.size()));
        EXPECT_EQ(c.nameText(), fromCp1251(bytes)) << first;
    }
}

TEST(CalibrationName, SettingClearsTheNameAndReservedAreas)
{
    TCalibration c;
    std::memset(c.name, 0x55, sizeof c.name);
    std::memset(c.reserved, 0x66, sizeof c.reserved);
    std::memset(c.padding2, 0x77, sizeof c.padding2);
    c.setName(QStringLiteral("ab"));
    EXPECT_EQ(c.name[0], 2);
    for (std::size_t i = 3; i < sizeof c.name; ++i)
        ASSERT_EQ(c.name[i], 0) << i;
    for (const std::uint8_t b : c.reserved)
        ASSERT_EQ(b, 0);
    EXPECT_EQ(c.padding2[0], 0x77);  // outside both areas
}

TEST(CalibrationStoreOps, ToggleRules)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1.1));
    store.AddCalibration(record(Research, 0));
    store.AddCalibration(record(Research, 0.9));
    store.AddCalibration(record(Cetane, 1.2));

    EXPECT_EQ(store.ToggleCalibration(2), ToggleResult::NotComputed);
    EXPECT_FALSE(store.AnyCalibrationActive());

    EXPECT_EQ(store.ToggleCalibration(1), ToggleResult::Done);
    EXPECT_EQ(store.activeCalibration(Research), 1);
    EXPECT_EQ(store.FindActiveCalibration(Research), &store.at(1));
    EXPECT_TRUE(store.AnyCalibrationActive());

    // A second one of the same method takes over; another method is independent.
    store.ToggleCalibration(3);
    store.ToggleCalibration(4);
    EXPECT_EQ(store.activeCalibration(Research), 3);
    EXPECT_EQ(store.activeCalibration(Cetane), 4);

    // The same position again switches it off.
    store.ToggleCalibration(3);
    EXPECT_EQ(store.activeCalibration(Research), 0);
    EXPECT_EQ(store.FindActiveCalibration(Research), nullptr);

    // Positions without a record change nothing.
    store.ToggleCalibration(0);
    store.ToggleCalibration(5);
    EXPECT_EQ(store.activeCalibration(Research), 0);
    EXPECT_EQ(store.activeCalibration(Cetane), 4);

    // Minus zero is zero: not computed.
    store.AddCalibration(record(Motor, -0.0));
    EXPECT_EQ(store.ToggleCalibration(5), ToggleResult::NotComputed);
}

TEST(CalibrationStoreOps, DeleteSwitchesOffOnlyItsOwnPosition)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1));
    store.AddCalibration(record(Motor, 2));
    store.AddCalibration(record(Aki, 3));
    store.ToggleCalibration(1);
    store.ToggleCalibration(3);

    store.DeleteCalibration(1);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.activeCalibration(Research), 0);
    // Entries are positions: the AKI entry keeps 3, now beyond the list.
    EXPECT_EQ(store.activeCalibration(Aki), 3);
    EXPECT_EQ(store.FindActiveCalibration(Aki), nullptr);

    store.DeleteCalibration(0);
    store.DeleteCalibration(3);
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.at(1).method, Motor);
}

TEST(CalibrationStoreOps, ReplaceKeepsTheSwitchOnlyForTheSameMethod)
{
    CalibrationStore store;
    store.AddCalibration(record(Research, 1));
    store.AddCalibration(record(Motor, 2));
    store.ToggleCalibration(1);
    store.ToggleCalibration(2);

    store.ReplaceCalibration(1, record(Research, 1.5, QStringLiteral("новая")));
    ASSERT_NE(store.FindActiveCalibration(Research), nullptr);
    EXPECT_EQ(store.FindActiveCalibration(Research)->slope, 1.5);

    store.ReplaceCalibration(2, record(Aki, 2));
    EXPECT_EQ(store.activeCalibration(Motor), 0);
    EXPECT_EQ(store.activeCalibration(Aki), 0);
    EXPECT_EQ(store.at(2).method, Aki);

    store.ReplaceCalibration(3, record(Aki, 9));
    EXPECT_EQ(store.count(), 2);
}

TEST(CalibrationStoreOps, ActiveTableIsTakenAsItIs)
{
    CalibrationStore store;
    store.AddCalibration(record(Motor, 1));
    // Set without checks, as the tool does; the lookup alone decides.
    store.setActiveCalibration(Research, 1);
    EXPECT_EQ(store.FindActiveCalibration(Research), &store.at(1));
    store.setActiveCalibration(Research, 2);
    EXPECT_EQ(store.FindActiveCalibration(Research), nullptr);
    store.setActiveCalibration(Research, -5);
    EXPECT_EQ(store.FindActiveCalibration(Research), nullptr);
    EXPECT_TRUE(store.AnyCalibrationActive());

    store.setActiveCalibration(0, 1);
    store.setActiveCalibration(5, 1);
    EXPECT_EQ(store.activeCalibration(5), 0);
    EXPECT_EQ(store.FindActiveCalibration(0), nullptr);
    EXPECT_EQ(store.FindActiveCalibration(5), nullptr);
}

}  // namespace
}  // namespace kv
