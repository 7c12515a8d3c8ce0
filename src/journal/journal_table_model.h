#pragma once
// The journal or the archive as an item model, so that any view can show it: data rows
// 1..rowCount()-1 of the table are the model's rows 0..rowCount()-2, the headings are the
// horizontal header. Every change goes through here and so reaches the views as it
// happens; revision() counts the changes. A comment typed into a view is not written
// here but handed to the comment editor (the workspace's change path), which writes it
// back through setComment.

#include "journal/journal_table.h"
#include "journal/table_file.h"

#include <QAbstractTableModel>

#include <functional>

namespace kv {

class JournalTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit JournalTableModel(QObject* parent = nullptr);

    const JournalTable& table() const { return m_table; }
    // Grows with every change of a cell or of the row count.
    quint64 revision() const { return m_revision; }

    // Adds the records in `bytes` as readTableBytes does.
    TableRead readBytes(QByteArrayView bytes);

    // The table's own operations, told to the views as they happen so that a view keeps
    // its current cell and never re-reads a long table for a one-row change.
    void appendRow();
    void setRow(int tableRow, const JournalRow& cells);
    void deleteRow(int tableRow);
    void appendData(const JournalRow& cells);
    void insertRow(int tableRow, const JournalRow& cells);
    void setComment(int tableRow, const QString& text);

    // Where a comment typed into a view goes (table row, text). Without one the comment
    // column can't be edited (the archive).
    using CommentEditor = std::function<void(int tableRow, const QString& text)>;
    void setCommentEditor(CommentEditor editor) { m_commentEditor = std::move(editor); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value,
                 int role = Qt::EditRole) override;

private:
    JournalTable m_table;
    quint64 m_revision = 0;
    CommentEditor m_commentEditor;
};

}  // namespace kv
