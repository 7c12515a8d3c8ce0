#include "device/hid/hid_device_read_thread.h"

#include "device/hid/hid_hand_over_queue.h"
#include "device/hid/hid_platform.h"
#include "core/error_guard.h"

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
      m_length(std::max(reportLength, 0)),
      m_reports(std::size_t(kSlots) * std::size_t(m_length)),
      m_sizes(std::size_t(kSlots), 0)
{
    m_read.reserve(std::size_t(kSlots));
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
        ++m_stopRequests;
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

void THidDeviceReadThread::handOverReports()
{
    if (m_read.empty())
        return;
    auto call = [this] {
        // A stop asked before the hand-over ran still gets every report read; one asked
        // by a handler (which may have let the device go) ends the delivery.
        const int stops = m_stopRequests;
        for (const int index : m_read) {
            if (m_stopRequests != stops)
                break;
            // A handler that raises must not cost the reports after it.
            runGuarded(m_queue.reporter(), [this, index] {
                m_source.DeliverReport(slot(index), quint16(m_sizes[std::size_t(index)] - 1));
            });
        }
    };
    m_queue.handOver(this, call);
    m_read.clear();
}

void THidDeviceReadThread::run()
{
    int next = 0;  // the slot the next read goes into
    HidHandle handle = kInvalidHidHandle;
    bool reading = false;
    while (!m_stop) {
        if (!reading) {
            std::fill_n(slot(next), m_length, quint8(0));
            const int startError = m_source.StartRead(slot(next), m_length, handle);
            if (startError != 0) {
                handOverReports();
                handOverError(startError);
                // A handler may have stopped this reader and let the device go.
                if (!m_stop)
                    pause(m_source.readWait());
                continue;
            }
            reading = true;
            m_pendingHandle = handle;
        }
        // With reports in hand only those already queued are taken; the first wait for
        // one more hands them over, the read staying under way into its own slot.
        const HidReadResult result = m_platform.waitRead(handle, m_read.empty() ? m_source.readWait() : 0);
        if (result.status == HidReadStatus::TimedOut) {
            handOverReports();
            continue;
        }
        reading = false;
        m_pendingHandle = kInvalidHidHandle;
        if (result.status == HidReadStatus::Failed) {
            // Retrying at once would spin on a failing device.
            handOverReports();
            handOverError(result.error);
            if (!m_stop)
                pause(m_source.readWait());
            continue;
        }
        if (result.status == HidReadStatus::Completed && result.bytes > 0) {
            m_sizes[std::size_t(next)] = result.bytes;
            m_read.push_back(next);
            next = (next + 1) % kSlots;
            // The slot the next read needs must not be one still to be handed over.
            if (int(m_read.size()) == kSlots - 1)
                handOverReports();
        } else {
            handOverReports();
        }
    }
    m_pendingHandle = kInvalidHidHandle;
    if (reading) {
        // No read into a slot may outlive the thread.
        m_platform.cancelRead(handle);
    }
    m_ended = true;
    m_queue.wake();
}

}  // namespace kv
