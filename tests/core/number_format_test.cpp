#include "core/number_format.h"

#include "core/errors.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

TEST(RoundTo, HalvesGoToEven)
{
    EXPECT_EQ(kv::roundTo(0.25, 1), 0.2);
    EXPECT_EQ(kv::roundTo(0.35, 1), std::nearbyint(0.35 / 0.1) * 0.1);
    EXPECT_EQ(kv::roundTo(2.5, 0), 2.0);
    EXPECT_EQ(kv::roundTo(3.5, 0), 4.0);
    EXPECT_EQ(kv::roundTo(-2.5, 0), -2.0);
    EXPECT_EQ(kv::roundTo(83.333333, 1), 833.0 * 0.1);
}

TEST(RoundTo, TooLargeForTheIntegerIsAnInvalidOperation)
{
    EXPECT_THROW(kv::roundTo(1e16, 3), kv::InvalidOpError);
    EXPECT_THROW(kv::roundTo(std::nan(""), 1), kv::InvalidOpError);
    EXPECT_NO_THROW(kv::roundTo(1e15, 3));
}

TEST(FormatGeneral, ShortestFormWithTheGivenSeparator)
{
    struct Case { double v; const char* text; };
    const Case cases[] = {
        {78.0, "78"}, {83.3, "83,3"}, {833 * 0.1, "83,3"}, {0.1 * 3, "0,3"},
        {24000.0, "24000"}, {-3.5, "-3,5"}, {-0.0, "0"}, {0.0, "0"},
        {0.00001, "0,00001"}, {0.000001, "1E-6"}, {1e14, "100000000000000"},
        {1e15, "1E15"}, {123456789012345678.0, "1,23456789012346E17"},
        {0.1 + 0.2, "0,3"}, {1.0 / 3, "0,333333333333333"}, {99.95, "99,95"},
        // Just under 10^15, but 15 digits round it up to 10^15.
        {999999999999999.875, "1E15"}, {-999999999999999.875, "-1E15"},
        {99999999999999.9921875, "100000000000000"}, {999999999999999.0, "999999999999999"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kv::formatGeneral(c.v, u','), QString::fromUtf8(c.text)) << c.v;
}

TEST(FormatGeneral, AgreesWithFifteenSignificantDigitsEverywhere)
{
    // Whole tenths as the rounding makes them, values a bit off them, and random values
    // over the range written in fixed notation.
    std::mt19937_64 random(1251);
    std::uniform_real_distribution<double> exponent(-4.0, 15.0);
    auto check = [](double v) {
        if (v == 0)
            return;  // negative zero is written "0" on purpose
        char reference[64];
        std::snprintf(reference, sizeof reference, "%.15g", v);
        ASSERT_EQ(kv::formatGeneral(v, u'.'), QString::fromLatin1(reference)) << reference;
    };
    for (long long n = -200000; n <= 2000000; n += 7)
        check(std::nearbyint(double(n)) * 0.1);
    for (int i = 0; i < 300000; ++i) {
        const double v = std::pow(10.0, exponent(random));
        check(v);
        check(std::nextafter(kv::roundTo(v, 1), 0.0));
        check(-kv::roundTo(v / 1000, 3));
    }
}

TEST(FormatGeneral, DefaultLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(kv::formatGeneral(83.3), QStringLiteral("83,3"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(kv::formatGeneral(83.3), QStringLiteral("83.3"));
    EXPECT_EQ(kv::formatGeneral(1234567.0), QStringLiteral("1234567"));
    QLocale::setDefault(saved);
}

TEST(ParseFloat, AcceptsWhatTheRuntimeAccepts)
{
    EXPECT_EQ(kv::parseFloat(QStringLiteral("82,5"), u','), 82.5);
    EXPECT_EQ(kv::parseFloat(QStringLiteral("  96,0 "), u','), 96.0);
    EXPECT_EQ(kv::parseFloat(QStringLiteral("-1,5E2"), u','), -150.0);
    EXPECT_EQ(kv::parseFloat(QStringLiteral("+7"), u','), 7.0);
    EXPECT_EQ(kv::parseFloat(QStringLiteral("8,"), u','), 8.0);
    EXPECT_EQ(kv::parseFloat(QStringLiteral(",5"), u','), 0.5);

    // Too small for a double: zero, as the runtime gives, with the sign kept.
    for (const char* tiny : {"1e-400", "0,0001e-330", "-1E-99999999999999999999", "1e-324"}) {
        const double v = kv::parseFloat(QString::fromLatin1(tiny), u',');
        EXPECT_EQ(v, 0.0) << tiny;
        EXPECT_EQ(std::signbit(v), tiny[0] == '-') << tiny;
    }
    EXPECT_GT(kv::parseFloat(QStringLiteral("4,9e-324"), u','), 0.0);  // the least subnormal
    EXPECT_EQ(kv::parseFloat(QStringLiteral("0e-99999"), u','), 0.0);
}

TEST(ParseFloat, RejectsWithTheRuntimeText)
{
    for (const char* bad : {"", "  , ", "82.5", "abc", "1,2,3", "*", "84,5 (Эталон)", "1e", "1 2"}) {
        const QString text = QString::fromUtf8(bad);
        try {
            kv::parseFloat(text, u',');
            ADD_FAILURE() << bad;
        } catch (const kv::ConvertError& e) {
            EXPECT_EQ(e.message(), "'" + text + "' is not a valid floating point value");
        }
    }
    for (const char* huge : {"1e999", "-1e309", "10000e305", "0,001e99999999999999999999"})
        EXPECT_THROW(kv::parseFloat(QString::fromLatin1(huge), u','), kv::ConvertError) << huge;
}

}  // namespace
