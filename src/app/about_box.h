#pragma once
// TAboutBox: the About box, shown modally from the Help menu.

#include <QDialog>

namespace kv {

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace kv
