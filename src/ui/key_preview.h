#pragma once
// Key preview for one window: every character key typed in the window is shown to the
// handler before the focused control gets it. The key is never consumed.

#include <QObject>

#include <functional>

class QWidget;

namespace kv {

class KeyPreview : public QObject {
    Q_OBJECT

public:
    // focused: the control the key goes to (the window itself when nothing has focus).
    using Handler = std::function<void(QWidget* focused, QChar key)>;

    // Watches the application's key events; ends with the window (its parent).
    KeyPreview(QWidget* window, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    Handler m_handler;
};

}  // namespace kv
