#include "journal/journal_table_model.h"

#include "core/text_start.h"

namespace kv {

JournalTableModel::JournalTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

TableRead JournalTableModel::readBytes(QByteArrayView bytes)
{
    beginResetModel();
    TableRead read;
    try {
        read = readTableBytes(m_table, bytes);
    } catch (...) {
        // Out of memory half way: the table goes back to empty and the views stay whole.
        m_table = JournalTable();
        ++m_revision;
        endResetModel();
        throw;
    }
    ++m_revision;
    endResetModel();
    return read;
}

void JournalTableModel::appendRow()
{
    const int row = m_table.rowCount() - 1;
    beginInsertRows({}, row, row);
    m_table.appendRow();
    ++m_revision;
    endInsertRows();
}

void JournalTableModel::setRow(int tableRow, const JournalRow& cells)
{
    if (!m_table.isDataRow(tableRow))
        return;
    m_table.setRow(tableRow, cells);
    ++m_revision;
    emit dataChanged(index(tableRow - 1, 0), index(tableRow - 1, JournalTable::kColumnCount - 1));
}

void JournalTableModel::deleteRow(int tableRow)
{
    if (!m_table.isDataRow(tableRow))
        return;
    ++m_revision;
    if (m_table.rowCount() <= 2) {
        m_table.deleteRow(tableRow);  // blanks the only row
        emit dataChanged(index(0, 0), index(0, JournalTable::kColumnCount - 1));
        return;
    }
    beginRemoveRows({}, tableRow - 1, tableRow - 1);
    m_table.deleteRow(tableRow);
    endRemoveRows();
}

void JournalTableModel::appendData(const JournalRow& cells)
{
    appendRow();
    setRow(m_table.rowCount() - 1, cells);
}

void JournalTableModel::insertRow(int tableRow, const JournalRow& cells)
{
    if (tableRow < 1 || tableRow > m_table.rowCount())
        return;
    beginInsertRows({}, tableRow - 1, tableRow - 1);
    m_table.insertRow(tableRow, cells);
    ++m_revision;
    endInsertRows();
}

void JournalTableModel::setComment(int tableRow, const QString& text)
{
    if (!m_table.isDataRow(tableRow))
        return;
    m_table.setCell(tableRow, JournalTable::kCommentColumn, text);
    ++m_revision;
    const QModelIndex cell = index(tableRow - 1, JournalTable::kCommentColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
}

int JournalTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount() - 1;
}

int JournalTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : JournalTable::kColumnCount;
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_table.cell(index.row() + 1, index.column());
    case Qt::ToolTipRole: {
        // A comment or a calibrated value may be wider than its column: the tip shows it
        // whole. A blank cell (a new entry's comment is one space) has nothing to show.
        // A tip of megabytes would take seconds to lay out: its start is enough to read.
        const QString text = m_table.cell(index.row() + 1, index.column());
        return text.trimmed().isEmpty() ? QVariant() : QVariant(textStart(text, kLongestTip));
    }
    default:
        return {};
    }
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        || section < 0 || section >= JournalTable::kColumnCount)
        return {};
    return kJournalHeadings[std::size_t(section)];
}

Qt::ItemFlags JournalTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_commentEditor && index.column() == JournalTable::kCommentColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

bool JournalTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    m_commentEditor(index.row() + 1, value.toString());
    return true;
}

}  // namespace kv
