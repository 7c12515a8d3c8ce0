#include "convert_line.h"
#include "convert_options.h"

#include "measure/calibration_store.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

ConvertOptions parse(const QStringList& args, QChar localeSeparator = u',')
{
    return parseConvertArguments(args, localeSeparator);
}

void expectUsageError(const QStringList& args, const QString& fragment)
{
    try {
        parse(args);
        ADD_FAILURE() << "accepted: " << args.join(u' ').toStdString();
    } catch (const ConvertUsageError& e) {
        EXPECT_TRUE(e.message().contains(fragment))
            << e.message().toStdString() << " lacks " << fragment.toStdString();
    }
}

TEST(ConvertCount, WholeNumbersFrom0To65535)
{
    EXPECT_EQ(parseCount(u"0"), std::uint16_t(0));
    EXPECT_EQ(parseCount(u"65535"), std::uint16_t(65535));
    EXPECT_EQ(parseCount(u"  008000\r"), std::uint16_t(8000));
    for (const char16_t* bad : {u"", u"65536", u"99999999999999999999", u"-1", u"+5", u"8e3",
                                u"80 00", u"8000.0", u"x", u"\uFF18"}) {
        EXPECT_FALSE(parseCount(bad).has_value()) << QString::fromUtf16(bad).toStdString();
    }
}

TEST(ConvertArguments, DefaultsAndFlags)
{
    ConvertOptions o = parse({});
    EXPECT_FALSE(o.diesel);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.separator, u',');
    EXPECT_EQ(o.correction.a, 1.0);
    EXPECT_EQ(o.correction.b, 0.0);
    EXPECT_TRUE(o.counts.empty());

    o = parse({QStringLiteral("--diesel"), QStringLiteral("8000"), QStringLiteral("0"),
               QStringLiteral("--separator=."), QStringLiteral("--active"), QStringLiteral("1=2"),
               QStringLiteral("--active=4=-3"), QStringLiteral("--calibrations"),
               QStringLiteral("a b.tab")});
    EXPECT_TRUE(o.diesel);
    EXPECT_EQ(o.separator, u'.');
    EXPECT_EQ(o.counts, (std::vector<std::uint16_t>{8000, 0}));
    EXPECT_EQ(o.active, (std::vector<std::pair<int, std::int32_t>>{{1, 2}, {4, -3}}));
    EXPECT_EQ(o.calibrationsPath, QStringLiteral("a b.tab"));
    EXPECT_TRUE(parse({QStringLiteral("--help")}).help);
}

TEST(ConvertArguments, CorrectionWithEitherSeparator)
{
    auto correction = [](const char* text, QChar sep) {
        return parseCorrection(QString::fromUtf8(text), sep);
    };
    EXPECT_EQ(correction("1,05,-3", u',').a, 1.05);
    EXPECT_EQ(correction("1,05,-3", u',').b, -3.0);
    EXPECT_EQ(correction("1.05,-3", u',').a, 1.05);
    EXPECT_EQ(correction("1.05,-3", u'.').b, -3.0);
    EXPECT_EQ(correction("1,0", u',').a, 1.0);
    EXPECT_EQ(correction("1,5;2", u',').a, 1.5);
    EXPECT_EQ(correction("1,5;2", u',').b, 2.0);
    EXPECT_EQ(correction("0,-7,25", u',').b, -7.25);
    EXPECT_THROW(correction("1,5,2", u','), ConvertUsageError);  // two readings
    EXPECT_THROW(correction("1", u','), ConvertUsageError);
    EXPECT_THROW(correction("1,", u','), ConvertUsageError);
    EXPECT_THROW(correction("a,b", u'.'), ConvertUsageError);
    EXPECT_THROW(correction("1;2;3", u'.'), ConvertUsageError);
    EXPECT_THROW(correction("1e999,0", u'.'), ConvertUsageError);

    // The numbers are read with the separator in effect, given before or after.
    const ConvertOptions o = parse({QStringLiteral("--correction"), QStringLiteral("1,5;2"),
                                    QStringLiteral("--separator"), QStringLiteral(",")},
                                   u'.');
    EXPECT_EQ(o.correction.a, 1.5);
    EXPECT_EQ(o.correction.b, 2.0);
}

TEST(ConvertArguments, BadInputIsRefused)
{
    expectUsageError({QStringLiteral("8000"), QStringLiteral("70000")}, QStringLiteral("'70000'"));
    expectUsageError({QStringLiteral("-1")}, QStringLiteral("'-1' is not a period count"));
    expectUsageError({QStringLiteral("--fast")}, QStringLiteral("unknown option '--fast'"));
    expectUsageError({QStringLiteral("-x")}, QStringLiteral("unknown option"));
    expectUsageError({QStringLiteral("--separator")}, QStringLiteral("needs a value"));
    expectUsageError({QStringLiteral("--separator"), QStringLiteral("ab")}, QStringLiteral("'ab'"));
    expectUsageError({QStringLiteral("--separator"), QStringLiteral("5")}, QStringLiteral("'5'"));
    expectUsageError({QStringLiteral("--separator"), QStringLiteral("\t")}, QStringLiteral("--separator"));
    expectUsageError({QStringLiteral("--diesel=1")}, QStringLiteral("takes no value"));
    expectUsageError({QStringLiteral("--active"), QStringLiteral("5=1")}, QStringLiteral("'5=1'"));
    expectUsageError({QStringLiteral("--active"), QStringLiteral("1")}, QStringLiteral("'1'"));
    expectUsageError({QStringLiteral("--active"), QStringLiteral("1=2147483648")},
                     QStringLiteral("2147483648"));
    expectUsageError({QStringLiteral("--active"), QStringLiteral("1=x")}, QStringLiteral("'1=x'"));
    expectUsageError({QStringLiteral("--calibrations=")}, QStringLiteral("file name"));
    expectUsageError({QStringLiteral("--correction"), QStringLiteral("1,5,2")},
                     QStringLiteral("more than one way"));
}

TEST(ConvertLine, ElevenColumnsWithColours)
{
    CalibrationStore store;
    TCalibration c;
    c.method = 1;
    c.slope = 1.02;
    c.offset = -0.5;
    c.setName(QStringLiteral("Эт\tалон\n95"));
    store.AddCalibration(c);
    store.setActiveCalibration(1, 1);

    const ReadingDisplay d = computeReadingDisplay(8000, false, {}, store, u',');
    EXPECT_EQ(formatConvertLine(8000, d),
              QStringLiteral("8000\t8000 = 24000 = 4800\t960\t84,5 (Эт алон 95)\t#FF0000\t"
                             "78\t#000000\t80,7\t#000000\t*\t-"));

    ReadingDisplay colours;
    colours.labels[1].colour = 0x008000;
    colours.labels[2].colour = 0x0000FF;
    EXPECT_EQ(formatConvertLine(1, colours).split(u'\t'),
              (QStringList{QStringLiteral("1"), {}, {}, {}, QStringLiteral("-"), {},
                           QStringLiteral("#008000"), {}, QStringLiteral("#0000FF"), {},
                           QStringLiteral("-")}));
}

}  // namespace
}  // namespace kv
