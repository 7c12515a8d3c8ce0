#pragma once
// What the journal and archive pages share: their grids' look, the fitting of their
// columns and their tool buttons.

class QString;
class QTableView;
class QToolBar;
class QToolButton;

namespace kv {

inline constexpr int kDefaultColumnWidth = 64;
// A last column computed as zero or less would vanish; it keeps this much to stay reachable.
inline constexpr int kMinimumLastColumnWidth = 16;

// Grid lines, range selection, user-sized columns, one fixed row height (a long table must
// not be measured row by row), the headings in the horizontal header and no row header.
void setUpJournalGrid(QTableView* grid);

// Column 4 takes the grid's outer width less the first four columns and `margin`.
void fitLastColumn(QTableView* grid, int margin);

// Sets the widths of columns 0..3 that are given (a negative width leaves a column alone).
void setFixedColumnWidths(QTableView* grid, int w0, int w1, int w2, int w3);

// A text-only tool button of the given width, 22 high, added to the end of the bar.
QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width);

}  // namespace kv
