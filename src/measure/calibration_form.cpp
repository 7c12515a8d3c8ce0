#include "measure/calibration_form.h"

#include "core/errors.h"
#include "core/methods.h"
#include "core/number_format.h"

#include <algorithm>
#include <cmath>

namespace kv {

CalibrationForm newCalibrationForm(int method)
{
    CalibrationForm form;
    form.method = method;
    return form;
}

CalibrationForm calibrationFormFor(const TCalibration& record)
{
    CalibrationForm form;
    form.name = record.nameText();
    form.method = record.method;
    form.measuredLow = formatGeneral(record.measuredLow);
    form.realLow = formatGeneral(record.realLow);
    form.measuredHigh = formatGeneral(record.measuredHigh);
    form.realHigh = formatGeneral(record.realHigh);
    form.slope = record.slope;
    form.offset = record.offset;
    form.slopeText = coefficientText(QStringLiteral("A="), record.slope);
    form.offsetText = coefficientText(QStringLiteral("B="), record.offset);
    return form;
}

TCalibration recordFromForm(const CalibrationForm& form)
{
    TCalibration record;
    record.slope = form.slope;
    record.offset = form.offset;
    record.method = form.method;
    record.measuredLow = parseFloat(form.measuredLow);
    record.realLow = parseFloat(form.realLow);
    record.measuredHigh = parseFloat(form.measuredHigh);
    record.realHigh = parseFloat(form.realHigh);
    record.setName(form.name);
    return record;
}

QString coefficientText(const QString& prefix, double value)
{
    // roundTo refuses a quotient outside 64 bits, which takes in infinities and NaN.
    return prefix + formatGeneral(roundTo(value, 3));
}

TrackRange trackRangeFor(int method)
{
    if (method == Cetane)
        return {0, 270, 33};
    return {0, 400, 60};
}

int trackPositionFor(const TrackRange& range, double reading)
{
    const long double steps = ((long double)reading - range.base) * 10.0L;
    if (!(std::fabs(steps) < 9223372036854775808.0L))
        throw InvalidOpError();
    const long double whole = std::nearbyint(steps);  // halves to even
    return int(std::clamp(whole, (long double)range.minimum, (long double)range.maximum));
}

Preview previewAt(const TrackRange& range, int position, double slope, double offset)
{
    const long double x = (long double)position / 10.0L + range.base;
    Preview preview;
    preview.reading = double(x);
    preview.calibrated = double(x * slope + offset);
    return preview;
}

}  // namespace kv
