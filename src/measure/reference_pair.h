#pragma once
// Two reference fuels, each measured on the instrument and each of a known value, and the
// straight line through them. The calibration dialog fits a user calibration this way and
// the system correction page the instrument's own correction.

#include <QString>

namespace kv {

// The four fields as the operator left them: for each fuel the instrument's value and
// the known value (a known value as its mask edit reads it, " 5,5" or "  , ").
struct ReferenceTexts {
    QString readingLow;
    QString knownLow;
    QString readingHigh;
    QString knownHigh;

    bool operator==(const ReferenceTexts&) const = default;
};

struct CalibrationLine {
    double slope = 0;
    double offset = 0;
};

// The straight line through (readingLow, knownLow) and (readingHigh, knownHigh): slope is
// computed in long double and stored as a double, offset from that stored slope. Equal
// readings raise ZeroDivideError, or InvalidOpError when the known values are equal too
// (0 / 0). A coefficient beyond the range of a double raises InvalidOpError: an infinite
// slope must never reach a record or the instrument.
CalibrationLine fitCalibrationLine(long double knownLow, long double knownHigh,
                                   long double readingLow, long double readingHigh);

// Reads the texts with the default locale's separator, in the order known high, known
// low, reading high, reading low, so the first of them that is no number is the one the
// ConvertError names; then fits the line as above.
CalibrationLine fitReferencePair(const ReferenceTexts& texts);

}  // namespace kv
