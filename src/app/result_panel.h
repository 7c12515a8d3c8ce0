#pragma once
// ResultPanel (Panel1): the result box ResBox with the four method names, the four large
// result labels txtIsRes, txtMotRes, txtAKIRes, txtCetRes and the fuel buttons Bbut and
// Dbut. It shows the readings the state announces and switches the state's fuel mode.

#include <QWidget>

#include <array>

class QLabel;
class QToolButton;

namespace kv {

class ErrorReporter;
class FrameRepaint;
class MeasurementState;
class ResultLabel;
struct ReadingDisplay;

class ResultPanel : public QWidget {
public:
    ResultPanel(MeasurementState& state, ErrorReporter& errors, QWidget* parent = nullptr);

    // The label of method 1..4, or nullptr.
    ResultLabel* resultLabel(int method) const;

    // Each label's text, then its colour where the reading sets one; the labels are
    // painted at most once per frame.
    void showReading(const ReadingDisplay& display);

    // The fuel buttons.
    void BbutClick();
    void DbutClick();

private:
    MeasurementState& m_state;
    std::array<ResultLabel*, 4> m_resultLabels{};
    QToolButton* m_bbut = nullptr;
    QToolButton* m_dbut = nullptr;
    FrameRepaint* m_repaint = nullptr;
};

}  // namespace kv
