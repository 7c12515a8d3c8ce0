#pragma once
// The width the last column of a grid gets when it takes the rest of the grid's width.

namespace kv {

// gridWidth - widthsBefore - margin, but never below a narrow, still grabbable column,
// so a very narrow window doesn't collapse or invert the column.
int lastColumnWidth(int gridWidth, int widthsBefore, int margin);

inline constexpr int kMinimumLastColumnWidth = 20;

}  // namespace kv
