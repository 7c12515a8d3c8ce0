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

    // Each measurement of a drifting sample closes this share of the way left.
    static constexpr double kDriftShare = 0.2;

    // The sample's period count, before noise: what its readings settle at.
    std::uint16_t periodCount() const { return m_periodCount; }
    // A sample that reads this count from the next measurement on.
    void setPeriodCount(std::uint16_t count);
    // A freshly poured sample: its readings start where the last one was and drift
    // towards count, closing kDriftShare of the way at each measurement, until they
    // settle there, as a sample does while it comes to the sensor's temperature.
    void driftTo(std::uint16_t count);
    // The count the next measurement is drifting from, before noise.
    double readingCount() const { return m_readingCount; }
    bool drifting() const { return m_readingCount != double(m_periodCount); }
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
    double m_readingCount = 8000;
    // One count: 0,1 of an octane number at the low end of the research scale, a few
    // hundredths around 92 to 95, so a settled sample reads steady there.
    int m_noise = 1;
    std::uint8_t m_resistor1 = 128;
    std::uint8_t m_resistor2 = 96;
    std::array<std::uint8_t, 256> m_memory = {};
};

}  // namespace kv
