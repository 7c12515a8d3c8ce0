#include "app/auxiliary_window.h"

namespace kv {

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Form4"));
    resize(348, 282);
}

}  // namespace kv
