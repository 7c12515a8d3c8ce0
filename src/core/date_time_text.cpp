#include "core/date_time_text.h"

#include <QLocale>

namespace kv {

QString longTimeFormatWithoutZone()
{
    // Qt's long time format ends in a time-zone field ('t'); the entry shows only the
    // clock time. Quoted literals are kept as they are.
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString result;
    result.reserve(format.size());
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format[i];
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
            result += ch;
        } else if (!quoted && ch == QLatin1Char('t')) {
            // Drop the field and the blanks that separated it from the time.
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
                ++i;
            while (result.isEmpty() && i + 1 < format.size() && format[i + 1].isSpace())
                ++i;
        } else {
            result += ch;
        }
    }
    return result.trimmed();
}

QString entryDateTimeText(const QDateTime& when)
{
    const QLocale locale;
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), longTimeFormatWithoutZone());
}

}  // namespace kv
