// What the journal grids show of their texts: whole dates, method names and headings in
// the narrow columns they keep, and every cell readable in full from its tip.

#include "core/methods.h"
#include "journal/journal_entry.h"
#include "journal/journal_table.h"
#include "journal/ui/grid_page.h"
#include "journal/journal_table_model.h"
#include "ui/grid_style.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace kv {
namespace {

const QString kLongComment =
    QStringLiteral("проба из резервуара 3, отобрана до слива бензовоза, повторить завтра");

class JournalGridLook : public testing::Test {
protected:
    JournalGridLook()
    {
        model.setRow(1, {{QStringLiteral("1"), QStringLiteral("12.03.2026 09:15:42"),
                          methodName(Aki), QStringLiteral("95,4 (Эталон АИ-)"), kLongComment}});
        model.appendData({{QStringLiteral("2"), QStringLiteral("12.03.2026 09:16:05"),
                           methodName(Research), QStringLiteral("92,4"), QStringLiteral(" ")}});
        grid.setModel(&model);
        setUpGrid(&grid, GridPage::kMinimumCommentColumnWidth);
    }

    // The cell as the grid's delegate draws it in a rectangle of the given width.
    QImage drawnCell(const QModelIndex& index, int width)
    {
        const int height = grid.verticalHeader()->defaultSectionSize();
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.initFrom(&grid);
        option.widget = &grid;
        option.font = grid.font();
        option.fontMetrics = grid.fontMetrics();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        option.textElideMode = Qt::ElideRight;
        option.rect = QRect(0, 0, width, height);
        QPainter painter(&image);
        grid.itemDelegate()->paint(&painter, option, index);
        return image;
    }

    JournalTableModel model;
    const JournalTable& table = model.table();
    QTableView grid;
};

TEST_F(JournalGridLook, EveryFilledCellAndHeadingCarriesItsWholeTextAsATip)
{
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < JournalTable::kColumnCount; ++column) {
            const QModelIndex index = model.index(row, column);
            const QString text = table.cell(row + 1, column);
            if (text.trimmed().isEmpty())
                EXPECT_FALSE(model.data(index, Qt::ToolTipRole).isValid()) << row << column;
            else
                EXPECT_EQ(model.data(index, Qt::ToolTipRole).toString(), text) << row << column;
        }
    }
    EXPECT_EQ(model.data(model.index(0, 4), Qt::ToolTipRole).toString(), kLongComment);
    EXPECT_FALSE(model.data(model.index(1, 4), Qt::ToolTipRole).isValid());
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
              QStringLiteral("Значение"));
    EXPECT_FALSE(model.headerData(0, Qt::Vertical, Qt::ToolTipRole).isValid());
    // Tips change nothing that is shown or edited.
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), QStringLiteral("95,4 (Эталон АИ-)"));
}

TEST_F(JournalGridLook, DatesMethodNamesAndHeadingsFitTheNarrowColumnsWhole)
{
    EXPECT_FALSE(grid.wordWrap());
    EXPECT_EQ(grid.font(), gridFont());
    // Condensed, the face stays at a size an operator reads without leaning in.
    EXPECT_GE(gridFont().pixelSize(), 10);

    const QFontMetrics cells = grid.fontMetrics();
    const QFontMetrics headings = grid.horizontalHeader()->fontMetrics();
    const int headerMargin = grid.style()->pixelMetric(QStyle::PM_HeaderMargin);
    // The archive's date column is 100 wide, a cell one pixel less for the grid line.
    const QString date = entryDateTimeText(QDateTime(QDate(2026, 12, 28), QTime(20, 48, 58)));
    EXPECT_LE(cells.horizontalAdvance(date), 100 - 1 - 2 * kCellPadding);
    for (int m = Research; m <= Cetane; ++m)
        EXPECT_LE(cells.horizontalAdvance(methodName(m)), 150 - 1 - 2 * kCellPadding) << m;
    // The comment column takes the rest of the width; the others keep these.
    const std::array<int, 4> widths = {30, 100, 150, 54};
    for (int column = 0; column < 4; ++column) {
        const QString heading = model.headerData(column, Qt::Horizontal).toString();
        const int width = widths[std::size_t(column)];
        EXPECT_LE(headings.horizontalAdvance(heading), width - 2 * headerMargin) << column;
    }
}

TEST_F(JournalGridLook, ADateIsDrawnWholeInTheArchivesDateColumnAndALongCommentElided)
{
    // Drawn in the 99 pixels a 100-wide column leaves, the date looks exactly as drawn
    // with room to spare: nothing cut, no ellipsis.
    const QModelIndex date = model.index(0, JournalTable::kDateColumn);
    const QImage inColumn = drawnCell(date, 99);
    EXPECT_EQ(inColumn, drawnCell(date, 300).copy(inColumn.rect()));

    const QModelIndex comment = model.index(0, JournalTable::kCommentColumn);
    const QImage cut = drawnCell(comment, 99);
    EXPECT_NE(cut, drawnCell(comment, 600).copy(cut.rect()));
}

TEST_F(JournalGridLook, ACommentOfMegabytesIsShownByItsStartAndNotOpenedForEditing)
{
    // Eliding the whole text would take seconds at every paint; what is drawn and tipped is
    // the same as for its start.
    const QString huge = QStringLiteral("проба ") + QString(4'000'000, QLatin1Char('x'));
    model.appendData({{QStringLiteral("3"), QStringLiteral("12.03.2026 09:17:00"),
                       methodName(Research), QStringLiteral("92,4"), huge}});
    model.appendData({{QStringLiteral("4"), QStringLiteral("12.03.2026 09:18:00"),
                       methodName(Research), QStringLiteral("92,4"), huge.left(3000)}});
    const QModelIndex comment = model.index(2, JournalTable::kCommentColumn);
    EXPECT_EQ(drawnCell(comment, 200), drawnCell(model.index(3, JournalTable::kCommentColumn), 200));
    const QString tip = model.data(comment, Qt::ToolTipRole).toString();
    EXPECT_LE(tip.size(), 2001);
    EXPECT_TRUE(huge.startsWith(tip.chopped(1)));
    EXPECT_EQ(model.data(comment).toString(), huge);

    // A line editor would keep only its first 32,767 characters of it.
    QStyleOptionViewItem option;
    EXPECT_EQ(grid.itemDelegate()->createEditor(&grid, option, comment), nullptr);
    std::unique_ptr<QWidget> editor(grid.itemDelegate()->createEditor(&grid, option, model.index(0, 4)));
    EXPECT_NE(editor, nullptr);

    const QString pair = QString(9, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600") + QStringLiteral("bbbb");
    EXPECT_EQ(cellTextToElide(pair, 9), QString(9, QLatin1Char('a')) + QChar(0x2026));
    EXPECT_EQ(cellTextToElide(pair, 10), pair.left(11) + QChar(0x2026));
    EXPECT_EQ(cellTextToElide(pair, 20), pair);
}

}  // namespace
}  // namespace kv
