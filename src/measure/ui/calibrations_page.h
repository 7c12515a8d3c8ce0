#pragma once
// The calibrations page (TabSheet3's content): ToolBar3 with the four commands over the
// grid StringGrid3 of the stored calibrations.
//
// Grid rows: the heading is the view's header; grid row r (r >= 1, as the commands count
// them) is the view's row r - 1. Below the last record there is always one empty row, so
// N records give N + 1 view rows (N + 2 rows counting the heading).

#include <QWidget>

class QTableWidget;
class QToolBar;

namespace kv {

class MeasurementState;

class CalibrationsPage : public QWidget {
public:
    // The state (its calibrations) must outlive the page.
    explicit CalibrationsPage(MeasurementState& state, QWidget* parent = nullptr);

    QTableWidget* grid() { return m_grid; }  // "StringGrid3"
    // Rebuilds the grid from the store.
    void FillCalibrationGrid();

    // Row count in the grid's own terms: heading included.
    int gridRowCount() const;

    // Column 1 is 150 wide, column 2 takes the rest less 10; on resize only column 2.
    void fitColumnsAtCreate();
    void fitColumnsAtResize();

private:
    void fitLastColumn();

    MeasurementState& m_state;
    QToolBar* m_toolBar = nullptr;
    QTableWidget* m_grid = nullptr;
};

}  // namespace kv
