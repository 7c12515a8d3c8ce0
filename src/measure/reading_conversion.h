#pragma once
// A period count of the instrument to the texts and colours of the four result labels
// and of status panels 1 and 3.

#include "core/methods.h"

#include <QChar>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kv {

class CalibrationStore;

struct ConversionPoint {
    double x;  // reduced frequency
    double y;  // index value
};

using ConversionTable = std::array<ConversionPoint, 16>;
extern const ConversionTable researchTable;
extern const ConversionTable cetaneTable;

// The research value is corrected as research * a + b when a != 0.
struct SystemCorrection {
    double a = 1.0;
    double b = 0.0;
};

double frequencyFromCount(std::uint16_t periodCount);
double lookupTable(const ConversionTable& table, double x);
double researchFromFrequency(double reducedFrequency);
double cetaneFromFrequency(double reducedFrequency);
double motorFromResearch(double research);
// Rounded to one decimal, general format, the given (or the locale's) separator.
QString formatResult(double v, QChar decimalSeparator);
QString formatResult(double v);

struct LabelDisplay {
    QString text;
    std::optional<Rgb> colour;  // nullopt: the label keeps its colour
    // The number the text shows (to its one decimal); nullopt for "0" and "*", which
    // show no measured value.
    std::optional<double> value;
};

struct ReadingDisplay {
    std::array<LabelDisplay, 4> labels;  // index method - 1: research, motor, AKI, cetane
    QString panel1;
    QString panel3;

    const LabelDisplay& label(int method) const { return labels[std::size_t(method - 1)]; }
};

ReadingDisplay computeReadingDisplay(std::uint16_t periodCount, bool dieselMode,
                                     const SystemCorrection& correction,
                                     const CalibrationStore& calibrations,
                                     QChar decimalSeparator);
ReadingDisplay computeReadingDisplay(std::uint16_t periodCount, bool dieselMode,
                                     const SystemCorrection& correction,
                                     const CalibrationStore& calibrations);

}  // namespace kv
