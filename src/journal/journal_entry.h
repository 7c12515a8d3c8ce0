#pragma once
// Building the cells of a new journal entry.

#include "core/date_time_text.h"
#include "core/methods.h"
#include "journal/journal_table.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace kv {

// The clock an entry reads its date and time from; tests pass a fixed one.
using Clock = std::function<QDateTime()>;
Clock systemClock();

// The five cells of an entry made in data row `row`.
JournalRow makeEntry(int row, const QDateTime& when, Method method, const QString& value);

}  // namespace kv
