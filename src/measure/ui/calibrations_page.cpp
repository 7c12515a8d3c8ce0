#include "measure/ui/calibrations_page.h"

#include "core/error_guard.h"
#include "core/methods.h"
#include "measure/calibration_edits.h"
#include "measure/calibration_form.h"
#include "measure/calibration_list_model.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibration_mark_delegate.h"
#include "ui/grid_style.h"
#include "ui/tool_button.h"

#include <QHeaderView>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

const QString kSwitchOffFirst =
    QStringLiteral("Перед созданием  необходимо отключить все включенные калибровки");
const QString kNotComputed = QStringLiteral("Калибровка не рассчитана !");

constexpr int kColumnCount = CalibrationListModel::kColumnCount;
constexpr int kLastColumnMargin = 10;
// The name column never gets narrower than this, so it stays grabbable.
constexpr int kMinimumLastColumnWidth = 20;

}  // namespace

CalibrationsPage::CalibrationsPage(const CalibrationListModel& list, CalibrationEdits& edits,
                                   const MeasurementState& state, ErrorReporter& errors,
                                   QWidget* parent)
    : QWidget(parent)
    , m_list(list)
    , m_edits(edits)
    , m_state(state)
    , m_errors(errors)
    , m_runDialog([](TForm2& dialog) { return dialog.exec() == QDialog::Accepted; })
    , m_toolBar(new QToolBar(this))
    , m_grid(new QTableView(this))
{
    m_toolBar->setObjectName(QStringLiteral("ToolBar3"));
    m_toolBar->setMovable(false);
    const auto command = [this](QToolButton* button, void (CalibrationsPage::*handler)()) {
        connect(button, &QToolButton::clicked, this, guardedSlot(m_errors, this, handler));
    };
    command(addToolButton(m_toolBar, "BitBtn1", QStringLiteral("Создать калибровку"), 121,
                          QKeySequence(QKeySequence::New)),
            &CalibrationsPage::BitBtn1Click);
    QToolButton* change = addToolButton(m_toolBar, "BitBtn2", QStringLiteral("Изменить"), 80);
    command(change, &CalibrationsPage::BitBtn2Click);
    addToolBarGap(m_toolBar, 16);
    QToolButton* remove = addToolButton(m_toolBar, "BitBtn3", QStringLiteral("Удалить"), 80);
    command(remove, &CalibrationsPage::BitBtn3Click);
    addToolBarGap(m_toolBar, 16);
    command(addToolButton(m_toolBar, "BitBtn4", QStringLiteral("Включить/Отключить калибровку"), 184,
                          QKeySequence(Qt::CTRL | Qt::Key_T)),
            &CalibrationsPage::BitBtn4Click);

    m_grid->setObjectName(QStringLiteral("StringGrid3"));
    // The view only reads the list: its changes all go through the page's commands.
    m_grid->setModel(const_cast<CalibrationListModel*>(&m_list));
    // The journal grids' look (lines, one line per row, the condensed face), then what
    // this list does differently: whole rows selected, several at once, never edited.
    setUpGrid(m_grid, kMinimumLastColumnWidth);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int column = 0; column < kColumnCount; ++column)
        m_grid->setColumnWidth(column, kDefaultColumnWidth);
    m_grid->setItemDelegate(new CalibrationMarkDelegate(m_grid));
    connect(m_grid, &QTableView::doubleClicked, this,
            guardedSlot(m_errors, this, &CalibrationsPage::StringGrid3DblClick));
    // The grid's keys: Enter changes the current calibration, as a double click does.
    bindKeysInControl(change, m_grid, {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)});
    bindKeysInControl(remove, m_grid, {QKeySequence(Qt::Key_Delete)});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid, 1);
    setFocusProxy(m_grid);
}

int CalibrationsPage::currentGridRow() const
{
    // A grid always has a current row; before any choice it is the first.
    return std::max(0, m_grid->currentIndex().row()) + 1;
}

void CalibrationsPage::setCurrentGridRow(int row)
{
    m_grid->setCurrentIndex(m_list.index(row - 1, std::max(0, m_grid->currentIndex().column())));
}

bool CalibrationsPage::runDialog(const CalibrationForm& form)
{
    TForm2* shown = dialog();
    if (!shown)
        return false;
    shown->setForm(form);
    return m_runDialog(*shown);
}

void CalibrationsPage::BitBtn1Click()
{
    if (m_list.store().AnyCalibrationActive()) {
        m_errors.showNotice(kSwitchOffFirst);
        return;
    }
    if (!runDialog(newCalibrationForm(m_state.selectedMethod())))
        return;
    // A field that is no number raises here, before anything is changed.
    m_edits.addCalibration(recordFromForm(dialog()->form()));
    // The new calibration, not the empty row below it, is the one the commands act on.
    setCurrentGridRow(m_list.store().count());
}

void CalibrationsPage::BitBtn2Click()
{
    const CalibrationStore& store = m_list.store();
    const int k = currentGridRow();
    if (k > store.count() || !runDialog(calibrationFormFor(store.at(k))))
        return;
    m_edits.replaceCalibration(k, recordFromForm(dialog()->form()));
}

void CalibrationsPage::StringGrid3DblClick()
{
    BitBtn2Click();
}

void CalibrationsPage::BitBtn3Click()
{
    m_edits.deleteCalibration(currentGridRow());
}

void CalibrationsPage::BitBtn4Click()
{
    if (currentGridRow() > m_list.store().count())
        return;
    if (m_edits.toggleCalibration(currentGridRow()) == ToggleResult::NotComputed)
        m_errors.showNotice(kNotComputed);
}

int CalibrationsPage::gridRowCount() const
{
    return m_list.rowCount() + 1;
}

void CalibrationsPage::fitColumnsAtCreate()
{
    m_grid->setColumnWidth(1, kMethodColumnWidth);
    fitLastColumn();
}

void CalibrationsPage::fitColumnsAtResize()
{
    fitLastColumn();
}

void CalibrationsPage::fitLastColumn()
{
    kv::fitLastColumn(m_grid, kLastColumnMargin, kMinimumLastColumnWidth);
}

}  // namespace kv
