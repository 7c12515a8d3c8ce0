#pragma once
// The text buttons of the pages' tool bars.

class QString;
class QToolBar;
class QToolButton;

namespace kv {

// A text-only button of the given width, 22 high, added to the end of the bar. Its
// caption is in the grids' condensed face at the window's size, in which the longest
// caption ("Включить/Отключить калибровку") fits its button whole.
QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width);

// Empty space of the given width at the end of the bar.
void addToolBarGap(QToolBar* bar, int width);

}  // namespace kv
