#include "journal/ui/grid_page.h"

#include "core/error_guard.h"
#include "journal/journal_table_model.h"
#include "ui/grid_style.h"

#include <QEvent>
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
    , m_toolBar(new QToolBar(this))
    , m_grid(new CommittingTableView(this))
{
    m_toolBar->setObjectName(toolBarName);
    m_toolBar->setFixedHeight(toolBarHeight);
    m_grid->setObjectName(gridName);
    m_grid->setModel(&m_model);
    connect(&m_model, &JournalTableModel::modelReset, this, &GridPage::placeCurrent);
    setUpGrid(m_grid, kMinimumCommentColumnWidth);
    m_grid->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
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
    m_grid->setCurrentIndex(m_model.index(0, 0));
    m_placingCurrent = false;
}

void GridPage::commitOpenEdit()
{
    static_cast<CommittingTableView*>(m_grid)->commitOpenEditor();
}

void GridPage::showRow(int tableRow)
{
    const QModelIndex index = m_model.index(tableRow - 1, std::max(0, m_grid->currentIndex().column()));
    if (!index.isValid())
        return;
    m_placingCurrent = true;
    m_grid->setCurrentIndex(index);
    m_placingCurrent = false;
    m_grid->scrollTo(index);
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
