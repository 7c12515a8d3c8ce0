#pragma once
// The desktop's own style, with the one standard icon every tool bar asks for when it is
// made (the extension button's chevrons) drawn instead of read from an image file. The
// first image read looks through all of Qt's image plugins and loads them; a start that
// reads none reaches its window sooner. The chevrons are drawn in the palette's button
// text colour, so they follow a dark palette too.

#include <QProxyStyle>

namespace kv {

class DrawnIconStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Wraps `base` (owned from then on), the style the application would use.
    explicit DrawnIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Makes DrawnIconStyle the application's style over the one it has.
void useDrawnIconStyle();

}  // namespace kv
