#include "journal/ui/journal_print_document.h"

#include <QColor>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace kv {

namespace {

constexpr double kMillimetre = JournalPrintDocument::kUnitsPerInch / 25.4;
constexpr double kBandGap = 3 * kMillimetre;
constexpr double kCellPadding = 0.6 * kMillimetre;
constexpr double kRule = 0.2 * kMillimetre;
// The page asks for a "№" column of 10 pixels, a 96th of an inch each.
constexpr double kNumberColumnMinimum = 10 * JournalPrintDocument::kUnitsPerInch / 96;
// What a continued row repeats, and the word that it continues.
const QColor kRepeatedInk(0x80, 0x80, 0x80);

QFont printFont(double points)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(int(std::lround(points * JournalPrintDocument::kUnitsPerInch / 72)));
    // Hinting fits glyphs to screen pixels; the layout's units are far finer, and the
    // widths measured must hold at any zoom and on paper.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

// Where the title, the table and the foot go on a sheet.
struct Frame {
    QRectF head;
    QRectF table;
    QRectF foot;
};

Frame frameOf(const QRectF& paper, const QMarginsF& margins, double smallLine)
{
    const QRectF content = paper.marginsRemoved(margins);
    Frame frame;
    frame.head = QRectF(content.left(), content.top(), content.width(), smallLine);
    frame.foot = QRectF(content.left(), content.bottom() - smallLine, content.width(), smallLine);
    frame.table = QRectF(content.left(), frame.head.bottom() + kBandGap, content.width(),
                         frame.foot.top() - kBandGap - frame.head.bottom() - kBandGap);
    return frame;
}

QRectF paperOf(const QPageLayout& page)
{
    const QRectF inches = page.fullRect(QPageLayout::Inch);
    return {0, 0, inches.width() * JournalPrintDocument::kUnitsPerInch,
            inches.height() * JournalPrintDocument::kUnitsPerInch};
}

QMarginsF marginsOf(const QPageLayout& page)
{
    // In inches Qt rounds to a hundredth, a quarter of a millimetre.
    const QMarginsF margins = page.margins(QPageLayout::Millimeter) * kMillimetre;
    if (!margins.isNull())
        return margins;
    const double all = kDefaultMarginMillimetres * kMillimetre;
    return {all, all, all, all};
}

bool sameSize(const QRectF& a, const QRectF& b)
{
    return std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

bool sameMargins(const QMarginsF& a, const QMarginsF& b)
{
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1
           && std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

}  // namespace

namespace {

QFont boldOf(QFont font)
{
    font.setBold(true);
    return font;
}

// Set letter by letter: Latin to Cyrillic (below `end`), general punctuation, currency
// and letterlike signs ("№").
bool simpleLetter(char16_t u, char16_t end)
{
    return u < end || (u >= 0x2000 && u < 0x2150 && !(u >= 0x200B && u <= 0x200F)
                       && !(u >= 0x2028 && u <= 0x202E) && !(u >= 0x2060 && u <= 0x206F));
}

}  // namespace

FontTextMeasure::FontTextMeasure(const QFont& font)
    : m_regular(font)
    , m_bold(boldOf(font))
    , m_regularAdvances{QFontMetricsF(m_regular)}
    , m_boldAdvances{QFontMetricsF(m_bold)}
{
    m_lineHeight = std::max(m_regularAdvances.metrics.lineSpacing(),
                            m_boldAdvances.metrics.lineSpacing());
}

double FontTextMeasure::width(QStringView text, bool bold) const
{
    Advances& advances = bold ? m_boldAdvances : m_regularAdvances;
    double sum = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!simpleLetter(u, kSimpleEnd) || (u >= 0x0300 && u < 0x0370))  // combining marks
            return advances.metrics.horizontalAdvance(text.toString());
        if (u < kSimpleEnd) {
            float& advance = advances.simple[u];
            if (advance < 0)
                advance = float(advances.metrics.horizontalAdvance(c));
            sum += advance;
        } else {
            sum += advances.metrics.horizontalAdvance(c);
        }
    }
    return sum;
}

JournalPrintDocument::JournalPrintDocument(const JournalTable& rows, const QDate& printDate,
                                           const QString& headNote)
    : m_rows(rows)
    , m_printDate(printDate)
    , m_headNote(headNote)
    , m_measure(printFont(10))
    , m_small(printFont(8))
{
}

std::unique_ptr<JournalPrintDocument> JournalPrintDocument::create(const JournalTable& rows,
                                                                   const QPageLayout& paper,
                                                                   const QDate& printDate,
                                                                   const QString& headNote,
                                                                   const PrintProgress& progress)
{
    std::unique_ptr<JournalPrintDocument> document(new JournalPrintDocument(rows, printDate, headNote));
    if (!document->layOutFor(paper, progress))
        return nullptr;
    return document;
}

bool JournalPrintDocument::layOutFor(const QPageLayout& paper, const PrintProgress& progress)
{
    const Sheet sheet{paperOf(paper), marginsOf(paper)};
    std::unique_ptr<PrintLayout> layout = layOut(sheet, progress);
    if (!layout)
        return false;
    m_sheet = sheet;
    m_layout = std::move(layout);
    return true;
}

std::unique_ptr<PrintLayout> JournalPrintDocument::layOut(const Sheet& sheet,
                                                          const PrintProgress& progress) const
{
    const Frame frame = frameOf(sheet.paper, sheet.margins, QFontMetricsF(m_small).lineSpacing());
    const PrintGeometry geometry{frame.table.width(), frame.table.height(), kCellPadding,
                                 kNumberColumnMinimum};
    std::optional<PrintLayout> layout = PrintLayout::build(m_rows, geometry, m_measure, progress);
    if (!layout)
        return nullptr;
    return std::make_unique<PrintLayout>(std::move(*layout));
}

const QFont& JournalPrintDocument::fontOf(int font) const
{
    return font == 2 ? m_small : m_measure.font(font == 1);
}

void JournalPrintDocument::pieces(const PrintLayout& layout, const Sheet& sheet, int index,
                                  std::vector<Piece>& texts, std::vector<QRectF>& rules) const
{
    const QFontMetricsF small(m_small);
    const Frame frame = frameOf(sheet.paper, sheet.margins, small.lineSpacing());
    const PrintPage& page = layout.page(index);
    const auto& widths = layout.columnWidths();
    const double line = layout.lineHeight();
    constexpr int lineFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
    int group = 0;

    texts.push_back({frame.head, kJournalTitle, Qt::AlignLeft | Qt::AlignVCenter, 2, group, 0});
    if (!m_headNote.isEmpty()) {
        // Cut short where it would reach the title.
        const double room = frame.head.width() - small.horizontalAdvance(kJournalTitle) - 2 * kBandGap;
        texts.push_back({frame.head, small.elidedText(m_headNote, Qt::ElideRight, std::max(0.0, room)),
                         Qt::AlignRight | Qt::AlignVCenter, 2, group, 1});
    }
    ++group;

    // One table row, or the slice of it the page shows: each cell's lines centred across
    // the cell and, for a whole row, down it too, as a browser sets a cell. A continuation
    // says so in grey at the top of the comment's cell and repeats in grey the cells
    // printed whole before, so the reader sees whose comment goes on.
    double y = frame.table.top();
    const auto putRow = [&](auto cellText, int rowLines, RowSlice slice, bool bold) {
        const bool whole = slice.firstLine == 0 && slice.endLine == rowLines;
        const int shown = whole ? rowLines : layout.sliceLines(slice);
        const int mark = slice.continued() ? layout.continuedMarkLines() : 0;
        const auto put = [&](double x, double top, double inner, const std::vector<QStringView>& lines,
                             int first, int end, bool grey, int column) {
            for (int l = first; l < end; ++l)
                texts.push_back({QRectF(x + kCellPadding, top + (l - first) * line, inner, line),
                                 lines[std::size_t(l)].toString(), lineFlags, bold ? 1 : 0, group,
                                 column, grey});
        };
        double x = frame.table.left();
        for (int c = 0; c < JournalTable::kColumnCount; ++c) {
            const QString text = cellText(c);
            const double inner = widths[c] - 2 * kCellPadding;
            const std::vector<QStringView> cellLines = wrapText(text, inner, bold, m_measure);
            const int count = int(cellLines.size());
            double top = y + kCellPadding;
            if (whole) {
                put(x, top + (shown - count) * line / 2, inner, cellLines, 0, count, false, c);
            } else if (c == JournalTable::kCommentColumn || count > slice.firstLine) {
                if (c == JournalTable::kCommentColumn && mark > 0)
                    put(x, top, inner, wrapText(kContinuedText, inner, false, m_measure), 0, mark, true, c);
                put(x, top + mark * line, inner, cellLines, std::min(slice.firstLine, count),
                    std::min(slice.endLine, count), false, c);
            } else {
                put(x, top, inner, cellLines, 0, std::min(count, shown), true, c);
            }
            x += widths[c];
        }
        rules.push_back(QRectF(frame.table.left(), y - kRule / 2, frame.table.width(), kRule));
        y += shown * line + 2 * kCellPadding;
        ++group;
    };
    putRow([](int c) { return kJournalHeadings[std::size_t(c)]; }, layout.rowLines(0),
           RowSlice{0, layout.rowLines(0)}, true);
    for (int r = page.firstRow; r < page.endRow; ++r)
        putRow([this, r](int c) { return printedText(m_rows.cell(r, c)); }, layout.rowLines(r),
               layout.slice(page, r), false);
    rules.push_back(QRectF(frame.table.left(), y - kRule / 2, frame.table.width(), kRule));
    double x = frame.table.left();
    for (int c = 0; c <= JournalTable::kColumnCount; ++c) {
        rules.push_back(QRectF(x - kRule / 2, frame.table.top() - kRule / 2, kRule,
                               y - frame.table.top() + kRule));
        if (c < JournalTable::kColumnCount)
            x += widths[c];
    }

    texts.push_back({frame.foot, QLocale().toString(m_printDate, QLocale::ShortFormat),
                     Qt::AlignLeft | Qt::AlignVCenter, 2, group, 0});
    texts.push_back({frame.foot,
                     QStringLiteral("Стр. %1 из %2").arg(index + 1).arg(layout.pageCount()),
                     Qt::AlignRight | Qt::AlignVCenter, 2, group, 1});
}

void JournalPrintDocument::paint(QPainter& painter, const PrintLayout& layout, const Sheet& sheet,
                                 int index) const
{
    std::vector<Piece> texts;
    std::vector<QRectF> rules;
    pieces(layout, sheet, index, texts, rules);
    painter.save();
    painter.setPen(Qt::black);
    // A rule thinner than a pixel of the device would vanish on a screen, one row in two.
    const double pixel = 1 / std::max(1e-9, std::abs(painter.transform().m22()));
    for (QRectF rule : rules) {
        if (rule.height() < pixel)
            rule.setHeight(pixel);
        if (rule.width() < pixel)
            rule.setWidth(pixel);
        painter.fillRect(rule, Qt::black);
    }
    int font = -1;
    bool grey = false;
    for (const Piece& piece : texts) {
        if (piece.font != font)
            painter.setFont(fontOf(font = piece.font));
        if (piece.grey != grey)
            painter.setPen((grey = piece.grey) ? kRepeatedInk : QColor(Qt::black));
        painter.drawText(piece.rect, piece.flags, piece.text);
    }
    painter.restore();
}

void JournalPrintDocument::paintPage(QPainter& painter, int index) const
{
    paint(painter, *m_layout, m_sheet, index);
}

QStringList JournalPrintDocument::pageText(int index) const
{
    std::vector<Piece> texts;
    std::vector<QRectF> rules;
    pieces(*m_layout, m_sheet, index, texts, rules);
    QStringList lines;
    int group = -1;
    int column = -1;
    for (const Piece& piece : texts) {
        if (piece.group != group)
            lines << piece.text;
        else
            lines.back() += (piece.column != column ? QStringLiteral(" | ") : QStringLiteral(" ")) + piece.text;
        group = piece.group;
        column = piece.column;
    }
    return lines;
}

JournalPrintDocument::PrintResult JournalPrintDocument::printPages(QPrinter& printer,
                                                                   const PrintProgress& progress) const
{
    const QPageLayout paper = printer.pageLayout();
    const Sheet sheet{paperOf(paper), marginsOf(paper)};
    const PrintLayout* layout = m_layout.get();
    std::unique_ptr<PrintLayout> other;
    if (!sameSize(sheet.paper, m_sheet.paper) || !sameMargins(sheet.margins, m_sheet.margins)) {
        other = layOut(sheet, {});
        layout = other.get();
    }
    return paintPages(printer, layout->pageCount(),
                      [&](QPainter& painter, int index) { paint(painter, *layout, sheet, index); }, progress);
}

}  // namespace kv
