#include "device/hid/hid_device_read_thread.h"

#include "device/hid/hid_hand_over_queue.h"
#include "device/hid/hid_platform.h"

#include <algorithm>
#include <chrono>

namespace kv {

THidDeviceReadThread::THidDeviceReadThread(HidReadSource& source, HidPlatform& platform,
                                           HidHandOverQueue& queue, const QString& name,
                                           int reportLength)
    : TNamedThread(QStringLiteral("THidDeviceReadThread"), name),
      m_source(source),
      m_platform(platform),
      m_queue(queue),
      m_report(size_t(std::max(reportLength, 0)))
{
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    requestStop();
    wait();
}

void THidDeviceReadThread::requestStop()
{
    {
        std::lock_guard lock(m_pauseMutex);
        m_stop = true;
    }
    m_pauseWake.notify_all();
    // Platforms allow a cancel from another thread; a handle already gone is ignored.
    const HidHandle pending = m_pendingHandle;
    if (pending != kInvalidHidHandle)
        m_platform.cancelRead(pending);
}

void THidDeviceReadThread::pause(int ms)
{
    std::unique_lock lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

void THidDeviceReadThread::handOverError(int error)
{
    HidReadSource& source = m_source;
    auto call = [&source, error] { source.DeliverReadError(error); };
    m_queue.handOver(this, call);
}

void THidDeviceReadThread::run()
{
    const int length = int(m_report.size());
    while (!m_stop) {
        std::fill(m_report.begin(), m_report.end(), quint8(0));
        HidHandle handle = kInvalidHidHandle;
        const int startError = m_source.StartRead(m_report.data(), length, handle);
        if (startError != 0) {
            handOverError(startError);
            // A handler may have stopped this reader and let the device go.
            if (!m_stop)
                pause(m_source.readWait());
            continue;
        }
        m_pendingHandle = handle;
        HidReadResult result;
        bool pending = true;
        while (!m_stop) {
            result = m_platform.waitRead(handle, m_source.readWait());
            if (result.status != HidReadStatus::TimedOut) {
                pending = false;
                break;
            }
        }
        m_pendingHandle = kInvalidHidHandle;
        if (pending) {
            // No read into m_report may outlive the thread.
            m_platform.cancelRead(handle);
            break;
        }
        m_bytesRead = result.status == HidReadStatus::Completed ? result.bytes : 0;
        if (result.status == HidReadStatus::Failed) {
            // Retrying at once would spin on a failing device.
            handOverError(result.error);
            if (!m_stop)
                pause(m_source.readWait());
            continue;
        }
        if (m_bytesRead > 0) {
            HidReadSource& source = m_source;
            const quint8* report = m_report.data();
            const auto size = quint16(m_bytesRead - 1);
            auto call = [&source, report, size] { source.DeliverReport(report, size); };
            m_queue.handOver(this, call);
        }
    }
    m_ended = true;
    m_queue.wake();
}

}  // namespace kv
