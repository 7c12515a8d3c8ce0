#include "journal/journal_entry.h"
#include "journal/journal_table.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace kv {
namespace {

JournalRow rowOf(const QString& number, const QString& date = QStringLiteral("d"))
{
    return JournalRow{{number, date, QStringLiteral("m"), QStringLiteral("v"), QStringLiteral(" ")}};
}

TEST(JournalTable, StartsWithOneBlankRowAndNeverShrinksBelowIt)
{
    JournalTable table;
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.isEmpty());
    EXPECT_TRUE(table.lastRowIsBlank());

    table.setRowCount(0);
    EXPECT_EQ(table.rowCount(), 2);
    // Outside the data rows there is nothing to read or write.
    table.setCell(0, 1, QStringLiteral("x"));
    table.setCell(2, 1, QStringLiteral("x"));
    table.setCell(1, 5, QStringLiteral("x"));
    EXPECT_TRUE(table.isEmpty());
    EXPECT_EQ(table.cell(0, 0), QString());
    EXPECT_EQ(table.row(7), JournalRow{});
}

TEST(JournalTable, DeletingTheOnlyRowBlanksIt)
{
    JournalTable table;
    table.setRow(1, rowOf(QStringLiteral("1")));
    table.deleteRow(1);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(1), JournalRow{});
    EXPECT_TRUE(table.isEmpty());
}

TEST(JournalTable, DeletingMovesTheRowsBelowUpWithoutRenumbering)
{
    JournalTable table;
    table.setRow(1, rowOf(QStringLiteral("1")));
    table.appendData(rowOf(QStringLiteral("2")));
    table.appendData(rowOf(QStringLiteral("3")));

    table.deleteRow(0);
    table.deleteRow(4);
    EXPECT_EQ(table.rowCount(), 4);

    table.deleteRow(1);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(table.cell(2, 0), QStringLiteral("3"));

    table.deleteRow(2);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("2"));
}

TEST(JournalTable, AppendingDataNeverReusesABlankRow)
{
    JournalTable table;
    table.appendData(rowOf(QStringLiteral("1")));
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.row(1), JournalRow{});
    EXPECT_EQ(table.cell(2, 0), QStringLiteral("1"));
    EXPECT_FALSE(table.isEmpty());
}

TEST(JournalTable, ALineBreakOrNulInACellBecomesABlank)
{
    JournalTable table;
    table.setCell(1, 4, QStringLiteral("one\r\ntwo\nthree\rfour\r"));
    EXPECT_EQ(table.cell(1, 4), QStringLiteral("one two three four "));
    table.setCell(1, 4, QString::fromUtf16(u"a\0b", 3));
    EXPECT_EQ(table.cell(1, 4), QStringLiteral("a b"));
    table.setRow(1, rowOf(QStringLiteral("1\n"), QStringLiteral("a\r\n")));
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("1 "));
    EXPECT_EQ(table.cell(1, 1), QStringLiteral("a "));
}

class WithLocale : public testing::Test {
protected:
    ~WithLocale() override { QLocale::setDefault(m_saved); }
    QLocale m_saved;
};

TEST_F(WithLocale, LongTimeFormatLosesOnlyItsTimeZone)
{
    const QTime time(9, 5, 7);
    struct Case {
        const char* locale;
        const char16_t* expected;
    };
    const Case cases[] = {
        {"ru_RU", u"09:05:07"},
        {"en_US", u"9:05:07 AM"},
        {"zh_CN", u"09:05:07"},     // the zone comes first there
        {"bg_BG", u"9:05:07 ч."},  // a quoted literal stays
    };
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(QLatin1StringView(c.locale)));
        const QString format = longTimeFormatWithoutZone();
        EXPECT_EQ(QLocale().toString(time, format), QString::fromUtf16(c.expected)) << c.locale;
    }
}

TEST_F(WithLocale, EntryHoldsNumberDateMethodValueAndABlankComment)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QDateTime when(QDate(2026, 3, 4), QTime(7, 8, 9));
    const JournalRow entry = makeEntry(12, when, Cetane, QStringLiteral("*"));
    EXPECT_EQ(entry.cells[0], QStringLiteral("12"));
    EXPECT_EQ(entry.cells[1], QStringLiteral("04.03.2026 07:08:09"));
    EXPECT_EQ(entry.cells[2], QStringLiteral("Цетановое число"));
    EXPECT_EQ(entry.cells[3], QStringLiteral("*"));
    EXPECT_EQ(entry.cells[4], QStringLiteral(" "));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Copies share their rows until one changes; every change leaves the other copies as they
// were, a moved-from table included.
TEST(JournalTableSharing, ACopyIsUntouchedByChangesToEitherSide)
{
    JournalTable table;
    table.appendData(JournalRow{{"1", "d", "m", "v", "c"}});
    JournalTable printed = table;
    table.setCell(2, 4, QStringLiteral("changed"));
    table.appendRow();
    table.deleteRow(1);
    EXPECT_EQ(printed.rowCount(), 3);
    EXPECT_EQ(printed.cell(2, 4), QStringLiteral("c"));
    printed.clear();
    EXPECT_EQ(table.cell(1, 4), QStringLiteral("changed"));
    JournalTable moved = std::move(table);
    EXPECT_EQ(moved.rowCount(), 3);
    moved.setCell(1, 0, QStringLiteral("9"));
    EXPECT_EQ(table.cell(1, 0), QStringLiteral("1"));
}

}  // namespace
}  // namespace kv
