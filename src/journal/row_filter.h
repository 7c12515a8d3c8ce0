#pragma once
// Which rows of a journal or archive the operator wants to see: those holding a text in
// any cell (case-insensitively, Cyrillic as Latin) and dated within a range.

#include "journal/journal_table.h"

#include <QDate>
#include <QString>

#include <string>

namespace kv {

// The date an entry's date cell begins with: "dd.MM.yyyy", as the program writes it under
// a Russian locale, or the default locale's short date; invalid when it holds neither.
QDate entryDate(const QString& dateCell);

struct RowFilter {
    // Blanks at either end don't count.
    QString text;
    // Either bound may be invalid: open on that side. Both included.
    QDate from;
    QDate to;

    bool isActive() const { return !text.trimmed().isEmpty() || from.isValid() || to.isValid(); }
    bool accepts(const JournalRow& row) const;
    // What a printout says it holds: «текст», с 01.12.2026 по 09.12.2026.
    QString description() const;
    bool operator==(const RowFilter&) const = default;
};

// A filter made ready for many rows: its text folded to one case once.
class RowMatcher {
public:
    explicit RowMatcher(const RowFilter& filter = {});
    bool accepts(const JournalRow& row) const;

private:
    RowFilter m_filter;
    QString m_wanted;
    std::u16string m_folded;
    // No surrogate pairs in the text: the quick comparison holds.
    bool m_plain = true;
};

}  // namespace kv
