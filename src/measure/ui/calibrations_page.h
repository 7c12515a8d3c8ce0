#pragma once
// The calibrations page (TabSheet3's content): ToolBar3 with the four commands over the
// grid StringGrid3 of the stored calibrations.
//
// Grid rows: the heading is the view's header; grid row r (r >= 1, as the commands count
// them) is the view's row r - 1. Below the last record there is always one empty row, so
// N records give N + 1 view rows (N + 2 rows counting the heading).

#include <QWidget>

#include <functional>

class QTableWidget;
class QToolBar;

namespace kv {

class CalibrationMarkDelegate;
struct CalibrationForm;
class ErrorReporter;
class MeasurementState;
class TForm2;

class CalibrationsPage : public QWidget {
    Q_OBJECT

public:
    // The state (its calibrations) and the reporter must outlive the page.
    CalibrationsPage(MeasurementState& state, ErrorReporter& errors, QWidget* parent = nullptr);

    // The dialog create and edit fill and show; without one they do nothing.
    void setCalibrationDialog(TForm2* dialog) { m_dialog = dialog; }
    // Shows the filled dialog and says whether it closed with OK. By default it runs
    // modally; tests put in a runner that works the dialog and closes it.
    using DialogRunner = std::function<bool(TForm2&)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // Writes the list to kor.tab after a create, an edit and a delete, through the same
    // save as the close; raises the file errors. Unset, nothing is written.
    void setCalibrationSaver(std::function<void()> save) { m_save = std::move(save); }

    QTableWidget* grid() { return m_grid; }  // "StringGrid3"
    // Rebuilds the grid from the store. The current row stays where it was, as far as
    // the grid still reaches.
    void FillCalibrationGrid();

    // The grid row the commands act on (1-based; N + 1 is the empty last row).
    int currentGridRow() const;
    void setCurrentGridRow(int row);

    // The tool bar's commands; they raise what fails (the buttons run them guarded).
    void BitBtn1Click();  // create
    void BitBtn2Click();  // edit the current row
    void StringGrid3DblClick();
    void BitBtn3Click();  // delete the current row
    void BitBtn4Click();  // switch the current row on or off
    const CalibrationMarkDelegate& marks() const { return *m_marks; }

    // Row count in the grid's own terms: heading included.
    int gridRowCount() const;

    // Column 1 is 150 wide, column 2 takes the rest less 10; on resize only column 2.
    void fitColumnsAtCreate();
    void fitColumnsAtResize();

private:
    void fitLastColumn();
    bool runDialog(const CalibrationForm& form);
    // After a create, an edit or a delete: the grid refilled, the state told, the file saved.
    void listChanged();

    MeasurementState& m_state;
    ErrorReporter& m_errors;
    TForm2* m_dialog = nullptr;
    DialogRunner m_runDialog;
    std::function<void()> m_save;
    CalibrationMarkDelegate* m_marks = nullptr;
    QToolBar* m_toolBar = nullptr;
    QTableWidget* m_grid = nullptr;
};

}  // namespace kv
