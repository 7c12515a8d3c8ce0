#include "app/trace_page.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kv {

TracePage::TracePage(QWidget* parent)
    : QWidget(parent)
    , m_memo(new QPlainTextEdit(this))
{
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A week of polling would otherwise grow the memo, and the program, without end.
    m_memo->setMaximumBlockCount(kMaxLines);
    m_memo->setPlainText(QStringLiteral("Memo1"));
    QFont mono = m_memo->font();
    mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")});
    mono.setStyleHint(QFont::Monospace);
    m_memo->setFont(mono);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);
}

void TracePage::appendLine(const QString& line)
{
    m_memo->appendPlainText(line);
}

}  // namespace kv
