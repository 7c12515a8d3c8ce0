#include "journal/ui/archive_page.h"

#include "core/error_guard.h"
#include "journal/journal_book.h"
#include "journal/journal_edits.h"
#include "ui/grid_style.h"
#include "ui/tool_button.h"

#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace kv {

ArchivePage::ArchivePage(JournalBook& book, JournalEdits& edits, ErrorReporter& reporter,
                         QWidget* parent)
    : GridPage(book.archive(), reporter, QStringLiteral("StringGrid2"), QStringLiteral("ToolBar2"), 29,
               parent)
    , m_edits(edits)
{
    QToolBar* bar = toolBar();
    QToolButton* delButArh = addToolButton(bar, "DelButArh", QStringLiteral("Удалить"), 75);
    bar->addSeparator();
    QToolButton* excellButArh = addToolButton(bar, "excellButArh", QStringLiteral("Передать в Excell"),
                                              112, QKeySequence(Qt::CTRL | Qt::Key_E));
    QToolButton* printButArh = addToolButton(bar, "printButArh", QStringLiteral("Печать"), 75,
                                             QKeySequence(QKeySequence::Print));
    bindKeysInControl(delButArh, grid(), {QKeySequence(Qt::Key_Delete)});

    grid()->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid()->setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(delButArh, &QToolButton::clicked, this, guardedSlot(errors(), this, &ArchivePage::DelButArhClick));
    connect(excellButArh, &QToolButton::clicked, this, guardedSlot(errors(), this, &ArchivePage::excellButArhClick));
    connect(printButArh, &QToolButton::clicked, this, guardedSlot(errors(), this, &ArchivePage::printButArhClick));
}

void ArchivePage::DelButArhClick()
{
    m_edits.deleteArchived(currentRow());
}

void ArchivePage::excellButArhClick()
{
    spreadsheetExport().run(this, shownTable());
}

void ArchivePage::printButArhClick()
{
    printShown();
}

void ArchivePage::fitColumnsAtCreate()
{
    setFixedColumnWidths(kArchiveColumnWidths);
    fitLastColumn(10);
}

void ArchivePage::fitColumnsAtResize()
{
    fitLastColumn(10);
}

}  // namespace kv
