#include "journal/ui/grid_page.h"

#include "core/error_guard.h"
#include "journal/journal_filter_model.h"
#include "journal/journal_table_model.h"
#include "journal/print_page.h"
#include "journal/ui/find_bar.h"
#include "journal/ui/print_view.h"
#include "journal/ui/work_progress.h"
#include "ui/grid_style.h"

#include <QEvent>
#include <QMenu>
#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>


namespace kv {

namespace {

// A grid whose open cell editor can be committed from outside (a close, a save).
class CommittingTableView : public QTableView {
public:
    using QTableView::QTableView;

    void commitOpenEditor()
    {
        if (state() != QAbstractItemView::EditingState)
            return;
        // The delegate's editor is a child of the viewport; commitData ignores any other.
        for (QWidget* child : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isVisible())
                continue;
            commitData(child);
            closeEditor(child, QAbstractItemDelegate::NoHint);
        }
    }
};

}  // namespace

GridPage::GridPage(JournalTableModel& model, ErrorReporter& errors, const QString& gridName,
                   const QString& toolBarName, int toolBarHeight, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_errors(errors)
    , m_shown(new JournalFilterModel(model, this))
    , m_findBar(new FindBar(this))
    , m_toolBar(new QToolBar(this))
    , m_grid(new CommittingTableView(this))
{
    m_toolBar->setObjectName(toolBarName);
    m_toolBar->setFixedHeight(toolBarHeight);
    m_grid->setObjectName(gridName);
    m_grid->setModel(m_shown);
    connect(m_shown, &JournalFilterModel::modelReset, this, &GridPage::placeCurrent);
    connect(m_findBar, &FindBar::filterChanged, this, &GridPage::applyFilter);
    connect(m_findBar, &FindBar::done, m_grid, [this] { m_grid->setFocus(Qt::OtherFocusReason); });
    for (const auto changed : {&JournalFilterModel::rowsInserted, &JournalFilterModel::rowsRemoved})
        connect(m_shown, changed, this, &GridPage::showCounts);
    connect(m_shown, &JournalFilterModel::modelReset, this, &GridPage::showCounts);
    connect(m_shown, &JournalFilterModel::layoutChanged, this, &GridPage::showCounts);
    setUpGrid(m_grid, kMinimumCommentColumnWidth);
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("gridMenu"));
    QAction* report = m_contextMenu->addAction(QStringLiteral("&Протокол испытаний…"));
    report->setObjectName(QStringLiteral("reportAction"));
    connect(report, &QAction::triggered, this, [this] {
        if (m_report)
            runGuarded(m_errors, [this] { m_report(this, reportRows()); });
    });
    // The menu key opens it as a right click does.
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!m_report)
            return;
        const JournalTable rows = reportRows();
        m_contextMenu->actions().constFirst()->setEnabled(!rows.isEmpty());
        m_contextMenu->popup(m_grid->viewport()->mapToGlobal(at));
    });
    m_grid->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_findBar);
    layout->addWidget(m_grid);
    // A page reached from the keyboard puts the operator in its grid.
    setFocusProxy(m_grid);
    placeCurrent();
}

const JournalTable& GridPage::table() const
{
    return m_model.table();
}

void GridPage::placeCurrent()
{
    m_placingCurrent = true;
    m_grid->setCurrentIndex(m_shown->index(0, 0));
    m_placingCurrent = false;
}

void GridPage::applyFilter()
{
    const int current = currentRow();
    m_shown->setFilter(m_findBar->filter());
    showCounts();
    // The row the operator was on stays current when it is still in view.
    const QModelIndex index = m_shown->indexOfTableRow(current, std::max(0, m_grid->currentIndex().column()));
    m_placingCurrent = true;
    m_grid->setCurrentIndex(index.isValid() ? index : m_shown->index(0, 0));
    m_placingCurrent = false;
    if (index.isValid())
        m_grid->scrollTo(index);
}

void GridPage::showCounts()
{
    m_findBar->showCounts(m_shown->shownCount(), m_shown->totalCount());
}

JournalTable GridPage::shownTable() const
{
    return m_shown->shownTable();
}

void GridPage::printShown()
{
    const JournalTable shown = shownTable();
    {
        // A year's page takes a while to write: the window repaints and Cancel works.
        WorkProgress progress(this, QStringLiteral("Печать"), QStringLiteral("Подготовка страниц…"));
        if (buildPrintPage(shown, m_printDirectory,
                           [&progress](int done, int total) { return progress.report(done, total); })
                .isEmpty())
            return;
    }
    if (m_printView)
        m_printView->navigate(shown, selectedTable(), filterNote());
}

QString GridPage::filterNote() const
{
    const RowFilter& filter = m_shown->filter();
    return filter.isActive() ? QStringLiteral("Отбор: ") + filter.description() : QString();
}

std::vector<int> GridPage::selectedTableRows() const
{
    // By ranges: a whole year selected is a million rows, not five million cells.
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_grid->selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int& row : rows)
        row = m_shown->tableRow(m_shown->index(row, 0));
    return rows;
}

JournalTable GridPage::selectedTable() const
{
    return m_shown->tableOfRows(selectedTableRows());
}

JournalTable GridPage::reportRows() const
{
    std::vector<int> rows = selectedTableRows();
    if (rows.empty() && currentRow() > 0)
        rows.push_back(currentRow());
    return m_shown->tableOfRows(rows);
}

void GridPage::commitOpenEdit()
{
    static_cast<CommittingTableView*>(m_grid)->commitOpenEditor();
}

void GridPage::showRow(int tableRow)
{
    const int column = std::max(0, m_grid->currentIndex().column());
    QModelIndex index = m_shown->indexOfTableRow(tableRow, column);
    if (!index.isValid() && m_model.index(tableRow - 1, column).isValid()) {
        m_findBar->clear();
        index = m_shown->indexOfTableRow(tableRow, column);
    }
    if (!index.isValid())
        return;
    m_placingCurrent = true;
    m_grid->setCurrentIndex(index);
    m_placingCurrent = false;
    m_grid->scrollTo(index);
}

int GridPage::currentRow() const
{
    return m_shown->tableRow(m_grid->currentIndex());
}

void GridPage::fitLastColumn(int margin)
{
    kv::fitLastColumn(m_grid, margin, kMinimumCommentColumnWidth);
}

void GridPage::setFixedColumnWidths(const int (&widths)[4])
{
    QHeaderView* columns = m_grid->horizontalHeader();
    for (int c = 0; c < 4; ++c) {
        if (widths[c] >= 0)
            columns->resizeSection(c, widths[c]);
    }
}

bool GridPage::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the grid fits the comment column again, as the window's resizing does.
    if (watched == m_grid && event->type() == QEvent::FocusIn)
        fitLastColumn(10);
    return QWidget::eventFilter(watched, event);
}

}  // namespace kv
