#pragma once
// Файл → История изменений…: the change history of the data folder, read only, newest
// first, with a filter that keeps the lines containing its text.

#include <QDialog>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace kv {

class HistoryDialog : public QDialog {
    Q_OBJECT

public:
    // Reads the history file at `path`; a missing one shows an empty table.
    explicit HistoryDialog(const QString& path, QWidget* parent = nullptr);

    QTableView* table() const { return m_table; }
    QLineEdit* filter() const { return m_filter; }
    // The lines shown after the filter.
    int shownCount() const;

private:
    QLineEdit* m_filter = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_count = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    int m_total = 0;
};

}  // namespace kv
