#pragma once
// A JournalTable shown in a QTableView: data rows 1..rowCount()-1 of the table are the
// model's rows 0..rowCount()-2, the headings are the horizontal header.

#include "journal/journal_table.h"

#include <QAbstractTableModel>

namespace kv {

class JournalTableModel : public QAbstractTableModel {
public:
    // The table must outlive the model.
    explicit JournalTableModel(JournalTable& table, QObject* parent = nullptr);

    // Tells the views the whole table may have changed.
    void reload();

    // The table's own operations, told to the views as they happen so that a view keeps
    // its current cell and never re-reads a long table for a one-row change.
    void appendRow();
    void setRow(int tableRow, const JournalRow& cells);
    void deleteRow(int tableRow);
    void appendData(const JournalRow& cells);
    // Whether the comment column may be edited (only the journal, only while the current
    // cell is in that column).
    void setCommentEditable(bool editable);
    bool commentEditable() const { return m_commentEditable; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value,
                 int role = Qt::EditRole) override;

private:
    JournalTable& m_table;
    bool m_commentEditable = false;
};

}  // namespace kv
