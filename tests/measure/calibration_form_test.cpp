// The edges of the coefficient texts and of the track bar's positions, and the reading
// of a form into a record. The ordinary cases run through the dialog's and the pages'
// tests.

#include "core/errors.h"
#include "core/methods.h"
#include "measure/calibration_form.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

TEST(CoefficientText, RoundsToThreeDecimalsUpToTheRuntimesLimit)
{
    EXPECT_EQ(coefficientText(QStringLiteral("A="), 0.0), QStringLiteral("A=0"));
    EXPECT_EQ(coefficientText(QStringLiteral("A="), -1.23456), QStringLiteral("A=-1,235"));
    EXPECT_EQ(coefficientText(QStringLiteral("B="), 0.0005), QStringLiteral("B=0"));  // half to even
    const double limit = 9223372036854775808.0 * 0.001;
    EXPECT_NO_THROW(coefficientText(QStringLiteral("A="), std::nextafter(limit * 0.999, 0.0)));
    EXPECT_THROW(coefficientText(QStringLiteral("A="), limit * 1.001), InvalidOpError);
    EXPECT_THROW(coefficientText(QStringLiteral("B="), -limit * 1.001), InvalidOpError);
    EXPECT_THROW(coefficientText(QStringLiteral("A="), std::nan("")), InvalidOpError);
}

TEST(TrackBarPreview, RangesAndPositions)
{
    const TrackRange octane = trackRangeFor(Aki);
    EXPECT_EQ(octane.maximum, 400);
    EXPECT_EQ(octane.base, 60);
    const TrackRange cetane = trackRangeFor(Cetane);
    EXPECT_EQ(cetane.maximum, 270);
    EXPECT_EQ(cetane.base, 33);

    EXPECT_EQ(trackPositionFor(octane, 0), 0);     // below the base
    EXPECT_EQ(trackPositionFor(octane, 85), 250);
    EXPECT_EQ(trackPositionFor(octane, 150), 400);  // kept within the range
    EXPECT_EQ(trackPositionFor(octane, 62.25), 22);  // 22.5: half to even
    EXPECT_EQ(trackPositionFor(cetane, 60), 270);
    EXPECT_THROW(trackPositionFor(octane, 1e300), InvalidOpError);

}

TEST(CalibrationFormRecord, ReadsBackInOrderAndRefusesWhatIsNoNumber)
{
    CalibrationForm form = newCalibrationForm(Motor);
    EXPECT_EQ(form.measuredLow, QStringLiteral("0"));
    EXPECT_TRUE(form.slopeText.isEmpty());
    form.name = QString(60, u'я');
    form.measuredLow = QStringLiteral("80");
    form.realLow = QStringLiteral("82, ");  // as a mask edit reads it
    form.measuredHigh = QStringLiteral("95,5");
    form.realHigh = QStringLiteral("96,4");
    form.slope = 0.5;
    form.offset = -1;
    const TCalibration r = recordFromForm(form);
    EXPECT_EQ(r.method, Motor);
    EXPECT_EQ(r.measuredLow, 80);
    EXPECT_EQ(r.realLow, 82);
    EXPECT_EQ(r.measuredHigh, 95.5);
    EXPECT_EQ(r.realHigh, 96.4);
    EXPECT_EQ(r.slope, 0.5);
    EXPECT_EQ(r.offset, -1);
    EXPECT_EQ(r.nameText(), QString(50, u'я'));

    // The first text that is no number is the one reported.
    form.realLow = QStringLiteral("  , ");
    form.measuredHigh = QStringLiteral("*");
    try {
        (void)recordFromForm(form);
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'  , ' is not a valid floating point value"));
    }
    form.realLow = QStringLiteral("82");
    form.measuredHigh = QStringLiteral("84,5 (Эталон)");
    EXPECT_THROW((void)recordFromForm(form), ConvertError);
}

}  // namespace
}  // namespace kv
