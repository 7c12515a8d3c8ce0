#include "ui/grid_style.h"

#include "core/date_time_text.h"
#include "core/methods.h"
#include "core/text_start.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>

namespace kv {

namespace {

constexpr int kSmallestGridPixels = 8;
constexpr int kLongestEditedCell = 32767;

// Draws a cell's text with kCellPadding on either side instead of the style's wider
// margin; background, selection and focus are the style's.
class CompactCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A line editor holds at most 32,767 characters: a longer comment (read from a file)
    // would be cut short by the edit, so it is not opened on one.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (index.data(Qt::EditRole).toString().size() > kLongestEditedCell)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

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
        const QString shown = cellTextToElide(text, area.width());
        QPalette::ColorGroup group = QPalette::Disabled;
        if (cell.state & QStyle::State_Enabled)
            group = (cell.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
        const QPalette::ColorRole role =
            (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, role));
        painter->drawText(area, int(cell.displayAlignment) | Qt::TextSingleLine,
                          cell.fontMetrics.elidedText(shown, cell.textElideMode, area.width(),
                                                      Qt::TextSingleLine));
        painter->restore();
    }
};

}  // namespace

QString cellTextToElide(const QString& text, int width)
{
    // Eliding shapes the whole text first; no more characters than pixels can be seen.
    return textStart(text, qsizetype(std::max(width, 0)) + 1);
}

namespace {

// How far the widest texts of the grids overflow their columns in the font (at most 1 fits).
double gridTextsOverflow(const QFont& font)
{
    const QStyle* style = QApplication::style();
    // A cell loses one pixel to its grid line; a heading loses the style's margin on
    // either side. Method names are measured against the style's own cell margin, which
    // the calibrations grid keeps.
    const int styleCellMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin);
    const QFontMetrics metrics(font);
    const auto over = [&](const QString& text, int room) {
        return double(metrics.horizontalAdvance(text)) / double(std::max(room, 1));
    };
    const QString date = entryDateTimeText(QDateTime(QDate(2088, 12, 28), QTime(20, 48, 58)));
    double worst = over(date, kDateColumnWidth - 1 - 2 * kCellPadding);
    for (int m = Research; m <= Cetane; ++m)
        worst = std::max(worst, over(methodName(m), kMethodColumnWidth - 1 - 2 * styleCellMargin));
    return std::max(worst, over(QStringLiteral("Значение"), kValueColumnWidth - 2 * headerMargin));
}

}  // namespace

QFont gridFont()
{
    // Every grid and tool button asks for it while the window is built; the fonts and the
    // style don't change while the program runs, so the measuring is done once.
    static const QFont font = [] {
        QFont f = familyFont(condensedFamilies(), kGridPixelSize);
        f.setPixelSize(largestPixelSizeWithin(f, kSmallestGridPixels, kGridPixelSize, gridTextsOverflow));
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

void setUpGrid(QTableView* grid, int minimumColumnWidth)
{
    grid->setShowGrid(true);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    // Tab leaves the grid for the next control; the arrow keys move between its cells.
    grid->setTabKeyNavigation(false);
    grid->setItemDelegate(new CompactCellDelegate(grid));

    QHeaderView* rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    applyGridFont(grid, gridFont());

    QHeaderView* columns = grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultSectionSize(kDefaultColumnWidth);
    columns->setMinimumSectionSize(minimumColumnWidth);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
}

void fitLastColumn(QTableView* grid, int margin, int minimum)
{
    QHeaderView* columns = grid->horizontalHeader();
    const int last = columns->count() - 1;
    if (last < 0)
        return;
    int used = 0;
    for (int c = 0; c < last; ++c)
        used += columns->sectionSize(c);
    columns->resizeSection(last, std::max(grid->width() - used - margin, minimum));
}

}  // namespace kv

#include "grid_style.moc"
