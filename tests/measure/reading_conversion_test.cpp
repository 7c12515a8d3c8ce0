#include "measure/reading_conversion.h"

#include "core/number_format.h"
#include "measure/calibration_store.h"

#include <gtest/gtest.h>

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
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

CalibrationStore storeOf(std::initializer_list<std::tuple<int, double, double, const char*>> list)
{
    CalibrationStore store;
    for (const auto& [method, slope, offset, name] : list) {
        TCalibration c;
        c.method = method;
        c.slope = slope;
        c.offset = offset;
        c.setName(QString::fromUtf8(name));
        store.AddCalibration(c);
    }
    return store;
}

ReadingDisplay petrol(std::uint16_t count, const CalibrationStore& store = {},
                      SystemCorrection correction = {})
{
    return computeReadingDisplay(count, false, correction, store, u',');
}

void expectLabel(const ReadingDisplay& d, int method, const QString& text,
                 std::optional<Rgb> colour)
{
    SCOPED_TRACE(method);
    EXPECT_EQ(d.label(method).text, text);
    EXPECT_EQ(d.label(method).colour, colour);
}

TEST(ConversionArithmetic, TableLookup)
{
    EXPECT_EQ(lookupTable(researchTable, 3999.999), 0.0);
    EXPECT_EQ(lookupTable(cetaneTable, 5100.001), 0.0);
    for (const ConversionTable* table : {&researchTable, &cetaneTable}) {
        for (const ConversionPoint& p : *table)
            EXPECT_NEAR(lookupTable(*table, p.x), p.y, 1e-12) << p.x;
    }
    // At an inner point the segment that ends there is used, with k and c held as
    // doubles; the next segment, or another form of the line, differs in the last bit.
    EXPECT_EQ(researchFromFrequency(4450), 97.0);
    EXPECT_EQ(researchFromFrequency(4516), 96.00000000000001);
    EXPECT_EQ(researchFromFrequency(4600), 93.79999999999995);
    EXPECT_EQ(cetaneFromFrequency(4760), 37.0);
    EXPECT_EQ(cetaneFromFrequency(4820), 36.49999999999999);
}

TEST(ConversionArithmetic, MotorPiecesMeetAt80And95)
{
    EXPECT_DOUBLE_EQ(motorFromResearch(70), 68);
    EXPECT_DOUBLE_EQ(motorFromResearch(std::nextafter(80.0, 0.0)), 76);
    EXPECT_DOUBLE_EQ(motorFromResearch(80), 76);
    EXPECT_DOUBLE_EQ(motorFromResearch(95), 85);
    EXPECT_DOUBLE_EQ(motorFromResearch(std::nextafter(95.0, 100.0)), 85);
    EXPECT_DOUBLE_EQ(motorFromResearch(100), 90);
}

TEST(FormatResult, OneDecimalHalvesToEven)
{
    const std::pair<double, const char16_t*> cases[] = {
        {83.333333, u"83,3"}, {77.96, u"78"}, {-0.04, u"0"}, {-3.0, u"-3"}, {24000.0, u"24000"},
        {84.25, u"84,2"}, {84.75, u"84,8"}, {99.95, u"100"}, {0.25, u"0,2"},
        // Just under a half once divided by the double 0.1.
        {0.35, u"0,3"}, {60.05, u"60"},
        // Too large to round: shown as it is, never an error.
        {1e300, u"1E300"}, {-1e300, u"-1E300"}, {kInf, u"INF"}, {kNaN, u"NAN"},
    };
    for (const auto& [v, text] : cases)
        EXPECT_EQ(formatResult(v, u','), QString::fromUtf16(text)) << v;
    EXPECT_EQ(formatResult(83.333, u'.'), QStringLiteral("83.3"));
    EXPECT_EQ(formatResult(83.333), QStringLiteral("83,3"));  // the tests' locale is Russian
}

// Large and tiny values: fifteen significant digits at most, then the exponent form.
TEST(FormatResult, LargeAndTinyValues)
{
    const std::pair<double, const char16_t*> cases[] = {
        {99999999999999.9, u"99999999999999,9"}, {123456.78, u"123456,8"},
        {1e15, u"1E15"}, {-9.2e17, u"-9,2E17"}, {1e-300, u"0"}, {-1e-300, u"0"},
    };
    for (const auto& [v, text] : cases)
        EXPECT_EQ(formatResult(v, u','), QString::fromUtf16(text)) << v;
}

TEST(ReadingDisplay, Panels)
{
    EXPECT_EQ(petrol(8000).panel1, QStringLiteral("8000 = 24000 = 4800"));
    EXPECT_EQ(petrol(8000).panel3, QStringLiteral("960"));
    const ReadingDisplay d = computeReadingDisplay(7530, true, {}, {}, u',');
    EXPECT_EQ(d.panel1, QStringLiteral("7530 = 25498 = 5099,6"));
    EXPECT_EQ(d.panel3, QStringLiteral("1019,9"));
    EXPECT_EQ(petrol(0).panel1, QStringLiteral("0 = 0 = 0"));
    EXPECT_EQ(petrol(0).panel3, QStringLiteral("0"));
}

// A "0" or "*" keeps the label's colour, a shown uncalibrated value is black; each
// window is tested on its own value.
TEST(ReadingDisplay, WindowBordersInBothModes)
{
    struct Case {
        std::uint16_t count;
        bool diesel;
        const char16_t* texts[4];
    };
    const Case cases[] = {
        {8000, false, {u"83,3", u"78", u"80,7", u"*"}},
        {8000, true, {u"*", u"*", u"*", u"36,7"}},
        {9600, false, {u"0", u"93", u"98", u"*"}},
        {9600, true, {u"*", u"*", u"*", u"0"}},
        {9297, false, {u"100", u"90", u"95", u"*"}},
        {9298, false, {u"0", u"90", u"95", u"*"}},
        {7711, false, {u"60", u"60", u"60", u"*"}},
        {7710, false, {u"0", u"0", u"0", u"*"}},
        {7529, false, {u"0", u"0", u"0", u"*"}},
        {7529, true, {u"*", u"*", u"*", u"0"}},
        {7530, true, {u"*", u"*", u"*", u"33,5"}},
        {0, false, {u"0", u"0", u"0", u"*"}},
        {0, true, {u"*", u"*", u"*", u"0"}},
        {65535, false, {u"0", u"0", u"0", u"*"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << (c.diesel ? " diesel" : " petrol"));
        const ReadingDisplay d = computeReadingDisplay(c.count, c.diesel, {}, {}, u',');
        for (int m = 1; m <= 4; ++m) {
            const QString text = QString::fromUtf16(c.texts[m - 1]);
            const bool kept = text == u"0" || text == u"*";
            expectLabel(d, m, text, kept ? std::nullopt : std::optional<Rgb>(kBlack));
        }
    }
}

// With a = 1 the research value of count 0 is b itself, which puts it on and beside
// the borders.
TEST(ReadingDisplay, WindowsAreOpenOnBothSides)
{
    auto withResearch = [](double b) { return petrol(0, {}, {1, b}); };
    expectLabel(withResearch(100), Research, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(99.99), Research, QStringLiteral("100"), kBlack);
    expectLabel(withResearch(60), Research, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(60.01), Research, QStringLiteral("60"), kBlack);
    // Research out, motor 95 in, AKI exactly 100 out.
    const ReadingDisplay d = withResearch(105);
    expectLabel(d, Research, QStringLiteral("0"), std::nullopt);
    expectLabel(d, Motor, QStringLiteral("95"), kBlack);
    expectLabel(d, Aki, QStringLiteral("0"), std::nullopt);
    expectLabel(withResearch(104), Aki, QStringLiteral("99"), kBlack);
    expectLabel(withResearch(110), Motor, QStringLiteral("0"), std::nullopt);  // motor 100
    // AKI (60.4 + 60.5) / 2 is 60.45, a half that goes down to the even 60,4.
    expectLabel(withResearch(60.5), Aki, QStringLiteral("60,4"), kBlack);
}

TEST(ReadingDisplay, SystemCorrectionAppliesToResearchOnly)
{
    const ReadingDisplay d = petrol(8000, {}, {1.05, -3});
    expectLabel(d, Research, QStringLiteral("84,5"), kBlack);
    expectLabel(d, Motor, QStringLiteral("78,7"), kBlack);
    expectLabel(d, Aki, QStringLiteral("81,6"), kBlack);
    // a = 0 is no correction at all, whatever b is.
    expectLabel(petrol(8000, {}, {0, 50}), Research, QStringLiteral("83,3"), kBlack);
    // An out-of-table reading becomes b.
    const ReadingDisplay zero = petrol(0, {}, {1, 70});
    expectLabel(zero, Motor, QStringLiteral("68"), kBlack);
    expectLabel(zero, Aki, QStringLiteral("69"), kBlack);
    EXPECT_EQ(computeReadingDisplay(8000, true, {2, 10}, {}, u',').label(Cetane).text,
              QStringLiteral("36,7"));
}

TEST(ReadingDisplay, CalibrationsAfterTheWindow)
{
    CalibrationStore store = storeOf({{Motor, 2, 1, "М"}, {Research, 1.02, -0.5, "Эталон-95 зимний"},
                                      {Aki, 0.5, 10, ""}, {Cetane, 1.1, -1, "Дизель ДТ-Л-К5"},
                                      {Research, 0, 91.5, "Ноль"}, {Research, 0.9, 0, "Низ"}});
    store.setActiveCalibration(Research, 2);
    store.setActiveCalibration(Motor, 1);
    store.setActiveCalibration(Aki, 3);
    store.setActiveCalibration(Cetane, 4);
    const ReadingDisplay d = petrol(8000, store);
    // The worked example: the name cut to its first 10 characters, blank included.
    expectLabel(d, Research, QStringLiteral("84,5 (Эталон-95 )"), kRed);
    expectLabel(d, Motor, QStringLiteral("157 (М)"), kGreen);   // 2 * 78 + 1
    expectLabel(d, Aki, QStringLiteral("50,3 ()"), kBlue);      // (78 + 83.33) * 0.5 / 2 + 10
    expectLabel(computeReadingDisplay(8000, true, {}, store, u','), Cetane,
                QStringLiteral("39,3 (Дизель ДТ-)"), kBlack);   // 36.67 * 1.1 - 1
    // 99.996 passes the window; calibrated, 101.5 is shown all the same.
    expectLabel(petrol(9297, store), Research, QStringLiteral("101,5 (Эталон-95 )"), kRed);
    // 100.0x fails it, though calibrated it would be inside.
    store.setActiveCalibration(Research, 6);
    expectLabel(petrol(9298, store), Research, QStringLiteral("0"), std::nullopt);
    store.setActiveCalibration(Research, 5);
    expectLabel(petrol(8000, store), Research, QStringLiteral("91,5 (Ноль)"), kRed);
    // A position beyond the list, or negative, is no calibration.
    for (const int k : {7, -1}) {
        store.setActiveCalibration(Research, k);
        expectLabel(petrol(8000, store), Research, QStringLiteral("83,3"), kBlack);
    }
}

// Whatever the count, the mode and the calibration, a reading yields texts and never
// raises; "0" and "*" are exactly the labels that keep their colour.
TEST(ReadingDisplay, EveryCountWithWildCalibrations)
{
    CalibrationStore store = storeOf({{Research, 1e300, 1e300, "a"}, {Motor, kNaN, 0, "b"},
                                      {Aki, kInf, 0, "c"}, {Cetane, -1e20, 0, "d"}});
    for (int m = 1; m <= 4; ++m)
        store.setActiveCalibration(m, m);
    for (int count = 0; count <= 65535; ++count) {
        for (const bool dieselMode : {false, true}) {
            ReadingDisplay d;
            ASSERT_NO_THROW(d = computeReadingDisplay(std::uint16_t(count), dieselMode, {}, store, u','));
            for (const LabelDisplay& label : d.labels) {
                const bool kept = label.text == u"0" || label.text == u"*";
                ASSERT_EQ(kept, !label.colour.has_value()) << count << label.text.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace kv
