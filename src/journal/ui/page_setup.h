#pragma once
// What the journal and archive pages share: their grids' look, the fitting of their
// columns and their tool buttons.

class QFont;
class QString;
class QTableView;
class QToolBar;
class QToolButton;

namespace kv {

inline constexpr int kDefaultColumnWidth = 64;
// A comment column computed as zero or less would vanish; it keeps this much to stay
// reachable.
inline constexpr int kMinimumCommentColumnWidth = 16;
// Space between a cell's text and its grid lines in the journal grids; narrower than the
// style's, so a whole date and time fits the archive's 100-pixel column.
inline constexpr int kCellPadding = 2;

// Grid lines, range selection, user-sized columns, one fixed row height (a long table must
// not be measured row by row), the headings in the horizontal header and no row header;
// the cells and headings in gridFont().
void setUpJournalGrid(QTableView* grid);

// The face of the grids' cells and headings. The columns keep their narrow widths (the
// archive's date column is 100 pixels, the value column 54), so a condensed face is used,
// at the largest size up to 11 pixels at which a date and time, every method name and the
// heading "Значение" fit them whole.
QFont gridFont();

// Gives the grid (and so its headings and cell editor) the font, with rows to match.
void applyGridFont(QTableView* grid, const QFont& font);

// Column 4 takes the grid's outer width less the first four columns and `margin`.
void fitLastColumn(QTableView* grid, int margin);

// Sets the widths of columns 0..3 that are given (a negative width leaves a column alone).
void setFixedColumnWidths(QTableView* grid, int w0, int w1, int w2, int w3);

// A text-only tool button of the given width, 22 high, added to the end of the bar; its
// caption in the grids' face at 11 pixels.
QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width);

}  // namespace kv
