#include "measure/ui/calibrations_page.h"

#include "core/methods.h"
#include "measure/measurement_state.h"
#include "ui/grid_style.h"
#include "ui/tool_button.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

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

CalibrationsPage::CalibrationsPage(MeasurementState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_toolBar(new QToolBar(this))
    , m_grid(new QTableWidget(1, kColumnCount, this))
{
    m_toolBar->setObjectName(QStringLiteral("ToolBar3"));
    m_toolBar->setMovable(false);
    addToolButton(m_toolBar, "BitBtn1", QStringLiteral("Создать калибровку"), 121);
    addToolButton(m_toolBar, "BitBtn2", QStringLiteral("Изменить"), 80);
    addToolBarGap(m_toolBar, 16);
    addToolButton(m_toolBar, "BitBtn3", QStringLiteral("Удалить"), 80);
    addToolBarGap(m_toolBar, 16);
    addToolButton(m_toolBar, "BitBtn4", QStringLiteral("Включить/Отключить калибровку"), 184);

    m_grid->setObjectName(QStringLiteral("StringGrid3"));
    const QStringList headings = {QStringLiteral("№"), QStringLiteral("Метод"),
                                  QStringLiteral("Наименование")};
    for (int column = 0; column < kColumnCount; ++column)
        m_grid->setHorizontalHeaderItem(column, cellItem(headings[column]));
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setShowGrid(true);
    // One line per calibration, like the journal grids; a long name is elided, not wrapped.
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setMinimumSectionSize(kMinimumLastColumnWidth);
    m_grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int column = 0; column < kColumnCount; ++column)
        m_grid->setColumnWidth(column, kDefaultColumnWidth);
    // The calibrations read like the journal grids.
    applyGridFont(m_grid, gridFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_grid, 1);
}

void CalibrationsPage::FillCalibrationGrid()
{
    m_grid->clearContents();
    m_grid->setRowCount(1);
    int row = 1;
    for (const TCalibration& record : m_state.calibrations().calibrations()) {
        const int viewRow = row - 1;
        m_grid->setItem(viewRow, 0, cellItem(QString::number(row)));
        m_grid->setItem(viewRow, 1, cellItem(methodName(record.method)));
        m_grid->setItem(viewRow, 2, cellItem(record.nameText()));
        ++row;
        m_grid->setRowCount(row);
    }
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
