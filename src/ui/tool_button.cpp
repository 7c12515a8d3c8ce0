#include "ui/tool_button.h"

#include "ui/grid_style.h"

#include <QAction>
#include <QFont>
#include <QToolBar>
#include <QToolButton>

namespace kv {

QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width)
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
    return button;
}

void addToolBarGap(QToolBar* bar, int width)
{
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(width);
    bar->addWidget(gap);
}

}  // namespace kv
