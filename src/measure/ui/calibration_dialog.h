#pragma once
// TForm2: the calibration dialog, computing a user calibration from two reference fuels.
// One instance lives from start to exit and is reused for every create and edit.

#include <QDialog>

namespace kv {

class TForm2 : public QDialog {
public:
    explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace kv
