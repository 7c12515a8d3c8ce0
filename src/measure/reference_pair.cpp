#include "measure/reference_pair.h"

#include "core/errors.h"
#include "core/number_format.h"

#include <cmath>
#include <limits>

namespace kv {

namespace {

bool fitsDouble(long double v)
{
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<double>::max();
}

}  // namespace

CalibrationLine fitCalibrationLine(long double knownLow, long double knownHigh,
                                   long double readingLow, long double readingHigh)
{
    const long double rise = knownHigh - knownLow;
    const long double run = readingHigh - readingLow;
    if (run == 0.0L) {
        if (rise == 0.0L)
            throw InvalidOpError();
        throw ZeroDivideError();
    }
    CalibrationLine line;
    const long double slope = rise / run;
    // Within long double a difference of two tiny readings can give a slope no double holds.
    if (!fitsDouble(slope))
        throw InvalidOpError();
    line.slope = double(slope);
    const long double offset = knownLow - readingLow * (long double)line.slope;
    if (!fitsDouble(offset))
        throw InvalidOpError();
    line.offset = double(offset);
    return line;
}

CalibrationLine fitReferencePair(const ReferenceTexts& texts)
{
    const double knownHigh = parseFloat(texts.knownHigh);
    const double knownLow = parseFloat(texts.knownLow);
    const double readingHigh = parseFloat(texts.readingHigh);
    const double readingLow = parseFloat(texts.readingLow);
    return fitCalibrationLine(knownLow, knownHigh, readingLow, readingHigh);
}

}  // namespace kv
