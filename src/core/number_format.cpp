#include "core/number_format.h"

#include "core/errors.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

namespace kv {

namespace {

// 10^n, exact in a double.
constexpr std::array<double, 5> kPositivePowers = {1.0, 10.0, 100.0, 1000.0, 10000.0};

// 10^-n as the nearest doubles, so that n = 1 divides by exactly the double 0.1.
constexpr std::array<double, 16> kNegativePowers = {
    1.0, 0.1, 0.01, 0.001, 1e-4, 1e-5, 1e-6, 1e-7,
    1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
};

// For a number from_chars found out of range: whether it is too small rather than too
// large. `number` is well formed: sign, digits with an optional '.', optional exponent.
bool underflows(const std::string& number)
{
    long long order = 0;  // the power of ten of the first significant digit, +1
    bool seenPoint = false;
    bool significant = false;
    std::size_t i = 0;
    if (number[i] == '+' || number[i] == '-')
        ++i;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        if (number[i] == '.') {
            seenPoint = true;
        } else if (significant || number[i] != '0') {
            significant = true;
            if (!seenPoint)
                ++order;
        } else if (seenPoint) {
            --order;
        }
    }
    if (!significant)
        return false;
    long long exponent = 0;
    bool negative = false;
    if (i < number.size()) {
        ++i;
        if (number[i] == '+' || number[i] == '-')
            negative = number[i++] == '-';
        for (; i < number.size(); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1LL << 40);
    }
    return order + (negative ? -exponent : exponent) < 0;
}

}  // namespace

double roundTo(double v, int decimals)
{
    if (decimals < 0 || decimals >= int(kNegativePowers.size()))
        throw InvalidOpError();
    const double unit = kNegativePowers[std::size_t(decimals)];
    const double q = v / unit;
    // The runtime rounds through a 64-bit integer.
    if (!(std::fabs(q) < 9223372036854775808.0))
        throw InvalidOpError();
    return std::nearbyint(q) * unit;  // the default rounding mode: halves to even
}

QString formatGeneral(double v, QChar sep)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (v == 0.0)
        return QStringLiteral("0");

    // Most shown numbers are a whole number of tenths or hundredths, give or take the last
    // bit. When v lies within a quarter of a unit of its 15th significant digit from a
    // whole n over 10^k (k up to 4, n under 10^15, no trailing zero), rounding v to 15
    // digits gives n's digits: they are written without any floating-point formatting.
    const double magnitude = std::fabs(v);
    for (int k = 0; k <= 4; ++k) {
        const double scale = kPositivePowers[std::size_t(k)];
        const double scaled = magnitude * scale;
        const double whole = std::nearbyint(scaled);
        // Checked after rounding: 999999999999999.875 rounds to 16 digits.
        if (!(whole < 1e15))
            break;
        auto n = static_cast<unsigned long long>(whole);
        if (std::fabs(scaled - whole) > scaled * 0.25e-15 || (k > 0 && n % 10 == 0))
            continue;
        char16_t out[24];
        char16_t* const end = out + std::size(out);
        char16_t* p = end;
        for (int i = 0; i < k; ++i, n /= 10)
            *--p = char16_t(u'0' + n % 10);
        if (k > 0)
            *--p = sep.unicode();
        do {
            *--p = char16_t(u'0' + n % 10);
            n /= 10;
        } while (n != 0);
        if (v < 0)
            *--p = u'-';
        return QString::fromUtf16(p, end - p);
    }

    // At most 15 significant digits, then the exponent: "d.ddde+XX". The shortest form
    // that reads back as v is those digits whenever it has no more than 15 of them (v lies
    // within half a unit of its last place, far less than half a step of the 15th digit);
    // only longer ones need rounding. Every reading writes six of these texts, so they
    // are built in place, without printf.
    char sci[32];
    auto result = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific);
    const char* e = std::find(sci, result.ptr, 'e');
    if (e - sci > 16) {  // more than 15 digits and the point
        result = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 14);
        e = std::find(sci, result.ptr, 'e');
    }
    char digits[16];
    int count = 0;
    for (const char* p = sci; p != e; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(e[1] == '+' ? e + 2 : e + 1, result.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    char16_t out[48];
    int n = 0;
    auto put = [&](char16_t c) { out[n++] = c; };
    if (v < 0)
        put(u'-');
    if (exponent < 15 && std::fabs(v) >= 0.00001) {
        if (exponent < 0) {
            put(u'0');
            put(sep.unicode());
            for (int i = 0; i < -exponent - 1; ++i)
                put(u'0');
            for (int i = 0; i < count; ++i)
                put(char16_t(digits[i]));
        } else {
            const int intDigits = exponent + 1;
            for (int i = 0; i < std::max(count, intDigits); ++i) {
                if (i == intDigits)
                    put(sep.unicode());
                put(i < count ? char16_t(digits[i]) : u'0');
            }
        }
    } else {
        put(char16_t(digits[0]));
        if (count > 1)
            put(sep.unicode());
        for (int i = 1; i < count; ++i)
            put(char16_t(digits[i]));
        put(u'E');
        if (exponent < 0)
            put(u'-');
        for (const char c : std::to_string(std::abs(exponent)))
            put(char16_t(c));
    }
    return QString::fromUtf16(out, n);
}

QChar localeDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

QString formatGeneral(double v)
{
    return formatGeneral(v, localeDecimalSeparator());
}

double parseFloat(const QString& text, QChar sep)
{
    // Blanks and control characters around the number are allowed.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;

    std::string ascii;
    ascii.reserve(std::size_t(end - begin));
    qsizetype i = begin;
    auto digitsAt = [&](qsizetype from) {
        qsizetype k = from;
        while (k < end && text[k] >= u'0' && text[k] <= u'9')
            ++k;
        return k - from;
    };
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ascii.push_back(char(text[i++].unicode()));
    const qsizetype intDigits = digitsAt(i);
    for (qsizetype k = 0; k < intDigits; ++k)
        ascii.push_back(char(text[i++].unicode()));
    qsizetype fracDigits = 0;
    if (i < end && text[i] == sep) {
        ++i;
        ascii.push_back('.');
        fracDigits = digitsAt(i);
        for (qsizetype k = 0; k < fracDigits; ++k)
            ascii.push_back(char(text[i++].unicode()));
    }
    if (intDigits + fracDigits == 0)
        throw ConvertError(text);
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ascii.push_back(char(text[i++].unicode()));
        const qsizetype expDigits = digitsAt(i);
        if (expDigits == 0)
            throw ConvertError(text);
        for (qsizetype k = 0; k < expDigits; ++k)
            ascii.push_back(char(text[i++].unicode()));
    }
    if (i != end)
        throw ConvertError(text);

    const char* first = ascii.data();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range && ptr == ascii.data() + ascii.size()
        && underflows(ascii))
        return ascii.front() == '-' ? -0.0 : 0.0;  // as the runtime's conversion gives
    if (ec != std::errc() || ptr != ascii.data() + ascii.size())
        throw ConvertError(text);
    return value;
}

double parseFloat(const QString& text)
{
    return parseFloat(text, localeDecimalSeparator());
}

}  // namespace kv
