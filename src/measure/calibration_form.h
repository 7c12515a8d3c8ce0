#pragma once
// What the calibration dialog shows and hands back, as plain data, and the arithmetic of
// its coefficient texts and track bar preview (the line itself: reference_pair.h). The
// calibrations page fills the dialog from a CalibrationForm and turns the form it gets
// back into a record; neither side touches the other's widgets.

#include "measure/calibration_store.h"
#include "measure/reference_pair.h"

#include <QString>

namespace kv {

struct CalibrationForm {
    QString name;
    int method = 1;  // 1..4; the method list shows item method - 1
    // The four number fields as texts, in the dialog's order of reading back.
    QString measuredLow = QStringLiteral("0");
    QString realLow = QStringLiteral("0");
    QString measuredHigh = QStringLiteral("0");
    QString realHigh = QStringLiteral("0");
    // The dialog's own coefficients: computed in it, or those of the record edited.
    double slope = 0;
    double offset = 0;
    // "A=..." and "B=..." as shown; empty for a new calibration.
    QString slopeText;
    QString offsetText;

    bool operator==(const CalibrationForm&) const = default;
};

// A new calibration for the given method: "0" in every number field, no coefficients.
CalibrationForm newCalibrationForm(int method);
// The record's values in the general format and its coefficients with their texts.
// Raises InvalidOpError for a coefficient too large to be shown (see coefficientText).
CalibrationForm calibrationFormFor(const TCalibration& record);
// The record the form describes. The four texts are read in the order measuredLow,
// realLow, measuredHigh, realHigh; the first that is not a number raises ConvertError.
// The name is cut to 50 characters.
TCalibration recordFromForm(const CalibrationForm& form);

// "A=" or "B=" followed by the value rounded to three decimals. Raises InvalidOpError when
// the value is too large to be rounded (magnitude at least 2^63 x 0.001) or not finite.
QString coefficientText(const QString& prefix, double value);

// The preview of the dialog's track bar: the reading at a position and its base.
struct TrackRange {
    int minimum = 0;
    int maximum = 400;
    int base = 60;
};
// Octane methods 60.0 to 100.0 in tenths; the cetane number 33.0 to 60.0.
TrackRange trackRangeFor(int method);
// The position that shows the reading, (reading - base) x 10 rounded halves to even,
// kept within the range. Raises InvalidOpError when that does not fit 64 bits.
int trackPositionFor(const TrackRange& range, double reading);

struct Preview {
    double reading = 0;     // position / 10 + base
    double calibrated = 0;  // reading x slope + offset
};
Preview previewAt(const TrackRange& range, int position, double slope, double offset);

}  // namespace kv
