#include "measure/measurement_state.h"

namespace kv {

MeasurementState::MeasurementState(const CalibrationListModel& calibrations, QObject* parent)
    : QObject(parent)
    , m_calibrations(calibrations)
{
    connect(&calibrations, &CalibrationListModel::calibrationsChanged, this,
            &MeasurementState::calibrationsChanged);
    for (int m = Research; m <= Aki; ++m)
        m_reading.labels[std::size_t(m - 1)].text = QStringLiteral("0");
    m_reading.labels[Cetane - 1].text = QStringLiteral("*");
}

void MeasurementState::setSystemCorrection(const SystemCorrection& correction)
{
    m_systemCorrection = correction;
    emit systemCorrectionChanged();
}

QString MeasurementState::resultText(int method) const
{
    return isMethod(method) ? m_reading.label(method).text : QString();
}

void MeasurementState::selectMethod(int method)
{
    if (!isMethod(method))
        return;
    m_selectedMethod = Method(method);
    emit methodChanged(method);
}

void MeasurementState::selectPetrol()
{
    const bool changed = m_dieselMode;
    m_dieselMode = false;
    if (changed)
        emit fuelModeChanged(false);
    selectMethod(Research);
}

void MeasurementState::selectDiesel()
{
    const bool changed = !m_dieselMode;
    m_dieselMode = true;
    if (changed)
        emit fuelModeChanged(true);
    selectMethod(Cetane);
}

void MeasurementState::applyCount(std::uint16_t periodCount)
{
    m_reading = computeReadingDisplay(periodCount, m_dieselMode, m_systemCorrection,
                                      m_calibrations.store());
    m_lastPeriodCount = periodCount;
    emit readingChanged(m_reading);
    if (!m_readingCurrent) {
        m_readingCurrent = true;
        emit readingCurrentChanged(true);
    }
}

void MeasurementState::markReadingStale()
{
    if (!m_readingCurrent)
        return;
    m_readingCurrent = false;
    emit readingCurrentChanged(false);
}

}  // namespace kv
