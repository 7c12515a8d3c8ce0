#include "core/number_format.h"

#include "core/errors.h"

#include <QLocale>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kv {

namespace {

// 10^-n as the nearest doubles, so that n = 1 divides by exactly the double 0.1.
constexpr std::array<double, 16> kNegativePowers = {
    1.0, 0.1, 0.01, 0.001, 1e-4, 1e-5, 1e-6, 1e-7,
    1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
};

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

    // 15 significant digits, then the exponent: "d.dddddddddddddde+XX".
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    QString out;
    if (v < 0)
        out += u'-';
    if (exponent < 15 && std::fabs(v) >= 0.00001) {
        if (exponent < 0) {
            out += u'0';
            out += sep;
            out += QString(-exponent - 1, u'0');
            out += QString::fromLatin1(digits.data(), qsizetype(digits.size()));
        } else {
            const std::size_t intDigits = std::size_t(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += QString::fromLatin1(digits.data(), qsizetype(digits.size()));
                out += QString(qsizetype(intDigits - digits.size()), u'0');
            } else {
                out += QString::fromLatin1(digits.data(), qsizetype(intDigits));
                out += sep;
                out += QString::fromLatin1(digits.data() + intDigits,
                                           qsizetype(digits.size() - intDigits));
            }
        }
    } else {
        out += QChar::fromLatin1(digits[0]);
        if (digits.size() > 1) {
            out += sep;
            out += QString::fromLatin1(digits.data() + 1, qsizetype(digits.size() - 1));
        }
        out += u'E';
        out += QString::number(exponent);
    }
    return out;
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
    if (ec != std::errc() || ptr != ascii.data() + ascii.size())
        throw ConvertError(text);
    return value;
}

double parseFloat(const QString& text)
{
    return parseFloat(text, localeDecimalSeparator());
}

}  // namespace kv
