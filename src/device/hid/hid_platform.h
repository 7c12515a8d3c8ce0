#pragma once
// The operating-system side of the HID layer. THidDeviceController and THidDevice hold
// all the logic and reach the system only through this interface; LinuxHidPlatform
// (udev + hidraw) and FakeHidPlatform (in memory) implement it.
//
// Threads: every operation may be called from the GUI thread; a device's reader thread
// also calls open (read access), setInputBufferCount, inputBufferCount, startRead,
// waitRead, cancelRead and close. Implementations must therefore be thread-safe. close()
// may be called on a handle while another thread waits in waitRead() on it: that wait
// then ends at once with HidReadStatus::Aborted.

#include "device/hid/hid_pnp_info.h"

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kv {

// Opaque handle of an opened interface; kInvalidHidHandle when closed.
using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHidHandle = -1;

enum class HidAccess {
    ReadWrite,  // control handle: requests and writes
    ReadOnly,   // the reader's handle
    None,       // enough for attributes and strings, not for I/O
};

struct HidAttributes {
    quint16 VendorID = 0;
    quint16 ProductID = 0;
    quint16 VersionNumber = 0;
};

// Report lengths include the report-ID byte, also for a device without report IDs.
struct HidCaps {
    quint16 Usage = 0;
    quint16 UsagePage = 0;
    quint16 InputReportByteLength = 0;
    quint16 OutputReportByteLength = 0;
    quint16 FeatureReportByteLength = 0;
};

enum class HidReadStatus {
    Completed,     // bytes > 0: one input report, report ID in byte 0
    TimedOut,      // nothing yet; the read stays pending
    Failed,        // error holds the system error code; the read is over
    Disconnected,  // the device is gone; later startRead calls on the handle fail
    Aborted,       // the handle was closed or the read cancelled; no data, no error
};

struct HidReadResult {
    HidReadStatus status = HidReadStatus::TimedOut;
    int bytes = 0;
    int error = 0;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;

    // A snapshot of the HID interfaces present now, one entry per member index. An entry
    // whose details could not be read is std::nullopt; the caller skips it.
    virtual std::vector<std::optional<THidPnPInfo>> scanInterfaces() = 0;

    // kInvalidHidHandle on failure, with error set to the system error code.
    virtual HidHandle open(const QString& path, HidAccess access, int& error) = 0;
    virtual void close(HidHandle handle) = 0;

    virtual bool attributes(HidHandle handle, HidAttributes& out) = 0;
    virtual bool caps(HidHandle handle, HidCaps& out) = 0;
    virtual bool productString(HidHandle handle, QString& out) = 0;
    virtual bool serialString(HidHandle handle, QString& out) = 0;
    // Index 0 is the device's language list, one 16-bit language id per unit.
    virtual bool indexedString(HidHandle handle, int index, QString& out) = 0;

    // The size of the input report queue behind a handle. A platform whose queue size is
    // fixed returns false from set and reports the fixed size from get.
    virtual bool setInputBufferCount(HidHandle handle, int count) = 0;
    virtual bool inputBufferCount(HidHandle handle, int& count) = 0;

    // One read at a time per handle. startRead returns 0 or a system error code; the
    // buffer must stay valid until waitRead reports anything but TimedOut, or until
    // cancelRead returns.
    [[nodiscard]] virtual int startRead(HidHandle handle, quint8* buffer, int length) = 0;
    [[nodiscard]] virtual HidReadResult waitRead(HidHandle handle, int timeoutMs) = 0;
    virtual void cancelRead(HidHandle handle) = 0;

    // Synchronous; the report carries its report ID in byte 0. Returns false with error set
    // when the write failed; written tells how many bytes went out.
    [[nodiscard]] virtual bool write(HidHandle handle, const quint8* data, qsizetype length,
                                     qsizetype& written, int& error) = 0;

    virtual QString errorText(int errorCode) = 0;

    // Called on the GUI thread whenever devices may have come or gone. One callback; a
    // platform without notifications never calls it.
    virtual void setDeviceChangeCallback(std::function<void()> callback) = 0;
};

}  // namespace kv
