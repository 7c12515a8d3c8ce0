#pragma once
// Contrast between two colours as the accessibility guidelines measure it (relative
// luminance, ratio 1:1 to 21:1), and a colour made readable on a background: a method's
// red, green or blue keeps its hue on a dark desktop, lightened only as far as needed.

#include "core/methods.h"

namespace kv {

// The least ratio at which a large result is read against its background.
inline constexpr double kLeastLargeTextContrast = 3.0;

// 0 for black to 1 for white.
double relativeLuminance(Rgb colour);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double contrastRatio(Rgb a, Rgb b);
// `colour` itself when it reaches `leastRatio` against `background`; otherwise the
// colour mixed towards white (or black, whichever stands out more from the background)
// by the least step that reaches it.
Rgb readableColour(Rgb colour, Rgb background, double leastRatio = kLeastLargeTextContrast);

}  // namespace kv
