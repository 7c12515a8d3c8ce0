#pragma once
// A masked number field: two digits, a fixed decimal separator, one digit. Unfilled
// places show as '_' while editing. maskText() is the field's value as the program reads
// it: unfilled places are blanks and the digits of the whole part stand right-aligned
// before the separator, so an empty field reads "  , " and "5,5" reads " 5,5".
//
// The separator is the default locale's at construction: typed numbers are read with the
// locale's separator, and a comma fixed under a point locale would make every value of
// the field unreadable.

#include <QLineEdit>

namespace kv {

class MaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit MaskEdit(QWidget* parent = nullptr);

    QString maskText() const;
    // Puts a value such as "92,5" or " 5,5" into the places of the mask.
    void setMaskText(const QString& text);
    QChar separator() const { return m_separator; }

protected:
    // A click past the text takes the caret to the first empty place, as Tab does: after
    // the last place no key would get in.
    void mousePressEvent(QMouseEvent* event) override;
    // A lone 0 as the whole part (a new calibration's "0") is a placeholder: the first
    // digit typed replaces it, or typing 82 after it would give 08,2.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QChar m_separator;
};

// The reading of a mask's display text (blank character '_'): blanks for unfilled places,
// and within each run of places between literals the filled ones moved to the right.
QString rightAlignedMaskText(const QString& displayText, const QString& literals);

}  // namespace kv
