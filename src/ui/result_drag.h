#pragma once
// A result label dragged onto the journal. The label's objectName is the payload; only the
// journal grid takes the drop, the other pages just bring the journal forward. The names
// of the four labels are kept here once, for the panel that names them and the journal
// that reads them back.

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

namespace kv {

inline constexpr char kResultLabelMimeType[] = "application/x-kv4410pc-result-label";
inline constexpr char kResultValueMimeType[] = "application/x-kv4410pc-result-value";

// The label's name and the value it showed when the drag began (empty when that value was
// not current: nothing to record). The caller (or the QDrag it is given to) owns the result.
QMimeData* makeResultLabelMimeData(const QString& labelObjectName, const QString& value);
// The value the drag carries; empty when none.
QString resultLabelValue(const QMimeData* mime);
// Empty when the data is not a result-label drag.
QString resultLabelName(const QMimeData* mime);
// "txtIsRes", "txtMotRes", "txtAKIRes", "txtCetRes" for method 1..4; empty otherwise.
QString resultLabelObjectName(int method);
// 1..4 for those names; 0 for any other name.
int methodOfResultLabel(const QString& labelObjectName);

// Watches widgets (the page control's tab bar, the archive and calibrations grids): a
// result-label drag moving over a watched widget that is not the drag's source is accepted
// and brings the journal forward at once.
class JournalDragSwitcher : public QObject {
    Q_OBJECT

public:
    explicit JournalDragSwitcher(std::function<void()> bringJournalForward,
                                 QObject* parent = nullptr);
    // For an item view pass its viewport(). Turns on acceptDrops of the widget.
    void watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_bringJournalForward;
};

}  // namespace kv
