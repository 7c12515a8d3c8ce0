#pragma once
// Where the main window opens: at its design size, centred on the screen's available area
// when that holds it; otherwise made to fit that area and placed inside it, so the title
// bar and the menu are never above or beside the screen.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace kv {

struct WindowPlacement {
    QPoint framePosition;  // for QWidget::move, which places the frame
    QSize clientSize;      // for QWidget::resize
};

// available: the screen's available geometry; client: the wanted client size; frame: the
// window manager's frame around it; minimum: the smallest client size the window allows.
inline WindowPlacement placeWindow(const QRect& available, QSize client, const QMargins& frame,
                                   QSize minimum = {})
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    client = client.boundedTo(QSize(available.width() - frameWidth, available.height() - frameHeight))
                 .expandedTo(minimum);
    const QSize outer(client.width() + frameWidth, client.height() + frameHeight);
    // Centred where it fits; a window larger than the area even at its smallest keeps its
    // top left corner (and so the title bar and the menu) on the screen.
    const int x = available.left() + std::max(0, (available.width() - outer.width()) / 2);
    const int y = available.top() + std::max(0, (available.height() - outer.height()) / 2);
    return {QPoint(x, y), client};
}

}  // namespace kv
