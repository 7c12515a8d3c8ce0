#pragma once
// ResBox: the group box of the result labels. Its frame turns green while the followed
// reading has settled, so the operator sees from across the bench that the sample can be
// recorded. The frame is painted over the style's own, so the labels inside never move.

#include <QGroupBox>

namespace kv {

class FrameRepaint;

class ResultBox : public QGroupBox {
    Q_OBJECT

public:
    explicit ResultBox(const QString& title, QWidget* parent = nullptr);

    bool settled() const { return m_settled; }
    // A reading on the edge may set and clear the mark at every report: the box is
    // painted through repaint (nullptr: at once), at most once per frame.
    void setSettled(bool settled);
    void setRepaint(FrameRepaint* repaint) { m_repaint = repaint; }

    static QColor settledColour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_settled = false;
    FrameRepaint* m_repaint = nullptr;
};

}  // namespace kv
