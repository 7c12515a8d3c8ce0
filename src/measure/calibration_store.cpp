#include "measure/calibration_store.h"

#include "core/cp1251.h"
#include "core/methods.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

namespace kv {

// Records go to and from kor.tab as their raw bytes.
static_assert(std::endian::native == std::endian::little,
              "kor.tab is little-endian and records are copied as they lie in memory");
static_assert(std::is_trivially_copyable_v<TCalibration>);

namespace {

constexpr qsizetype kRecordSize = qsizetype(sizeof(TCalibration));
constexpr qsizetype kLengthSize = 4;
constexpr int kNameCapacity = int(sizeof(TCalibration::name)) - 1;

std::int32_t readLength(const char* p)
{
    std::int32_t length = 0;
    std::memcpy(&length, p, sizeof length);
    return length;
}

}  // namespace

QString TCalibration::nameText() const
{
    // A length byte from a foreign file may claim more than the area holds.
    const int length = std::min(int(name[0]), kNameCapacity);
    return fromCp1251(QByteArrayView(reinterpret_cast<const char*>(name + 1), length));
}

void TCalibration::setName(const QString& text)
{
    std::memset(name, 0, sizeof name);
    std::memset(reserved, 0, sizeof reserved);
    // One byte per character, so cutting the bytes cuts the characters.
    const QByteArray bytes = toCp1251(text).left(kNameCapacity);
    name[0] = std::uint8_t(bytes.size());
    std::memcpy(name + 1, bytes.constData(), std::size_t(bytes.size()));
}

CalibrationParse parseCalibrationFile(QByteArrayView file)
{
    CalibrationParse result;
    std::vector<TCalibration>& records = result.records;
    const char* data = file.data();
    const qsizetype size = file.size();
    qsizetype pos = 0;
    auto damagedHere = [&] {
        result.damaged = true;
        result.intactRecords = int(records.size());
    };
    while (pos < size) {
        if (size - pos < kLengthSize)
            break;  // a fragment too short to be a length field
        const std::int32_t length = readLength(data + pos);
        if (length < 0 || int(records.size()) == kMaxCalibrationCount) {
            damagedHere();
            result.damage.unreadBytes = size - pos;
            break;
        }
        pos += kLengthSize;
        // The entry may run past the end of the file or past the record; only what
        // fits in both is copied, the rest of the record stays zero.
        if (length > size - pos) {
            damagedHere();
            result.damage.cutEntryLength = length;
            result.damage.missingBytes = length - (size - pos);
        }
        const qsizetype entry = std::min<qsizetype>(length, size - pos);
        TCalibration record;
        std::memcpy(&record, data + pos, std::size_t(std::min(entry, kRecordSize)));
        records.push_back(record);
        pos += entry;
    }
    result.damage.recordsRead = int(records.size());
    return result;
}

QString calibrationDamageText(const QString& path, const CalibrationDamage& damage)
{
    const QString file = QStringLiteral("Файл \"%1\" повреждён: ").arg(path);
    if (damage.recordsRead == 0)
        return file + QStringLiteral("не прочитано ни одной записи (байт: %1).").arg(damage.unreadBytes);
    const QString last = QStringLiteral("последняя прочитанная запись — %1, ").arg(damage.recordsRead);
    if (damage.missingBytes > 0) {
        return file + last
               + QStringLiteral("она обрывается в конце файла (недостаёт байт: %1 из %2).")
                     .arg(damage.missingBytes)
                     .arg(damage.cutEntryLength);
    }
    return file + last + QStringLiteral("остальное не прочитано (байт: %1).").arg(damage.unreadBytes);
}

std::vector<TCalibration> parseCalibrations(QByteArrayView file)
{
    return parseCalibrationFile(file).records;
}

QByteArray serializeCalibrations(const std::vector<TCalibration>& records)
{
    QByteArray out;
    out.reserve(qsizetype(records.size()) * (kLengthSize + kRecordSize));
    const std::int32_t length = std::int32_t(kRecordSize);
    for (const TCalibration& record : records) {
        out.append(reinterpret_cast<const char*>(&length), kLengthSize);
        out.append(reinterpret_cast<const char*>(&record), kRecordSize);
    }
    return out;
}

std::int32_t CalibrationStore::activeCalibration(int method) const
{
    return isMethod(method) ? m_active[std::size_t(method - 1)] : 0;
}

void CalibrationStore::setActiveCalibration(int method, std::int32_t position)
{
    if (isMethod(method))
        m_active[std::size_t(method - 1)] = position;
}

void CalibrationStore::AddCalibration(const TCalibration& record)
{
    m_records.push_back(record);
}

void CalibrationStore::insertCalibration(int position, const TCalibration& record)
{
    if (position < 1 || position > count() + 1)
        return;
    m_records.insert(m_records.begin() + (position - 1), record);
}

void CalibrationStore::ReplaceCalibration(int position, const TCalibration& record)
{
    if (position < 1 || position > count())
        return;
    TCalibration& slot = m_records[std::size_t(position - 1)];
    // A calibration may only be on in the entry of its own method.
    if (record.method != slot.method)
        std::replace(m_active.begin(), m_active.end(), position, 0);
    slot = record;
}

void CalibrationStore::DeleteCalibration(int position)
{
    if (position < 1 || position > count())
        return;
    // Entries are positions: those behind the deleted record follow it up one place, so
    // each switched-on calibration stays on the record it was switched on for.
    for (std::int32_t& entry : m_active) {
        if (entry == position)
            entry = 0;
        else if (entry > position)
            --entry;
    }
    m_records.erase(m_records.begin() + (position - 1));
}

ToggleResult CalibrationStore::ToggleCalibration(int position)
{
    if (position < 1 || position > count())
        return ToggleResult::Done;
    const TCalibration& record = at(position);
    if (record.slope == 0.0)
        return ToggleResult::NotComputed;
    if (!isMethod(record.method))
        return ToggleResult::Done;
    std::int32_t& entry = m_active[std::size_t(record.method - 1)];
    entry = entry == position ? 0 : position;
    return ToggleResult::Done;
}

const TCalibration* CalibrationStore::FindActiveCalibration(int method) const
{
    const std::int32_t k = activeCalibration(method);
    if (k < 1 || k > count())
        return nullptr;
    return &m_records[std::size_t(k - 1)];
}

bool CalibrationStore::AnyCalibrationActive() const
{
    return std::any_of(m_active.begin(), m_active.end(), [](std::int32_t k) { return k != 0; });
}

}  // namespace kv
