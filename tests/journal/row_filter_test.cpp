#include "journal/row_filter.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

JournalRow entry(const char* date, const char* comment)
{
    return {{QStringLiteral("7"), QString::fromUtf8(date), QStringLiteral("Исследовательский метод"),
             QStringLiteral("92,4"), QString::fromUtf8(comment)}};
}

TEST(RowFilter, MatchesTextInAnyCellAndDatesWithinTheRange)
{
    const JournalRow row = entry("05.12.2026 10:00:01", "Проба из резервуара №3");
    const QDate d4(2026, 12, 4), d5(2026, 12, 5), d6(2026, 12, 6);
    struct Case {
        RowFilter filter;
        bool accepted;
    } cases[] = {
        {{QString(), {}, {}}, true},
        {{QStringLiteral("ПРОБА"), {}, {}}, true},           // Cyrillic, either case
        {{QStringLiteral("  резервуара "), {}, {}}, true},  // blanks at the ends don't count
        {{QStringLiteral("исследовательский"), {}, {}}, true},
        {{QStringLiteral("92,4"), {}, {}}, true},
        {{QStringLiteral("92,5"), {}, {}}, false},
        {{QString(), d5, d5}, true},  // both bounds included
        {{QString(), d6, {}}, false},
        {{QString(), {}, d4}, false},
        {{QStringLiteral("проба"), d4, d6}, true},
        {{QStringLiteral("бензин"), d4, d6}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.filter.accepts(row), c.accepted) << c.filter.text.toStdString() << ' '
                                                     << c.filter.from.toString().toStdString();
    // The quick folding of Latin and Russian, Qt's for the rest (Ё, Greek, a sign beyond
    // the basic plane).
    const JournalRow other = entry("05.12.2026 10:00:01", "ЁЛКА Sample ΣΊΓΜΑ 😀x");
    for (const char* text : {"ёлка", "SAMPLE", "σίγμα", "😀X"})
        EXPECT_TRUE((RowFilter{QString::fromUtf8(text), {}, {}}).accepts(other)) << text;
    EXPECT_FALSE((RowFilter{QStringLiteral("елка"), {}, {}}).accepts(other));
    // A row whose date can't be read is outside any range, and the empty journal's blank row
    // matches no text.
    EXPECT_FALSE((RowFilter{QString(), d4, {}}).accepts(entry("вчера", "")));
    EXPECT_FALSE((RowFilter{QStringLiteral("а"), {}, {}}).accepts(JournalRow{}));
}

TEST(RowFilter, ReadsTheEntryDateAndSaysWhatItSelects)
{
    EXPECT_EQ(entryDate(QStringLiteral("09.12.2026 16:08:32")), QDate(2026, 12, 9));
    EXPECT_EQ(entryDate(QStringLiteral("31.02.2026 16:08:32")), QDate());
    EXPECT_EQ(entryDate(QString()), QDate());
    EXPECT_EQ((RowFilter{QStringLiteral(" 92 "), QDate(2026, 12, 1), QDate(2026, 12, 9)}).description(),
              QStringLiteral("«92», с 01.12.2026 по 09.12.2026"));
    EXPECT_EQ((RowFilter{QString(), {}, QDate(2026, 12, 9)}).description(), QStringLiteral("по 09.12.2026"));
    EXPECT_FALSE((RowFilter{QStringLiteral("  "), {}, {}}).isActive());
}

}  // namespace
}  // namespace kv
