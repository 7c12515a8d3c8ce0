#include "journal/journal_filter_model.h"

#include "journal/journal_table_model.h"

namespace kv {

JournalFilterModel::JournalFilterModel(JournalTableModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent)
    , m_rows(rows)
{
    setSourceModel(&rows);
    // The grid's own order is the table's: no sorting, only filtering.
    setDynamicSortFilter(true);
}

void JournalFilterModel::setFilter(const RowFilter& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_matcher = RowMatcher(filter);
    invalidateRowsFilter();
}

bool JournalFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return !m_filter.isActive() || m_matcher.accepts(m_rows.table().row(sourceRow + 1));
}

int JournalFilterModel::tableRow(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return 0;
    const QModelIndex source = mapToSource(index);
    return source.isValid() ? source.row() + 1 : 0;
}

QModelIndex JournalFilterModel::indexOfTableRow(int tableRow, int column) const
{
    return mapFromSource(m_rows.index(tableRow - 1, column));
}

int JournalFilterModel::totalCount() const
{
    return m_rows.table().isEmpty() ? 0 : m_rows.table().rowCount() - 1;
}

JournalTable JournalFilterModel::shownTable() const
{
    if (!m_filter.isActive())
        return m_rows.table();
    std::vector<int> rows;
    rows.reserve(std::size_t(rowCount()));
    for (int r = 0; r < rowCount(); ++r)
        rows.push_back(tableRow(index(r, 0)));
    return tableOfRows(rows);
}

JournalTable JournalFilterModel::tableOfRows(const std::vector<int>& tableRows) const
{
    std::vector<JournalRow> rows;
    rows.reserve(tableRows.size());
    for (const int r : tableRows)
        rows.push_back(m_rows.table().row(r));
    return journalTableOf(rows);
}

}  // namespace kv
