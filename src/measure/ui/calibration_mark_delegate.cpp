#include "measure/ui/calibration_mark_delegate.h"

#include "core/methods.h"
#include "measure/calibration_store.h"

#include <QPainter>

namespace kv {

CalibrationMarkDelegate::CalibrationMarkDelegate(const CalibrationStore& store, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_store(store)
{
}

int CalibrationMarkDelegate::markedMethod(int row) const
{
    int marked = 0;
    for (int m = Research; m <= Cetane; ++m)
        if (m_store.activeCalibration(m) > 0 && m_store.activeCalibration(m) == row)
            marked = m;
    return marked;
}

void CalibrationMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0)
        return;
    const int method = markedMethod(index.row() + 1);
    if (method == 0)
        return;
    const Rgb rgb = methodColours[std::size_t(method)];
    painter->save();
    painter->fillRect(option.rect, QColor::fromRgb(rgb));
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    // The colour the grid writes this cell's text in; on the black cetane block the
    // number is lost, the block itself is the mark.
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    painter->restore();
}

}  // namespace kv
