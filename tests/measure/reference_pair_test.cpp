// Reading two reference fuels and fitting the line through them: which text is blamed
// first, what can't be fitted, and that a fitted line meets both fuels.

#include "core/errors.h"
#include "core/number_format.h"
#include "measure/reference_pair.h"

#include <gtest/gtest.h>

#include <limits>

namespace kv {
namespace {

TEST(CalibrationLine, EqualReadingsAndLinesNoDoubleHoldsAreRefused)
{
    EXPECT_THROW(fitCalibrationLine(82, 96, 80, 80), ZeroDivideError);
    EXPECT_THROW(fitCalibrationLine(82, 82, 80, 80), InvalidOpError);
    // Two readings a few subnormals apart: the slope exists in long double only.
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_THROW(fitCalibrationLine(0, 90, 0, tiny), InvalidOpError);
    EXPECT_NO_THROW(fitCalibrationLine(0, 90, 0, 1e-300));
}

TEST(ReferencePair, ReadsKnownHighFirstAndFitsThroughBothFuels)
{
    struct Case {
        ReferenceTexts texts;  // reading low, known low, reading high, known high
        const char* error;     // nullptr: fitted
    };
    const Case cases[] = {
        {{"80", "82, ", "95", "96,0"}, nullptr},
        {{" 80 ", " 5,5", "95,5", "96"}, nullptr},  // blanks around a number are allowed
        {{"80", "90", "95", "90"}, nullptr},        // flat: a slope of 0 is a line too
        {{"*", "  , ", "x", "9y"}, "'9y' is not a valid floating point value"},
        {{"*", "  , ", "x", "96"}, "'  , ' is not a valid floating point value"},
        {{"*", "82", "x", "96"}, "'x' is not a valid floating point value"},
        {{"80.5", "82", "95", "96"}, "'80.5' is not a valid floating point value"},
        {{"80", "82", "80", "96"}, "Floating point division by zero"},
        {{"80", "82", "80", "82"}, "Invalid floating point operation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts.readingLow.toStdString() + " | " + c.texts.knownHigh.toStdString());
        try {
            const CalibrationLine line = fitReferencePair(c.texts);
            ASSERT_EQ(c.error, nullptr);
            const ReferenceTexts& t = c.texts;
            EXPECT_NEAR(line.slope * parseFloat(t.readingLow) + line.offset, parseFloat(t.knownLow),
                        1e-12);
            EXPECT_NEAR(line.slope * parseFloat(t.readingHigh) + line.offset,
                        parseFloat(t.knownHigh), 1e-12);
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.error ? c.error : "(fitted)"));
        }
    }
}

}  // namespace
}  // namespace kv
