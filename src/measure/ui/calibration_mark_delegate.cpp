#include "measure/ui/calibration_mark_delegate.h"

#include "core/colour_contrast.h"
#include "core/methods.h"
#include "measure/calibration_list_model.h"

#include <QPainter>

namespace kv {

void CalibrationMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0)
        return;
    const int method = index.data(CalibrationListModel::MarkRole).toInt();
    if (!isMethod(method))
        return;
    // Black is the grid's text colour, so the cetane mark shows on a dark desktop too;
    // the other colours are lightened only where the grid's background would swallow them.
    const Rgb rgb = methodColours[std::size_t(method)];
    const QColor colour =
        rgb == kBlack ? option.palette.color(QPalette::Text)
                      : QColor::fromRgb(QRgb(readableColour(
                            rgb, option.palette.color(QPalette::Base).rgb() & 0xFFFFFF)));
    painter->save();
    painter->fillRect(option.rect, colour);
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    // The colour the grid writes this cell's text in; on the cetane block, which has that
    // colour, the number is lost: the block itself is the mark.
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    painter->restore();
}

}  // namespace kv
