#pragma once
// The one guard every event handler runs through: an error raised by a user action stops
// that action and is shown by the reporter (the main window shows a message box titled
// with the application title). What the action changed before the error stays changed.

#include "core/errors.h"

#include <QString>

#include <concepts>
#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <type_traits>
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

// The one way to connect an event handler: a slot that runs the handler through
// runGuarded, so what it raises is shown by the reporter and never leaves the slot (an
// exception must not unwind through Qt's event loop).
//
//     connect(button, &QPushButton::clicked, this,
//             guardedSlot(m_errors, this, &Page::Button3Click));
//
// - The slot takes no arguments: whatever the signal carries is dropped, and the handler
//   reads its input from the controls or the state.
// - The slot holds the reporter by reference and the object by plain pointer. Give the
//   object as connect's context, so the connection goes when the object goes; the reporter
//   must outlive the connection. A window whose reporter can be replaced keeps one
//   reporter of its own that forwards, and hands that one in.
// - It runs where the connection delivers it (the context's thread) and returns nothing;
//   a caller that needs to know whether the handler got through calls runGuarded itself.
template <typename F>
    requires std::invocable<const F&>
auto guardedSlot(ErrorReporter& reporter, F handler)
{
    return [&reporter, handler = std::move(handler)] { runGuarded(reporter, handler); };
}

// The same for a member handler of object, such as &TForm2::Button3Click.
template <typename Object, typename Handler>
    requires std::is_member_function_pointer_v<Handler> && std::invocable<Handler, Object*>
auto guardedSlot(ErrorReporter& reporter, Object* object, Handler handler)
{
    return guardedSlot(reporter, [object, handler] { std::invoke(handler, object); });
}

}  // namespace kv
