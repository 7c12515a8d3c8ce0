#pragma once
// The export buttons' action: the save dialog, then the export of a table (to a workbook
// or a CSV file) under the chosen name with the hourglass up while rows are written, and
// a progress dialog with Cancel when that takes a while. A cancelled export saves nothing.

#include "journal/journal_table.h"
#include "journal/spreadsheet_export.h"

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
    // Shows a notice of the export's own over the parent.
    using Notifier = std::function<void(QWidget* parent, const QString& text)>;

    // SaveDialog1: filters "*.xls", "*.xlsx" and "*.csv"; a name typed without an
    // extension gets ".csv" under the last, else ".xlsx", so the dialog asks before
    // replacing that file.
    static QString runSaveDialog(QWidget* parent);
    // An information box titled as the parent's window.
    static void showNotice(QWidget* parent, const QString& text);

    // Asks for a name and, unless cancelled, exports the table under it: as CSV when it
    // ends in ".csv", else as a workbook (workbookFileName), saying once if cells had to be
    // cut. Raises as exportGridToCsv or exportGridToSpreadsheet.
    void run(QWidget* parent, const JournalTable& table) const;

    // Tests put a chooser, a workbook writer and a notifier of their own in place.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setFactory(WorkbookWriterFactory factory) { m_factory = std::move(factory); }
    void setNotifier(Notifier notifier) { m_notify = std::move(notifier); }

private:
    FileChooser m_chooseFile = &SpreadsheetExportAction::runSaveDialog;
    WorkbookWriterFactory m_factory;  // empty: the .xlsx writer
    Notifier m_notify = &SpreadsheetExportAction::showNotice;
};

}  // namespace kv
