#include "journal/ui/archive_page.h"

#include "core/error_guard.h"
#include "journal/table_file.h"
#include "journal/ui/page_setup.h"
#include "journal/ui/journal_table_model.h"

#include <QEvent>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

ArchivePage::ArchivePage(ErrorReporter& errors, QWidget* parent)
    : QWidget(parent)
    , m_errors(errors)
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar2"));
    m_toolBar->setFixedHeight(29);
    m_delButArh = addToolButton(m_toolBar, "DelButArh", QStringLiteral("Удалить"), 75);
    m_toolBar->addSeparator();
    m_excellButArh =
        addToolButton(m_toolBar, "excellButArh", QStringLiteral("Передать в Excell"), 112);

    m_model = new JournalTableModel(m_table, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("StringGrid2"));
    m_grid->setModel(m_model);
    setUpJournalGrid(m_grid);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid);

    connect(m_delButArh, &QToolButton::clicked, this,
            [this] { runGuarded(m_errors, [this] { DelButArhClick(); }); });

    refresh();
}

void ArchivePage::refresh()
{
    const QModelIndex current = m_grid->currentIndex();
    m_model->reload();
    const int rows = m_model->rowCount();
    const int row = current.isValid() ? std::min(current.row(), rows - 1) : 0;
    const int column = current.isValid() ? current.column() : 0;
    m_grid->setCurrentIndex(m_model->index(row, column));
}

void ArchivePage::loadFile(const QString& path)
{
    loadTableFile(m_table, path);
    refresh();
}

void ArchivePage::saveFile(const QString& path) const
{
    saveTableFile(m_table, path);
}

int ArchivePage::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void ArchivePage::DelButArhClick()
{
    m_model->deleteRow(currentRow());
}

void ArchivePage::appendRow(const JournalRow& row)
{
    m_model->appendData(row);
}

void ArchivePage::fitColumnsAtCreate()
{
    setFixedColumnWidths(m_grid, -1, 100, 150, 70);
    fitLastColumn(m_grid, 10);
}

void ArchivePage::fitColumnsAtResize()
{
    fitLastColumn(m_grid, 10);
}

bool ArchivePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::FocusIn)
        fitLastColumn(m_grid, 10);
    return QWidget::eventFilter(watched, event);
}

}  // namespace kv
