#pragma once
// TForm4: an empty auxiliary window, created at start and never shown.

#include <QWidget>

namespace kv {

class TForm4 : public QWidget {
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);
};

}  // namespace kv
