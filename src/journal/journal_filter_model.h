#pragma once
// The rows of a journal or archive model that pass the operator's filter, as the grid
// shows them. Every action on "the current row" or "the selected rows" maps the grid's
// indexes through here to the table's own rows, so a filter never makes a delete, a move
// to the archive, an export or a print act on a row other than the one seen.

#include "journal/row_filter.h"

#include <QSortFilterProxyModel>

#include <vector>

namespace kv {

class JournalTableModel;

class JournalFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    // The model must outlive this one.
    explicit JournalFilterModel(JournalTableModel& rows, QObject* parent = nullptr);

    const RowFilter& filter() const { return m_filter; }
    void setFilter(const RowFilter& filter);

    // The table row (1..) shown in `index`'s row, 0 for none.
    int tableRow(const QModelIndex& index) const;
    // The index showing a table row's column; invalid when the row is filtered out.
    QModelIndex indexOfTableRow(int tableRow, int column = 0) const;
    // Rows in view.
    int shownCount() const { return rowCount(); }
    // Data rows of the table, the blank row of an empty one not counted.
    int totalCount() const;

    // The rows in view as a table of their own, for an export or a print (the table itself,
    // rows shared, without a filter).
    JournalTable shownTable() const;
    // Rows of the table in the order given, as a table of their own.
    JournalTable tableOfRows(const std::vector<int>& tableRows) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    JournalTableModel& m_rows;
    RowFilter m_filter;
    RowMatcher m_matcher;
};

}  // namespace kv
