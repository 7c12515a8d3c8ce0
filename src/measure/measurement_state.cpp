#include "measure/measurement_state.h"

#include <QDir>

namespace kv {

MeasurementState::MeasurementState(QString dataDirectory, QObject* parent)
    : QObject(parent)
    , m_dataDirectory(std::move(dataDirectory))
{
    for (int m = Research; m <= Aki; ++m)
        m_reading.labels[std::size_t(m - 1)].text = QStringLiteral("0");
    m_reading.labels[Cetane - 1].text = QStringLiteral("*");
}

QString MeasurementState::dataFilePath(const QString& fileName) const
{
    return QDir(m_dataDirectory).filePath(fileName);
}

void MeasurementState::notifyCalibrationsChanged()
{
    emit calibrationsChanged();
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
    m_selectedMethod = method;
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
                                      m_calibrations);
    m_lastPeriodCount = periodCount;
    emit readingChanged(m_reading);
}

}  // namespace kv
