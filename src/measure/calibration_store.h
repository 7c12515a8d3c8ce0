#pragma once
// User calibrations: the 264-byte record, the ordered list the main window owns, the
// per-method table of the switched-on calibration, and the bytes of kor.tab.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace kv {

// One calibration, laid out byte for byte as in kor.tab (little-endian, IEEE doubles).
// calibrated value = slope * reading + offset; slope 0 means "not computed".
struct TCalibration {
    std::int32_t method = 0;          // 1..4; other values are kept as they are
    std::uint8_t padding1[4] = {};
    double slope = 0;
    double offset = 0;
    double measuredLow = 0;           // reading on the low-octane reference fuel
    double realLow = 0;               // its known number
    double measuredHigh = 0;
    double realHigh = 0;
    std::uint8_t name[51] = {};       // length byte (0..50) + 50 code page 1251 bytes
    std::uint8_t reserved[151] = {};  // length byte + 150 bytes, always empty
    std::uint8_t padding2[6] = {};

    // The name as text (the counted bytes, decoded from code page 1251).
    QString nameText() const;
    // Clears the whole name area and stores the text cut to its first 50 characters;
    // a character code page 1251 lacks becomes '?'.
    void setName(const QString& text);
};

static_assert(sizeof(TCalibration) == 264);
static_assert(offsetof(TCalibration, slope) == 8);
static_assert(offsetof(TCalibration, name) == 56);
static_assert(offsetof(TCalibration, reserved) == 107);
static_assert(offsetof(TCalibration, padding2) == 258);

enum class ToggleResult { Done, NotComputed };

// kor.tab content <-> records. Entries are a 32-bit length and that many record bytes.
// A length over 264 fills the record and skips the rest of the entry; an entry cut short
// keeps the bytes present; a negative length or a tail under 4 bytes ends the list.
std::vector<TCalibration> parseCalibrations(QByteArrayView file);
QByteArray serializeCalibrations(const std::vector<TCalibration>& records);

// The largest kor.tab read: some 60,000 calibrations, far more than a laboratory keeps.
inline constexpr qint64 kMaxCalibrationFileSize = 16 * 1024 * 1024;
// As many records as a file of that size holds; more can only come from damage (every
// 4-byte zero length would otherwise become a 264-byte record).
inline constexpr int kMaxCalibrationCount = int(kMaxCalibrationFileSize / (4 + 264));

// Where reading a damaged kor.tab stopped, for the notice at start.
struct CalibrationDamage {
    // The records read, an entry cut short included: the last of them is the last
    // record read.
    int recordsRead = 0;
    // The last entry ran past the end of the file: the length it claimed and how many of
    // those bytes the file lacks. The record keeps what was there.
    qsizetype cutEntryLength = 0;
    qsizetype missingBytes = 0;
    // Bytes after the last record read that were not read (from a negative length or
    // one entry more than kMaxCalibrationCount on).
    qsizetype unreadBytes = 0;
};

// The notice's first line: which record was read last and what was not read.
QString calibrationDamageText(const QString& path, const CalibrationDamage& damage);

struct CalibrationParse {
    std::vector<TCalibration> records;
    // Reading stopped at damage rather than at the end or at a harmless tail of under
    // 4 bytes: a negative length, an entry running past the end of the file, or more
    // entries than kMaxCalibrationCount. What followed is not in `records`.
    bool damaged = false;
    // The whole records read before the damage (an entry cut short is kept after them).
    int intactRecords = 0;
    CalibrationDamage damage;  // when damaged
};
[[nodiscard]] CalibrationParse parseCalibrationFile(QByteArrayView file);

class CalibrationStore {
public:
    // Positions are 1-based, in list order.
    int count() const { return int(m_records.size()); }
    const TCalibration& at(int position) const { return m_records[std::size_t(position - 1)]; }
    const std::vector<TCalibration>& calibrations() const { return m_records; }

    // Entry of activeCalibration for method 1..4: 0 none, k the position switched on.
    std::int32_t activeCalibration(int method) const;
    // Sets an entry as it is, without checks (the command-line tool and tests use it).
    void setActiveCalibration(int method, std::int32_t position);

    // Replaces the list (a file's records, read at start); activeCalibration is not
    // touched.
    void setRecords(std::vector<TCalibration> records) { m_records = std::move(records); }

    // All four entries of activeCalibration at once, so a change can be taken back whole.
    const std::array<std::int32_t, 4>& activeEntries() const { return m_active; }
    void setActiveEntries(const std::array<std::int32_t, 4>& entries) { m_active = entries; }

    void AddCalibration(const TCalibration& record);
    void ReplaceCalibration(int position, const TCalibration& record);
    // Switches off what was on for the record; entries of records behind it move up with
    // them.
    void DeleteCalibration(int position);
    ToggleResult ToggleCalibration(int position);
    // Puts a record back at a position (1..count()+1), the records from there on moving
    // down one; the entries of activeCalibration are left as they are.
    void insertCalibration(int position, const TCalibration& record);
    // The record switched on for the method, or nullptr.
    const TCalibration* FindActiveCalibration(int method) const;
    bool AnyCalibrationActive() const;

private:
    std::vector<TCalibration> m_records;
    std::array<std::int32_t, 4> m_active = {};
};

}  // namespace kv
