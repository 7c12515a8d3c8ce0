#pragma once
// The text buttons of the pages' tool bars.

#include <QKeySequence>

class QString;
class QToolBar;
class QToolButton;
class QWidget;

namespace kv {

// A text-only button of the given width, 22 high, added to the end of the bar. Its
// caption is in the grids' condensed face at the window's size, in which the longest
// caption ("Включить/Отключить калибровку") fits its button whole. The button takes the
// focus by Tab; a shortcut clicks it while its bar is shown, and the tip names it.
QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width, const QKeySequence& shortcut = {});

// The tip of a button whose key works in one control only (Delete in a grid): the key is
// bound there and named here; `what` stands for the caption where that is no word.
void showKeyInTip(QToolButton* button, const QKeySequence& key, const QString& what = {});
// Binds keys to the button while the control has the focus; the tip names the first.
void bindKeysInControl(QToolButton* button, QWidget* control, const QList<QKeySequence>& keys);

// Empty space of the given width at the end of the bar.
void addToolBarGap(QToolBar* bar, int width);

}  // namespace kv
