#pragma once
// TextPanel: one line of plain text that changes often, such as a result or a status
// panel. A label asks the layout around it to be computed again whenever its text
// changes, and a status bar repaints itself whole after each such request: at a
// thousand reports a second that was most of the GUI thread's time. A text panel has
// a size of its own choosing, so a new text only repaints the panel, and through a
// FrameRepaint at most once per frame.

#include <QFrame>
#include <QString>

namespace kv {

class FrameRepaint;

class TextPanel : public QFrame {
    Q_OBJECT

public:
    explicit TextPanel(QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    // The width the panel asks for; its height is one line of its font.
    void setPreferredWidth(int width);
    // Repaints go through this throttle (nullptr: at once).
    void setRepaint(FrameRepaint* repaint) { m_repaint = repaint; }
    // Drawn in the palette's disabled text colour while set: a text kept but not current.
    bool dimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);
    // The colour the text is drawn in.
    QColor textColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The font the text is drawn in; font() unless a subclass fits it.
    virtual QFont textFont() const { return font(); }
    void paintEvent(QPaintEvent* event) override;

private:
    QPalette shownPalette() const;

    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    int m_preferredWidth = 0;
    FrameRepaint* m_repaint = nullptr;
    bool m_dimmed = false;
};

}  // namespace kv
