#include "journal/print_layout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

// One unit a character, bold or not; lines one unit high.
class CharMeasure : public TextMeasure {
public:
    double width(QStringView text, bool) const override { return double(text.size()); }
    double lineHeight() const override { return 1; }
};

const CharMeasure measure;

JournalTable numberedRows(int count, const QString& comment = QStringLiteral("ok"))
{
    std::vector<JournalRow> rows;
    for (int r = 1; r <= count; ++r)
        rows.push_back({{QString::number(r), QStringLiteral("08.12.2026"), QStringLiteral("M"),
                         QStringLiteral("92"), comment}});
    return journalTableOf(rows);
}

std::vector<QString> strings(const std::vector<QStringView>& views)
{
    std::vector<QString> out;
    for (QStringView view : views)
        out.push_back(view.toString());
    return out;
}

TEST(PrintLayout, PrintedTextIsWhatTheCodePageAndABrowserLeave)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"", ""},
        {" ", ""},
        {"  проба\t 2 \r\n", "проба 2"},
        {"<5% & \"ok\"", "<5% & \"ok\""},
        {QStringLiteral("№ 5 € ё"), QStringLiteral("№ 5 € ё")},
        {QStringLiteral("a\u00A0b"), QStringLiteral("a\u00A0b")},  // a no-break space stays
        {QStringLiteral("日本 😀"), QStringLiteral("?? ?")},
    };
    for (const auto& [cell, shown] : cases)
        EXPECT_EQ(printedText(cell), shown) << cell.toStdString();
}

TEST(PrintLayout, WrapBreaksAtBlanksThenBetweenCharacters)
{
    using Lines = std::vector<QString>;
    const std::vector<std::tuple<QString, double, Lines>> cases = {
        {"", 3, {""}},
        {"abc", 3, {"abc"}},
        {"abc def", 3, {"abc", "def"}},
        {"ab cd ef", 5, {"ab cd", "ef"}},
        {"abcdefg", 3, {"abc", "def", "g"}},
        {"a bcdefg", 3, {"a", "bcd", "efg"}},
        {"abc", 0.5, {"a", "b", "c"}},
        {QStringLiteral("a😀b"), 2, {"a", QStringLiteral("😀"), "b"}},
    };
    for (const auto& [text, width, lines] : cases)
        EXPECT_EQ(strings(wrapText(text, width, false, measure)), lines) << text.toStdString();
}

// "№" is as wide as its widest number (never a digit to a line); the other columns share
// the rest of the page.
TEST(PrintLayout, NumberColumnFitsItsWidestNumber)
{
    const PrintGeometry geometry{100, 50, 0.5, 0.25};
    for (const auto& [rows, digits] : std::vector<std::pair<int, int>>{{9, 1}, {12, 2}, {1000, 4}}) {
        const auto layout = PrintLayout::build(numberedRows(rows), geometry, measure);
        ASSERT_TRUE(layout);
        EXPECT_DOUBLE_EQ(layout->columnWidths()[0], digits + 1.0) << rows;
        double sum = 0;
        for (double w : layout->columnWidths())
            sum += w;
        EXPECT_DOUBLE_EQ(sum, 100);
        for (int r = 0; r < rows; ++r)
            ASSERT_EQ(layout->rowLines(r), 1) << r;
    }
}

// Every row on exactly one page, in order, under a heading row that each page has room for.
TEST(PrintLayout, PagesTakeWholeRowsUnderTheHeading)
{
    // A heading of 2 units (1 line + padding), rows of 2 units: 4 rows a page of 10.
    const PrintGeometry geometry{100, 10, 0.5, 0};
    const auto layout = PrintLayout::build(numberedRows(5000), geometry, measure);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->pageCount(), 1250);
    int next = 1;
    for (int p = 0; p < layout->pageCount(); ++p) {
        const PrintPage& page = layout->page(p);
        ASSERT_EQ(page.firstRow, next);
        ASSERT_EQ(page.endRow - page.firstRow, 4);
        ASSERT_EQ(page.endLine, 0);
        next = page.endRow;
    }
}

// A row of three lines that would cross the page's foot starts the next page; a row taller
// than any page is cut into slices, each under the heading, and the rows after it follow
// its last slice.
TEST(PrintLayout, ShortRowsMoveWholeARowTallerThanAPageIsSliced)
{
    JournalTable table = numberedRows(6);
    const QString threeLines = QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc");
    const QString elevenLines = QString(QStringLiteral("wwwwwwwwww ")).repeated(11).trimmed();
    table.setCell(3, JournalTable::kCommentColumn, threeLines);
    table.setCell(5, JournalTable::kCommentColumn, elevenLines);
    // The comment column gets 16 characters of text; a page 6 lines under the heading.
    const PrintGeometry geometry{45, 9, 0.5, 0};
    const auto layout = PrintLayout::build(table, geometry, measure);
    ASSERT_TRUE(layout);
    ASSERT_DOUBLE_EQ(layout->columnWidths()[4], 17);
    EXPECT_EQ(layout->rowLines(3), 3);
    const std::vector<PrintPage> expected = {
        {1, 3},          // heading and rows 1, 2: 6 units; row 3 takes 4 more
        {3, 5},          // rows 3, 4
        {5, 6, 0, 6},    // row 5: 11 lines, 6 a page
        {5, 6, 6, 0},    // "(продолжение)" and lines 6..10
        {6, 7},
    };
    ASSERT_EQ(layout->pageCount(), int(expected.size()));
    for (int p = 0; p < layout->pageCount(); ++p)
        EXPECT_EQ(layout->page(p), expected[std::size_t(p)]) << p;
}

// A tall row that doesn't fit in what is left of a page starts there and goes on over the
// next page, under a line that says it continues; a row of a few lines moves on whole, and
// so does a tall one where too little of it would fit.
TEST(PrintLayout, ATallRowIsCutAtThePageFoot)
{
    const auto linesOf = [](int count) { return QString(QStringLiteral("wwwwwwwwww ")).repeated(count).trimmed(); };
    JournalTable table = numberedRows(7);
    table.setCell(2, JournalTable::kCommentColumn, linesOf(8));
    table.setCell(5, JournalTable::kCommentColumn, linesOf(4));
    table.setCell(6, JournalTable::kCommentColumn, linesOf(5));
    const auto layout = PrintLayout::build(table, {45, 9, 0.5, 0}, measure);  // as above
    ASSERT_TRUE(layout);
    const std::vector<PrintPage> expected = {
        {1, 3, 0, 4},  // row 1, lines 0..3 of row 2
        {2, 3, 4, 0},  // the mark, lines 4..7
        {3, 5},        // row 5 (4 lines) would have 2 here
        {5, 6},        // row 6 (5 lines) would have 1 here
        {6, 7},
        {7, 8},
    };
    ASSERT_EQ(layout->pageCount(), int(expected.size()));
    for (int p = 0; p < layout->pageCount(); ++p)
        EXPECT_EQ(layout->page(p), expected[std::size_t(p)]) << p;
    EXPECT_EQ(layout->sliceLines(layout->slice(layout->page(0), 2)), 4);
    const RowSlice continued = layout->slice(layout->page(1), 2);
    EXPECT_TRUE(continued.continued());
    EXPECT_EQ(continued.endLine, 8);
    EXPECT_EQ(layout->sliceLines(continued), 5);
}

// One long comment wraps itself; it doesn't push the dates of every row onto two lines.
TEST(PrintLayout, ALongCommentWrapsAloneWhereTheOthersFit)
{
    JournalTable table = numberedRows(3, QStringLiteral("08.12.2026 08:00:01"));
    table.setCell(2, JournalTable::kCommentColumn, QString(QStringLiteral("word ")).repeated(40));
    const auto layout = PrintLayout::build(table, {60, 100, 0.5, 0}, measure);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->rowLines(1), 1);
    EXPECT_GT(layout->rowLines(2), 1);
    EXPECT_EQ(layout->rowLines(3), 1);
}

// A comment holding a word too long for any cell (a path, a link, a row of underscores)
// breaks that word; the other columns stay on one line where the paper has room for that
// beside a fair share for the comment, and keep at least their widest words where not.
TEST(PrintLayout, AnOverlongWordBreaksInTheCommentAlone)
{
    JournalTable table = numberedRows(20);
    for (int r = 1; r <= 20; ++r)
        table.setCell(r, JournalTable::kDateColumn, QStringLiteral("08.12.2026 08:00:01"));
    table.setCell(7, JournalTable::kCommentColumn, QString(72, u'_'));
    // Widths with padding: "№" 3, date 20 (11 its widest word), method 6, value 9.
    struct Case {
        double width;
        int dateLines;
        double commentWidth;
    };
    for (const Case& c : {Case{60, 1, 60 - 3 - 35}, Case{46, 2, 46 - 3 - 26}}) {
        const auto layout = PrintLayout::build(table, {c.width, 100, 0.5, 0}, measure);
        ASSERT_TRUE(layout);
        EXPECT_DOUBLE_EQ(layout->columnWidths()[4], c.commentWidth) << c.width;
        EXPECT_GE(layout->columnWidths()[1], 11) << c.width;
        EXPECT_EQ(layout->rowLines(1), c.dateLines) << c.width;
        EXPECT_EQ(layout->rowLines(7), std::max(c.dateLines, int(std::ceil(72 / (c.commentWidth - 1)))))
            << c.width;
    }
}

TEST(PrintLayout, EmptyJournalIsOnePageOfOneBlankRow)
{
    const auto layout = PrintLayout::build(JournalTable(), {100, 10, 0.5, 0}, measure);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->pageCount(), 1);
    EXPECT_EQ(layout->page(0), (PrintPage{1, 2}));
}

TEST(PrintLayout, ProgressCanStopTheWork)
{
    int calls = 0;
    int lastTotal = 0;
    const auto layout = PrintLayout::build(numberedRows(5000), {100, 10, 0.5, 0}, measure,
                                           [&](int done, int total) {
                                               ++calls;
                                               lastTotal = total;
                                               return done < 3000;
                                           });
    EXPECT_FALSE(layout);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(lastTotal, 10000);
}

}  // namespace
}  // namespace kv
