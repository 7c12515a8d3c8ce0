#pragma once

#include <QString>

#include <thread>

namespace kv {

// A thread that names itself for debuggers: the class name, then " {name}" when a name
// is given (the system keeps the first 15 bytes). A std::thread rather than a QThread:
// its start and join are plain pthread calls, which thread checkers understand.
class TNamedThread {
public:
    explicit TNamedThread(const QString& className, const QString& name = {});
    virtual ~TNamedThread();
    TNamedThread(const TNamedThread&) = delete;
    TNamedThread& operator=(const TNamedThread&) = delete;

    const QString& objectName() const { return m_name; }
    void start();
    // Waits for run() to return; safe to call again or without start().
    void wait();

protected:
    virtual void run() = 0;

private:
    QString m_name;
    std::thread m_thread;
};

}  // namespace kv
