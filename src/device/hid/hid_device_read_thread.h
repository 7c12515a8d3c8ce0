#pragma once
// The reader of one claimed device: reads input reports on its own thread and hands them
// to the device's data handler on the GUI thread, waiting until the handler returns.
// Reports already waiting in the system's queue are read at once and handed over together
// (in order, each to the handler), so a busy window thread costs one round trip for all of
// them, not one each, and the queue drains before it overflows.

#include "device/hid/hid_platform.h"
#include "device/hid/named_thread.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace kv {

class HidHandOverQueue;

// What a reader needs of the device it reads for.
class HidReadSource {
public:
    // Reader thread: opens the read handle when needed and starts one read into buffer.
    // Returns 0 and the handle used, or a system error code.
    [[nodiscard]] virtual int StartRead(quint8* buffer, int length, HidHandle& handle) = 0;
    // Any thread: milliseconds of each wait.
    virtual int readWait() const = 0;
    // GUI thread, inside a hand-over: one input report (report ID in byte 0, size bytes
    // after it), or the error a read failed with. The device may be gone on return.
    virtual void DeliverReport(const quint8* report, quint16 size) = 0;
    virtual void DeliverReadError(int error) = 0;

protected:
    ~HidReadSource() = default;
};

class THidDeviceReadThread : public TNamedThread {
public:
    // The most reports handed over together: the system's queue (64) and the read under way.
    static constexpr int kSlots = 65;

    // Created and started by THidDevice::StartReader on the GUI thread; each report buffer
    // holds reportLength bytes, report ID included. name is the device's path.
    THidDeviceReadThread(HidReadSource& source, HidPlatform& platform, HidHandOverQueue& queue,
                         const QString& name, int reportLength);
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
    // The reports read so far, in one hand-over; none is delivered once a stop is asked.
    void handOverReports();
    quint8* slot(int index) { return m_reports.data() + std::size_t(index) * std::size_t(m_length); }

    HidReadSource& m_source;
    HidPlatform& m_platform;
    HidHandOverQueue& m_queue;
    int m_length = 0;
    std::vector<quint8> m_reports;  // kSlots buffers of m_length bytes
    std::vector<int> m_read;        // the slots holding reports not yet handed over, in order
    std::vector<int> m_sizes;       // bytes read into each slot
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_stopRequests = 0;
    std::atomic<bool> m_ended = false;
    std::atomic<HidHandle> m_pendingHandle = kInvalidHidHandle;
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
};

}  // namespace kv
