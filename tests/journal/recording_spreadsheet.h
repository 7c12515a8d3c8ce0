#pragma once
// A spreadsheet application for tests: every call is written to a log as
// "<object>.<Name> <get|put|call> <arguments>", the cursor changes as "cursor <state>".
// Objects are named by what the export gets them as; a chosen call can fail.

#include "core/errors.h"
#include "journal/spreadsheet_automation.h"

#include <QStringList>

#include <map>
#include <memory>

namespace kv::test {

struct SpreadsheetLog {
    QStringList calls;
    int live = 0;                 // objects not yet released
    int liveAtAppRelease = -1;    // other objects still alive when the application went
    int failAt = -1;              // the number (from 1) of the call that fails
};

inline QString argText(const AutomationValue& value)
{
    if (const int* i = std::get_if<int>(&value))
        return QString::number(*i);
    if (const bool* b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    return u'"' + std::get<QString>(value) + u'"';
}

class RecordingObject : public AutomationObject {
public:
    RecordingObject(std::shared_ptr<SpreadsheetLog> log, QString label)
        : m_log(std::move(log)), m_label(std::move(label))
    {
        ++m_log->live;
    }
    ~RecordingObject() override
    {
        --m_log->live;
        if (m_label == QLatin1StringView("application"))
            m_log->liveAtAppRelease = m_log->live;
    }

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        static const char* const kinds[] = {"get", "put", "call"};
        QString line = m_label + u'.' + name + u' ' + QLatin1StringView(kinds[int(kind)]);
        QStringList texts;
        for (const AutomationValue& a : args)
            texts << argText(a);
        if (!texts.isEmpty())
            line += u' ' + texts.join(QStringLiteral(", "));
        m_log->calls << line;
        if (m_log->calls.size() == m_log->failAt)
            throw Error(QStringLiteral("Call failed: ") + line);

        // What each object yields, by (object, name in lower case, kind).
        static const std::map<QString, QString> results = {
            {QStringLiteral("application.workbooks call"), QStringLiteral("workbooks")},
            {QStringLiteral("application.workbooks get"), QStringLiteral("workbook")},
            {QStringLiteral("workbook.sheets get"), QStringLiteral("sheet")},
            {QStringLiteral("sheet.columns call"), QStringLiteral("columns")},
            {QStringLiteral("columns.columns get"), QStringLiteral("column")},
            {QStringLiteral("columns.columns call"), QStringLiteral("allColumns")},
            {QStringLiteral("allColumns.font call"), QStringLiteral("font")},
            {QStringLiteral("sheet.range get"), QStringLiteral("range")},
            {QStringLiteral("range.font call"), QStringLiteral("font")},
        };
        const auto it = results.find(m_label + u'.' + name.toLower() + u' '
                                     + QLatin1StringView(kinds[int(kind)]));
        if (it == results.end())
            return nullptr;
        return std::make_shared<RecordingObject>(m_log, it->second);
    }

private:
    std::shared_ptr<SpreadsheetLog> m_log;
    QString m_label;
};

class RecordingCursor : public BusyCursor {
public:
    explicit RecordingCursor(std::shared_ptr<SpreadsheetLog> log) : m_log(std::move(log)) {}
    void setHourglass() override { m_log->calls << QStringLiteral("cursor hourglass"); }
    void setDefault() override { m_log->calls << QStringLiteral("cursor default"); }

private:
    std::shared_ptr<SpreadsheetLog> m_log;
};

// A factory that answers to every identifier with a recording application and keeps the
// identifiers asked for; with `answer` false it answers to none.
inline AutomationFactory recordingFactory(std::shared_ptr<SpreadsheetLog> log,
                                          QStringList* asked, bool answer = true)
{
    return [log, asked, answer](const QString& id) -> AutomationObjectPtr {
        if (asked)
            *asked << id;
        if (!answer)
            return nullptr;
        return std::make_shared<RecordingObject>(log, QStringLiteral("application"));
    };
}

}  // namespace kv::test
