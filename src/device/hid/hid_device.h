#pragma once
// THidDevice: one HID interface in the controller's list. The controller owns every
// device; a claimer holds a claimed device until it gives it back with
// THidDeviceController::ReleaseDevice. All members are for the GUI thread unless said
// otherwise; the reader thread reaches the device only through HidReadSource.
//
// Names: operations are PascalCase (OpenControl, CloseControl, WriteReport), the state
// reads as its fields are named (present(), readWait()), helpers are camelCase.

#include "device/hid/hid_device_read_thread.h"
#include "device/hid/hid_platform.h"
#include "device/hid/hid_pnp_info.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace kv {

class HidHandOverQueue;
class THidDevice;
class THidDeviceController;

// reportId is byte 0 of the input report, data the bytes after it, size their count.
using THidDataEvent =
    std::function<void(THidDevice& device, quint8 reportId, const quint8* data, quint16 size)>;
using THidDataErrorEvent = std::function<void(THidDevice& device, quint32 error)>;
using THidPlugEvent = std::function<void(THidDevice& device)>;

// A device's three events, and whether each is still the one the controller handed out,
// so that a new controller handler reaches it. One value: a released device that is
// replaced hands it on whole.
struct HidDeviceHandlers {
    THidDataEvent data;
    THidDataErrorEvent dataError;
    THidPlugEvent unplug;
    bool dataFromController = true;
    bool dataErrorFromController = true;
    bool unplugFromController = true;

    // What a new device takes: the data and unplug events; the error event starts empty,
    // and follows the controller's only while the controller has none.
    static HidDeviceHandlers forNewDevice(const THidDataEvent& data, const THidDataErrorEvent& dataError,
                                          const THidPlugEvent& unplug)
    {
        return {data, nullptr, unplug, true, !dataError, true};
    }
};

// What only the controller may change on its devices: only it can make the key.
class HidDeviceKey {
    friend class THidDeviceController;
    HidDeviceKey() = default;
};

// What a device takes from the controller that makes it, so that it needs nothing of the
// controller's class; all of it outlives the device.
struct HidDeviceOwner {
    THidDeviceController& controller;  // only handed out by THidDevice::controller()
    HidPlatform& platform;
    // The readers' channel to the GUI thread.
    HidHandOverQueue& handOvers;
    // Takes a reader stopped from inside its own hand-over, which can only end after
    // the hand-over returns, and waits for it later.
    std::function<void(std::unique_ptr<THidDeviceReadThread> reader)> retireReader;
};

class THidDevice final : private HidReadSource {
public:
    // Opens the interface to identify it and closes it again. Throws EControllerError
    // "Device cannot be opened" or "Device cannot be identified"; EDeviceGone when the
    // node no longer exists.
    THidDevice(HidDeviceOwner owner, THidPnPInfo pnpInfo, HidDeviceHandlers handlers, int readWait);
    // Stops the reader and closes every handle.
    ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    THidDeviceController* controller() const { return &m_owner.controller; }
    bool present() const { return m_present; }
    bool claimed() const { return m_claimed; }
    bool eventAccess() const { return m_eventAccess; }
    const THidPnPInfo& pnpInfo() const { return m_pnpInfo; }
    const HidAttributes& attributes() const { return m_attributes; }
    bool openedReadWrite() const { return m_openedReadWrite; }
    int controlBufferCount() const { return m_controlBufferCount; }
    int readBufferCount() const { return m_readBufferCount; }
    // Any thread.
    int readWait() const override { return m_readWait; }
    bool readerRunning() const { return m_reader != nullptr; }

    // Report lengths, cached after the first successful query; zero lengths while the
    // device is not accessible (present and claimed, or inside OnArrival/OnRemoval).
    HidCaps QueryCaps();
    // Cached after the first successful read; at most 254 characters.
    QString ProductText();
    // Empty when the device has none: a device that answers with its language list, or
    // whose language list cannot be read, has no serial number.
    QString SerialText();

    // Ask the driver for n input buffers on the control or the read handle (opening it);
    // the count reads back what the driver really has.
    void SetControlBufferCount(int n);
    void SetReadBufferCount(int n);

    // Synchronous write of one output report (report ID in byte 0) on the control handle,
    // which stays open. On false, lastWriteError() gives the system error code; without
    // read-write access, the one the read-write open failed with. A device that gains
    // read-write access here starts its reader.
    [[nodiscard]] bool WriteReport(const quint8* buffer, qsizetype length, qsizetype& written);
    int lastWriteError() const { return m_lastWriteError; }

    // Milliseconds of each wait of the reader; only 10..10000 are accepted.
    void SetReadWait(int ms);

    // The interface is gone: closes every handle, calls the unplug handler once and clears
    // it. A running reader is not stopped; its next read fails.
    void MarkAbsent();

    const HidDeviceHandlers& handlers() const { return m_handlers; }
    const THidDataEvent& dataHandler() const { return m_handlers.data; }
    const THidDataErrorEvent& dataErrorHandler() const { return m_handlers.dataError; }
    const THidPlugEvent& unplugHandler() const { return m_handlers.unplug; }
    // An empty handler stops the reader first; a set one starts it when allowed.
    void SetDataHandler(THidDataEvent handler);
    void SetDataErrorHandler(THidDataErrorEvent handler);
    void SetUnplugHandler(THidPlugEvent handler);

    // Starts a reader when a data handler is set, the device is present, claimed and was
    // opened with read and write access, and none runs. True when a reader runs after.
    bool StartReader();
    // Stops the reader and waits for it. While it waits it runs the hand-overs readers
    // have queued, so the data handler may run inside this call. Called from the
    // device's own data handler, it returns at once and the controller ends the reader
    // after the hand-over.
    void StopReader();

    // The controller's side.
    void SetClaimed(HidDeviceKey, bool claimed) { m_claimed = claimed; }
    void SetEventAccess(HidDeviceKey, bool access) { m_eventAccess = access; }
    // The controller's events changed: each event still from the controller takes the new
    // one; a reader stops with its data event and starts with a new one.
    void FollowControllerHandlers(HidDeviceKey, const THidDataEvent& data,
                                  const THidDataErrorEvent& dataError, const THidPlugEvent& unplug);
    // The device's part of a release: stops the reader (hand-overs may run meanwhile),
    // drops the unplug event and closes every handle.
    void Release(HidDeviceKey);

private:
    bool accessible() const { return m_present && (m_claimed || m_eventAccess); }
    bool OpenControl();
    bool OpenRead();
    // Asks the driver for `wanted` input buffers on the handle (0: keeps its count) and
    // returns how many it really has, 0 when it can't tell.
    int applyBufferCount(HidHandle handle, int wanted);
    void CloseControl();
    void CloseRead();
    void CloseAll();

    // HidReadSource, for the reader.
    [[nodiscard]] int StartRead(quint8* buffer, int length, HidHandle& handle) override;
    void DeliverReport(const quint8* report, quint16 size) override;
    void DeliverReadError(int error) override;

    HidDeviceOwner m_owner;
    HidPlatform& m_platform;
    THidPnPInfo m_pnpInfo;
    HidAttributes m_attributes;

    // Read by the reader thread, written by the GUI thread.
    std::atomic<bool> m_present = true;
    std::atomic<bool> m_claimed = false;
    std::atomic<bool> m_eventAccess = false;
    std::atomic<int> m_readWait = 100;

    HidHandle m_controlHandle = kInvalidHidHandle;
    bool m_openedReadWrite = false;
    int m_controlBufferCount = 0;
    int m_controlOpenError = 0;
    int m_lastWriteError = 0;

    // The read handle is opened by either thread and closed by the GUI thread.
    mutable std::mutex m_readMutex;
    HidHandle m_readHandle = kInvalidHidHandle;
    int m_readBufferCount = 0;
    int m_readOpenError = 0;

    std::optional<HidCaps> m_caps;
    QString m_productText;
    QString m_serialText;

    HidDeviceHandlers m_handlers;

    std::unique_ptr<THidDeviceReadThread> m_reader;
};

}  // namespace kv
