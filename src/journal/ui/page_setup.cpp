#include "journal/ui/page_setup.h"

#include "journal/journal_table.h"

#include <QHeaderView>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace kv {

void setUpJournalGrid(QTableView* grid)
{
    grid->setShowGrid(true);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);

    QHeaderView* rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 6);

    QHeaderView* columns = grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultSectionSize(kDefaultColumnWidth);
    columns->setMinimumSectionSize(kMinimumLastColumnWidth);
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
    columns->resizeSection(JournalTable::kCommentColumn, std::max(width, kMinimumLastColumnWidth));
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
    bar->addWidget(button);
    return button;
}

}  // namespace kv
