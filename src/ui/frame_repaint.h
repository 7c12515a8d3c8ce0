#pragma once
// Repaints widgets whose texts change faster than anyone can read them at most once per
// frame. A fast instrument reports up to a thousand times a second; each report still
// sets the texts at once (the journal copies them), but painting them all would keep the
// GUI thread busy. The first change after a quiet frame is painted at once, later ones
// in the same frame together when it ends. TextPanel paints through it. A frame is a
// thirtieth of a second: more than the eye reads digits at, and the instrument's own pace
// (a report a second) is painted at once whatever the frame.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <vector>

class QPalette;
class QWidget;

namespace kv {

class FrameRepaint : public QObject {
    Q_OBJECT

public:
    static constexpr int kFrameMs = 33;

    explicit FrameRepaint(QObject* parent = nullptr, int frameMs = kFrameMs);

    // Sets the widget's palette without painting it; then requestRepaint() the widget.
    static void setPaletteQuietly(QWidget* widget, const QPalette& palette);

    // Paints the widget now if no frame is running, else when the frame ends.
    void requestRepaint(QWidget* widget);

private:
    void endFrame();

    QTimer* m_frame = nullptr;
    std::vector<QPointer<QWidget>> m_pending;
};

}  // namespace kv
