#pragma once
// ChangeLog: the session's changes, on disk within moments of being made, so that a
// crash, a power cut or a dead display server loses none of them. The data files are
// still written whole at close; until then each change is appended to this log as one
// record and flushed to the disk (fdatasync) by a writer thread, so the GUI thread pays
// only for handing the bytes over. A start that finds records puts them back onto the
// files it read, provided those files are still the ones the log began from (its base).
//
// File: a header line, the base, then records; each record is its length, a CRC-32 and
// its bytes, so a record cut off by a crash is told from a whole one and left out.

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kv {

class ChangeLog {
public:
    ChangeLog() = default;
    ~ChangeLog();
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;

    // What a log file holds: its base and its whole records, in order.
    struct Content {
        QByteArray base;
        std::vector<QByteArray> records;
        // Bytes after the last whole record (a record cut off, or damage).
        bool tornTail = false;
    };
    // Nothing when there is no such file; raises the file errors for one that can't be read.
    static std::optional<Content> read(const QString& path);

    // Makes a new log over `base` at `path`, replacing any, durably and atomically before
    // it returns (so an earlier log is either whole or gone). Raises the file errors.
    void start(const QString& path, const QByteArray& base);
    // Goes on appending to the log at `path` as it is (its base still that of the files).
    // Raises the file errors.
    void resume(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }

    // Hands a record to the writer thread, which appends and flushes it. Never blocks on
    // the disk.
    void append(QByteArray record);
    // Waits until every record appended is on disk or has failed.
    void flush();
    // The first failure of the writer since the last call ("" when none), for one notice.
    QString takeFailure();

    // Closes the log and removes its file (after the files were written whole).
    void remove();
    // Closes the log, leaving its file.
    void close();

    // The bytes of one record as they are written: length, CRC-32, payload.
    static QByteArray frame(const QByteArray& record);
    static quint32 crc32(const QByteArray& bytes);

private:
    void openForAppend(const QString& path);
    void run();
    void stopWriter();

    QString m_path;
    int m_fd = -1;
    std::thread m_writer;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<QByteArray> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    QString m_failure;
};

}  // namespace kv
