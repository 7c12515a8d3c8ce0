#pragma once
// Test helpers: an error reporter that keeps the messages instead of showing boxes, and
// a scratch program directory.

#include "core/error_guard.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <functional>

namespace kv::test {

class RecordingReporter : public ErrorReporter {
public:
    void showError(const QString& message) override
    {
        messages << message;
        if (onError)
            onError();
    }
    void showNotice(const QString& message) override { notices << message; }
    void showDetailedNotice(const QString& message, const QString& details) override
    {
        notices << message;
        noticeDetails << details;
    }
    QStringList messages;
    QStringList notices;
    QStringList noticeDetails;  // of the detailed notices, in their order
    std::function<void()> onError;  // runs while the error is "shown"
};

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write test file");
    file.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A directory in place of a file: no operation on it as a file succeeds, even as root.
inline void blockWithDirectory(const QString& path)
{
    QFile::remove(path);
    QDir().mkpath(path);
}

}  // namespace kv::test
