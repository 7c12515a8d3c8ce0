#pragma once
// MeasurementState: what the measuring side of the program shares. The fuel mode, the
// selected method, the system correction and the reading shown last, converted with the
// calibrations of the list it is given. The workspace owns one; the pages take it by
// reference and follow its signals.

#include "measure/calibration_list_model.h"
#include "measure/reading_conversion.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace kv {

class MeasurementState : public QObject {
    Q_OBJECT

public:
    // The list must outlive the state; its changes are told on as calibrationsChanged.
    explicit MeasurementState(const CalibrationListModel& calibrations, QObject* parent = nullptr);

    bool dieselMode() const { return m_dieselMode; }
    Method selectedMethod() const { return m_selectedMethod; }

    const CalibrationStore& calibrations() const { return m_calibrations.store(); }

    const SystemCorrection& systemCorrection() const { return m_systemCorrection; }
    // Applies from the next count on; announced, since it moves the research scale.
    void setSystemCorrection(const SystemCorrection& correction);

    // What the result labels and panels 1 and 3 show: before any count, "0" for the three
    // octane values and "*" for the cetane number.
    const ReadingDisplay& reading() const { return m_reading; }
    // The text of the result label of method 1..4; empty for another number.
    QString resultText(int method) const;
    std::optional<std::uint16_t> lastPeriodCount() const { return m_lastPeriodCount; }
    // Whether the reading shown was measured by the instrument connected now: not before
    // the first count, nor once that instrument has gone, until the next count. Only a
    // current reading is recorded.
    bool readingCurrent() const { return m_readingCurrent; }
    // The instrument the reading came from went (or another one came).
    void markReadingStale();

    // The method menu's items: a number outside 1..4 changes nothing.
    void selectMethod(int method);
    // The fuel buttons: petrol selects the research method, diesel the cetane number.
    void selectPetrol();
    void selectDiesel();

    // Converts the count with the present mode, correction and calibrations, and shows it.
    void applyCount(std::uint16_t periodCount);

signals:
    void methodChanged(int method);
    void fuelModeChanged(bool dieselMode);
    void readingChanged(const kv::ReadingDisplay& display);
    void readingCurrentChanged(bool current);
    void calibrationsChanged();
    void systemCorrectionChanged();

private:
    bool m_dieselMode = false;
    Method m_selectedMethod = Research;
    const CalibrationListModel& m_calibrations;
    SystemCorrection m_systemCorrection;
    ReadingDisplay m_reading;
    std::optional<std::uint16_t> m_lastPeriodCount;
    bool m_readingCurrent = false;
};

}  // namespace kv
