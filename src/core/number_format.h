#pragma once
// Rounding and number texts as the program shows and reads them.

#include <QString>
#include <QStringView>

namespace kv {

// Rounds v to n decimals (0..15): v / 10^-n, nearest whole number with halves to even,
// times 10^-n, all in doubles. Raises InvalidOpError when the quotient does not fit a
// 64-bit integer (or is not a number), as the runtime's rounding does.
double roundTo(double v, int decimals);

// The general number format: the shortest form with at most 15 significant digits, no
// trailing zeros, no thousands separators, fixed notation from 0.00001 up to 15 integer
// digits and scientific ("1,5E20") beyond. Negative zero is written "0".
QString formatGeneral(double v, QChar decimalSeparator);

// The same with the decimal separator of the default locale (QLocale()).
QString formatGeneral(double v);

// The decimal separator of the default locale.
QChar localeDecimalSeparator();

// Text to number as the runtime reads typed numbers: blanks around the number allowed,
// optional sign, digits with the given decimal separator, optional exponent. Anything
// else (an empty text, a '.' where the locale has ',', letters, an overflow) raises
// ConvertError with the text as given. A number too small for a double reads as 0.
double parseFloat(const QString& text, QChar decimalSeparator);
double parseFloat(const QString& text);

}  // namespace kv
