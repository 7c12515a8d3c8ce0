#include "journal/background_save.h"

#include "core/errors.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <latch>
#include <semaphore>

namespace kv {
namespace {

// The task holds before its gate and after it until the test lets it go on, so each
// case cancels at a known point: Cancel is heard until the gate is passed, never after.
TEST(BackgroundSave, CancelIsHeardUntilTheGateIsPassed)
{
    enum class Cancel { Never, BeforeGate, AfterGate, AfterFailure };
    for (const Cancel when : {Cancel::Never, Cancel::BeforeGate, Cancel::AfterGate, Cancel::AfterFailure}) {
        SCOPED_TRACE(int(when));
        std::binary_semaphore toGate{0};
        std::binary_semaphore toEnd{0};
        std::latch gatePassed{1};
        std::thread::id savingThread;
        BackgroundSave save([&](const ReplaceGate& gate) {
            savingThread = std::this_thread::get_id();
            toGate.acquire();
            if (when == Cancel::AfterFailure)
                throw Error(QStringLiteral("disk gone"));
            const bool replace = gate();
            gatePassed.count_down();
            toEnd.acquire();
            return replace;
        });
        EXPECT_FALSE(save.finished());
        if (when == Cancel::BeforeGate) {
            EXPECT_TRUE(save.cancel());
        }
        toGate.release();
        if (when != Cancel::AfterFailure)
            gatePassed.wait();
        EXPECT_EQ(save.replacing(), when != Cancel::BeforeGate && when != Cancel::AfterFailure);
        if (when == Cancel::AfterGate) {
            EXPECT_FALSE(save.cancel());
        }
        toEnd.release();
        if (when == Cancel::AfterFailure) {
            EXPECT_THROW(save.join(), Error);
        } else {
            EXPECT_EQ(save.join(), when != Cancel::BeforeGate);
        }
        EXPECT_TRUE(save.finished());
        EXPECT_NE(savingThread, std::this_thread::get_id());
    }
}

// While the save runs, the waiting thread's event loop goes on (what is posted to it
// runs before the save ends) and is told once when Cancel has no more use.
TEST(BackgroundSave, EventLoopWaiterKeepsTheLoopRunning)
{
    std::binary_semaphore loopRan{0};
    bool posted = false;
    int toldReplacing = 0;
    const bool replaced = runSave(
        [&](const ReplaceGate& gate) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [&] {
                    posted = true;
                    loopRan.release();
                },
                Qt::QueuedConnection);
            loopRan.acquire();
            return gate();
        },
        [&](BackgroundSave& save) { waitInEventLoop(save, [&] { ++toldReplacing; }); });
    EXPECT_TRUE(replaced);
    EXPECT_TRUE(posted);
    EXPECT_EQ(toldReplacing, 1);
}

}  // namespace
}  // namespace kv
