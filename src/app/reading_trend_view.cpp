#include "app/reading_trend_view.h"

#include "app/result_box.h"
#include "core/methods.h"
#include "measure/reading_conversion.h"
#include "measure/trend_feed.h"
#include "ui/frame_repaint.h"

#include <QFontInfo>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kMargin = 6;
// The value axis never spans less than this: noise of one digit stays a small wiggle
// instead of filling the strip.
constexpr double kLeastSpan = 1.0;

QString settledText()
{
    return QStringLiteral("Стабильно");
}

QString noDataText()
{
    return QStringLiteral("Нет данных");
}

QString waitingText()
{
    return QStringLiteral("Ожидание данных");
}

// "Стабильно" is read from across the bench: this much larger than the strip's text.
constexpr double kSettledMarkScale = 1.8;

}  // namespace

ReadingTrendView::ReadingTrendView(const TrendFeed& feed, FrameRepaint* repaint, QWidget* parent)
    : QWidget(parent)
    , m_feed(feed)
    , m_repaint(repaint)
{
    setObjectName(QStringLiteral("readingTrend"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    connect(&m_feed, &TrendFeed::changed, this, &ReadingTrendView::requestRepaint);
}

QString ReadingTrendView::markText() const
{
    const ReadingTrend& trend = m_feed.trend();
    if (trend.settled())
        return settledText();
    if (!trend.minimum())
        // An instrument that has not reported yet is not one without data.
        return m_feed.instrumentConnected() && trend.isEmpty() ? waitingText() : noDataText();
    return {};
}

QFont ReadingTrendView::settledMarkFont() const
{
    QFont mark = font();
    mark.setBold(true);
    const int pixels = mark.pixelSize() > 0 ? mark.pixelSize() : QFontInfo(mark).pixelSize();
    mark.setPixelSize(int(pixels * kSettledMarkScale + 0.5));
    return mark;
}

QSize ReadingTrendView::sizeHint() const
{
    return {300, 200};
}

QSize ReadingTrendView::minimumSizeHint() const
{
    return {120, 3 * fontMetrics().height() + QFontMetrics(settledMarkFont()).height()};
}

void ReadingTrendView::requestRepaint()
{
    if (m_repaint)
        m_repaint->requestRepaint(this);
    else
        update();
}

void ReadingTrendView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.base());
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const ReadingTrend& trend = m_feed.trend();
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const QFont markFont = settledMarkFont();
    const QRect inner = rect().adjusted(kMargin, kMargin / 2, -kMargin, -kMargin / 2);
    // The top line is as tall as the settled mark whether it shows or not, so the line of
    // readings does not jump when it comes.
    const QRect top(inner.left(), inner.top(), inner.width(),
                    std::max(line, QFontMetrics(markFont).height()));
    const QRect bottom(inner.left(), inner.bottom() - line + 1, inner.width(), line);
    const QRect plot(inner.left(), top.bottom() + 4, inner.width(),
                     std::max(0, bottom.top() - 4 - top.bottom() - 4));

    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, methodName(m_feed.followedMethod()));

    const std::optional<double> lo = trend.minimum();
    const std::optional<double> hi = trend.maximum();
    if (!lo || !hi) {
        painter.setPen(pal.color(QPalette::PlaceholderText));
        painter.drawText(plot, Qt::AlignCenter, markText());
        return;
    }

    const bool settled = trend.settled();
    const QColor green = ResultBox::settledColour();
    if (settled) {
        painter.setFont(markFont);
        painter.setPen(green);
        painter.drawText(top, Qt::AlignRight | Qt::AlignVCenter, settledText());
        painter.setFont(font());
    }

    // The scale: min and max with a little room, never narrower than kLeastSpan.
    double low = *lo;
    double high = *hi;
    if (high - low < kLeastSpan) {
        const double middle = (high + low) / 2;
        low = middle - kLeastSpan / 2;
        high = middle + kLeastSpan / 2;
    }
    const double pad = (high - low) * 0.08;
    low -= pad;
    high += pad;
    const double step = plot.width() / double(ReadingTrend::kCapacity - 1);
    // The newest reading is always at the right edge.
    const int offset = ReadingTrend::kCapacity - trend.size();
    const auto xAt = [&](int i) { return plot.left() + (offset + i) * step; };
    const auto yAt = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height(); };

    if (settled) {
        const double left = xAt(trend.size() - ReadingTrend::kSettleCount);
        QColor band = green;
        band.setAlpha(40);
        painter.fillRect(QRectF(QPointF(left, plot.top()), QPointF(plot.right(), plot.bottom())), band);
    }

    // The min and max as thin lines across the strip (solid: a dashed pen costs more to
    // draw than the whole line of readings).
    painter.setPen(pal.color(QPalette::Midlight));
    painter.drawLine(QPointF(plot.left(), yAt(*hi)), QPointF(plot.right(), yAt(*hi)));
    painter.drawLine(QPointF(plot.left(), yAt(*lo)), QPointF(plot.right(), yAt(*lo)));

    // A gap breaks the line. Only the settled readings are green: the ones before them
    // are the sample still moving.
    const int settledFrom = settled ? trend.size() - ReadingTrend::kSettleCount : trend.size();
    const auto pathOf = [&](int from, int to) {
        QPainterPath path;
        bool drawing = false;
        for (int i = from; i < to; ++i) {
            const std::optional<double> v = trend.at(i);
            if (!v) {
                drawing = false;
                continue;
            }
            const QPointF point(xAt(i), yAt(*v));
            if (drawing)
                path.lineTo(point);
            else
                path.moveTo(point);
            drawing = true;
        }
        return path;
    };
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
    // The moving part runs up to the first settled reading, so the line has no break.
    painter.drawPath(pathOf(0, std::min(settledFrom + 1, trend.size())));
    if (settled) {
        painter.setPen(QPen(green, 3));
        painter.drawPath(pathOf(settledFrom, trend.size()));
    }
    if (const std::optional<double> last = trend.latest()) {
        painter.setBrush(painter.pen().color());
        painter.drawEllipse(QPointF(xAt(trend.size() - 1), yAt(*last)), 3, 3);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(bottom, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("мин %1   макс %2").arg(formatResult(*lo), formatResult(*hi)));
    if (const std::optional<double> last = trend.latest()) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(bottom, Qt::AlignRight | Qt::AlignVCenter, formatResult(*last));
    }
}

}  // namespace kv
