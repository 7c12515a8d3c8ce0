#include "measure/ui/calibration_dialog.h"

namespace kv {

TForm2::TForm2(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(
        QStringLiteral("Калибровка по 2 известным значениям октанового(цетанового) числа"));
    resize(505, 513);
}

}  // namespace kv
