#pragma once
// The archive page (TabSheet2's content): ToolBar2 over the archive grid StringGrid2.
// Rows only arrive from the journal; here they are read, deleted, exported and printed.

#include "journal/ui/grid_page.h"

namespace kv {

class JournalBook;
class JournalEdits;

class ArchivePage : public GridPage {
    Q_OBJECT

public:
    // The book shown and the path its changes take must outlive the page.
    ArchivePage(JournalBook& book, JournalEdits& edits, ErrorReporter& errors,
                QWidget* parent = nullptr);

    // Deletes the archive's current row.
    void DelButArhClick();
    // Saves the archive to a spreadsheet under a name the operator chooses.
    void excellButArhClick();
    // Prints the rows in view (printShown).
    void printButArhClick();
    void fitColumnsAtCreate() override;
    void fitColumnsAtResize() override;

private:
    JournalEdits& m_edits;
};

}  // namespace kv
