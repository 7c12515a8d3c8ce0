#include "measure/reading_conversion.h"

#include "core/errors.h"
#include "core/number_format.h"
#include "measure/calibration_store.h"

#include <QStringBuilder>

#include <cmath>

namespace kv {

const ConversionTable researchTable = {{
    {4000, 103}, {4130, 100}, {4330, 98}, {4450, 97},
    {4516, 96}, {4580, 95}, {4600, 93.8}, {4660, 92.5},
    {4700, 92}, {4760, 90}, {4820, 80}, {4840, 78.5},
    {4880, 74.5}, {4900, 69}, {4980, 60}, {5100, 50},
}};

const ConversionTable cetaneTable = {{
    {4000, 62}, {4130, 61}, {4330, 60}, {4450, 55},
    {4516, 50}, {4580, 46}, {4600, 45}, {4660, 42},
    {4700, 40}, {4760, 37}, {4820, 36.5}, {4840, 35.5},
    {4880, 35}, {4900, 34.5}, {4980, 34}, {5100, 33.5},
}};

namespace {

// Both windows are open on both sides; a NaN falls through to be shown as it is.
bool outsideOctaneWindow(double v) { return v >= 100 || v <= 60; }
bool outsideCetaneWindow(double v) { return v >= 60 || v <= 33; }

const QString kOutside = QStringLiteral("0");
const QString kNotComputed = QStringLiteral("*");

LabelDisplay outside() { return {kOutside, std::nullopt, std::nullopt}; }
LabelDisplay notComputed() { return {kNotComputed, std::nullopt, std::nullopt}; }

// The number a label shows: the whole number of tenths the text is rounded to, over ten
// (the double nearest the decimal written), or v itself when it can't be rounded.
std::optional<double> shownNumber(double v)
{
    const double tenths = v / 0.1;  // as the rounding to one decimal divides
    const double shown = std::fabs(tenths) < 9223372036854775808.0 ? std::nearbyint(tenths) / 10 : v;
    return std::isfinite(shown) ? std::optional(shown) : std::nullopt;
}

LabelDisplay uncalibrated(double v, QChar sep)
{
    return {formatResult(v, sep), kBlack, shownNumber(v)};
}

LabelDisplay calibrated(double value, const TCalibration& record, int method, QChar sep)
{
    const QString name = record.nameText();
    return {formatResult(value, sep) % u" (" % QStringView(name).left(10) % u')',
            methodColours[std::size_t(method)], shownNumber(value)};
}

// Research, motor and cetane: slope * v + offset.
LabelDisplay showValue(double v, int method, const CalibrationStore& store, QChar sep)
{
    const TCalibration* record = store.FindActiveCalibration(method);
    if (!record)
        return uncalibrated(v, sep);
    return calibrated(record->slope * v + record->offset, *record, method, sep);
}

}  // namespace

double frequencyFromCount(std::uint16_t periodCount)
{
    double frequency = periodCount;
    if (periodCount != 0)
        frequency = 12000000.0 / periodCount * 16;
    return frequency;
}

double lookupTable(const ConversionTable& table, double x)
{
    if (x < table.front().x || x > table.back().x)
        return 0;
    std::size_t j = 1;
    while (j < table.size() - 1 && !(x <= table[j].x))
        ++j;
    const ConversionPoint& p0 = table[j - 1];
    const ConversionPoint& p1 = table[j];
    const double k = (p1.y - p0.y) / (p1.x - p0.x);
    const double c = p0.y - k * p0.x;
    return k * x + c;
}

double researchFromFrequency(double reducedFrequency)
{
    return lookupTable(researchTable, reducedFrequency);
}

double cetaneFromFrequency(double reducedFrequency)
{
    return lookupTable(cetaneTable, reducedFrequency);
}

double motorFromResearch(double research)
{
    if (research < 80)
        return 0.8 * research + 12;
    if (research <= 95)
        return 0.6 * research + 28;
    return research - 10;
}

QString formatResult(double v, QChar decimalSeparator)
{
    try {
        return formatGeneral(roundTo(v, 1), decimalSeparator);
    } catch (const InvalidOpError&) {
        // A calibrated value is not bounded; one too large to round to a tenth (or not a
        // number at all) is shown as it is rather than failing the whole reading.
        return formatGeneral(v, decimalSeparator);
    }
}

QString formatResult(double v)
{
    return formatResult(v, localeDecimalSeparator());
}

ReadingDisplay computeReadingDisplay(std::uint16_t periodCount, bool dieselMode,
                                     const SystemCorrection& correction,
                                     const CalibrationStore& calibrations,
                                     QChar sep)
{
    ReadingDisplay display;
    const double frequency = frequencyFromCount(periodCount);
    display.panel1 = QString::number(periodCount) % u" = " % formatResult(frequency, sep)
        % u" = " % formatResult(frequency / 5, sep);
    const double reducedFrequency = frequency / 5;
    display.panel3 = formatResult(reducedFrequency / 5, sep);

    if (!dieselMode) {
        double research = researchFromFrequency(reducedFrequency);
        // Applied even to an out-of-table 0, which then reads as b.
        if (correction.a != 0)
            research = research * correction.a + correction.b;
        display.labels[0] = outsideOctaneWindow(research)
            ? outside() : showValue(research, Research, calibrations, sep);

        const double motor = motorFromResearch(research);
        display.labels[1] = outsideOctaneWindow(motor)
            ? outside() : showValue(motor, Motor, calibrations, sep);

        const double aki = (motor + research) / 2;
        if (outsideOctaneWindow(aki)) {
            display.labels[2] = outside();
        } else if (const TCalibration* record = calibrations.FindActiveCalibration(Aki)) {
            display.labels[2] = calibrated((motor + research) * record->slope / 2 + record->offset,
                                           *record, Aki, sep);
        } else {
            display.labels[2] = uncalibrated(aki, sep);
        }

        display.labels[3] = notComputed();
    } else {
        display.labels[0] = notComputed();
        display.labels[1] = notComputed();
        display.labels[2] = notComputed();
        const double cetane = cetaneFromFrequency(reducedFrequency);
        display.labels[3] = outsideCetaneWindow(cetane)
            ? outside() : showValue(cetane, Cetane, calibrations, sep);
    }
    return display;
}

ReadingDisplay computeReadingDisplay(std::uint16_t periodCount, bool dieselMode,
                                     const SystemCorrection& correction,
                                     const CalibrationStore& calibrations)
{
    return computeReadingDisplay(periodCount, dieselMode, correction, calibrations,
                                 localeDecimalSeparator());
}

}  // namespace kv
