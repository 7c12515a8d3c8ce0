#pragma once
// Building the cells of a new journal entry.

#include "journal/journal_table.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace kv {

// The clock an entry reads its date and time from; tests pass a fixed one.
using Clock = std::function<QDateTime()>;
Clock systemClock();

// The date in the default locale's short date format, a blank, the time in its long time
// format without the time-zone part.
QString entryDateTimeText(const QDateTime& when);

// The long time format of the default locale with its time-zone field removed.
QString longTimeFormatWithoutZone();

// The five cells of an entry made in data row `row`.
JournalRow makeEntry(int row, const QDateTime& when, int method, const QString& value);

}  // namespace kv
