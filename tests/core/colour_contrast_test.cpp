#include "core/colour_contrast.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using kv::Rgb;

// Bit 0 blue, 1 green, 2 red: which channels are at the colour's maximum.
int strongestChannels(Rgb rgb)
{
    const Rgb channels[] = {rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF};
    const Rgb most = std::max({channels[0], channels[1], channels[2]});
    int mask = 0;
    for (int i = 0; i < 3; ++i)
        if (channels[i] == most)
            mask |= 1 << i;
    return mask;
}

TEST(ContrastRatio, KnownPairs)
{
    const struct {
        Rgb a, b;
        double ratio;
    } cases[] = {
        {0x000000, 0xFFFFFF, 21.0},  {0xFFFFFF, 0x000000, 21.0}, {0x202020, 0x202020, 1.0},
        {0x777777, 0xFFFFFF, 4.48},  {0xFF0000, 0xFFFFFF, 4.00}, {0x008000, 0xFFFFFF, 5.14},
        {0x0000FF, 0xFFFFFF, 8.59},  {0x0000FF, 0x202020, 1.90},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(kv::contrastRatio(c.a, c.b), c.ratio, 0.01) << std::hex << c.a << " on " << c.b;
}

// A method's colour stays where it is readable; elsewhere it is lightened (or darkened)
// just enough, keeping its hue: never to plain white or black.
TEST(ReadableColour, KeepsAReadableColourAndMendsTheRest)
{
    const struct {
        Rgb colour, background;
        bool kept;
    } cases[] = {
        {0xFF0000, 0xF0F0F0, true},  {0x008000, 0xF0F0F0, true}, {0x0000FF, 0xF0F0F0, true},
        {0xFF0000, 0x202020, true},  {0x008000, 0x202020, true}, {0x0000FF, 0x202020, false},
        {0x0000FF, 0x000000, false}, {0x008000, 0x353535, false}, {0xFF0000, 0x505050, false},
        {0xFFFF00, 0xFFFFFF, false},  // a light background: darkened
    };
    for (const auto& c : cases) {
        const Rgb shown = kv::readableColour(c.colour, c.background);
        EXPECT_GE(kv::contrastRatio(shown, c.background), kv::kLeastLargeTextContrast)
            << std::hex << c.colour << " on " << c.background;
        EXPECT_EQ(shown == c.colour, c.kept) << std::hex << c.colour << " on " << c.background;
        EXPECT_NE(shown, 0xFFFFFFu) << std::hex << c.colour << " on " << c.background;
        EXPECT_NE(shown, 0x000000u) << std::hex << c.colour << " on " << c.background;
        // The channels that make the hue stay the strongest.
        EXPECT_EQ(strongestChannels(shown), strongestChannels(c.colour))
            << std::hex << c.colour << " on " << c.background;
    }
}

}  // namespace
