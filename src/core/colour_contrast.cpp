#include "core/colour_contrast.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

double linearChannel(Rgb colour, int shift)
{
    const double c = double((colour >> shift) & 0xFF) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Rgb mixChannel(Rgb from, Rgb to, int shift, int step, int steps)
{
    const int a = int((from >> shift) & 0xFF);
    const int b = int((to >> shift) & 0xFF);
    return Rgb(a + ((b - a) * step + steps / 2) / steps) << shift;
}

}  // namespace

double relativeLuminance(Rgb colour)
{
    return 0.2126 * linearChannel(colour, 16) + 0.7152 * linearChannel(colour, 8)
           + 0.0722 * linearChannel(colour, 0);
}

double contrastRatio(Rgb a, Rgb b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb readableColour(Rgb colour, Rgb background, double leastRatio)
{
    colour &= 0xFFFFFF;
    if (contrastRatio(colour, background) >= leastRatio)
        return colour;
    constexpr Rgb white = 0xFFFFFF;
    const Rgb target =
        contrastRatio(white, background) >= contrastRatio(kBlack, background) ? white : kBlack;
    // One step per shade of a channel: the least mix that reaches the ratio.
    constexpr int steps = 255;
    for (int step = 1; step < steps; ++step) {
        const Rgb mixed = mixChannel(colour, target, 16, step, steps)
                          | mixChannel(colour, target, 8, step, steps)
                          | mixChannel(colour, target, 0, step, steps);
        if (contrastRatio(mixed, background) >= leastRatio)
            return mixed;
    }
    return target;
}

}  // namespace kv
