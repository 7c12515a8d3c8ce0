#pragma once
// The journal on paper: the rows as they stood when printing was asked for, cut into pages
// for one paper size and its margins. A page is painted only when it is asked for, by the
// preview or by a printer, so a long journal costs its measuring, not its painting.
//
// Each page carries the title at its head (and a note, such as the filter the rows were
// chosen by, at the head's right), and the print date and "Стр. x из y" at its foot.

#include "journal/journal_table.h"
#include "journal/print_layout.h"
#include "journal/ui/paged_document.h"

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QStringList>

#include <memory>
#include <vector>

class QPainter;
class QPrinter;

namespace kv {

// Measures with a font's metrics at the layout's units. Alphabets that are set letter by
// letter (Latin, Cyrillic, Greek, punctuation, signs) are measured as the sum of their
// letters' advances, which the fonts, without kerning, draw exactly; shaping every cell of
// a long journal would cost seconds. Any other text is shaped.
class FontTextMeasure : public TextMeasure {
public:
    explicit FontTextMeasure(const QFont& font);
    double width(QStringView text, bool bold) const override;
    double lineHeight() const override { return m_lineHeight; }
    const QFont& font(bool bold) const { return bold ? m_bold : m_regular; }

private:
    static constexpr char16_t kSimpleEnd = 0x0530;  // up to Cyrillic and its supplement

    struct Advances {
        QFontMetricsF metrics;
        std::vector<float> simple = std::vector<float>(kSimpleEnd, -1.0f);
    };
    QFont m_regular;
    QFont m_bold;
    mutable Advances m_regularAdvances;
    mutable Advances m_boldAdvances;
    double m_lineHeight = 0;
};

// The margins a printer that gives none gets.
inline constexpr double kDefaultMarginMillimetres = 12;

class JournalPrintDocument : public PagedDocument {
public:
    // Lays out `rows` for `paper` (its margins, or kDefaultMarginMillimetres where it has
    // none), with `headNote` at the head of each page. nullptr when `progress` answered
    // false.
    static std::unique_ptr<JournalPrintDocument> create(const JournalTable& rows,
                                                        const QPageLayout& paper,
                                                        const QDate& printDate,
                                                        const QString& headNote = {},
                                                        const PrintProgress& progress = {});

    int pageCount() const override { return m_layout->pageCount(); }
    const PrintLayout& layout() const { return *m_layout; }
    QSizeF paperSize() const override { return m_sheet.paper.size(); }
    const QDate& printDate() const { return m_printDate; }

    void paintPage(QPainter& painter, int index) const override;
    bool layOutFor(const QPageLayout& paper, const PrintProgress& progress = {}) override;
    // The texts page `index` carries, a line for each line of print, cells joined by " | ".
    QStringList pageText(int index) const;

protected:
    // Laid out again first when the printer's paper or margins differ from the previewed.
    PrintResult printPages(QPrinter& printer, const PrintProgress& progress) const override;

private:
    struct Piece {
        QRectF rect;
        QString text;
        int flags = 0;
        int font = 0;    // 0 regular, 1 bold, 2 the small type of head and foot
        int group = 0;   // the line of print: the head, a table row, the foot
        int column = 0;  // within the group
        bool grey = false;
    };

    // Where a sheet's parts go.
    struct Sheet {
        QRectF paper;
        QMarginsF margins;
    };

    JournalPrintDocument(const JournalTable& rows, const QDate& printDate, const QString& headNote);
    std::unique_ptr<PrintLayout> layOut(const Sheet& sheet, const PrintProgress& progress) const;
    // What page `index` of `layout` is made of: the texts, and the rules as thin rectangles.
    void pieces(const PrintLayout& layout, const Sheet& sheet, int index,
                std::vector<Piece>& texts, std::vector<QRectF>& rules) const;
    void paint(QPainter& painter, const PrintLayout& layout, const Sheet& sheet, int index) const;
    const QFont& fontOf(int font) const;

    JournalTable m_rows;
    QDate m_printDate;
    QString m_headNote;
    Sheet m_sheet;
    FontTextMeasure m_measure;
    QFont m_small;
    std::unique_ptr<PrintLayout> m_layout;
};

}  // namespace kv
