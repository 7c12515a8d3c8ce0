#pragma once
// TSplashForm: the borderless notice shown while the windows are created.

#include <QWidget>

namespace kv {

class TSplashForm : public QWidget {
    Q_OBJECT

public:
    explicit TSplashForm(QWidget* parent = nullptr);
};

}  // namespace kv
