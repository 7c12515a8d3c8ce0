// guardedSlot as a connection runs it: the signal's arguments dropped, an error shown by
// the reporter and stopped at the slot.

#include "core/error_guard.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace kv {
namespace {

struct Recorder : ErrorReporter {
    void showError(const QString& message) override { messages << message; }
    QStringList messages;
};

struct Handler {
    std::function<void()> body;
    int runs = 0;
    void run()
    {
        ++runs;
        body();
    }
};

TEST(GuardedSlot, ShowsWhatTheHandlerRaisesAndGoesNoFurther)
{
    struct Case {
        std::function<void()> body;
        QStringList shown;
    };
    const Case cases[] = {
        {[] {}, {}},
        {[] { throw Error(QStringLiteral("Error connect Excel")); }, {"Error connect Excel"}},
        {[] { throw std::runtime_error("boom"); }, {"boom"}},
        {[] { throw std::bad_alloc(); }, {"Out of memory"}},
    };
    for (const Case& c : cases) {
        Recorder reporter;
        Handler handler{c.body};
        QObject sender;
        QObject::connect(&sender, &QObject::objectNameChanged, &sender,
                         guardedSlot(reporter, &handler, &Handler::run));
        sender.setObjectName(QStringLiteral("name"));  // a signal with an argument
        EXPECT_EQ(handler.runs, 1);
        EXPECT_EQ(reporter.messages, c.shown);
    }
}

}  // namespace
}  // namespace kv
