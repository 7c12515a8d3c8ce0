#include "journal/ui/page_setup.h"

#include "core/methods.h"
#include "journal/journal_entry.h"
#include "journal/journal_table.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace kv {

namespace {

// Narrowest widths at which the journal grids must still show these texts whole.
constexpr int kDateColumnWidth = 100;    // the archive's date column
constexpr int kMethodColumnWidth = 150;  // every grid's method column
constexpr int kValueColumnWidth = 54;    // the journal's value column
constexpr int kLargestGridPixels = 11;   // the window's own size
constexpr int kSmallestGridPixels = 8;

const QStringList& gridFamilies()
{
    static const QStringList families = {
        QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Nimbus Sans Narrow"),    QStringLiteral("Arial Narrow"),
        QStringLiteral("DejaVu Sans"),
    };
    return families;
}

// Draws a cell's text with kCellPadding on either side instead of the style's wider
// margin; background, selection and focus are the style's.
class CompactCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString text = cell.text;
        cell.text.clear();
        const QWidget* view = cell.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
        if (text.isEmpty())
            return;

        const QRect area = cell.rect.adjusted(kCellPadding, 0, -kCellPadding, 0);
        QPalette::ColorGroup group = QPalette::Disabled;
        if (cell.state & QStyle::State_Enabled)
            group = (cell.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
        const QPalette::ColorRole role =
            (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, role));
        painter->drawText(area, int(cell.displayAlignment) | Qt::TextSingleLine,
                          cell.fontMetrics.elidedText(text, cell.textElideMode, area.width(),
                                                      Qt::TextSingleLine));
        painter->restore();
    }
};

bool textsFit(const QFont& font)
{
    const QStyle* style = QApplication::style();
    // A cell loses one pixel to its grid line; a heading loses the style's margin on
    // either side. Method names are measured against the style's own cell margin, which
    // the calibrations grid keeps.
    const int styleCellMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin);
    const QFontMetrics metrics(font);
    const QString date = entryDateTimeText(QDateTime(QDate(2088, 12, 28), QTime(20, 48, 58)));
    if (metrics.horizontalAdvance(date) > kDateColumnWidth - 1 - 2 * kCellPadding)
        return false;
    for (int m = Research; m <= Cetane; ++m) {
        if (metrics.horizontalAdvance(methodName(m))
            > kMethodColumnWidth - 1 - 2 * styleCellMargin)
            return false;
    }
    return metrics.horizontalAdvance(QStringLiteral("Значение"))
           <= kValueColumnWidth - 2 * headerMargin;
}

}  // namespace

QFont gridFont()
{
    // Every grid and tool button asks for it while the window is built; the fonts and the
    // style don't change while the program runs, so the measuring is done once.
    static const QFont font = [] {
        QFont f(gridFamilies().first());
        f.setFamilies(gridFamilies());
        int pixels = kLargestGridPixels;
        f.setPixelSize(pixels);
        while (pixels > kSmallestGridPixels && !textsFit(f))
            f.setPixelSize(--pixels);
        return f;
    }();
    return font;
}

void applyGridFont(QTableView* grid, const QFont& font)
{
    grid->setFont(font);
    // A grid that already has a parent does not pass a new font on to its header.
    grid->horizontalHeader()->setFont(font);
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void setUpJournalGrid(QTableView* grid)
{
    grid->setShowGrid(true);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    grid->setItemDelegate(new CompactCellDelegate(grid));

    QHeaderView* rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    applyGridFont(grid, gridFont());

    QHeaderView* columns = grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultSectionSize(kDefaultColumnWidth);
    columns->setMinimumSectionSize(kMinimumCommentColumnWidth);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
}

void fitLastColumn(QTableView* grid, int margin)
{
    QHeaderView* columns = grid->horizontalHeader();
    int used = 0;
    for (int c = 0; c < JournalTable::kCommentColumn; ++c)
        used += columns->sectionSize(c);
    const int width = grid->width() - used - margin;
    columns->resizeSection(JournalTable::kCommentColumn,
                           std::max(width, kMinimumCommentColumnWidth));
}

void setFixedColumnWidths(QTableView* grid, int w0, int w1, int w2, int w3)
{
    QHeaderView* columns = grid->horizontalHeader();
    const int widths[] = {w0, w1, w2, w3};
    for (int c = 0; c < 4; ++c) {
        if (widths[c] >= 0)
            columns->resizeSection(c, widths[c]);
    }
}

QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1StringView(objectName));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedSize(width, 22);
    // The buttons keep their fixed widths; in the condensed face, at the window's size,
    // the longest caption ("Передать в Excell") fits whole.
    QFont font = gridFont();
    font.setPixelSize(kLargestGridPixels);
    button->setFont(font);
    bar->addWidget(button);
    return button;
}

}  // namespace kv
