#include "ui/result_drag.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QWidget>

#include <array>

namespace kv {

namespace {
// In method order 1..4; a dropped name is compared with them exactly.
constexpr std::array<const char*, 4> kResultLabelNames = {
    "txtIsRes", "txtMotRes", "txtAKIRes", "txtCetRes",
};
}  // namespace

QMimeData* makeResultLabelMimeData(const QString& labelObjectName, const QString& value)
{
    // Only the program's own types: as plain text the name would be typed into any edit
    // field or other application it is dropped on.
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kResultLabelMimeType), labelObjectName.toUtf8());
    if (!value.isEmpty())
        mime->setData(QString::fromLatin1(kResultValueMimeType), value.toUtf8());
    return mime;
}

QString resultLabelValue(const QMimeData* mime)
{
    const QString type = QString::fromLatin1(kResultValueMimeType);
    if (mime == nullptr || !mime->hasFormat(type))
        return {};
    return QString::fromUtf8(mime->data(type));
}

QString resultLabelName(const QMimeData* mime)
{
    const QString type = QString::fromLatin1(kResultLabelMimeType);
    if (mime == nullptr || !mime->hasFormat(type))
        return {};
    return QString::fromUtf8(mime->data(type));
}

QString resultLabelObjectName(int method)
{
    if (method < 1 || method > int(kResultLabelNames.size()))
        return {};
    return QString::fromLatin1(kResultLabelNames[std::size_t(method - 1)]);
}

int methodOfResultLabel(const QString& labelObjectName)
{
    for (std::size_t i = 0; i < kResultLabelNames.size(); ++i) {
        if (labelObjectName == QLatin1StringView(kResultLabelNames[i]))
            return int(i) + 1;
    }
    return 0;
}

JournalDragSwitcher::JournalDragSwitcher(std::function<void()> bringJournalForward,
                                         QObject* parent)
    : QObject(parent)
    , m_bringJournalForward(std::move(bringJournalForward))
{
}

void JournalDragSwitcher::watch(QWidget* widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool JournalDragSwitcher::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drag = static_cast<QDropEvent*>(event);
    // Other drags belong to the watched widget.
    if (resultLabelName(drag->mimeData()).isEmpty())
        return QObject::eventFilter(watched, event);
    // Only the journal grid takes a result; a drop anywhere else does nothing.
    if (type == QEvent::Drop || drag->source() == watched) {
        drag->ignore();
        return true;
    }
    drag->acceptProposedAction();
    if (m_bringJournalForward)
        m_bringJournalForward();
    return true;
}

}  // namespace kv
