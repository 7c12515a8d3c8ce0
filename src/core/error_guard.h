#pragma once
// The one guard every event handler runs through: an error raised by a user action stops
// that action and is shown by the reporter (the main window shows a message box titled
// with the application title). What the action changed before the error stays changed.

#include "core/errors.h"

#include <QString>

#include <cstdio>
#include <exception>
#include <new>
#include <utility>

namespace kv {

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void showError(const QString& message) = 0;
    // A notice of the program's own ("Калибровка не рассчитана !"): a plain information
    // box where an error gets an error box.
    virtual void showNotice(const QString& message) { showError(message); }
    // A notice with what the operator needs to act on it (a file's path, the cause) as
    // the box's informative text, under the fixed message.
    virtual void showDetailedNotice(const QString& message, const QString& details)
    {
        showNotice(message + QStringLiteral("\n\n") + details);
    }
};

// For the tools and benchmarks that run the windows without a person in front of them:
// an error is printed to standard error instead of shown in a box.
class StderrReporter : public ErrorReporter {
public:
    void showError(const QString& message) override
    {
        std::fprintf(stderr, "error: %s\n", message.toLocal8Bit().constData());
    }
};

// Runs f; returns false when it raised, after the reporter has shown the error.
template <typename F>
bool runGuarded(ErrorReporter& reporter, F&& f)
{
    try {
        std::forward<F>(f)();
        return true;
    } catch (const Error& e) {
        reporter.showError(e.message());
    } catch (const std::bad_alloc&) {
        reporter.showError(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        reporter.showError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace kv
