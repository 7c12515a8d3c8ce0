#pragma once
// GridPage: what the journal and archive pages share. A tool bar over a grid showing one
// table of the JournalBook, the grid's current row and the fitting of its columns to the
// page. Each page adds its buttons and handlers; the table is the book's, never the page's.

#include "journal/journal_table.h"
#include "journal/ui/spreadsheet_export_action.h"

#include <QWidget>

#include <functional>
#include <vector>


class QMenu;
class QTableView;
class QToolBar;

namespace kv {

class ErrorReporter;
class FindBar;
class JournalFilterModel;
class JournalTableModel;
class PrintView;

class GridPage : public QWidget {
    Q_OBJECT

public:
    // A comment column computed as zero or less would vanish; it keeps this much to stay
    // reachable.
    static constexpr int kMinimumCommentColumnWidth = 16;

    const JournalTable& table() const;
    QTableView* grid() const { return m_grid; }
    QToolBar* toolBar() const { return m_toolBar; }
    FindBar* findBar() const { return m_findBar; }
    // The rows the grid shows, through the find bar's filter.
    JournalFilterModel& shownRows() const { return *m_shown; }

    // The rows in view, what an export or a print takes (tables share their rows, so
    // without a filter this copies nothing).
    JournalTable shownTable() const;
    // "Отбор: …" while a filter is on, otherwise empty: said on what is printed.
    QString filterNote() const;
    // The selected rows in the grid's order, as a table; empty (row count 2, blank) when
    // none is selected.
    JournalTable selectedTable() const;
    std::vector<int> selectedTableRows() const;

    // How the page's export button saves the table to a spreadsheet (the save dialog and
    // the built-in spreadsheet unless replaced).
    SpreadsheetExportAction& spreadsheetExport() { return m_export; }

    // The grid's current row in table numbering (1..), 0 when there is none.
    int currentRow() const;
    // Makes a row current and scrolls it into sight (a new entry, a row brought back); a
    // filter that hides it is cleared first.
    void showRow(int tableRow);
    // A comment being typed is taken as if Enter had been pressed (before a save).
    void commitOpenEdit();

    // Writes the print page of the rows in view into the print directory and hands them to
    // the print view, whose preview follows.
    void printShown();
    // Where the print page is written (the data directory).
    void setPrintDirectory(QString directory) { m_printDirectory = std::move(directory); }
    // The main window's viewer the print page goes to; without one the page is only
    // written.
    void setPrintView(PrintView* view) { m_printView = view; }

    // Where "Протокол испытаний…" of the grid's context menu sends the selected rows (the
    // current row when none is selected); without a handler the menu has no such item.
    using ReportHandler = std::function<void(QWidget* page, const JournalTable& rows)>;
    void setReportHandler(ReportHandler handler) { m_report = std::move(handler); }
    // The rows the report takes; its item in the context menu.
    JournalTable reportRows() const;
    QMenu* contextMenu() const { return m_contextMenu; }

    // The widths the page's columns get when the window is created and resized.
    virtual void fitColumnsAtCreate() = 0;
    virtual void fitColumnsAtResize() = 0;

protected:
    // The model must outlive the page.
    GridPage(JournalTableModel& model, ErrorReporter& errors, const QString& gridName,
             const QString& toolBarName, int toolBarHeight, QWidget* parent);

    JournalTableModel& model() const { return m_model; }
    ErrorReporter& errors() const { return m_errors; }
    // True while the page places the current cell, which is not the operator's move.
    bool placingCurrent() const { return m_placingCurrent; }
    // The comment column takes the rest of the grid's width less `margin`.
    void fitLastColumn(int margin);
    // Widths of columns 0..3; a negative width leaves a column alone.
    void setFixedColumnWidths(const int (&widths)[4]);


    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the current cell on the first row after the whole table was read.
    void placeCurrent();
    void applyFilter();
    void showCounts();

    JournalTableModel& m_model;
    ErrorReporter& m_errors;
    JournalFilterModel* m_shown = nullptr;
    FindBar* m_findBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QTableView* m_grid = nullptr;
    bool m_placingCurrent = false;
    SpreadsheetExportAction m_export;
    QString m_printDirectory;
    PrintView* m_printView = nullptr;
    ReportHandler m_report;
    QMenu* m_contextMenu = nullptr;
};

}  // namespace kv
