#pragma once
// The program's type faces, each a list of families tried in order (a laboratory PC may
// lack any one of them), and the one way a font is shrunk until a text fits.

#include <QFont>
#include <QStringList>

#include <functional>

namespace kv {

// The window, its pages and the result labels.
const QStringList& windowFamilies();
// The caption over the pages and the splash window.
const QStringList& captionFamilies();
// The grids, their headings, the tab bar and the tool buttons: condensed, so narrow
// columns show dates and method names whole.
const QStringList& condensedFamilies();
// The trace memo.
const QStringList& monospaceFamilies();

// A font of the families at the given pixel size.
QFont familyFont(const QStringList& families, int pixelSize, bool bold = false);

// The largest pixel size from `largest` down to `smallest` at which fits(font) holds;
// `smallest` when none does. The search starts at `guess` (clamped to the range) and
// moves down while the text doesn't fit, then up while a larger size still does, so a
// good guess costs one or two measurements.
int largestFittingPixelSize(QFont font, int smallest, int largest,
                            const std::function<bool(const QFont&)>& fits, int guess);
inline int largestFittingPixelSize(QFont font, int smallest, int largest,
                                   const std::function<bool(const QFont&)>& fits)
{
    return largestFittingPixelSize(std::move(font), smallest, largest, fits, largest);
}

// The same for a measure of how far the texts overflow their room at a size (the widest
// text's width over the width it may take: at most 1 fits). Text width grows almost in
// proportion to the size, so the overflow at `largest` gives the guess: each size
// measured loads a font, which a start pays for.
int largestPixelSizeWithin(QFont font, int smallest, int largest,
                           const std::function<double(const QFont&)>& overflow);

// True when every text is at most `width` pixels wide in the font.
bool textsFitWidth(const QFont& font, const QStringList& texts, int width);
// The widest text's width in the font over `width`.
double textsOverflow(const QFont& font, const QStringList& texts, int width);

}  // namespace kv
