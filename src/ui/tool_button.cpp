#include "ui/tool_button.h"

#include "ui/grid_style.h"

#include <QAction>
#include <QFont>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace kv {

QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width, const QKeySequence& shortcut)
{
    // A button the bar makes for an action, not a widget put on it: a bar too narrow
    // for its buttons hides the last ones and lists their actions in its extension menu,
    // which leaves widgets out.
    auto* action = new QAction(caption, bar);
    bar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    // The pages listen to the button alone: it no longer triggers the action, and the
    // action, chosen from the menu while the bar hides the button, clicks it.
    button->setDefaultAction(nullptr);
    button->removeAction(action);  // kept, it would count as a menu and draw its arrow
    QObject::connect(action, &QAction::triggered, button, &QToolButton::click);
    button->setText(caption);
    button->setObjectName(QLatin1StringView(objectName));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedSize(width, 22);
    QFont font = gridFont();
    font.setPixelSize(kGridPixelSize);
    button->setFont(font);
    // The bar's own buttons take no focus; the keyboard reaches these by Tab.
    button->setFocusPolicy(Qt::TabFocus);
    if (!shortcut.isEmpty()) {
        // Only while the bar is shown: the journal's and the archive's export share a key.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        showKeyInTip(button, shortcut);
    }
    return button;
}

void showKeyInTip(QToolButton* button, const QKeySequence& key, const QString& what)
{
    const QString key_ = key.toString(QKeySequence::NativeText);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(what.isEmpty() ? button->text() : what, key_));
}

void addToolBarGap(QToolBar* bar, int width)
{
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(width);
    bar->addWidget(gap);
}

void bindKeysInControl(QToolButton* button, QWidget* control, const QList<QKeySequence>& keys)
{
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, control, nullptr, nullptr, Qt::WidgetShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    }
    showKeyInTip(button, keys.value(0));
}

}  // namespace kv
