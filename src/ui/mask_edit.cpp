#include "ui/mask_edit.h"

#include "core/number_format.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace kv {

namespace {
constexpr QChar kBlank = u'_';
}  // namespace

MaskEdit::MaskEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_separator(localeDecimalSeparator())
{
    // A separator that is a mask character of its own is escaped.
    const QString literal = QStringLiteral("\\") + m_separator;
    setInputMask(QStringLiteral("99") + literal + QStringLiteral("9;_"));
    setMaxLength(4);
}

QString MaskEdit::maskText() const
{
    return rightAlignedMaskText(displayText(), QString(m_separator));
}

void MaskEdit::setMaskText(const QString& text)
{
    // The line edit fills places from the left; drop the leading blanks so " 5,5" lands
    // as "5,5" rather than shifting the comma.
    QString digits = text;
    digits.remove(u' ');
    setText(digits);
}

void MaskEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier)
        return;
    const QString shown = displayText();
    const qsizetype firstBlank = shown.indexOf(kBlank);
    if (firstBlank >= 0 && cursorPositionAt(event->position().toPoint()) >= shown.size()) {
        deselect();
        setCursorPosition(int(firstBlank));
    }
}

void MaskEdit::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool digit = typed.size() == 1 && typed[0] >= u'0' && typed[0] <= u'9';
    if (digit && !hasSelectedText()) {
        const QString shown = displayText();
        const qsizetype separatorAt = shown.indexOf(m_separator);
        const QString whole = shown.left(separatorAt);
        const QString fraction = shown.mid(separatorAt + 1);
        const bool loneZero =
            whole.count(u'0') == 1 && whole.count(kBlank) == whole.size() - 1;
        const bool noFraction = fraction.count(kBlank) == fraction.size();
        // In the whole part, or anywhere while nothing follows the separator. Typing over
        // a selection replaces it, and keeps the step for undo.
        if (separatorAt > 0 && loneZero && (cursorPosition() <= separatorAt || noFraction))
            setSelection(0, int(separatorAt));
    }
    QLineEdit::keyPressEvent(event);
}

QString rightAlignedMaskText(const QString& displayText, const QString& literals)
{
    QString result;
    result.reserve(displayText.size());
    QString filled;
    qsizetype runLength = 0;
    auto flush = [&] {
        result += QString(runLength - filled.size(), u' ') + filled;
        filled.clear();
        runLength = 0;
    };
    for (const QChar c : displayText) {
        if (literals.contains(c)) {
            flush();
            result += c;
        } else {
            ++runLength;
            if (c != kBlank && c != u' ')
                filled += c;
        }
    }
    flush();
    return result;
}

}  // namespace kv
