#include "ui/drawn_icon_style.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>

namespace kv {

namespace {

// Two chevrons pointing the way the hidden buttons are: right, left or down.
class ChevronEngine : public QIconEngine {
public:
    enum class Towards { Right, Left, Down };
    explicit ChevronEngine(Towards towards) : m_towards(towards) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QGuiApplication::palette();
        const QColor colour = palette.color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active,
                                            QPalette::ButtonText);
        const qreal side = qMin(rect.width(), rect.height());
        const QPointF centre = QRectF(rect).center();
        const qreal half = side * 0.22;
        QPainterPath path;
        for (const qreal offset : {-side * 0.14, side * 0.14}) {
            const QPointF tip = centre + along(offset + half / 2);
            path.moveTo(tip - along(half) + across(half));
            path.lineTo(tip);
            path.lineTo(tip - along(half) - across(half));
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(colour, qMax<qreal>(1.2, side / 10), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(path);
        painter->restore();
    }

    // Qt's own pixmap() paints on a pixmap it never clears: the chevrons would stand on
    // whatever that memory held.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QIconEngine* clone() const override { return new ChevronEngine(m_towards); }

private:
    QPointF along(qreal d) const
    {
        switch (m_towards) {
        case Towards::Right: return {d, 0};
        case Towards::Left: return {-d, 0};
        case Towards::Down: break;
        }
        return {0, d};
    }
    QPointF across(qreal d) const { return m_towards == Towards::Down ? QPointF(d, 0) : QPointF(0, d); }

    Towards m_towards;
};

}  // namespace

DrawnIconStyle::DrawnIconStyle(QStyle* base)
    : QProxyStyle(base)
{
}

QIcon DrawnIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    const Qt::LayoutDirection direction =
        option ? option->direction : (widget ? widget->layoutDirection() : QGuiApplication::layoutDirection());
    switch (icon) {
    case SP_ToolBarHorizontalExtensionButton:
        return QIcon(new ChevronEngine(direction == Qt::RightToLeft ? ChevronEngine::Towards::Left
                                                                     : ChevronEngine::Towards::Right));
    case SP_ToolBarVerticalExtensionButton:
        return QIcon(new ChevronEngine(ChevronEngine::Towards::Down));
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

void useDrawnIconStyle()
{
    if (!qobject_cast<DrawnIconStyle*>(QApplication::style()))
        QApplication::setStyle(new DrawnIconStyle(QApplication::style()));
}

}  // namespace kv
