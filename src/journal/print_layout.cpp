#include "journal/print_layout.h"

#include "core/cp1251.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// Code page 1251 holds ASCII and the basic Cyrillic letters; only other characters need
// the round trip through the encoder.
bool surelyInCp1251(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 || (u >= 0x0410 && u <= 0x044F);
}

bool isHtmlBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}

bool needsRework(const QString& text)
{
    QChar previous(u' ');  // a blank at the start is dropped
    for (QChar c : text) {
        if (!surelyInCp1251(c) || (isHtmlBlank(c) && (c != u' ' || isHtmlBlank(previous))))
            return true;
        previous = c;
    }
    return !text.isEmpty() && isHtmlBlank(text.back());
}

double widestWord(QStringView text, const TextMeasure& measure)
{
    double widest = 0;
    for (QStringView word : text.tokenize(u' ', Qt::SkipEmptyParts))
        widest = std::max(widest, measure.width(word, false));
    return widest;
}

// The longest start of `text` (at least one character, a surrogate pair kept whole) no
// wider than `width`.
qsizetype fittingPrefix(QStringView text, double width, bool bold, const TextMeasure& measure)
{
    // Doubling first, so a word of a million characters costs about one line's measuring.
    qsizetype low = 1;
    qsizetype high = 2;
    while (high < text.size() && measure.width(text.left(high), bold) <= width) {
        low = high;
        high *= 2;
    }
    high = std::min(high, text.size());
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (measure.width(text.left(mid), bold) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    if (low < text.size() && text[low - 1].isHighSurrogate())
        low = low > 1 ? low - 1 : low + 1;
    return low;
}

// Report every this many rows: often enough for a smooth bar, rarely enough to cost nothing.
constexpr int kProgressStep = 1000;

// A row of no more lines than this moves to the next page whole; a taller one is cut
// where that keeps at least kSliceLeastLines on each side.
constexpr int kShortRowLines = 4;
constexpr int kSliceLeastLines = 2;

}  // namespace

QString printedText(const QString& cell)
{
    if (!needsRework(cell))
        return cell;
    const QString decoded = fromCp1251(toCp1251(cell));
    QString out;
    out.reserve(decoded.size());
    bool blank = false;
    for (QChar c : decoded) {
        if (isHtmlBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

std::vector<QStringView> wrapText(QStringView text, double width, bool bold,
                                  const TextMeasure& measure)
{
    if (text.isEmpty() || measure.width(text, bold) <= width)
        return {text};
    std::vector<QStringView> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        if (text[start] == u' ') {
            ++start;
            continue;
        }
        // Take whole words while they fit.
        qsizetype lineEnd = start;
        qsizetype next = start;
        while (next < text.size()) {
            qsizetype wordEnd = text.indexOf(u' ', next);
            if (wordEnd < 0)
                wordEnd = text.size();
            if (measure.width(text.mid(start, wordEnd - start), bold) > width)
                break;
            lineEnd = wordEnd;
            next = wordEnd + 1;
        }
        if (lineEnd == start) {  // one word wider than the line
            qsizetype wordEnd = text.indexOf(u' ', start);
            if (wordEnd < 0)
                wordEnd = text.size();
            lineEnd = start + fittingPrefix(text.mid(start, wordEnd - start), width, bold, measure);
        }
        lines.push_back(text.mid(start, lineEnd - start));
        start = lineEnd;
    }
    if (lines.empty())
        lines.push_back(text.left(0));
    return lines;
}

double PrintLayout::rowHeight(int row) const
{
    return rowLines(row) * m_lineHeight + 2 * m_geometry.cellPadding;
}

RowSlice PrintLayout::slice(const PrintPage& page, int row) const
{
    RowSlice slice{0, rowLines(row)};
    if (row == page.firstRow)
        slice.firstLine = page.firstLine;
    if (row == page.endRow - 1 && page.endLine > 0)
        slice.endLine = page.endLine;
    return slice;
}

int PrintLayout::sliceLines(const RowSlice& slice) const
{
    return (slice.continued() ? m_markLines : 0) + slice.endLine - slice.firstLine;
}

std::optional<PrintLayout> PrintLayout::build(const JournalTable& table,
                                              const PrintGeometry& geometry,
                                              const TextMeasure& measure,
                                              const PrintProgress& progress)
{
    constexpr int columns = JournalTable::kColumnCount;
    const int dataRows = table.rowCount() - 1;
    // Measuring, then wrapping: two passes over the rows.
    const int total = 2 * dataRows;
    const auto stopped = [&](int done) {
        return progress && done % kProgressStep == 0 && !progress(done, total);
    };

    PrintLayout layout;
    layout.m_geometry = geometry;
    layout.m_lineHeight = measure.lineHeight();
    const double padding = 2 * geometry.cellPadding;

    // What each column needs at the least (its widest word) and at the most (its widest
    // text on one line), as a browser's table layout weighs them.
    std::array<double, columns> least{};
    std::array<double, columns> most{};
    std::vector<float> textWidths(std::size_t(dataRows) * columns);
    for (int c = 0; c < columns; ++c)
        least[c] = most[c] = measure.width(kJournalHeadings[c], true);
    for (int r = 1; r <= dataRows; ++r) {
        if (stopped(r))
            return std::nullopt;
        for (int c = 0; c < columns; ++c) {
            const QString text = printedText(table.cell(r, c));
            const double w = measure.width(text, false);
            textWidths[std::size_t(r - 1) * columns + c] = float(w);
            most[c] = std::max(most[c], w);
            if (w > least[c])
                least[c] = std::max(least[c], text.contains(u' ') ? widestWord(text, measure) : w);
        }
    }

    // "№" takes what its widest number needs and no more; the others share the rest of
    // the page's width by what they would like. Where not every text fits on one line,
    // the comment is the one to wrap, if the others fit: a browser would share the
    // shortage among all, so one long comment would put every date on two lines.
    std::array<double, columns>& widths = layout.m_widths;
    widths[0] = std::min(std::max(geometry.minimumNumberWidth, least[0] + padding),
                         geometry.width / 3);
    const double room = geometry.width - widths[0];
    double sumLeast = 0;
    double sumMost = 0;
    for (int c = 1; c < columns; ++c) {
        least[c] += padding;
        most[c] += padding;
        sumLeast += least[c];
        sumMost += most[c];
    }
    // A word in the comment wider than the others leave it (a path, a link, a row of
    // underscores) breaks between characters instead of narrowing them: on one line while
    // that leaves the comment at least its heading's width, else at their own least.
    const int comment = JournalTable::kCommentColumn;
    const double othersLeast = sumLeast - least[comment];
    const double othersMost = sumMost - most[comment];
    const double commentHeading = measure.width(kJournalHeadings[comment], true) + padding;
    const double commentRoom = room - othersMost >= commentHeading ? room - othersMost : room - othersLeast;
    if (least[comment] > commentRoom) {
        sumLeast -= least[comment];
        least[comment] = std::max(commentHeading, commentRoom);
        sumLeast += least[comment];
    }
    const bool commentWraps = sumLeast <= room && sumMost > room
                              && room - othersMost >= least[comment];
    for (int c = 1; c < columns; ++c) {
        if (commentWraps)
            widths[c] = c == comment ? room - (sumMost - most[comment]) : most[c];
        else if (sumLeast >= room)  // wider than the paper: words break between characters
            widths[c] = room * least[c] / sumLeast;
        else if (sumMost <= room)
            widths[c] = most[c] + (room - sumMost) * most[c] / sumMost;
        else
            widths[c] = least[c] + (room - sumLeast) * (most[c] - least[c]) / (sumMost - sumLeast);
    }

    // Lines per row; a text no wider than its cell is one line without wrapping it.
    layout.m_lines.assign(std::size_t(dataRows) + 1, 1);
    for (int c = 0; c < columns; ++c)
        layout.m_lines[0] = std::max<int>(
            layout.m_lines[0], int(wrapText(kJournalHeadings[c], widths[c] - padding, true, measure).size()));
    for (int r = 1; r <= dataRows; ++r) {
        if (stopped(dataRows + r))
            return std::nullopt;
        int lines = 1;
        for (int c = 0; c < columns; ++c) {
            if (textWidths[std::size_t(r - 1) * columns + c] <= widths[c] - padding)
                continue;
            const QString text = printedText(table.cell(r, c));
            lines = std::max<int>(lines, int(wrapText(text, widths[c] - padding, false, measure).size()));
        }
        layout.m_lines[std::size_t(r)] = lines;
    }
    textWidths = {};

    layout.m_markLines = int(wrapText(kContinuedText, widths[comment] - padding, false, measure).size());

    // Pages: whole rows under the heading while they fit. A row that doesn't fit in what
    // is left of the page moves on whole when short; a tall one is cut at the page's foot
    // (keeping a few lines on each side), and so is one taller than a whole page.
    const double heading = layout.rowHeight(0);
    const double limit = geometry.height + 1e-6 * std::max(1.0, geometry.height);
    const double line = layout.m_lineHeight;
    PrintPage current{1, 1};
    double y = heading;
    const auto nextPage = [&](int row, int firstLine) {
        layout.m_pages.push_back(current);
        current = {row, row, firstLine, 0};
        y = heading;
    };
    for (int r = 1; r <= dataRows; ++r) {
        const int lines = layout.rowLines(r);
        int first = 0;
        for (;;) {
            const int mark = first > 0 ? layout.m_markLines : 0;
            const double h = (mark + lines - first) * line + padding;
            if (y + h <= limit) {
                y += h;
                current.endRow = r + 1;
                break;
            }
            const bool emptyPage = current.endRow == current.firstRow;
            const int fit = int(std::floor((limit - y - padding) / line + 1e-9)) - mark;
            int take = 0;
            if (emptyPage)
                take = std::max(1, fit);
            else if (lines - first > kShortRowLines && fit >= kSliceLeastLines)
                take = std::min(fit, lines - first - kSliceLeastLines);
            if (take > 0) {
                current.endRow = r + 1;
                current.endLine = first + take;
                first += take;
            }
            nextPage(r, first);
        }
    }
    if (current.endRow > current.firstRow || layout.m_pages.empty())
        layout.m_pages.push_back(current);
    return layout;
}

}  // namespace kv
