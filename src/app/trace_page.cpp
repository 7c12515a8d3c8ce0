#include "app/trace_page.h"

#include "ui/fonts.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

TracePage::TracePage(QWidget* parent)
    : QWidget(parent)
    , m_flushTimer(new QTimer(this))
{
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(kFlushIntervalMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TracePage::flush);
    m_lines.push_back(QStringLiteral("Memo1"));
    m_total = 1;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QPlainTextEdit* TracePage::memo()
{
    if (m_memo)
        return m_memo;
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono = m_memo->font();
    mono.setFamilies(monospaceFamilies());
    mono.setStyleHint(QFont::Monospace);
    m_memo->setFont(mono);
    layout()->addWidget(m_memo);
    if (isVisible())
        m_memo->show();  // a child made after its page came up is not shown with it
    // The lines kept so far, "Memo1" first while it is among them.
    m_shown = 0;
    flush();
    return m_memo;
}

void TracePage::appendLine(const QString& line)
{
    if (m_lines.size() >= std::size_t(kMaxLines))
        m_lines.pop_front();
    m_lines.push_back(line);
    ++m_total;
    if (isVisible() && !m_flushTimer->isActive())
        m_flushTimer->start();
}

void TracePage::flush()
{
    m_flushTimer->stop();
    if (!m_memo)
        return;  // made with every line kept when first asked for
    const std::uint64_t unseen = m_total - m_shown;
    if (unseen == 0)
        return;
    // More came than are kept: the memo starts again from the lines kept.
    const bool again = unseen >= m_lines.size();
    const auto first = again ? m_lines.begin() : m_lines.end() - qsizetype(unseen);
    QString text;
    for (auto it = first; it != m_lines.end(); ++it) {
        if (it != first)
            text += u'\n';
        text += *it;
    }
    if (again) {
        m_memo->setPlainText(text);
        m_memo->moveCursor(QTextCursor::End);
    } else {
        m_memo->appendPlainText(text);
        QTextDocument* document = m_memo->document();
        if (const int over = document->blockCount() - kMaxLines; over >= kTrimChunk) {
            QTextCursor top(document);
            top.setPosition(document->findBlockByNumber(over).position(), QTextCursor::KeepAnchor);
            top.removeSelectedText();
        }
    }
    m_shown = m_total;
}

void TracePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    memo();
    flush();
}

void TracePage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_flushTimer->stop();
}

}  // namespace kv
