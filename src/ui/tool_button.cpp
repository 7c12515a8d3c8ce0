#include "ui/tool_button.h"

#include "ui/grid_style.h"

#include <QFont>
#include <QToolBar>
#include <QToolButton>

namespace kv {

QToolButton* addToolButton(QToolBar* bar, const char* objectName, const QString& caption,
                           int width)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1StringView(objectName));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFixedSize(width, 22);
    QFont font = gridFont();
    font.setPixelSize(kGridPixelSize);
    button->setFont(font);
    bar->addWidget(button);
    return button;
}

void addToolBarGap(QToolBar* bar, int width)
{
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(width);
    bar->addWidget(gap);
}

}  // namespace kv
