#pragma once
// Draws the marks of the switched-on calibrations on the calibrations grid: the "№" cell
// of a calibration switched on for a method is filled with the method's colour and its
// number is written in bold at the cell's top left. The marks are read from the store at
// every paint, so switching one on or off needs a repaint, not a refill.

#include <QStyledItemDelegate>

namespace kv {

class CalibrationStore;

class CalibrationMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The store must outlive the delegate.
    explicit CalibrationMarkDelegate(const CalibrationStore& store, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The method whose mark grid row `row` (1-based) carries, or 0. With two methods on
    // the same row, the later method's colour is the one drawn last and so the one seen.
    int markedMethod(int row) const;

private:
    const CalibrationStore& m_store;
};

}  // namespace kv
