#pragma once
// MeasurementState: what the measuring side of the program shares. The fuel mode, the
// selected method, the calibrations, the system correction and the reading shown last. One instance lives as long
// as the main window; the pages take it by reference and follow its signals.

#include "measure/calibration_store.h"
#include "measure/reading_conversion.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace kv {

class MeasurementState : public QObject {
    Q_OBJECT

public:
    explicit MeasurementState(QObject* parent = nullptr);

    bool dieselMode() const { return m_dieselMode; }
    int selectedMethod() const { return m_selectedMethod; }

    CalibrationStore& calibrations() { return m_calibrations; }
    const CalibrationStore& calibrations() const { return m_calibrations; }
    // Tells the listeners that the list or a switched-on state changed.
    void notifyCalibrationsChanged();

    const SystemCorrection& systemCorrection() const { return m_systemCorrection; }
    // Applies from the next count on; announced, since it moves the research scale.
    void setSystemCorrection(const SystemCorrection& correction);

    // What the result labels and panels 1 and 3 show: before any count, "0" for the three
    // octane values and "*" for the cetane number.
    const ReadingDisplay& reading() const { return m_reading; }
    // The text of the result label of method 1..4; empty for another number.
    QString resultText(int method) const;
    std::optional<std::uint16_t> lastPeriodCount() const { return m_lastPeriodCount; }

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
    void calibrationsChanged();
    void systemCorrectionChanged();

private:
    bool m_dieselMode = false;
    int m_selectedMethod = Research;
    CalibrationStore m_calibrations;
    SystemCorrection m_systemCorrection;
    ReadingDisplay m_reading;
    std::optional<std::uint16_t> m_lastPeriodCount;
};

}  // namespace kv
