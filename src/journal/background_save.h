#pragma once
// The last step of an export (packing the workbook, syncing the file, putting it in place)
// on a thread of its own, so that the window's thread stays live and Cancel is heard
// while it runs: a workbook of a million rows takes seconds to pack.

#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kv {

// Asked on the saving thread just before the old file is replaced: false calls the save
// off there, leaving the old file (or none) as it was.
using ReplaceGate = std::function<bool()>;
// A save that asks the gate once its file is whole; true when it replaced the file.
using SaveTask = std::function<bool(const ReplaceGate& mayReplace)>;

class BackgroundSave {
public:
    // Starts the task on a thread of its own. Until join() the task alone may touch what
    // it saves from (the writer, the file being written).
    explicit BackgroundSave(SaveTask task);
    // Waits for the thread.
    ~BackgroundSave();
    BackgroundSave(const BackgroundSave&) = delete;
    BackgroundSave& operator=(const BackgroundSave&) = delete;

    // Any thread.
    bool finished() const;
    // The gate was passed: the save can no longer be called off.
    bool replacing() const;
    // Calls the save off unless it has begun replacing the file or has finished; true
    // when it is called off (now or before). The task runs on to its end, which the gate
    // then makes quick. Any thread.
    bool cancel();
    // Runs `wake` on the saving thread each time the save begins replacing the file and
    // when it finishes; an empty function ends that. A waiter sleeping in an event loop
    // posts itself a wake-up here. `wake` must not call back into this object.
    void setWake(std::function<void()> wake);

    // Waits for the thread and gives the task's answer, false when the save was called
    // off. Rethrows the task's failure unless the save was called off first. Call once.
    bool join();

private:
    enum class Phase { Saving, CalledOff, Replacing };

    bool passGate();
    void run(const SaveTask& task);

    mutable std::mutex m_mutex;
    Phase m_phase = Phase::Saving;
    bool m_finished = false;
    bool m_replaced = false;
    std::exception_ptr m_failure;
    std::function<void()> m_wake;
    std::thread m_thread;  // last: starts once the rest is set up
};

// Keeps the export's thread live while the save runs and returns once the save has
// woken it finished (or the thread's event loop is told to quit); may cancel the save.
// It must touch neither the writer nor the file being saved.
using SaveWaiter = std::function<void(BackgroundSave& save)>;

// Runs the task on a thread of its own through `waiter`, or right here when there is no
// waiter. Answers as BackgroundSave::join.
bool runSave(const SaveTask& task, const SaveWaiter& waiter);

// A waiter for a thread with an event loop: runs a local loop, so windows repaint and
// queued work goes on, until the save has finished. `onReplacing` runs on this thread
// once the save can no longer be called off (a Cancel button has no more use then).
void waitInEventLoop(BackgroundSave& save, const std::function<void()>& onReplacing = {});

}  // namespace kv
