#pragma once
// ResultPanel (Panel1): the result box ResBox with the four method names, the four large
// result labels txtIsRes, txtMotRes, txtAKIRes, txtCetRes and the fuel buttons Bbut and
// Dbut, and under them the trend strip of one of the labels. It shows the readings the
// state announces and switches the state's fuel mode; a click on a method's name makes
// the strip follow that method, and the box's frame turns green when its reading settles.

#include "core/methods.h"

#include <QColor>
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

    // The colour the label of method 1..4 is written in: where the reading says black,
    // the palette's text colour; a method's colour made readable on the window.
    QColor shownColour(int method) const;

    // The fuel buttons.
    void BbutClick();
    void DbutClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showLabelColour(int method);

    MeasurementState& m_state;
    std::array<ResultLabel*, 4> m_resultLabels{};
    std::array<QLabel*, 4> m_nameLabels{};
    ResultBox* m_resultBox = nullptr;
    ReadingTrendView* m_trendView = nullptr;
    QToolButton* m_bbut = nullptr;
    QToolButton* m_dbut = nullptr;
    FrameRepaint* m_repaint = nullptr;
    TrendFeed* m_trendFeed = nullptr;
    // The colour each reading gave its label last (a "0" or "*" keeps it); black until
    // one does.
    std::array<Rgb, 4> m_labelColours{kBlack, kBlack, kBlack, kBlack};
};

}  // namespace kv
