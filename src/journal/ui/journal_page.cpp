#include "journal/ui/journal_page.h"

#include "core/error_guard.h"
#include "journal/table_file.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_host.h"
#include "journal/ui/journal_table_model.h"
#include "journal/ui/page_setup.h"
#include "journal/ui/result_drag.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

JournalPage::JournalPage(JournalHost& host, ArchivePage& archive, ErrorReporter& errors,
                         QWidget* parent)
    : QWidget(parent)
    , m_host(host)
    , m_archive(archive)
    , m_errors(errors)
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setFixedHeight(25);
    m_writeBut = addToolButton(m_toolBar, "writeBut", QStringLiteral("Записать"), 97);
    m_editmetod = addToolButton(m_toolBar, "editmetod", QString(), 32);
    m_toolBar->addSeparator();
    m_arhBut = addToolButton(m_toolBar, "ArhBut", QStringLiteral("В архив"), 75);
    m_delBut = addToolButton(m_toolBar, "DelBut", QStringLiteral("Удалить"), 85);
    m_excellBut = addToolButton(m_toolBar, "excellBut", QStringLiteral("Передать в Excell"), 101);
    m_printBut = addToolButton(m_toolBar, "printBut", QStringLiteral("Печать"), 75);

    m_model = new JournalTableModel(m_table, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setModel(m_model);
    setUpJournalGrid(m_grid);
    m_grid->horizontalHeader()->setSectionsMovable(true);
    // Which cells may be edited is the model's business (the comment column, while current).
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                            | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_grid->installEventFilter(this);
    m_grid->viewport()->setAcceptDrops(true);
    m_grid->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid);

    const auto guarded = [this](void (JournalPage::*handler)()) {
        return [this, handler] { runGuarded(m_errors, [this, handler] { (this->*handler)(); }); };
    };
    connect(m_writeBut, &QToolButton::clicked, this, guarded(&JournalPage::writeButClick));
    connect(m_arhBut, &QToolButton::clicked, this, guarded(&JournalPage::ArhButClick));
    connect(m_delBut, &QToolButton::clicked, this, guarded(&JournalPage::DelButClick));
    connect(m_grid, &QTableView::clicked, this, guarded(&JournalPage::StringGrid1Click));
    // Keyboard moves of the current cell count as clicks; the page's own placing of the
    // current cell (refresh) does not.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!m_placingCurrent)
            runGuarded(m_errors, [this] { StringGrid1Click(); });
    });

    refresh();
}

void JournalPage::refresh()
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

void JournalPage::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void JournalPage::loadFile(const QString& path)
{
    loadTableFile(m_table, path);
    refresh();
}

void JournalPage::saveFile(const QString& path) const
{
    saveTableFile(m_table, path);
}

int JournalPage::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void JournalPage::writeButClick()
{
    // An empty journal's blank row takes the entry; otherwise it goes into a new last row.
    if (!m_table.lastRowIsBlank())
        m_model->appendRow();
    const int row = m_table.rowCount() - 1;
    const int method = m_host.selectedMethod();
    m_model->setRow(row, makeEntry(row, m_clock(), method, m_host.resultLabelText(method)));
}

void JournalPage::DelButClick()
{
    m_model->deleteRow(currentRow());
}

void JournalPage::ArhButClick()
{
    if (m_table.lastRowIsBlank())
        return;
    const int row = currentRow();
    if (!m_table.isDataRow(row))
        return;
    m_archive.appendRow(m_table.row(row));
    m_model->deleteRow(row);
}

void JournalPage::StringGrid1Click()
{
    m_grid->horizontalHeader()->setSectionsMovable(false);
    m_model->setCommentEditable(m_grid->currentIndex().column() == JournalTable::kCommentColumn);
}

void JournalPage::fitColumnsAtCreate()
{
    setFixedColumnWidths(m_grid, 30, 110, 150, 54);
    fitLastColumn(m_grid, 0);
}

void JournalPage::fitColumnsAtResize()
{
    setFixedColumnWidths(m_grid, 30, 110, 150, 54);
    fitLastColumn(m_grid, 35);
}

bool JournalPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid) {
        if (event->type() == QEvent::FocusIn) {
            fitLastColumn(m_grid, 10);
        } else if (event->type() == QEvent::KeyPress) {
            // The key still goes on to the grid.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Insert)
                runGuarded(m_errors, [this] { writeButClick(); });
            else if (key == Qt::Key_Delete)
                runGuarded(m_errors, [this] { DelButClick(); });
        }
    } else if (watched == m_grid->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            return handleDragMove(static_cast<QDropEvent*>(event));
        case QEvent::Drop:
            return handleDrop(static_cast<QDropEvent*>(event));
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool JournalPage::handleDragMove(QDropEvent* event)
{
    if (methodOfResultLabel(resultLabelName(event->mimeData())) == 0
        || event->source() == m_grid->viewport())
        event->ignore();
    else
        event->acceptProposedAction();
    return true;
}

bool JournalPage::handleDrop(QDropEvent* event)
{
    const int method = methodOfResultLabel(resultLabelName(event->mimeData()));
    if (method == 0) {
        event->ignore();
        return true;
    }
    event->acceptProposedAction();
    runGuarded(m_errors, [this, method] {
        m_host.selectMethod(method);
        writeButClick();
    });
    return true;
}

}  // namespace kv
