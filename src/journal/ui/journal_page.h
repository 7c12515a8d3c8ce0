#pragma once
// The journal page (TabSheet1's content): ToolBar1 over the journal grid StringGrid1.
// Entries come from the write button, the Insert key, the main window's space key and
// result labels dropped on the grid; only the comment column is edited by hand. The
// method button (editmetod) shows the selected method's letter and opens the method
// menu PopupMenuMetod.

#include "journal/journal_entry.h"
#include "journal/ui/grid_page.h"

#include <array>

class QDropEvent;
class QMenu;
class QToolButton;

namespace kv {

class JournalBook;
class JournalEdits;
class MeasurementState;

class JournalPage : public GridPage {
    Q_OBJECT

public:
    // The state gives the selected method and the result texts an entry takes; the book
    // holds the journal shown; its changes go through `edits`. All must outlive the page.
    JournalPage(MeasurementState& state, JournalBook& book, JournalEdits& edits,
                ErrorReporter& errors, QWidget* parent = nullptr);

    QToolButton* editmetod() const { return m_editmetod; }
    QMenu* popupMenuMetod() const { return m_popupMenuMetod; }

    // Adds an entry for the selected method at the end of the journal.
    void writeButClick();
    // Deletes the journal's current row.
    void DelButClick();
    // Moves the journal's current row to the archive.
    void ArhButClick();
    // Saves the journal to a spreadsheet under a name the operator chooses.
    void excellButClick();
    // Prints the rows in view (printShown).
    void printButClick();

    // Opens the method menu at the cursor.
    void editmetodClick();
    // The method menu's items: research, motor, AKI, cetane.
    void N2Click();
    void N3Click();
    void N5Click();
    void N4Click();

    // Column moving ends with the first click.
    void StringGrid1Click();

    void fitColumnsAtCreate() override;
    void fitColumnsAtResize() override;

    // Where entries take their date and time from (the system clock by default).
    void setClock(Clock clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMethodMenu();
    bool handleDragMove(QDropEvent* event);
    bool handleDrop(QDropEvent* event);
    // Columns 0..3 at their widths, "№" as wide as its numbers need.
    void setJournalColumnWidths();
    // The "№" column grows to the widest number of model rows first..last (numbers past
    // 999 no longer fit its 30 pixels); the comment column gives up what it takes.
    void widenNumberColumn(int first, int last);
    // The width of a number's text in the grid's font, from the digits' own widths: a
    // journal of a million rows is measured on every load.
    int numberTextWidth(const QString& text) const;
    void record(Method method, const QString& value);
    void refuseStaleValue();

    MeasurementState& m_state;
    JournalEdits& m_edits;
    Clock m_clock = systemClock();
    QToolButton* m_writeBut = nullptr;
    QToolButton* m_editmetod = nullptr;
    QMenu* m_popupMenuMetod = nullptr;
    int m_numberColumnWidth = 0;
    std::array<int, 10> m_digitWidths{};
};

}  // namespace kv
