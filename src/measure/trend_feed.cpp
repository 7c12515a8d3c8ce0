#include "measure/trend_feed.h"

#include "measure/measurement_state.h"

namespace kv {

TrendFeed::TrendFeed(MeasurementState& state, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_method(state.selectedMethod())
    , m_selectedMethod(state.selectedMethod())
{
    connect(&m_state, &MeasurementState::readingChanged, this, &TrendFeed::addReading);
    // The menu and a dropped label announce a method even when it stays the same; only a
    // real switch is a new sample.
    connect(&m_state, &MeasurementState::methodChanged, this, [this](int method) {
        if (method == m_selectedMethod)
            return;
        m_selectedMethod = method;
        m_method = method;
        restart();
    });
    connect(&m_state, &MeasurementState::fuelModeChanged, this, [this] {
        m_selectedMethod = m_state.selectedMethod();
        m_method = m_selectedMethod;
        restart();
    });
    connect(&m_state, &MeasurementState::calibrationsChanged, this, &TrendFeed::restart);
    connect(&m_state, &MeasurementState::systemCorrectionChanged, this, &TrendFeed::restart);
}

void TrendFeed::follow(int method)
{
    if (!isMethod(method) || method == m_method)
        return;
    m_method = method;
    restart();
}

void TrendFeed::instrumentChanged(bool connected)
{
    m_connected = connected;
    restart();
}

void TrendFeed::addReading(const ReadingDisplay& display)
{
    m_trend.add(display.label(m_method).value);
    update();
}

void TrendFeed::restart()
{
    m_trend.clear();
    update();
}

void TrendFeed::update()
{
    const bool settled = m_trend.settled();
    emit changed();
    if (settled != m_settled) {
        m_settled = settled;
        emit settledChanged(settled);
    }
}

}  // namespace kv
