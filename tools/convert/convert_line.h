#pragma once
// One output line of kv4410pc-convert.

#include "measure/reading_conversion.h"

#include <QString>

#include <cstdint>

namespace kv {

// Eleven TAB-separated columns, no line end: the count, panel 1, panel 3, then text and
// colour of the research, motor, AKI and cetane labels. A colour is #RRGGBB, or "-" where
// the label keeps its colour. Control characters in a text (a calibration name may hold
// any byte) are written as blanks so the columns stay intact.
QString formatConvertLine(std::uint16_t count, const ReadingDisplay& display);

}  // namespace kv
