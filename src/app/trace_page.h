#pragma once
// The trace page (TabSheet5's content, a service page): the memo Memo1, one line per
// report the instrument sends. It starts with the line "Memo1" and the program never
// empties it, but it keeps only the most recent kMaxLines lines: the oldest go first,
// the "Memo1" line among them.
//
// The lines are kept apart from the memo, which is only brought up to date while the page
// is on the screen (or flush() asks): at a thousand reports a second a memo nobody looks
// at would cost a fifth of the window's thread. The memo itself is made when the page is
// first shown (or memo() asks): most sessions never open this service page, and a start
// need not lay out a text for it.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <deque>

class QPlainTextEdit;
class QTimer;

namespace kv {

class TracePage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 10000;
    // The memo drops its oldest lines this many at a time, once it holds that many more
    // than kMaxLines: cutting a line off the top at every append costs more than all
    // the rest of the tracing.
    static constexpr int kTrimChunk = 2000;
    // Lines are gathered and appended together at most this often: one append with its
    // repaint per report costs most of a millisecond, which a fast instrument can't spare.
    static constexpr int kFlushIntervalMs = 50;

    explicit TracePage(QWidget* parent = nullptr);

    QPlainTextEdit* memo();
    // The line reaches the memo within kFlushIntervalMs while the page is shown, when it
    // is shown, or at the next flush().
    void appendLine(const QString& line);
    // Brings the memo up to date: the last lines, at most kMaxLines + kTrimChunk.
    void flush();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPlainTextEdit* m_memo = nullptr;
    QTimer* m_flushTimer = nullptr;
    // The most recent lines, at most kMaxLines, and how many there have been in all and
    // in the memo.
    std::deque<QString> m_lines;
    std::uint64_t m_total = 0;
    std::uint64_t m_shown = 0;
};

}  // namespace kv
