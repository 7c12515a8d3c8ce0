#pragma once
// ChangeHistory: the laboratory's trail of who changed what and when, kept in the data
// folder as history.log. UTF-8, one line per change, never rewritten: the time (ISO 8601
// with its offset), the user's login name, the step, the table, the row's "№", whether
// there were cells before and after, the five cells before and the five after, and a hash
// that chains the line to the one before it, so that a line edited, inserted or removed
// breaks the chain from there on. Fields are separated by tabs; a tab, a line break or a
// backslash inside a cell is written as \t, \n, \r or \\.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace kv {

class ChangeHistory {
public:
    static const QString kFileName;  // "history.log"

    struct Entry {
        QString time;       // ISO 8601 with offset
        QString user;
        QString step;       // "удаление строки 29", "отмена: запись строки 4", ...
        QString table;      // "журнал", "архив", "калибровки"
        QString number;     // the row's "№", or a calibration's position
        std::optional<std::array<QString, 5>> before;
        std::optional<std::array<QString, 5>> after;
    };

    // The history of the data folder `directory`; nothing is read or written until the
    // first append.
    explicit ChangeHistory(QString directory);

    // Appends one line. A history that is not ours or whose chain is broken is left as it
    // is and a new one started beside it; `notice` then says so (once). Raises the file
    // errors when no line can be written.
    void append(const Entry& entry, QString* notice = nullptr);

    const QString& path() const { return m_path; }

    // The line for an entry, chained to `previousHash`; and the hash it ends with.
    static QByteArray line(const Entry& entry, const QByteArray& previousHash, QByteArray* hash = nullptr);

    struct Check {
        bool whole = true;
        int lines = 0;       // change lines read (the header not counted)
        int brokenLine = 0;  // 1-based line number of the first line that breaks the chain
        QByteArray lastHash;
        QString reason;
    };
    // Checks the chain of a history file's bytes.
    static Check verify(const QByteArray& bytes);
    // Reads a history file's change lines, oldest first; lines that can't be read are left out.
    static std::vector<Entry> entries(const QByteArray& bytes);

    // The login name of the user running the program.
    static QString loginName();

private:
    void open(QString* notice);

    QString m_directory;
    QString m_path;
    QByteArray m_lastHash;
    bool m_opened = false;
};

// kv4410pc --verify-history [FOLDER]: the text to print and the exit status (0 whole, 1
// broken or unreadable).
struct HistoryVerdict {
    QString text;
    int exitStatus = 0;
};
HistoryVerdict verifyHistoryFolder(const QString& directory);

}  // namespace kv
