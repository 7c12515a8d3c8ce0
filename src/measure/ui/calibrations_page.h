#pragma once
// The calibrations page (TabSheet3's content): ToolBar3 with the four commands over the
// grid StringGrid3, a view of the calibration list.
//
// Grid rows: the heading is the view's header; grid row r (r >= 1, as the commands count
// them) is the view's row r - 1. Below the last record there is always one empty row, so
// N records give N + 1 view rows (N + 2 rows counting the heading). The commands change
// the list only through the change path they are given.

#include <QWidget>

#include <functional>

class QTableView;
class QToolBar;

namespace kv {

class CalibrationEdits;
class CalibrationListModel;
struct CalibrationForm;
class ErrorReporter;
class MeasurementState;
class TForm2;

class CalibrationsPage : public QWidget {
    Q_OBJECT

public:
    // The list shown, the path its changes take, the state (its selected method) and the
    // reporter must outlive the page.
    CalibrationsPage(const CalibrationListModel& list, CalibrationEdits& edits,
                     const MeasurementState& state, ErrorReporter& errors,
                     QWidget* parent = nullptr);

    // The dialog create and edit fill and show; without one they do nothing. The source
    // is asked each time, so that the dialog may be made when first needed.
    using DialogSource = std::function<TForm2*()>;
    void setCalibrationDialog(DialogSource source) { m_dialog = std::move(source); }
    void setCalibrationDialog(TForm2* dialog)
    {
        m_dialog = dialog ? DialogSource([dialog] { return dialog; }) : DialogSource();
    }
    // Shows the filled dialog and says whether it closed with OK. By default it runs
    // modally; tests put in a runner that works the dialog and closes it.
    using DialogRunner = std::function<bool(TForm2&)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    QTableView* grid() { return m_grid; }  // "StringGrid3"

    // The grid row the commands act on (1-based; N + 1 is the empty last row).
    int currentGridRow() const;
    void setCurrentGridRow(int row);

    // The tool bar's commands; they raise what fails (the buttons run them guarded).
    void BitBtn1Click();  // create
    void BitBtn2Click();  // edit the current row
    void StringGrid3DblClick();
    void BitBtn3Click();  // delete the current row
    void BitBtn4Click();  // switch the current row on or off

    // Row count in the grid's own terms: heading included.
    int gridRowCount() const;

    // Column 1 is 150 wide, column 2 takes the rest less 10; on resize only column 2.
    void fitColumnsAtCreate();
    void fitColumnsAtResize();

private:
    void fitLastColumn();
    // The dialog runDialog filled and showed.
    TForm2* dialog() const { return m_dialog ? m_dialog() : nullptr; }
    bool runDialog(const CalibrationForm& form);

    const CalibrationListModel& m_list;
    CalibrationEdits& m_edits;
    const MeasurementState& m_state;
    ErrorReporter& m_errors;
    DialogSource m_dialog;
    DialogRunner m_runDialog;
    QToolBar* m_toolBar = nullptr;
    QTableView* m_grid = nullptr;
};

}  // namespace kv
