#include "measure/ui/calibrations_page.h"

#include "core/error_guard.h"
#include "core/methods.h"
#include "measure/calibration_form.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibration_mark_delegate.h"
#include "ui/grid_style.h"
#include "ui/tool_button.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace kv {

namespace {

const QString kSwitchOffFirst =
    QStringLiteral("Перед созданием  необходимо отключить все включенные калибровки");
const QString kNotComputed = QStringLiteral("Калибровка не рассчитана !");

constexpr int kColumnCount = 3;
constexpr int kLastColumnMargin = 10;
// The name column never gets narrower than this, so it stays grabbable.
constexpr int kMinimumLastColumnWidth = 20;

// Every cell carries its text as a tip too, so a name wider than its column can be read.
QTableWidgetItem* cellItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}

}  // namespace

CalibrationsPage::CalibrationsPage(MeasurementState& state, ErrorReporter& errors,
                                   QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_errors(errors)
    , m_runDialog([](TForm2& dialog) { return dialog.exec() == QDialog::Accepted; })
    , m_toolBar(new QToolBar(this))
    , m_grid(new QTableWidget(1, kColumnCount, this))
{
    m_toolBar->setObjectName(QStringLiteral("ToolBar3"));
    m_toolBar->setMovable(false);
    const auto command = [this](QToolButton* button, void (CalibrationsPage::*handler)()) {
        connect(button, &QToolButton::clicked, this, guardedSlot(m_errors, this, handler));
    };
    command(addToolButton(m_toolBar, "BitBtn1", QStringLiteral("Создать калибровку"), 121),
            &CalibrationsPage::BitBtn1Click);
    command(addToolButton(m_toolBar, "BitBtn2", QStringLiteral("Изменить"), 80),
            &CalibrationsPage::BitBtn2Click);
    addToolBarGap(m_toolBar, 16);
    command(addToolButton(m_toolBar, "BitBtn3", QStringLiteral("Удалить"), 80),
            &CalibrationsPage::BitBtn3Click);
    addToolBarGap(m_toolBar, 16);
    command(addToolButton(m_toolBar, "BitBtn4", QStringLiteral("Включить/Отключить калибровку"), 184),
            &CalibrationsPage::BitBtn4Click);

    m_grid->setObjectName(QStringLiteral("StringGrid3"));
    const QStringList headings = {QStringLiteral("№"), QStringLiteral("Метод"),
                                  QStringLiteral("Наименование")};
    for (int column = 0; column < kColumnCount; ++column)
        m_grid->setHorizontalHeaderItem(column, cellItem(headings[column]));
    // The journal grids' look (lines, one line per row, the condensed face), then what
    // this list does differently: whole rows selected, several at once, never edited.
    setUpGrid(m_grid, kMinimumLastColumnWidth);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int column = 0; column < kColumnCount; ++column)
        m_grid->setColumnWidth(column, kDefaultColumnWidth);
    m_marks = new CalibrationMarkDelegate(m_state.calibrations(), m_grid);
    m_grid->setItemDelegate(m_marks);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this,
            guardedSlot(m_errors, this, &CalibrationsPage::StringGrid3DblClick));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid, 1);
}

void CalibrationsPage::FillCalibrationGrid()
{
    const int current = currentGridRow();
    const int column = std::max(0, m_grid->currentColumn());
    const std::vector<TCalibration>& records = m_state.calibrations().calibrations();
    m_grid->clearContents();
    // All rows at once: one row added per record costs a layout pass each.
    m_grid->setRowCount(int(records.size()) + 1);
    int row = 1;
    for (const TCalibration& record : records) {
        const int viewRow = row - 1;
        m_grid->setItem(viewRow, 0, cellItem(QString::number(row)));
        m_grid->setItem(viewRow, 1, cellItem(methodName(record.method)));
        m_grid->setItem(viewRow, 2, cellItem(record.nameText()));
        ++row;
    }
    m_grid->setCurrentCell(std::min(current, m_grid->rowCount()) - 1, column);
}

int CalibrationsPage::currentGridRow() const
{
    // A grid always has a current row; before any choice it is the first.
    return std::max(0, m_grid->currentRow()) + 1;
}

void CalibrationsPage::setCurrentGridRow(int row)
{
    m_grid->setCurrentCell(row - 1, std::max(0, m_grid->currentColumn()));
}

bool CalibrationsPage::runDialog(const CalibrationForm& form)
{
    m_dialog->setForm(form);
    return m_runDialog(*m_dialog);
}

void CalibrationsPage::listChanged()
{
    FillCalibrationGrid();
    m_state.notifyCalibrationsChanged();
    if (m_save)
        m_save();
}

void CalibrationsPage::BitBtn1Click()
{
    CalibrationStore& store = m_state.calibrations();
    if (store.AnyCalibrationActive()) {
        m_errors.showNotice(kSwitchOffFirst);
        return;
    }
    if (!m_dialog || !runDialog(newCalibrationForm(m_state.selectedMethod())))
        return;
    // A field that is no number raises here, before anything is changed.
    store.AddCalibration(recordFromForm(m_dialog->form()));
    listChanged();
}

void CalibrationsPage::BitBtn2Click()
{
    CalibrationStore& store = m_state.calibrations();
    const int k = currentGridRow();
    if (k > store.count() || !m_dialog)
        return;
    if (!runDialog(calibrationFormFor(store.at(k))))
        return;
    store.ReplaceCalibration(k, recordFromForm(m_dialog->form()));
    listChanged();
}

void CalibrationsPage::StringGrid3DblClick()
{
    BitBtn2Click();
}

void CalibrationsPage::BitBtn3Click()
{
    CalibrationStore& store = m_state.calibrations();
    const int k = currentGridRow();
    if (k <= store.count())
        store.DeleteCalibration(k);
    listChanged();
}

void CalibrationsPage::BitBtn4Click()
{
    CalibrationStore& store = m_state.calibrations();
    const int k = currentGridRow();
    if (k > store.count())
        return;
    // The mark can only leave the row switched on before for the same method.
    const int before = store.activeCalibration(store.at(k).method);
    if (store.ToggleCalibration(k) == ToggleResult::NotComputed) {
        m_errors.showNotice(kNotComputed);
        return;
    }
    for (const int row : {before, k})
        if (row >= 1 && row <= store.count())
            m_grid->viewport()->update(m_grid->visualRect(m_grid->model()->index(row - 1, 0)));
    m_state.notifyCalibrationsChanged();
}

int CalibrationsPage::gridRowCount() const
{
    return m_grid->rowCount() + 1;
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
