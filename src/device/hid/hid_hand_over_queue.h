#pragma once
// The one channel from reader threads to the GUI thread. A reader enqueues a call and
// waits until the GUI thread has run it; the GUI thread runs queued calls from a queued
// signal, and from THidDevice::StopReader while it waits for a reader, so a reader
// blocked here can always finish.

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace kv {

class ErrorReporter;

class HidHandOverQueue : public QObject {
    Q_OBJECT

public:
    // Created on the GUI thread; errors raised by a call go to reporter.
    explicit HidHandOverQueue(ErrorReporter& reporter, QObject* parent = nullptr);
    HidHandOverQueue(const HidHandOverQueue&) = delete;
    HidHandOverQueue& operator=(const HidHandOverQueue&) = delete;

    // GUI thread: runs every queued call; returns how many ran. Calls queued while it
    // runs are run too.
    int drain();

    // GUI thread: waits until a call is queued, done() holds, or timeoutMs passes;
    // true when a call is queued. done() is evaluated under the queue's lock; whoever
    // makes it true calls wake() afterwards.
    bool waitForPending(int timeoutMs, const std::function<bool()>& done = {});
    void wake();

    // Reader thread: runs call() on the GUI thread and returns once it has run. owner
    // (the reader) tags the call for isRunning. The call is referred to, never copied:
    // the reader waits here, so it outlives its run, and a report costs no allocation.
    template <typename F>
    void handOver(const void* owner, F& call)
    {
        handOver(owner, [](void* c) { (*static_cast<F*>(c))(); }, &call);
    }
    // Where a call's errors go; a call that runs several handlers guards each with it.
    ErrorReporter& reporter() const { return m_reporter; }

    // GUI thread: whether a call of owner is running, perhaps under other calls. A reader
    // whose call is running cannot end before that call returns, so nobody may wait
    // for it then.
    bool isRunning(const void* owner) const;

signals:
    // Emitted by a reader when no drain is on its way; delivered queued on the GUI thread.
    void queued();

private:
    struct Item {
        const void* owner = nullptr;
        void (*run)(void* call) = nullptr;
        void* call = nullptr;
        bool done = false;
    };

    void handOver(const void* owner, void (*run)(void* call), void* call);

    ErrorReporter& m_reporter;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item*> m_pending;
    bool m_posted = false;
    std::vector<const void*> m_running;  // GUI thread only; nested calls stack up
};

}  // namespace kv
