#pragma once
// The trace page (TabSheet5's content, a service page): the memo Memo1, one line per
// report the instrument sends. It starts with the line "Memo1" and is never cleared.

#include <QWidget>

class QPlainTextEdit;

namespace kv {

class TracePage : public QWidget {
public:
    static constexpr int kMaxLines = 10000;

    explicit TracePage(QWidget* parent = nullptr);

    QPlainTextEdit* memo() { return m_memo; }
    void appendLine(const QString& line);

private:
    QPlainTextEdit* m_memo = nullptr;
};

}  // namespace kv
