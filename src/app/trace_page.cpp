#include "app/trace_page.h"

#include "ui/fonts.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

TracePage::TracePage(QWidget* parent)
    : QWidget(parent)
    , m_memo(new QPlainTextEdit(this))
    , m_flushTimer(new QTimer(this))
{
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(kFlushIntervalMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TracePage::flush);

    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A week of polling would otherwise grow the memo, and the program, without end.
    m_memo->setMaximumBlockCount(kMaxLines);
    m_memo->setPlainText(QStringLiteral("Memo1"));
    QFont mono = m_memo->font();
    mono.setFamilies(monospaceFamilies());
    mono.setStyleHint(QFont::Monospace);
    m_memo->setFont(mono);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);
}

void TracePage::appendLine(const QString& line)
{
    // Lines the memo would drop at once need not wait for it.
    if (m_pending.size() >= kMaxLines)
        m_pending.removeFirst();
    m_pending.append(line);
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TracePage::flush()
{
    m_flushTimer->stop();
    if (m_pending.isEmpty())
        return;
    m_memo->appendPlainText(m_pending.join(u'\n'));
    m_pending.clear();
}

}  // namespace kv
