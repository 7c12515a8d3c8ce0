#pragma once
// The journal page (TabSheet1's content): ToolBar1 over the journal grid StringGrid1.
// Entries come from the write button, the Insert key, the main window's space key and
// result labels dropped on the grid; only the comment column is edited by hand.

#include "journal/journal_entry.h"
#include "journal/journal_table.h"

#include <QWidget>

class QDropEvent;
class QTableView;
class QToolBar;
class QToolButton;

namespace kv {

class ArchivePage;
class ErrorReporter;
class JournalHost;
class JournalTableModel;

class JournalPage : public QWidget {
public:
    explicit JournalPage(JournalHost& host, ArchivePage& archive, ErrorReporter& errors,
                QWidget* parent = nullptr);

    JournalTable& table() { return m_table; }
    const JournalTable& table() const { return m_table; }
    // Call after changing table() directly.
    void refresh();

    QTableView* grid() { return m_grid; }                 // "StringGrid1"
    // The main window sets its caption (the method letter) and gives it its method menu.
    QToolButton* editmetod() { return m_editmetod; }
    QToolButton* excellBut() { return m_excellBut; }
    QToolButton* printBut() { return m_printBut; }
    QToolButton* writeBut() { return m_writeBut; }
    QToolButton* arhBut() { return m_arhBut; }
    QToolButton* delBut() { return m_delBut; }

    // Adds the file's records to the table. Raises FileOpenError.
    void loadFile(const QString& path);
    // Raises FileCreateError / StreamWriteError.
    void saveFile(const QString& path) const;

    // Adds an entry for the host's selected method at the end of the journal.
    void writeButClick();
    // Deletes the journal's current row.
    void DelButClick();
    // Moves the journal's current row to the archive.
    void ArhButClick();

    // Comment editing on exactly while the current cell is in the comment column; column
    // moving ends with the first call.
    void StringGrid1Click();

    void fitColumnsAtCreate();
    void fitColumnsAtResize();

    // The grid's current row in table numbering (1..), 0 when there is none.
    int currentRow() const;

    // Where entries take their date and time from (the system clock by default).
    void setClock(Clock clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleDragMove(QDropEvent* event);
    bool handleDrop(QDropEvent* event);

    JournalHost& m_host;
    ArchivePage& m_archive;
    ErrorReporter& m_errors;
    Clock m_clock = systemClock();
    bool m_placingCurrent = false;
    JournalTable m_table;
    JournalTableModel* m_model = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolButton* m_writeBut = nullptr;
    QToolButton* m_editmetod = nullptr;
    QToolButton* m_arhBut = nullptr;
    QToolButton* m_delBut = nullptr;
    QToolButton* m_excellBut = nullptr;
    QToolButton* m_printBut = nullptr;
    QTableView* m_grid = nullptr;
};

}  // namespace kv
