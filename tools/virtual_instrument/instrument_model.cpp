#include "instrument_model.h"

#include "device/instrument/report_codec.h"
#include "measure/reading_conversion.h"

#include <cmath>

namespace kv {

namespace {

// Inverts a conversion table: the reduced frequency whose lookup gives y, taking the
// first segment (from the low frequencies) that holds it.
std::optional<double> reducedFrequencyFor(const ConversionTable& table, double y)
{
    for (std::size_t j = 1; j < table.size(); ++j) {
        const ConversionPoint& a = table[j - 1];
        const ConversionPoint& b = table[j];
        const double lo = std::min(a.y, b.y);
        const double hi = std::max(a.y, b.y);
        if (y >= lo && y <= hi && a.y != b.y)
            return a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
    }
    return std::nullopt;
}

std::optional<std::uint16_t> countFor(const ConversionTable& table, double y)
{
    const auto x = reducedFrequencyFor(table, y);
    if (!x || *x <= 0)
        return std::nullopt;
    // reduced frequency = 12000000 / count * 16 / 5
    const double count = std::round(12000000.0 * 16.0 / 5.0 / *x);
    if (count < 1 || count > 65535)
        return std::nullopt;
    return std::uint16_t(count);
}

}  // namespace

InstrumentModel::InstrumentModel(std::uint32_t seed)
    : m_random(seed)
{
}

void InstrumentModel::setPeriodCount(std::uint16_t count)
{
    m_periodCount = count;
    m_readingCount = count;
}

void InstrumentModel::driftTo(std::uint16_t count)
{
    m_periodCount = count;
}

std::optional<std::uint16_t> InstrumentModel::countForResearch(double research)
{
    return countFor(researchTable, research);
}

std::optional<std::uint16_t> InstrumentModel::countForCetane(double cetane)
{
    return countFor(cetaneTable, cetane);
}

std::optional<QByteArray> InstrumentModel::handleOutputReport(QByteArrayView report)
{
    auto byte = [&](int i) { return i < report.size() ? std::uint8_t(report[i]) : std::uint8_t(0); };
    if (byte(1) == 0x80)
        return measurementReport();
    if (byte(2) == kWriteByteCode)
        m_memory[byte(3)] = byte(4);
    return std::nullopt;
}

QByteArray InstrumentModel::measurementReport()
{
    if (drifting()) {
        m_readingCount += (m_periodCount - m_readingCount) * kDriftShare;
        // Within half a count it reads as the sample does.
        if (std::abs(m_readingCount - m_periodCount) < 0.5)
            m_readingCount = m_periodCount;
    }
    int count = int(std::lround(m_readingCount));
    if (m_noise > 0 && count > 0)
        count += std::uniform_int_distribution<int>(-m_noise, m_noise)(m_random);
    count = std::clamp(count, 0, 65535);
    QByteArray report(kReportLength, '\0');
    report[1] = char(kMeasurementCode);
    report[2] = char(count & 0xFF);
    report[3] = char(count >> 8);
    return report;
}

QByteArray InstrumentModel::resistorReport()
{
    auto drift = [&](std::uint8_t v) {
        const int step = std::uniform_int_distribution<int>(-2, 2)(m_random);
        return std::uint8_t(std::clamp(int(v) + step, 0, 255));
    };
    m_resistor1 = drift(m_resistor1);
    m_resistor2 = drift(m_resistor2);
    QByteArray report(kReportLength, '\0');
    report[1] = char(kResistorCode);
    report[2] = char(m_resistor1);
    report[3] = char(m_resistor2);
    return report;
}

}  // namespace kv
