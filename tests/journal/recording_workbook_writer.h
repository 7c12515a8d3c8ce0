#pragma once
// A workbook writer for tests: every step is written to a log as "<step> <arguments>",
// the cursor changes as "cursor <state>"; a chosen step can fail.

#include "core/errors.h"
#include "journal/spreadsheet_export.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace kv::test {

struct WorkbookLog {
    QStringList steps;
    int live = 0;     // writers not yet released
    int failAt = -1;  // the number (from 1) of the log line that fails
    int maxRows = 1048576;
    std::function<void()> duringSave;  // runs in the save before its gate
};

// "A1:E1": the export's columns stay within A to Z.
inline QString rangeText(const CellRange& r)
{
    const auto cell = [](int row, int column) { return QChar(u'A' + column - 1) + QString::number(row); };
    return cell(r.firstRow, r.firstColumn) + u':' + cell(r.lastRow, r.lastColumn);
}

inline QString formatText(const CellFormat& f)
{
    static const char* const alignments[] = {"general", "left", "centre", "right"};
    QStringList parts;
    if (f.fontSize)
        parts << QStringLiteral("size %1").arg(*f.fontSize);
    if (f.bold)
        parts << (*f.bold ? QStringLiteral("bold") : QStringLiteral("regular"));
    if (f.alignment)
        parts << QString::fromLatin1(alignments[int(*f.alignment)]);
    return parts.join(QStringLiteral(", "));
}

class RecordingWorkbookWriter : public WorkbookWriter {
public:
    explicit RecordingWorkbookWriter(std::shared_ptr<WorkbookLog> log) : m_log(std::move(log)) { ++m_log->live; }
    ~RecordingWorkbookWriter() override { --m_log->live; }

    int maxRows() const override { return m_log->maxRows; }
    void create() override { record(QStringLiteral("create")); }
    void setColumnWidth(int column, int width) override
    {
        record(QStringLiteral("column %1 width %2").arg(column).arg(width));
    }
    void setColumnsFontSize(int size) override { record(QStringLiteral("columns size %1").arg(size)); }
    void formatRange(const CellRange& range, const CellFormat& format) override
    {
        record(QStringLiteral("format %1 %2").arg(rangeText(range), formatText(format)));
    }
    void setCellText(int row, int column, const QString& text) override
    {
        record(QStringLiteral("text %1, %2 \"%3\"").arg(row).arg(column).arg(text));
    }
    // The save may run on a thread of its own: while it runs, only it touches the log.
    bool save(const QString& fileName, const ReplaceGate& mayReplace) override
    {
        record(QStringLiteral("save \"%1\"").arg(fileName));
        if (m_log->duringSave)
            m_log->duringSave();
        if (mayReplace && !mayReplace()) {
            record(QStringLiteral("save called off"));
            return false;
        }
        return true;
    }
    void close() override { record(QStringLiteral("close")); }
    void quit() override { record(QStringLiteral("quit")); }

private:
    void record(const QString& line)
    {
        m_log->steps << line;
        if (m_log->steps.size() == m_log->failAt)
            throw Error(QStringLiteral("Step failed: ") + line);
    }

    std::shared_ptr<WorkbookLog> m_log;
};

class RecordingCursor : public BusyCursor {
public:
    explicit RecordingCursor(std::shared_ptr<WorkbookLog> log) : m_log(std::move(log)) {}
    void setHourglass() override { m_log->steps << QStringLiteral("cursor hourglass"); }
    void setDefault() override { m_log->steps << QStringLiteral("cursor default"); }

private:
    std::shared_ptr<WorkbookLog> m_log;
};

// A factory of recording writers that keeps the file names asked for; with `answer`
// false it gives none.
inline WorkbookWriterFactory recordingFactory(std::shared_ptr<WorkbookLog> log, QStringList* asked,
                                              bool answer = true)
{
    return [log, asked, answer](const QString& fileName) -> std::unique_ptr<WorkbookWriter> {
        if (asked)
            *asked << fileName;
        if (!answer)
            return nullptr;
        return std::make_unique<RecordingWorkbookWriter>(log);
    };
}

}  // namespace kv::test
