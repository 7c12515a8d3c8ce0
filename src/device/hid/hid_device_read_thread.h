#pragma once
// The reader of one claimed device: reads input reports on its own thread and hands each
// one to the device's data handler on the GUI thread, waiting until the handler returns.

#include "device/hid/hid_platform.h"
#include "device/hid/named_thread.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace kv {

class HidHandOverQueue;
class THidDevice;

class THidDeviceReadThread : public TNamedThread {
public:
    // Created and started by THidDevice::StartReader on the GUI thread; the report buffer
    // holds reportLength bytes, report ID included.
    THidDeviceReadThread(THidDevice& device, int reportLength);
    ~THidDeviceReadThread() override;

    // Any thread. Ends a pending read at once; at the latest the stop is seen within one
    // wait of the reader (the device's readWait).
    void requestStop();
    // True once run() no longer touches the device, the platform or the queue.
    bool ended() const { return m_ended; }

protected:
    void run() override;

private:
    void pause(int ms);
    void handOverError(int error);

    THidDevice& m_device;
    HidPlatform& m_platform;
    HidHandOverQueue& m_queue;
    std::vector<quint8> m_report;
    int m_bytesRead = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_ended = false;
    std::atomic<HidHandle> m_pendingHandle = kInvalidHidHandle;
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
};

}  // namespace kv
