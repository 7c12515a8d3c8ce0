#include "journal/ui/journal_page.h"

#include "core/error_guard.h"
#include "core/methods.h"
#include "journal/journal_book.h"
#include "journal/journal_edits.h"
#include "journal/journal_table_model.h"
#include "measure/measurement_state.h"
#include "ui/result_drag.h"
#include "ui/grid_style.h"
#include "ui/tool_button.h"

#include <QCursor>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace kv {

JournalPage::JournalPage(MeasurementState& state, JournalBook& book, JournalEdits& edits,
                         ErrorReporter& reporter, QWidget* parent)
    : GridPage(book.journal(), reporter, QStringLiteral("StringGrid1"), QStringLiteral("ToolBar1"), 25,
               parent)
    , m_state(state)
    , m_edits(edits)
{
    QToolBar* bar = toolBar();
    m_writeBut = addToolButton(bar, "writeBut", QStringLiteral("Записать"), 97);
    // Insert and Delete work in the grid alone: in the comment's editor they edit the text.
    showKeyInTip(m_writeBut, QKeySequence(Qt::Key_Insert));
    m_editmetod = addToolButton(bar, "editmetod", methodLetter(m_state.selectedMethod()), 32,
                                QKeySequence(Qt::CTRL | Qt::Key_M));
    showKeyInTip(m_editmetod, QKeySequence(Qt::CTRL | Qt::Key_M), QStringLiteral("Метод измерения"));
    bar->addSeparator();
    QToolButton* arhBut = addToolButton(bar, "ArhBut", QStringLiteral("В архив"), 75,
                                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QToolButton* delBut = addToolButton(bar, "DelBut", QStringLiteral("Удалить"), 85);
    showKeyInTip(delBut, QKeySequence(Qt::Key_Delete));
    QToolButton* excellBut = addToolButton(bar, "excellBut", QStringLiteral("Передать в Excell"),
                                           101, QKeySequence(Qt::CTRL | Qt::Key_E));
    QToolButton* printBut = addToolButton(bar, "printBut", QStringLiteral("Печать"), 75,
                                          QKeySequence(QKeySequence::Print));
    buildMethodMenu();

    QTableView* view = grid();
    view->horizontalHeader()->setSectionsMovable(true);
    // Which cells may be edited is the model's business (the comment column).
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                          | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    // The whole grid takes a result, its heading row included.
    for (QWidget* target : {view->viewport(), view->horizontalHeader()->viewport()}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }

    connect(m_writeBut, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::writeButClick));
    connect(arhBut, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::ArhButClick));
    connect(delBut, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::DelButClick));
    connect(excellBut, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::excellButClick));
    connect(printBut, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::printButClick));
    connect(m_editmetod, &QToolButton::clicked, this, guardedSlot(errors(), this, &JournalPage::editmetodClick));
    connect(view, &QTableView::clicked, this, guardedSlot(errors(), this, &JournalPage::StringGrid1Click));
    // Keyboard moves of the current cell count as clicks; the page's own placing of the
    // current cell does not.
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!placingCurrent())
            runGuarded(errors(), [this] { StringGrid1Click(); });
    });
    connect(&m_state, &MeasurementState::methodChanged, this,
            [this](int method) { m_editmetod->setText(methodLetter(method)); });

    const QFontMetrics metrics = view->fontMetrics();
    for (int d = 0; d < 10; ++d)
        m_digitWidths[std::size_t(d)] = metrics.horizontalAdvance(QChar(u'0' + d));
    m_numberColumnWidth = kJournalColumnWidths[JournalTable::kNumberColumn];
    JournalTableModel& rows = model();
    connect(&rows, &JournalTableModel::modelReset, this, [this] {
        m_numberColumnWidth = kJournalColumnWidths[JournalTable::kNumberColumn];
        widenNumberColumn(0, model().rowCount() - 1);
    });
    connect(&rows, &JournalTableModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { widenNumberColumn(first, last); });
    connect(&rows, &JournalTableModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.column() <= JournalTable::kNumberColumn)
                    widenNumberColumn(topLeft.row(), bottomRight.row());
            });
    widenNumberColumn(0, rows.rowCount() - 1);
}

int JournalPage::numberTextWidth(const QString& text) const
{
    int width = 0;
    for (const QChar c : text) {
        const int digit = c.unicode() - u'0';
        width += digit >= 0 && digit <= 9 ? m_digitWidths[std::size_t(digit)]
                                          : grid()->fontMetrics().horizontalAdvance(c);
    }
    return width;
}

void JournalPage::widenNumberColumn(int first, int last)
{
    const JournalTable& shown = table();
    const QString* widest = nullptr;
    int widestWidth = -1;
    for (int r = std::max(first, 0); r <= last; ++r) {
        const QString& number = shown.cell(r + 1, JournalTable::kNumberColumn);
        if (const int w = numberTextWidth(number); w > widestWidth) {
            widestWidth = w;
            widest = &number;
        }
    }
    if (!widest)
        return;
    // The delegate's text area: the cell less its grid line and the padding either side.
    const int needed = std::max(widestWidth, grid()->fontMetrics().horizontalAdvance(*widest))
                       + 2 * kCellPadding + 1;
    if (needed <= m_numberColumnWidth)
        return;
    m_numberColumnWidth = needed;
    QHeaderView* columns = grid()->horizontalHeader();
    const int grow = needed - columns->sectionSize(JournalTable::kNumberColumn);
    if (grow <= 0)
        return;
    columns->resizeSection(JournalTable::kNumberColumn, needed);
    const int comment = columns->sectionSize(JournalTable::kCommentColumn);
    columns->resizeSection(JournalTable::kCommentColumn,
                           std::max(comment - grow, kMinimumCommentColumnWidth));
}

void JournalPage::buildMethodMenu()
{
    m_popupMenuMetod = new QMenu(this);
    m_popupMenuMetod->setObjectName(QStringLiteral("PopupMenuMetod"));
    const std::array<std::pair<const char*, void (JournalPage::*)()>, 4> items = {{
        {"N2", &JournalPage::N2Click},
        {"N3", &JournalPage::N3Click},
        {"N5", &JournalPage::N5Click},
        {"N4", &JournalPage::N4Click},
    }};
    const std::array<int, 4> itemMethods = {Research, Motor, Aki, Cetane};
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = m_popupMenuMetod->addAction(methodName(itemMethods[i]));
        action->setObjectName(QString::fromLatin1(items[i].first));
        connect(action, &QAction::triggered, this, guardedSlot(errors(), this, items[i].second));
    }
}

void JournalPage::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void JournalPage::writeButClick()
{
    const Method method = m_state.selectedMethod();
    if (!m_state.readingCurrent()) {
        refuseStaleValue();
        return;
    }
    record(method, m_state.resultText(method));
}

void JournalPage::record(Method method, const QString& value)
{
    m_edits.addEntry(method, value, m_clock());
    // Delete and "В архив" act on what the operator just recorded.
    showRow(table().rowCount() - 1);
}

void JournalPage::refuseStaleValue()
{
    // The labels keep the last values when the instrument goes; such a value was not
    // measured now and must not enter the journal with the present time.
    errors().showNotice(QStringLiteral("Нет подключения — значение не записано"));
}

void JournalPage::DelButClick()
{
    m_edits.deleteEntry(currentRow());
}

void JournalPage::ArhButClick()
{
    m_edits.moveToArchive(currentRow());
}

void JournalPage::excellButClick()
{
    spreadsheetExport().run(this, shownTable());
}

void JournalPage::printButClick()
{
    printShown();
}

void JournalPage::editmetodClick()
{
    // Under the mouse when clicked; under the button when chosen from the keyboard.
    const QRect button = m_editmetod->rect();
    const bool byMouse = button.contains(m_editmetod->mapFromGlobal(QCursor::pos()));
    m_popupMenuMetod->popup(byMouse ? QCursor::pos() : m_editmetod->mapToGlobal(button.bottomLeft()));
    if (!byMouse)
        m_popupMenuMetod->setActiveAction(m_popupMenuMetod->actions().value(m_state.selectedMethod() - 1));
}

void JournalPage::N2Click() { m_state.selectMethod(Research); }
void JournalPage::N3Click() { m_state.selectMethod(Motor); }
void JournalPage::N5Click() { m_state.selectMethod(Aki); }
void JournalPage::N4Click() { m_state.selectMethod(Cetane); }

void JournalPage::StringGrid1Click()
{
    grid()->horizontalHeader()->setSectionsMovable(false);
}

void JournalPage::setJournalColumnWidths()
{
    int widths[4];
    std::copy(std::begin(kJournalColumnWidths), std::end(kJournalColumnWidths), widths);
    widths[JournalTable::kNumberColumn] = m_numberColumnWidth;
    setFixedColumnWidths(widths);
}

void JournalPage::fitColumnsAtCreate()
{
    setJournalColumnWidths();
    fitLastColumn(0);
}

void JournalPage::fitColumnsAtResize()
{
    setJournalColumnWidths();
    fitLastColumn(35);
}

bool JournalPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid() && event->type() == QEvent::KeyPress) {
        // The key still goes on to the grid.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert)
            runGuarded(errors(), [this] { writeButClick(); });
        else if (key == Qt::Key_Delete)
            runGuarded(errors(), [this] { DelButClick(); });
    } else if (watched == grid()->viewport()
               || watched == grid()->horizontalHeader()->viewport()) {
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
    return GridPage::eventFilter(watched, event);
}

bool JournalPage::handleDragMove(QDropEvent* event)
{
    if (methodOfResultLabel(resultLabelName(event->mimeData())) == 0
        || event->source() == grid()->viewport())
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
    // What the drag carries is recorded: the value the operator grabbed, not the label's
    // text at the drop.
    const QString value = resultLabelValue(event->mimeData());
    runGuarded(errors(), [this, method, value] {
        m_state.selectMethod(method);
        if (value.isEmpty())
            refuseStaleValue();
        else
            record(Method(method), value);
    });
    return true;
}

}  // namespace kv
