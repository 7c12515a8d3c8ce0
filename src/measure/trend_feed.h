#pragma once
// TrendFeed: keeps a ReadingTrend of one result label as the readings arrive. It follows
// the selected method (research in petrol mode, cetane in diesel mode, as the fuel
// buttons select) until the operator picks another label to watch. A trend holds one
// sample on one scale: a switch of fuel mode, method, calibrations or system correction,
// and the instrument going or coming, start it again.

#include "measure/reading_trend.h"

#include <QObject>

namespace kv {

class MeasurementState;
struct ReadingDisplay;

class TrendFeed : public QObject {
    Q_OBJECT

public:
    explicit TrendFeed(MeasurementState& state, QObject* parent = nullptr);

    const ReadingTrend& trend() const { return m_trend; }
    // The method 1..4 whose label the trend follows.
    int followedMethod() const { return m_method; }
    // Follows another label; a different one starts the trend again.
    void follow(int method);

    // The instrument went (false) or a new one was connected (true): a new sample.
    void instrumentChanged(bool connected);
    bool instrumentConnected() const { return m_connected; }

signals:
    // After every reading and every restart.
    void changed();
    // When the settled mark comes or goes.
    void settledChanged(bool settled);

private:
    void addReading(const ReadingDisplay& display);
    void restart();
    void update();

    MeasurementState& m_state;
    ReadingTrend m_trend;
    int m_method = 1;
    int m_selectedMethod = 1;
    bool m_connected = false;
    bool m_settled = false;
};

}  // namespace kv
