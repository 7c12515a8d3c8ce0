#pragma once
// A large result label of the main window: shows its hint on hover and, pressed and
// moved, starts a drag carrying its own name, which the journal takes as an entry.
//
// A calibrated result ("95,4 (Эталон АИ-)") is wider than the result panel at the
// label's own font. The text stays exactly as set (the journal copies it), so the label
// draws it in a smaller size of its font instead of letting the panel cut it off. The
// size is measured once per text and width, not on every paint.

#include "ui/text_panel.h"

#include <QFont>
#include <QPixmap>
#include <QPoint>

namespace kv {

class ResultLabel : public TextPanel {
public:
    explicit ResultLabel(QWidget* parent = nullptr);

    // The font the text is drawn in: font() when the text fits the label's width,
    // otherwise font() at the largest pixel size at which it fits.
    QFont shownFont() const;

protected:
    QFont textFont() const override { return shownFont(); }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // shownFont() for the text, width and font it was measured for.
    mutable QString m_fittedText;
    mutable int m_fittedWidth = -1;
    mutable QFont m_fittedBase;
    mutable QFont m_fitted;
    QPoint m_pressPos;
    bool m_pressed = false;
    QString m_pressedValue;
    QPixmap m_pressedImage;
};

}  // namespace kv
