#include "measure/reading_conversion.h"

#include "measure/calibration_store.h"

#include <gtest/gtest.h>

#include "core/number_format.h"

#include <cmath>
#include <iomanip>
#include <limits>
#include <random>
#include <vector>

namespace kv {
namespace {

constexpr Rgb kRed = 0xFF0000;
constexpr Rgb kGreen = 0x008000;
constexpr Rgb kBlue = 0x0000FF;

TCalibration makeCalibration(int method, double slope, double offset, const QString& name)
{
    TCalibration c;
    c.method = method;
    c.slope = slope;
    c.offset = offset;
    c.setName(name);
    return c;
}

// The two-record list of the worked example: record 2 is the research calibration.
CalibrationStore exampleStore()
{
    CalibrationStore store;
    store.AddCalibration(makeCalibration(Motor, 0.98, 1.5, QStringLiteral("АИ-92")));
    store.AddCalibration(makeCalibration(Research, 1.02, -0.5, QStringLiteral("Эталон-95 зимний")));
    return store;
}

ReadingDisplay petrol(std::uint16_t count, const CalibrationStore& store = {},
                      SystemCorrection correction = {})
{
    return computeReadingDisplay(count, false, correction, store, u',');
}

ReadingDisplay diesel(std::uint16_t count, const CalibrationStore& store = {})
{
    return computeReadingDisplay(count, true, {}, store, u',');
}

void expectLabel(const ReadingDisplay& d, int method, const QString& text,
                 std::optional<Rgb> colour)
{
    SCOPED_TRACE(method);
    EXPECT_EQ(d.label(method).text, text);
    EXPECT_EQ(d.label(method).colour, colour);
}

TEST(ConversionArithmetic, FrequencyOfACount)
{
    EXPECT_EQ(frequencyFromCount(0), 0.0);
    EXPECT_EQ(frequencyFromCount(8000), 24000.0);
    EXPECT_EQ(frequencyFromCount(9600), 20000.0);
    EXPECT_EQ(frequencyFromCount(1), 192000000.0);
    EXPECT_EQ(frequencyFromCount(65535), 12000000.0 / 65535 * 16);
}

TEST(ConversionArithmetic, TableEndsAreInsideAndBeyondIsZero)
{
    EXPECT_EQ(lookupTable(researchTable, 3999.999), 0.0);
    EXPECT_EQ(lookupTable(researchTable, 5100.001), 0.0);
    EXPECT_EQ(lookupTable(cetaneTable, 0), 0.0);
    EXPECT_DOUBLE_EQ(lookupTable(researchTable, 4000), 103.0);
    EXPECT_DOUBLE_EQ(lookupTable(researchTable, 5100), 50.0);
    EXPECT_DOUBLE_EQ(lookupTable(cetaneTable, 4000), 62.0);
    EXPECT_DOUBLE_EQ(lookupTable(cetaneTable, 5100), 33.5);
}

TEST(ConversionArithmetic, EveryTablePointGivesItsValue)
{
    for (const ConversionTable* table : {&researchTable, &cetaneTable}) {
        for (const ConversionPoint& p : *table)
            EXPECT_NEAR(lookupTable(*table, p.x), p.y, 1e-12) << p.x;
    }
}

// At an inner point the segment that ends there is used, with k and c held as doubles;
// the segment that starts there, or another form of the line, differs in the last bit.
TEST(ConversionArithmetic, InnerPointUsesTheSegmentEndingThere)
{
    EXPECT_EQ(lookupTable(researchTable, 4450), 97.0);
    EXPECT_EQ(lookupTable(researchTable, 4516), 96.00000000000001);
    EXPECT_EQ(lookupTable(researchTable, 4600), 93.79999999999995);
    EXPECT_EQ(lookupTable(cetaneTable, 4760), 37.0);
    EXPECT_EQ(lookupTable(cetaneTable, 4820), 36.49999999999999);
    EXPECT_EQ(researchFromFrequency(4450), lookupTable(researchTable, 4450));
    EXPECT_EQ(cetaneFromFrequency(4760), lookupTable(cetaneTable, 4760));
}

TEST(ConversionArithmetic, MotorPiecesMeetAt80And95)
{
    EXPECT_DOUBLE_EQ(motorFromResearch(70), 68);
    EXPECT_DOUBLE_EQ(motorFromResearch(80), 76);
    EXPECT_DOUBLE_EQ(motorFromResearch(std::nextafter(80.0, 0.0)), 76);
    EXPECT_DOUBLE_EQ(motorFromResearch(95), 85);
    EXPECT_DOUBLE_EQ(motorFromResearch(std::nextafter(95.0, 100.0)), 85);
    EXPECT_DOUBLE_EQ(motorFromResearch(100), 90);
    EXPECT_DOUBLE_EQ(motorFromResearch(0), 12);
}

TEST(FormatResult, OneDecimalGeneralFormat)
{
    EXPECT_EQ(formatResult(83.333333, u','), QStringLiteral("83,3"));
    EXPECT_EQ(formatResult(78.0, u','), QStringLiteral("78"));
    EXPECT_EQ(formatResult(77.96, u','), QStringLiteral("78"));
    EXPECT_EQ(formatResult(83.333333, u'.'), QStringLiteral("83.3"));
    EXPECT_EQ(formatResult(0.0, u','), QStringLiteral("0"));
    EXPECT_EQ(formatResult(-0.04, u','), QStringLiteral("0"));
    EXPECT_EQ(formatResult(-3.0, u','), QStringLiteral("-3"));
    EXPECT_EQ(formatResult(24000.0, u','), QStringLiteral("24000"));
}

// The quotient by the double 0.1 is rounded with halves to even.
TEST(FormatResult, HalvesGoToEven)
{
    EXPECT_EQ(formatResult(84.25, u','), QStringLiteral("84,2"));
    EXPECT_EQ(formatResult(84.75, u','), QStringLiteral("84,8"));
    EXPECT_EQ(formatResult(99.95, u','), QStringLiteral("100"));
    EXPECT_EQ(formatResult(0.25, u','), QStringLiteral("0,2"));
    // Just under a half once divided by 0.1.
    EXPECT_EQ(formatResult(0.35, u','), QStringLiteral("0,3"));
    EXPECT_EQ(formatResult(60.05, u','), QStringLiteral("60"));
}

// The text is that of the general format of the rounded value, whatever the magnitude.
TEST(FormatResult, SameAsGeneralFormatOfTheRoundedValue)
{
    std::mt19937_64 random(4410);
    std::vector<double> values = {0.05, -0.05, 0.04, 9.95, 99999999999999.9, 1e14 - 0.05,
                                  1e14, 123456789012345.6, 1e15, 9.2e17, -9.2e17, 1e-300};
    for (int exponent = -3; exponent <= 17; ++exponent) {
        std::uniform_real_distribution<double> in(-std::pow(10.0, exponent),
                                                  std::pow(10.0, exponent));
        for (int i = 0; i < 20000; ++i)
            values.push_back(in(random));
    }
    for (const double v : values) {
        const QString expected = formatGeneral(roundTo(v, 1), u',');
        ASSERT_EQ(formatResult(v, u','), expected) << std::setprecision(17) << v;
    }
}

TEST(FormatResult, NeverRaises)
{
    EXPECT_EQ(formatResult(1e300, u','), QStringLiteral("1E300"));
    EXPECT_EQ(formatResult(-1e300, u','), QStringLiteral("-1E300"));
    EXPECT_NO_THROW(formatResult(std::numeric_limits<double>::quiet_NaN(), u','));
    EXPECT_NO_THROW(formatResult(std::numeric_limits<double>::infinity(), u','));
}

TEST(FormatResult, DefaultIsTheLocaleSeparator)
{
    EXPECT_EQ(formatResult(83.333), QStringLiteral("83,3"));  // the tests run in Russian
}

TEST(ReadingDisplay, PanelsOfACount)
{
    const ReadingDisplay d = petrol(8000);
    EXPECT_EQ(d.panel1, QStringLiteral("8000 = 24000 = 4800"));
    EXPECT_EQ(d.panel3, QStringLiteral("960"));

    const ReadingDisplay d2 = diesel(7530);
    EXPECT_EQ(d2.panel1, QStringLiteral("7530 = 25498 = 5099,6"));
    EXPECT_EQ(d2.panel3, QStringLiteral("1019,9"));

    EXPECT_EQ(petrol(0).panel1, QStringLiteral("0 = 0 = 0"));
    EXPECT_EQ(petrol(0).panel3, QStringLiteral("0"));
    EXPECT_EQ(petrol(1).panel1, QStringLiteral("1 = 192000000 = 38400000"));
}

struct ReadingCase {
    std::uint16_t count;
    bool diesel;
    const char16_t* research;
    const char16_t* motor;
    const char16_t* aki;
    const char16_t* cetane;
};

// Texts and colours of the worked examples; a "0" or "*" keeps the label's colour, a
// shown uncalibrated value is black.
TEST(ReadingDisplay, WindowBordersInBothModes)
{
    const ReadingCase cases[] = {
        {8000, false, u"83,3", u"78", u"80,7", u"*"},
        {8000, true, u"*", u"*", u"*", u"36,7"},
        {9600, false, u"0", u"93", u"98", u"*"},
        {9600, true, u"*", u"*", u"*", u"0"},
        {9297, false, u"100", u"90", u"95", u"*"},
        {9298, false, u"0", u"90", u"95", u"*"},
        {7711, false, u"60", u"60", u"60", u"*"},
        {7710, false, u"0", u"0", u"0", u"*"},
        {7529, false, u"0", u"0", u"0", u"*"},
        {7529, true, u"*", u"*", u"*", u"0"},
        {7530, true, u"*", u"*", u"*", u"33,5"},
        {0, false, u"0", u"0", u"0", u"*"},
        {0, true, u"*", u"*", u"*", u"0"},
        {65535, false, u"0", u"0", u"0", u"*"},
        {1, true, u"*", u"*", u"*", u"0"},
    };
    const CalibrationStore none;
    for (const ReadingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << (c.diesel ? " diesel" : " petrol"));
        const ReadingDisplay d = computeReadingDisplay(c.count, c.diesel, {}, none, u',');
        const char16_t* texts[] = {c.research, c.motor, c.aki, c.cetane};
        for (int m = 1; m <= 4; ++m) {
            const QString text = QString::fromUtf16(texts[m - 1]);
            const bool kept = text == u"0" || text == u"*";
            expectLabel(d, m, text, kept ? std::nullopt : std::optional<Rgb>(kBlack));
        }
    }
}

// Through a correction with a = 1 the research value is b itself, which puts it on and
// beside the window borders; each window is tested on its own value.
TEST(ReadingDisplay, WindowsAreOpenOnBothSides)
{
    auto withResearch = [](double b) { return petrol(0, {}, {1, b}); };
    expectLabel(withResearch(100), Research, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(99.99), Research, QStringLiteral("100"), kBlack);
    expectLabel(withResearch(60), Research, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(60.01), Research, QStringLiteral("60"), kBlack);
    // motor 95 in, AKI (95 + 105) / 2 = 100 out.
    const ReadingDisplay d = withResearch(105);
    expectLabel(d, Research, QStringLiteral("0"), std::nullopt);
    expectLabel(d, Motor, QStringLiteral("95"), kBlack);
    expectLabel(d, Aki, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(104), Aki, QStringLiteral("99"), kBlack);
    expectLabel(withResearch(61), Motor, QStringLiteral("60,8"), kBlack);
    // AKI (60.4 + 60.5) / 2 is 60.45, a half that goes down to the even 60,4.
    expectLabel(withResearch(60.5), Aki, QStringLiteral("60,4"), kBlack);
    // Motor 100.
    expectLabel(withResearch(110), Motor, QStringLiteral("0"), std::nullopt);
}

TEST(ReadingDisplay, SystemCorrectionAppliesToResearchOnly)
{
    const ReadingDisplay d = petrol(8000, {}, {1.05, -3});
    expectLabel(d, Research, QStringLiteral("84,5"), kBlack);
    expectLabel(d, Motor, QStringLiteral("78,7"), kBlack);
    expectLabel(d, Aki, QStringLiteral("81,6"), kBlack);

    // a = 0 is no correction at all, whatever b is.
    const ReadingDisplay identity = petrol(8000, {}, {0, 50});
    expectLabel(identity, Research, QStringLiteral("83,3"), kBlack);
    expectLabel(identity, Aki, QStringLiteral("80,7"), kBlack);

    // An out-of-table reading becomes b.
    const ReadingDisplay outOfTable = petrol(0, {}, {1, 70});
    expectLabel(outOfTable, Research, QStringLiteral("70"), kBlack);
    expectLabel(outOfTable, Motor, QStringLiteral("68"), kBlack);
    expectLabel(outOfTable, Aki, QStringLiteral("69"), kBlack);

    // Never the cetane number.
    EXPECT_EQ(computeReadingDisplay(8000, true, {2, 10}, {}, u',').label(Cetane).text,
              QStringLiteral("36,7"));
}

TEST(ReadingDisplay, CalibratedResearchOfTheWorkedExample)
{
    CalibrationStore store = exampleStore();
    store.setActiveCalibration(Research, 2);
    const ReadingDisplay d = petrol(8000, store);
    expectLabel(d, Research, QStringLiteral("84,5 (Эталон-95 )"), kRed);
    // The other methods have no calibration on.
    expectLabel(d, Motor, QStringLiteral("78"), kBlack);
    expectLabel(d, Aki, QStringLiteral("80,7"), kBlack);

    // Position 3 of a two-record list is no calibration.
    store.setActiveCalibration(Research, 3);
    expectLabel(petrol(8000, store), Research, QStringLiteral("83,3"), kBlack);
    store.setActiveCalibration(Research, -1);
    expectLabel(petrol(8000, store), Research, QStringLiteral("83,3"), kBlack);
}

TEST(ReadingDisplay, CalibrationAppliesAfterTheWindow)
{
    CalibrationStore store;
    store.AddCalibration(makeCalibration(Research, 1.02, 0, QStringLiteral("Верх")));
    store.AddCalibration(makeCalibration(Research, 0.9, 0, QStringLiteral("Низ")));
    store.setActiveCalibration(Research, 1);
    // 99.996 passes the window; calibrated 101.99 is shown all the same.
    expectLabel(petrol(9297, store), Research, QStringLiteral("102 (Верх)"), kRed);
    // 100.0x fails the window, though calibrated it would be inside.
    store.setActiveCalibration(Research, 2);
    expectLabel(petrol(9298, store), Research, QStringLiteral("0"), std::nullopt);
}

TEST(ReadingDisplay, CalibrationColoursAndFormulaPerMethod)
{
    CalibrationStore store;
    store.AddCalibration(makeCalibration(Motor, 2, 1, QStringLiteral("М")));
    store.AddCalibration(makeCalibration(Aki, 0.5, 10, QStringLiteral("")));
    store.AddCalibration(makeCalibration(Cetane, 1.1, -1, QStringLiteral("Дизель ДТ-Л-К5")));
    store.setActiveCalibration(Motor, 1);
    store.setActiveCalibration(Aki, 2);
    store.setActiveCalibration(Cetane, 3);

    const ReadingDisplay d = petrol(8000, store);
    expectLabel(d, Research, QStringLiteral("83,3"), kBlack);
    expectLabel(d, Motor, QStringLiteral("157 (М)"), kGreen);      // 2 * 78 + 1
    // (78 + 83.33) * 0.5 / 2 + 10 = 50.33
    expectLabel(d, Aki, QStringLiteral("50,3 ()"), kBlue);
    expectLabel(d, Cetane, QStringLiteral("*"), std::nullopt);

    // 36.67 * 1.1 - 1 = 39.33; the name is cut to its first 10 characters.
    expectLabel(diesel(8000, store), Cetane, QStringLiteral("39,3 (Дизель ДТ-)"), kBlack);
}

TEST(ReadingDisplay, SlopeZeroGivesTheOffset)
{
    CalibrationStore store;
    store.AddCalibration(makeCalibration(Research, 0, 91.5, QStringLiteral("Ноль")));
    store.setActiveCalibration(Research, 1);
    expectLabel(petrol(8000, store), Research, QStringLiteral("91,5 (Ноль)"), kRed);
}

// Whatever the count, the mode and the calibration, a reading yields texts and never
// raises; "0" and "*" are exactly the labels that keep their colour.
TEST(ReadingDisplay, EveryCountWithWildCalibrations)
{
    CalibrationStore store;
    store.AddCalibration(makeCalibration(Research, 1e300, 1e300, QStringLiteral("a")));
    store.AddCalibration(makeCalibration(Motor, std::numeric_limits<double>::quiet_NaN(), 0,
                                         QStringLiteral("b")));
    store.AddCalibration(makeCalibration(Aki, std::numeric_limits<double>::infinity(), 0,
                                         QStringLiteral("c")));
    store.AddCalibration(makeCalibration(Cetane, -1e20, 0, QStringLiteral("d")));
    for (int m = 1; m <= 4; ++m)
        store.setActiveCalibration(m, m);

    for (int count = 0; count <= 65535; ++count) {
        for (const bool dieselMode : {false, true}) {
            ReadingDisplay d;
            ASSERT_NO_THROW(d = computeReadingDisplay(std::uint16_t(count), dieselMode, {}, store,
                                                      u','))
                << count;
            for (const LabelDisplay& label : d.labels) {
                const bool kept = label.text == u"0" || label.text == u"*";
                ASSERT_EQ(kept, !label.colour.has_value()) << count << " " << label.text.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace kv
