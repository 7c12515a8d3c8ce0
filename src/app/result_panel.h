#pragma once
// ResultPanel (Panel1): the result box ResBox with the four method names, the four large
// result labels txtIsRes, txtMotRes, txtAKIRes, txtCetRes and the fuel buttons Bbut and
// Dbut, and under them the trend strip of one of the labels. It shows the readings the
// state announces and switches the state's fuel mode; a click on a method's name makes
// the strip follow that method, and the box's frame turns green when its reading settles.

#include <QWidget>

#include <array>

class QLabel;
class QToolButton;

namespace kv {

class ErrorReporter;
class FrameRepaint;
class MeasurementState;
class ReadingTrendView;
class ResultBox;
class ResultLabel;
class TrendFeed;
struct ReadingDisplay;

class ResultPanel : public QWidget {
    Q_OBJECT

public:
    ResultPanel(MeasurementState& state, ErrorReporter& errors, QWidget* parent = nullptr);

    // The label of method 1..4, or nullptr.
    ResultLabel* resultLabel(int method) const;
    // The name label over the result of method 1..4, or nullptr.
    QLabel* nameLabel(int method) const;
    ResultBox* resultBox() const { return m_resultBox; }
    TrendFeed& trendFeed() const { return *m_trendFeed; }
    ReadingTrendView* trendView() const { return m_trendView; }

    // Each label's text, then its colour where the reading sets one; the labels are
    // painted at most once per frame.
    void showReading(const ReadingDisplay& display);

    // The fuel buttons.
    void BbutClick();
    void DbutClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MeasurementState& m_state;
    std::array<ResultLabel*, 4> m_resultLabels{};
    std::array<QLabel*, 4> m_nameLabels{};
    ResultBox* m_resultBox = nullptr;
    ReadingTrendView* m_trendView = nullptr;
    QToolButton* m_bbut = nullptr;
    QToolButton* m_dbut = nullptr;
    FrameRepaint* m_repaint = nullptr;
    TrendFeed* m_trendFeed = nullptr;
};

}  // namespace kv
