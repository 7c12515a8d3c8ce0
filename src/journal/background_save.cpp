#include "journal/background_save.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QScopeGuard>

namespace kv {

BackgroundSave::BackgroundSave(SaveTask task)
    : m_thread([this, task = std::move(task)] { run(task); })
{
}

BackgroundSave::~BackgroundSave()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundSave::run(const SaveTask& task)
{
    bool replaced = false;
    std::exception_ptr failure;
    try {
        replaced = task([this] { return passGate(); });
    } catch (...) {
        failure = std::current_exception();
    }
    const std::lock_guard lock(m_mutex);
    m_replaced = replaced;
    m_failure = failure;
    m_finished = true;
    if (m_wake)
        m_wake();
}

bool BackgroundSave::passGate()
{
    const std::lock_guard lock(m_mutex);
    if (m_phase != Phase::Saving)
        return false;
    m_phase = Phase::Replacing;
    if (m_wake)
        m_wake();
    return true;
}

bool BackgroundSave::finished() const
{
    const std::lock_guard lock(m_mutex);
    return m_finished;
}

bool BackgroundSave::replacing() const
{
    const std::lock_guard lock(m_mutex);
    return m_phase == Phase::Replacing;
}

bool BackgroundSave::cancel()
{
    const std::lock_guard lock(m_mutex);
    if (m_phase == Phase::Saving && !m_finished)
        m_phase = Phase::CalledOff;
    return m_phase == Phase::CalledOff;
}

void BackgroundSave::setWake(std::function<void()> wake)
{
    const std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
}

bool BackgroundSave::join()
{
    m_thread.join();
    const std::lock_guard lock(m_mutex);
    if (m_phase == Phase::CalledOff)
        return false;
    if (m_failure)
        std::rethrow_exception(m_failure);
    return m_replaced;
}

bool runSave(const SaveTask& task, const SaveWaiter& waiter)
{
    if (!waiter)
        return task([] { return true; });
    BackgroundSave save(task);
    waiter(save);
    return save.join();
}

void waitInEventLoop(BackgroundSave& save, const std::function<void()>& onReplacing)
{
    QEventLoop loop;
    bool toldReplacing = false;
    const auto look = [&] {
        if (onReplacing && !toldReplacing && save.replacing()) {
            toldReplacing = true;
            onReplacing();
        }
        if (save.finished())
            loop.quit();
    };
    save.setWake([&loop, &look] { QMetaObject::invokeMethod(&loop, look, Qt::QueuedConnection); });
    // No wake-up may be posted once the loop is gone; those still queued go with it.
    const auto unwake = qScopeGuard([&save] { save.setWake({}); });
    look();
    if (!save.finished())
        loop.exec();
}

}  // namespace kv
