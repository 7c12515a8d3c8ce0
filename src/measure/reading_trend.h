#pragma once
// ReadingTrend: the last readings of one result label, as numbers, for the trend strip
// and its "settled" mark. A reading the label shows as "*" or "0" (not computed, or
// outside its window) is a gap: drawing it as 0 would flatten the scale and a settled
// sample never reads it.

#include <QChar>
#include <QString>

#include <array>
#include <optional>

namespace kv {

class ReadingTrend {
public:
    // How many readings the strip shows: two minutes at the instrument's poll rate.
    static constexpr int kCapacity = 120;
    // The sample has settled when the last kSettleCount readings spread by no more than
    // kSettleSpread: one shown digit, the least a label can move by.
    static constexpr int kSettleCount = 10;
    static constexpr double kSettleSpread = 0.1;

    // One reading; nullopt is a gap. The oldest goes when the buffer is full.
    void add(std::optional<double> value);
    void clear();

    // Readings held, gaps included, up to kCapacity; at(0) is the oldest.
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    std::optional<double> at(int i) const;
    std::optional<double> latest() const;

    // Over every reading held; nullopt when all are gaps.
    std::optional<double> minimum() const;
    std::optional<double> maximum() const;
    // max - min of the last kSettleCount readings; nullopt while fewer are held or one of
    // them is a gap.
    std::optional<double> recentSpread() const;
    bool settled() const;

private:
    std::array<std::optional<double>, kCapacity> m_values{};
    int m_first = 0;
    int m_size = 0;
};

}  // namespace kv
