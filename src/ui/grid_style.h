#pragma once
// The look every grid of the program shares, and the fitting of a last column to the
// grid's width.

#include <QString>

class QFont;
class QTableView;

namespace kv {

inline constexpr int kDefaultColumnWidth = 64;
// Narrowest widths at which the journal grids must still show these texts whole.
inline constexpr int kDateColumnWidth = 100;    // the archive's date column
inline constexpr int kMethodColumnWidth = 150;  // every grid's method column
inline constexpr int kValueColumnWidth = 54;    // the journal's value column
// Columns 0..3 of the journal and the archive as the window sizes them (the comment
// column takes the rest); a negative width leaves a column as the user made it.
inline constexpr int kJournalColumnWidths[4] = {30, 110, kMethodColumnWidth, kValueColumnWidth};
inline constexpr int kArchiveColumnWidths[4] = {-1, kDateColumnWidth, kMethodColumnWidth, 70};
// The grids' and tool buttons' largest type size: the window's own.
inline constexpr int kGridPixelSize = 11;
// Space between a cell's text and its grid lines in the journal grids; narrower than the
// style's, so a whole date and time fits the archive's 100-pixel column.
inline constexpr int kCellPadding = 2;

// Grid lines, range selection, user-sized columns no narrower than minimumColumnWidth,
// one fixed row height (a long table must not be measured row by row), the headings in
// the horizontal header and no row header; the cells (drawn with kCellPadding) and
// headings in gridFont().
void setUpGrid(QTableView* grid, int minimumColumnWidth);

// The face of the grids' cells and headings. The columns keep their narrow widths (the
// archive's date column is 100 pixels, the value column 54), so a condensed face is used,
// at the largest size up to 11 pixels at which a date and time, every method name and the
// heading "Значение" fit them whole.
QFont gridFont();

// Gives the grid (and so its headings and cell editor) the font, with rows to match.
void applyGridFont(QTableView* grid, const QFont& font);

// The last column takes the grid's outer width less the columns before it and `margin`,
// but never less than `minimum`, so a narrow window neither hides nor inverts it.
void fitLastColumn(QTableView* grid, int margin, int minimum);

// What of a cell's text is given to eliding for a cell `width` pixels wide: the text, or
// as much as can be seen of a longer one and "…".
QString cellTextToElide(const QString& text, int width);

}  // namespace kv
