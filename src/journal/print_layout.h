#pragma once
// The journal cut into paper pages the way a browser prints the print page's table:
// column widths are minimums (a column grows to its widest word, "№" to its widest
// number; only a comment's word too long for the paper breaks) and the heading row
// repeats at the top of every page. A row moves to the next page whole, unless it is tall
// (a long comment) and would leave much of the page blank: then it is cut at the page's
// foot and goes on over the next, its continuation marked. Text is measured through
// TextMeasure, so the page-breaking rules run without fonts or a window.

#include "journal/journal_table.h"

#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace kv {


// Widths of pieces of one line of text, in the layout's units.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual double width(QStringView text, bool bold) const = 0;
    virtual double lineHeight() const = 0;
};

// The table's box on each page, in the layout's units.
struct PrintGeometry {
    double width = 0;
    double height = 0;
    double cellPadding = 0;  // between a cell's text and its rules, on each side
    // The narrowest "№" column: the page asks for 10 pixels.
    double minimumNumberWidth = 0;
};

// What a browser shows of a cell of the page: the text after the page's code page 1251
// (a character it lacks reads "?"), runs of blanks, tabs and line breaks as one blank,
// none at either end.
QString printedText(const QString& cell);

// `text` in lines no wider than `width`, broken at blanks; a word wider than the line is
// broken between characters. At least one line, empty for an empty text.
std::vector<QStringView> wrapText(QStringView text, double width, bool bold,
                                  const TextMeasure& measure);

// Rows firstRow..endRow-1 of the table (1-based, as JournalTable counts), under the
// heading row. firstLine > 0: the first row goes on from an earlier page, from that line;
// endLine > 0: the last row is cut before that line and goes on over the next page.
struct PrintPage {
    int firstRow = 1;
    int endRow = 1;
    int firstLine = 0;
    int endLine = 0;
    bool operator==(const PrintPage&) const = default;
};

// The lines firstLine..endLine-1 of one row that a page shows. A continuation (firstLine
// > 0) shows kContinuedText over them in the comment's cell, as many lines as
// continuedMarkLines(), and repeats the row's other cells.
struct RowSlice {
    int firstLine = 0;
    int endLine = 0;
    bool continued() const { return firstLine > 0; }
};

inline const QString kContinuedText = QStringLiteral("(продолжение)");

// Told (steps done, steps in all) now and then; answering false stops the work.
using PrintProgress = std::function<bool(int done, int total)>;

class PrintLayout {
public:
    // Measures every cell of `table` once and cuts the rows into pages. Empty when
    // `progress` answered false.
    static std::optional<PrintLayout> build(const JournalTable& table,
                                            const PrintGeometry& geometry,
                                            const TextMeasure& measure,
                                            const PrintProgress& progress = {});

    int pageCount() const { return int(m_pages.size()); }
    const PrintPage& page(int index) const { return m_pages[std::size_t(index)]; }
    const std::array<double, JournalTable::kColumnCount>& columnWidths() const { return m_widths; }
    // Row 0 is the heading row. A height includes the cell padding.
    int rowLines(int row) const { return m_lines[std::size_t(row)]; }
    double rowHeight(int row) const;
    double lineHeight() const { return m_lineHeight; }
    // What of `row` the page shows, and how many lines of print that takes.
    RowSlice slice(const PrintPage& page, int row) const;
    int sliceLines(const RowSlice& slice) const;
    int continuedMarkLines() const { return m_markLines; }
    const PrintGeometry& geometry() const { return m_geometry; }

private:
    PrintLayout() = default;

    PrintGeometry m_geometry;
    double m_lineHeight = 0;
    int m_markLines = 1;
    std::array<double, JournalTable::kColumnCount> m_widths{};
    std::vector<int> m_lines;  // lines per row, [0] the heading row
    std::vector<PrintPage> m_pages;
};

}  // namespace kv
