#include "convert_line.h"
#include "convert_options.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

QStringList words(const char* line)
{
    return QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
}

TEST(ConvertArguments, CountsAndOptions)
{
    EXPECT_EQ(parseCount(u"  008000\r"), std::uint16_t(8000));
    EXPECT_EQ(parseCount(u"65535"), std::uint16_t(65535));
    for (const char16_t* bad : {u"", u"65536", u"99999999999999999999", u"+5", u"8e3", u"80 00",
                                u"\uFF18"})
        EXPECT_FALSE(parseCount(bad)) << QString::fromUtf16(bad).toStdString();

    const ConvertOptions o = parseConvertArguments(
        words("--diesel 8000 0 --separator=. --active 1=2 --active=4=-3 --calibrations k.tab"),
        u',');
    EXPECT_TRUE(o.diesel);
    EXPECT_EQ(o.separator, u'.');
    EXPECT_EQ(o.counts, (std::vector<std::uint16_t>{8000, 0}));
    EXPECT_EQ(o.active, (std::vector<std::pair<int, std::int32_t>>{{1, 2}, {4, -3}}));
    EXPECT_EQ(o.calibrationsPath, QStringLiteral("k.tab"));
    EXPECT_EQ(parseConvertArguments({}, u',').separator, u',');
}

TEST(ConvertArguments, CorrectionWithEitherSeparator)
{
    auto both = [](const char* text, QChar sep) {
        const SystemCorrection c = parseCorrection(QString::fromUtf8(text), sep);
        return std::pair(c.a, c.b);
    };
    EXPECT_EQ(both("1,05,-3", u','), std::pair(1.05, -3.0));
    EXPECT_EQ(both("1.05,-3", u','), std::pair(1.05, -3.0));
    EXPECT_EQ(both("1.05,-3", u'.'), std::pair(1.05, -3.0));
    EXPECT_EQ(both("1,0", u','), std::pair(1.0, 0.0));
    EXPECT_EQ(both("1,5;2", u','), std::pair(1.5, 2.0));
    for (const char* bad : {"1,5,2", "1", "1,", "a,b", "1;2;3", "1e999,0"})
        EXPECT_THROW(parseCorrection(QString::fromUtf8(bad), u','), ConvertUsageError) << bad;
    // With ';' as the decimal separator ';' splits only where one reading remains.
    EXPECT_EQ(both("1;5,2", u';'), std::pair(1.5, 2.0));
    EXPECT_EQ(both("1;05;-3", u';'), std::pair(1.05, -3.0));
    EXPECT_EQ(both("1.5;2", u';'), std::pair(1.5, 2.0));
    try {
        parseCorrection(QStringLiteral("1;5;2"), u';');
        ADD_FAILURE() << "1;5;2 read one way";
    } catch (const ConvertUsageError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("more than one way"))) << e.what();
    }
    // Read with the separator in effect, even one given after it.
    EXPECT_EQ(parseConvertArguments(words("--correction 1,5;2 --separator ,"), u'.').correction.a,
              1.5);
}

TEST(ConvertArguments, BadInputIsRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {"8000 70000", "'70000' is not a period count"}, {"-1", "'-1' is not a period count"},
        {"--fast", "unknown option '--fast'"},           {"--separator", "needs a value"},
        {"--separator ab", "'ab'"},                       {"--separator=5", "'5'"},
        {"--diesel=1", "takes no value"},                 {"--active 5=1", "'5=1'"},
        {"--active 1=2147483648", "2147483648"},          {"--calibrations=", "file name"},
    };
    for (const auto& [line, fragment] : cases) {
        try {
            parseConvertArguments(words(line), u',');
            ADD_FAILURE() << "accepted: " << line;
        } catch (const ConvertUsageError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(fragment))) << e.message().toStdString();
        }
    }
}

// An input line may be anything: the message shows its start, and no control byte
// reaches the terminal.
TEST(ConvertArguments, EchoedInputIsCutAndEscaped)
{
    EXPECT_EQ(echoForMessage(u"80O0"), QStringLiteral("80O0"));
    EXPECT_EQ(echoForMessage(u"a\x1b[2Jb\x7f\tc\u0085"), QStringLiteral("a\\x1b[2Jb\\x7f\\x09c\\x85"));
    const QString longLine = QString(kMessageEchoLength, u'x') + u'y';
    EXPECT_EQ(echoForMessage(longLine), QString(kMessageEchoLength, u'x') + QStringLiteral("..."));
    EXPECT_EQ(echoForMessage(QString(kMessageEchoLength, u'x')), QString(kMessageEchoLength, u'x'));

    try {
        parseConvertArguments({QString(100000, u'9')}, u',');
        ADD_FAILURE();
    } catch (const ConvertUsageError& e) {
        EXPECT_LT(e.message().size(), 120);
    }
}

// A calibration name may hold any byte; a TAB or line end must not break the columns.
TEST(ConvertLine, ColumnsStayIntact)
{
    ReadingDisplay d;
    d.labels[0] = {QStringLiteral("84,5 (Эт\tалон\n95)"), 0xFF0000, 84.5};
    d.labels[1].colour = 0x008000;
    d.labels[2].colour = 0x0000FF;
    EXPECT_EQ(formatConvertLine(1, d).split(u'\t'),
              (QStringList{QStringLiteral("1"), {}, {}, QStringLiteral("84,5 (Эт алон 95)"),
                           QStringLiteral("#FF0000"), {}, QStringLiteral("#008000"), {},
                           QStringLiteral("#0000FF"), {}, QStringLiteral("-")}));
}

}  // namespace
}  // namespace kv
