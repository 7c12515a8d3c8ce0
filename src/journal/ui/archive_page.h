#pragma once
// The archive page (TabSheet2's content): ToolBar2 over the archive grid StringGrid2.
// Rows only arrive from the journal; here they are read, deleted and exported.

#include "journal/journal_table.h"

#include <QWidget>

class QTableView;
class QToolBar;
class QToolButton;

namespace kv {

class ErrorReporter;
class JournalTableModel;

class ArchivePage : public QWidget {
public:
    explicit ArchivePage(ErrorReporter& errors, QWidget* parent = nullptr);

    JournalTable& table() { return m_table; }
    const JournalTable& table() const { return m_table; }
    // Call after changing table() directly.
    void refresh();

    QTableView* grid() { return m_grid; }                 // "StringGrid2"
    QToolButton* excellButArh() { return m_excellButArh; }
    QToolButton* delButArh() { return m_delButArh; }

    // Adds the file's records to the table. Raises FileOpenError.
    void loadFile(const QString& path);
    // Raises FileCreateError / StreamWriteError.
    void saveFile(const QString& path) const;

    // Deletes the archive's current row.
    void DelButArhClick();
    // Appends a row even when the archive's last row is blank.
    void appendRow(const JournalRow& row);

    void fitColumnsAtCreate();
    void fitColumnsAtResize();

    // The grid's current row in table numbering (1..), 0 when there is none.
    int currentRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:

    ErrorReporter& m_errors;
    JournalTable m_table;
    JournalTableModel* m_model = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolButton* m_delButArh = nullptr;
    QToolButton* m_excellButArh = nullptr;
    QTableView* m_grid = nullptr;
};

}  // namespace kv
