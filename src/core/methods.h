#pragma once
// The four measuring methods, numbered 1 to 4 everywhere in the program: the selected
// method of the main window, a calibration record's method, journal rows, menus and lists
// (a position in a menu or list is the number minus 1).

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

namespace kv {

enum Method : int { Research = 1, Motor = 2, Aki = 3, Cetane = 4 };
inline constexpr int kMethodCount = 4;

constexpr bool isMethod(int m) { return m >= 1 && m <= kMethodCount; }

// Indexed by method number; entry 0 is unused.
inline constexpr std::array<std::u16string_view, 5> methodNames = {
    u"",
    u"Исследовательский метод",
    u"Моторный метод",
    u"Антидетонационный к.(AKI)",
    u"Цетановое число",
};

// The name of a method, or an empty text for a number outside 1 to 4.
inline QString methodName(int m)
{
    if (!isMethod(m))
        return {};
    const std::u16string_view name = methodNames[std::size_t(m)];
    return QString::fromUtf16(name.data(), qsizetype(name.size()));
}

// The one-letter caption of the method button: the first letter of the name (Cyrillic).
inline QString methodLetter(int m)
{
    return methodName(m).left(1);
}

// 0xRRGGBB.
using Rgb = std::uint32_t;

// The colour of a calibrated result and of the calibrations page's mark, per method.
inline constexpr std::array<Rgb, 5> methodColours = {
    0x000000, 0xFF0000, 0x008000, 0x0000FF, 0x000000,
};

inline constexpr Rgb kBlack = 0x000000;

}  // namespace kv
