#include "device/hid/hid_device_read_thread.h"

#include "device/hid/hid_device.h"
#include "device/hid/hid_hand_over_queue.h"
#include "device/hid/hid_platform.h"

#include <algorithm>
#include <chrono>

namespace kv {

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, int reportLength)
    : TNamedThread(QStringLiteral("THidDeviceReadThread"), device.pnpInfo().path),
      m_device(device),
      m_platform(device.m_platform),
      m_queue(device.handOverQueue()),
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
    THidDevice& device = m_device;
    auto call = [&device, error] {
        // A copy: the handler may release the device it is called for.
        const THidDataErrorEvent handler = device.m_dataErrorHandler;
        if (handler)
            handler(device, quint32(error));
    };
    m_queue.handOver(this, call);
}

void THidDeviceReadThread::run()
{
    const int length = int(m_report.size());
    while (!m_stop) {
        std::fill(m_report.begin(), m_report.end(), quint8(0));
        HidHandle handle = kInvalidHidHandle;
        const int startError = m_device.StartRead(m_report.data(), length, handle);
        if (startError != 0) {
            handOverError(startError);
            // A handler may have stopped this reader and let the device go.
            if (!m_stop)
                pause(m_device.readWait());
            continue;
        }
        m_pendingHandle = handle;
        HidReadResult result;
        bool pending = true;
        while (!m_stop) {
            result = m_platform.waitRead(handle, m_device.readWait());
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
                pause(m_device.readWait());
            continue;
        }
        if (m_bytesRead > 0) {
            THidDevice& device = m_device;
            const quint8* report = m_report.data();
            const auto size = quint16(m_bytesRead - 1);
            auto call = [&device, report, size] {
                const THidDataEvent handler = device.m_dataHandler;
                if (handler)
                    handler(device, report[0], report + 1, size);
            };
            m_queue.handOver(this, call);
        }
    }
    m_ended = true;
    m_queue.wake();
}

}  // namespace kv
