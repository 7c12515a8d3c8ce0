// Shrinking a font until a text fits: the search finds the largest size from any guess.

#include "ui/fonts.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace kv {
namespace {

TEST(FontFit, FindsTheLargestFittingSizeFromAnyGuess)
{
    int measured = 0;
    // Sizes up to 17 fit.
    const auto fits = [&](const QFont& font) {
        ++measured;
        return font.pixelSize() <= 17;
    };
    const QFont font = familyFont(windowFamilies(), 30);
    for (int guess : {8, 12, 16, 17, 18, 29, 40}) {
        measured = 0;
        EXPECT_EQ(largestFittingPixelSize(font, 8, 29, fits, guess), 17) << guess;
        EXPECT_LE(measured, 14) << guess;
    }
    // A good guess costs two measurements: it fits, the next size up doesn't.
    measured = 0;
    largestFittingPixelSize(font, 8, 29, fits, 17);
    EXPECT_EQ(measured, 2);
}

TEST(FontFit, NothingFitsGivesTheSmallestAndEverythingTheLargest)
{
    const QFont font = familyFont(windowFamilies(), 30);
    EXPECT_EQ(largestFittingPixelSize(font, 8, 24, [](const QFont&) { return false; }), 8);
    EXPECT_EQ(largestFittingPixelSize(font, 8, 24, [](const QFont&) { return true; }), 24);
}

TEST(FontFit, RealTextsAtTheFoundSizeFitAndOneSizeUpDoesNot)
{
    const QStringList texts = {QStringLiteral("Антидетонационный к.(AKI)"),
                               QStringLiteral("Исследовательский метод")};
    QFont font = familyFont(windowFamilies(), 24);
    for (const int width : {120, 200, 260}) {
        std::vector<int> sizes;
        const int pixels = largestPixelSizeWithin(font, 8, 24, [&](const QFont& f) {
            sizes.push_back(f.pixelSize());
            return textsOverflow(f, texts, width);
        });
        EXPECT_LE(std::set<int>(sizes.begin(), sizes.end()).size(), 3u) << "sizes measured, " << width;
        font.setPixelSize(pixels);
        EXPECT_TRUE(textsFitWidth(font, texts, width)) << width;
        font.setPixelSize(pixels + 1);
        EXPECT_TRUE(pixels == 24 || !textsFitWidth(font, texts, width)) << width;
    }
}

}  // namespace
}  // namespace kv
