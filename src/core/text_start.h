#pragma once
// The start of a text that may be far too long to lay out: a comment of megabytes read
// from a file would hold the window for seconds at every paint, tip or measuring.

#include <QChar>
#include <QString>

namespace kv {

// A tip shows this much of a cell.
inline constexpr qsizetype kLongestTip = 2000;

// The text when it has at most `limit` characters; otherwise its first characters (a
// surrogate pair is never split) and "…".
inline QString textStart(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

}  // namespace kv
