#include "measure/reading_trend.h"


#include <algorithm>

namespace kv {

namespace {

// Shown values are rounded to 0.1, so their differences carry binary noise
// (83.3 - 83.2 = 0.09999999999999432); this keeps a one-digit step a one-digit step.
constexpr double kSpreadTolerance = 1e-9;

}  // namespace

void ReadingTrend::add(std::optional<double> value)
{
    if (m_size < kCapacity) {
        m_values[std::size_t((m_first + m_size) % kCapacity)] = value;
        ++m_size;
        return;
    }
    m_values[std::size_t(m_first)] = value;
    m_first = (m_first + 1) % kCapacity;
}

void ReadingTrend::clear()
{
    m_first = 0;
    m_size = 0;
}

std::optional<double> ReadingTrend::at(int i) const
{
    if (i < 0 || i >= m_size)
        return std::nullopt;
    return m_values[std::size_t((m_first + i) % kCapacity)];
}

std::optional<double> ReadingTrend::latest() const
{
    return at(m_size - 1);
}

std::optional<double> ReadingTrend::minimum() const
{
    std::optional<double> result;
    for (int i = 0; i < m_size; ++i)
        if (const auto v = at(i); v && (!result || *v < *result))
            result = v;
    return result;
}

std::optional<double> ReadingTrend::maximum() const
{
    std::optional<double> result;
    for (int i = 0; i < m_size; ++i)
        if (const auto v = at(i); v && (!result || *v > *result))
            result = v;
    return result;
}

std::optional<double> ReadingTrend::recentSpread() const
{
    if (m_size < kSettleCount)
        return std::nullopt;
    double lo = 0;
    double hi = 0;
    for (int i = m_size - kSettleCount; i < m_size; ++i) {
        const auto v = at(i);
        if (!v)
            return std::nullopt;
        if (i == m_size - kSettleCount) {
            lo = hi = *v;
        } else {
            lo = std::min(lo, *v);
            hi = std::max(hi, *v);
        }
    }
    return hi - lo;
}

bool ReadingTrend::settled() const
{
    const auto spread = recentSpread();
    return spread && *spread <= kSettleSpread + kSpreadTolerance;
}

}  // namespace kv
