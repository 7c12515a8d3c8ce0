#include "device/hid/hid_hand_over_queue.h"

#include "core/error_guard.h"

#include <algorithm>
#include <chrono>

namespace kv {

HidHandOverQueue::HidHandOverQueue(ErrorReporter& reporter, QObject* parent)
    : QObject(parent), m_reporter(reporter)
{
    connect(this, &HidHandOverQueue::queued, this, [this] { drain(); }, Qt::QueuedConnection);
}

void HidHandOverQueue::handOver(const void* owner, void (*run)(void* call), void* call)
{
    Item item{owner, run, call, false};
    std::unique_lock lock(m_mutex);
    m_pending.push_back(&item);
    // One queued drain serves every call queued before it runs.
    const bool post = !m_posted;
    m_posted = true;
    m_changed.notify_all();
    if (post)
        emit queued();
    m_changed.wait(lock, [&] { return item.done; });
}

int HidHandOverQueue::drain()
{
    int ran = 0;
    std::unique_lock lock(m_mutex);
    m_posted = false;
    while (!m_pending.empty()) {
        Item* item = m_pending.front();
        m_pending.pop_front();
        lock.unlock();
        m_running.push_back(item->owner);
        // A handler that raises must not leave its reader waiting forever.
        runGuarded(m_reporter, [item] { item->run(item->call); });
        m_running.pop_back();
        ++ran;
        lock.lock();
        item->done = true;
        m_changed.notify_all();
    }
    return ran;
}

bool HidHandOverQueue::waitForPending(int timeoutMs, const std::function<bool()>& done)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [&] { return !m_pending.empty() || (done && done()); });
    return !m_pending.empty();
}

bool HidHandOverQueue::isRunning(const void* owner) const
{
    return std::find(m_running.begin(), m_running.end(), owner) != m_running.end();
}

void HidHandOverQueue::wake()
{
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

}  // namespace kv
