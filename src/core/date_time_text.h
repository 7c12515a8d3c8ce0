#pragma once
// The date and time of a journal entry as the locale writes them.

#include <QDateTime>
#include <QString>

namespace kv {

// The date in the default locale's short date format, a blank, the time in its long time
// format without the time-zone part.
QString entryDateTimeText(const QDateTime& when);

// The long time format of the default locale with its time-zone field removed.
QString longTimeFormatWithoutZone();

}  // namespace kv
