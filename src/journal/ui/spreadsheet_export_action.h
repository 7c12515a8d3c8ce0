#pragma once
// The export buttons' action: the save dialog, then the export of a table under the
// chosen name with the hourglass up while rows are written, and a progress dialog with
// Cancel when that takes a while. A cancelled export saves nothing.

#include "journal/journal_table.h"
#include "journal/spreadsheet_automation.h"

#include <QString>

#include <functional>

class QWidget;

namespace kv {

// The hourglass as the application's override cursor. Each setHourglass is undone by
// the next setDefault or, failing that, by the destructor.
class OverrideBusyCursor : public BusyCursor {
public:
    OverrideBusyCursor() = default;
    ~OverrideBusyCursor() override;
    OverrideBusyCursor(const OverrideBusyCursor&) = delete;
    OverrideBusyCursor& operator=(const OverrideBusyCursor&) = delete;
    void setHourglass() override;
    void setDefault() override;

private:
    bool m_set = false;
};

class SpreadsheetExportAction {
public:
    // The name to save under, or an empty text when the operator cancels.
    using FileChooser = std::function<QString(QWidget* parent)>;

    // SaveDialog1: filter "*.xls", no extension added to the name typed.
    static QString runSaveDialog(QWidget* parent);

    // Asks for a name and, unless cancelled, exports the table under it. Raises as
    // exportGridToSpreadsheet.
    void run(QWidget* parent, const JournalTable& table) const;

    // Tests put a chooser and an application of their own in place.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setFactory(AutomationFactory factory) { m_factory = std::move(factory); }

private:
    FileChooser m_chooseFile = &SpreadsheetExportAction::runSaveDialog;
    AutomationFactory m_factory;  // empty: the built-in spreadsheet
};

}  // namespace kv
