#pragma once
// Draws the marks of the switched-on calibrations on the calibrations grid: the "№" cell
// of a calibration switched on for a method is filled with the method's colour and its
// number is written in bold at the cell's top left. The mark is the model's MarkRole.

#include <QStyledItemDelegate>

namespace kv {

class CalibrationMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace kv
