#include "ui/fonts.h"

#include <QFontMetrics>

#include <algorithm>

namespace kv {

const QStringList& windowFamilies()
{
    static const QStringList families = {QStringLiteral("DejaVu Sans"),
                                         QStringLiteral("Liberation Sans"),
                                         QStringLiteral("Arial")};
    return families;
}

const QStringList& captionFamilies()
{
    static const QStringList families = {QStringLiteral("Arial"),
                                         QStringLiteral("Liberation Sans"),
                                         QStringLiteral("DejaVu Sans")};
    return families;
}

const QStringList& condensedFamilies()
{
    static const QStringList families = {
        QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Nimbus Sans Narrow"),    QStringLiteral("Arial Narrow"),
        QStringLiteral("DejaVu Sans"),
    };
    return families;
}

const QStringList& monospaceFamilies()
{
    static const QStringList families = {QStringLiteral("DejaVu Sans Mono"),
                                         QStringLiteral("Monospace")};
    return families;
}

QFont familyFont(const QStringList& families, int pixelSize, bool bold)
{
    QFont font(families.first());
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

int largestFittingPixelSize(QFont font, int smallest, int largest,
                            const std::function<bool(const QFont&)>& fits, int guess)
{
    const auto fitsAt = [&](int pixels) {
        font.setPixelSize(pixels);
        return fits(font);
    };
    int pixels = std::clamp(guess, smallest, largest);
    while (pixels > smallest && !fitsAt(pixels))
        --pixels;
    // Hinting rounds widths either way, so a size above a fitting guess may fit too.
    while (pixels < largest && fitsAt(pixels + 1))
        ++pixels;
    return pixels;
}

int largestPixelSizeWithin(QFont font, int smallest, int largest,
                           const std::function<double(const QFont&)>& overflow)
{
    font.setPixelSize(largest);
    const double atLargest = overflow(font);
    if (atLargest <= 1)
        return largest;
    const int guess = int(double(largest) / atLargest);
    return largestFittingPixelSize(
        font, smallest, largest, [&](const QFont& f) { return overflow(f) <= 1; }, guess);
}

bool textsFitWidth(const QFont& font, const QStringList& texts, int width)
{
    const QFontMetrics metrics(font);
    return std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
        return metrics.horizontalAdvance(text) <= width;
    });
}

double textsOverflow(const QFont& font, const QStringList& texts, int width)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return double(widest) / double(std::max(width, 1));
}

}  // namespace kv
