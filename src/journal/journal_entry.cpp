#include "journal/journal_entry.h"

#include "core/methods.h"

namespace kv {

Clock systemClock()
{
    return [] { return QDateTime::currentDateTime(); };
}

JournalRow makeEntry(int row, const QDateTime& when, Method method, const QString& value)
{
    JournalRow entry;
    entry.cells[JournalTable::kNumberColumn] = QString::number(row);
    entry.cells[JournalTable::kDateColumn] = entryDateTimeText(when);
    entry.cells[JournalTable::kMethodColumn] = methodName(method);
    entry.cells[JournalTable::kValueColumn] = value;
    entry.cells[JournalTable::kCommentColumn] = QStringLiteral(" ");
    return entry;
}

}  // namespace kv
