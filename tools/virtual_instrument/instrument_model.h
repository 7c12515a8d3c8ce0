#pragma once
// The behaviour of a simulated КВ-4410, without any device plumbing: what it answers to
// each output report, its fuel sample and its memory. The virtual device of the demo
// program and the end-to-end tests feed it the reports the program writes.

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace kv {

class InstrumentModel {
public:
    static constexpr int kReportLength = 65;  // report identifier byte included

    explicit InstrumentModel(std::uint32_t seed = 4410);

    // The sample's period count, before noise.
    std::uint16_t periodCount() const { return m_periodCount; }
    void setPeriodCount(std::uint16_t count) { m_periodCount = count; }
    // Counts of noise added to each measurement, uniformly in [-noise, +noise].
    int noise() const { return m_noise; }
    void setNoise(int counts) { m_noise = counts < 0 ? 0 : counts; }

    // The count whose reading shows this research octane number (petrol) or cetane
    // number (diesel), or nullopt outside what the conversion tables cover.
    static std::optional<std::uint16_t> countForResearch(double research);
    static std::optional<std::uint16_t> countForCetane(double cetane);

    // Handles one output report as written by the program (byte 0 = report identifier).
    // Returns the input report it answers with: a measurement for every poll (byte 1 =
    // 0x80); nothing for the other commands. The write-byte command stores its value.
    std::optional<QByteArray> handleOutputReport(QByteArrayView report);

    // A measurement report of the current sample, with noise.
    QByteArray measurementReport();
    // A resistor report; the two positions drift a little at each call.
    QByteArray resistorReport();

    std::uint8_t memory(int address) const { return m_memory[std::size_t(address & 0xFF)]; }

private:
    std::mt19937 m_random;
    std::uint16_t m_periodCount = 8000;
    int m_noise = 3;
    std::uint8_t m_resistor1 = 128;
    std::uint8_t m_resistor2 = 96;
    std::array<std::uint8_t, 256> m_memory = {};
};

}  // namespace kv
