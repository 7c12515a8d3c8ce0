#pragma once
// The archive page (TabSheet2's content): ToolBar2 over the archive grid StringGrid2.
// Rows only arrive from the journal; here they are read, deleted and exported.

#include "journal/ui/grid_page.h"

namespace kv {

class ArchivePage : public GridPage {
public:
    explicit ArchivePage(ErrorReporter& errors, QWidget* parent = nullptr);

    // Deletes the archive's current row.
    void DelButArhClick();
    // Saves the archive to a spreadsheet under a name the operator chooses.
    void excellButArhClick();
    // Appends a row even when the archive's last row is blank.
    void appendRow(const JournalRow& row);

    void fitColumnsAtCreate() override;
    void fitColumnsAtResize() override;
};

}  // namespace kv
