#pragma once
// THidDeviceController: keeps a THidDevice for every HID interface present, follows
// plug-and-play changes, lets its owner claim devices, and runs their readers. It lives
// on the GUI thread; the platform and the error reporter must outlive it.

#include "device/hid/hid_device.h"
#include "device/hid/hid_hand_over_queue.h"
#include "device/hid/hid_platform.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace kv {

class ErrorReporter;

class THidDeviceController : public QObject {
    Q_OBJECT

public:
    using HidNotifyEvent = std::function<void(THidDeviceController& sender)>;

    // Posts the first device-change notification, so the first pass runs once the event
    // loop runs, after the owner is fully built. A device that cannot be opened or
    // identified during a pass is left out and its error goes to reporter after the pass,
    // once per appearance of the interface; one whose node is already gone is left out
    // silently. Exceptions raised by handlers run from the event loop go to reporter too.
    // A notification that comes during a pass runs one more pass after it.
    explicit THidDeviceController(HidPlatform& platform, ErrorReporter& reporter,
                                  QObject* parent = nullptr);
    // Stops the readers of claimed devices, marks those absent (calling their unplug
    // handlers) and destroys every device: pointers obtained from ClaimDevice die here.
    ~THidDeviceController() override;

    struct Handlers {
        // Raised after a pass that changed the list, and after the first pass in any case.
        HidNotifyEvent OnDeviceChange;
        // Raised during a pass for each new and each vanished device; the device is
        // accessible (its strings and caps can be read) during the call.
        THidPlugEvent OnArrival;
        THidPlugEvent OnRemoval;
        // New devices take these three.
        THidDataEvent OnDeviceData;
        THidDataErrorEvent OnDeviceDataError;
        THidPlugEvent OnDeviceUnplug;
    };
    const Handlers& handlers() const { return m_handlers; }
    // Replaces all six at once. A listed device that still has a device handler from the
    // controller takes the new one.
    void setHandlers(Handlers handlers);

    // The readWait of new devices, and of listed devices that still have the old value.
    int DevThreadSleepTime() const { return m_devThreadSleepTime; }
    void setDevThreadSleepTime(int ms);
    static QString Version() { return QStringLiteral("1.0.35"); }

    // One pass that brings the list up to date with the interfaces present.
    void DeviceChange();
    // Claims the unclaimed device with the lowest position; false when none is left.
    bool ClaimDevice(THidDevice*& device);
    // The claimer gives a claimed device back; the object is destroyed. A device still
    // present is replaced at the same position by a new unclaimed object with the same
    // handlers and readWait; an absent one leaves the list.
    void ReleaseDevice(THidDevice* device);

    int deviceCount() const { return int(m_devices.size()); }
    THidDevice* device(int index) const { return m_devices.at(size_t(index)).get(); }
    int claimedCount() const { return m_claimedCount; }
    int unclaimedCount() const { return m_unclaimedCount; }
    int absentCount() const { return m_absentCount; }
    bool busy() const { return m_busy; }
    qintptr notifyParam() const { return m_notifyParam; }

    HidPlatform& platform() const { return m_platform; }
    QString errorText(int errorCode) const { return m_platform.errorText(errorCode); }

    // For tests and tools that drive the controller without an event loop:
    // processHandOvers runs every hand-over readers have queued (what the event loop
    // would do) and returns how many ran; waitForHandOver blocks until a reader has
    // queued one, or timeoutMs passes, and tells whether one is queued.
    int processHandOvers() { return m_handOvers.drain(); }
    bool waitForHandOver(int timeoutMs) { return m_handOvers.waitForPending(timeoutMs); }

private:
    void notify(qintptr param);
    void recount();
    bool isListed(const THidDevice* device) const;
    void withEventAccess(THidDevice* device, const THidPlugEvent& event);
    // What each device is made with: this controller's platform, hand-over queue and
    // retired readers.
    HidDeviceOwner deviceOwner();
    std::unique_ptr<THidDevice> createDevice(const THidPnPInfo& info, HidDeviceHandlers handlers,
                                             int readWait, std::set<std::pair<quint32, QString>>& failed,
                                             std::vector<QString>& errors);
    void reportErrors(const std::vector<QString>& errors);
    void reapRetiredReaders(bool wait);

    HidPlatform& m_platform;
    ErrorReporter& m_reporter;
    HidHandOverQueue m_handOvers{m_reporter};
    std::vector<std::unique_ptr<THidDevice>> m_devices;
    std::vector<std::unique_ptr<THidDeviceReadThread>> m_retiredReaders;
    // Interfaces whose open or identification failed and was reported, so a broken
    // device is not reported again on every pass.
    std::set<std::pair<quint32, QString>> m_reportedFailures;

    Handlers m_handlers;
    int m_devThreadSleepTime = 100;

    bool m_busy = false;
    bool m_missedNotification = false;  // one came while a pass ran
    std::vector<QString> m_pendingErrors;  // found during a pass, shown after it
    bool m_destroying = false;
    qintptr m_notifyParam = 0;
    int m_claimedCount = 0;
    int m_unclaimedCount = 0;
    int m_absentCount = 0;
};

}  // namespace kv
