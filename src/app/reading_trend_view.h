#pragma once
// readingTrend: the strip under the fuel buttons that draws the last readings of one
// result label, so the operator sees when the sample has stopped moving. Drawn with a
// plain painter: 120 points and a few texts need no charting module, and a chart's scene
// would cost far more per frame when the instrument reports a thousand times a second.
// It paints through a FrameRepaint, so a fast stream of readings costs a bounded number
// of paints a second.

#include <QFont>
#include <QWidget>

namespace kv {

class FrameRepaint;
class TrendFeed;

class ReadingTrendView : public QWidget {
    Q_OBJECT

public:
    ReadingTrendView(const TrendFeed& feed, FrameRepaint* repaint, QWidget* parent = nullptr);

    // What the strip says: "Стабильно" over a settled line; "Ожидание данных" while a
    // connected instrument has not reported; "Нет данных" without an instrument or
    // without a value to draw; else nothing.
    QString markText() const;
    // The settled mark's face: bold and well larger than the strip's text.
    QFont settledMarkFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void requestRepaint();

    const TrendFeed& m_feed;
    FrameRepaint* m_repaint = nullptr;
};

}  // namespace kv
