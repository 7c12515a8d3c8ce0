#pragma once
// The trace page (TabSheet5's content, a service page): the memo Memo1, one line per
// report the instrument sends. It starts with the line "Memo1" and the program never
// empties it, but it keeps only the most recent kMaxLines lines: the oldest go first,
// the "Memo1" line among them.

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QTimer;

namespace kv {

class TracePage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 10000;
    // Lines are gathered and appended together at most this often: one append with its
    // repaint per report costs most of a millisecond, which a fast instrument can't spare.
    static constexpr int kFlushIntervalMs = 50;

    explicit TracePage(QWidget* parent = nullptr);

    QPlainTextEdit* memo() { return m_memo; }
    // The line reaches the memo within kFlushIntervalMs, or at the next flush().
    void appendLine(const QString& line);
    void flush();

private:
    QPlainTextEdit* m_memo = nullptr;
    QTimer* m_flushTimer = nullptr;
    QStringList m_pending;
};

}  // namespace kv
