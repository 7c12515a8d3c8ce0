#include "journal/ui/grid_page.h"

#include "core/error_guard.h"
#include "journal/table_file.h"
#include "journal/ui/journal_table_model.h"
#include "ui/grid_style.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

GridPage::GridPage(ErrorReporter& errors, const QString& gridName, const QString& toolBarName,
                   int toolBarHeight, QWidget* parent)
    : QWidget(parent)
    , m_errors(errors)
    , m_model(new JournalTableModel(m_table, this))
    , m_toolBar(new QToolBar(this))
    , m_grid(new QTableView(this))
{
    m_toolBar->setObjectName(toolBarName);
    m_toolBar->setFixedHeight(toolBarHeight);
    m_grid->setObjectName(gridName);
    m_grid->setModel(m_model);
    setUpGrid(m_grid, kMinimumCommentColumnWidth);
    m_grid->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid);
}

void GridPage::refresh()
{
    const QModelIndex current = m_grid->currentIndex();
    m_model->reload();
    const int rows = m_model->rowCount();
    const int row = current.isValid() ? std::min(current.row(), rows - 1) : 0;
    const int column = current.isValid() ? current.column() : 0;
    m_placingCurrent = true;
    m_grid->setCurrentIndex(m_model->index(row, column));
    m_placingCurrent = false;
}

void GridPage::loadFile(const QString& path)
{
    loadTableFile(m_table, path);
    refresh();
}

void GridPage::saveFile(const QString& path) const
{
    saveTableFile(m_table, path);
}

int GridPage::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void GridPage::fitLastColumn(int margin)
{
    kv::fitLastColumn(m_grid, margin, kMinimumCommentColumnWidth);
}

void GridPage::setFixedColumnWidths(int w0, int w1, int w2, int w3)
{
    QHeaderView* columns = m_grid->horizontalHeader();
    const int widths[] = {w0, w1, w2, w3};
    for (int c = 0; c < 4; ++c) {
        if (widths[c] >= 0)
            columns->resizeSection(c, widths[c]);
    }
}

void GridPage::runHandler(const std::function<void()>& handler)
{
    runGuarded(m_errors, handler);
}

bool GridPage::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the grid fits the comment column again, as the window's resizing does.
    if (watched == m_grid && event->type() == QEvent::FocusIn)
        fitLastColumn(10);
    return QWidget::eventFilter(watched, event);
}

}  // namespace kv
