#include "device/hid/hid_device_controller.h"

#include "core/error_guard.h"
#include "device/hid/hid_controller_error.h"
#include "device/hid/hid_device_read_thread.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace kv {

THidDeviceController::THidDeviceController(HidPlatform& platform, ErrorReporter& reporter,
                                           QObject* parent)
    : QObject(parent), m_platform(platform), m_reporter(reporter)
{
    m_platform.setDeviceChangeCallback([this] { notify(0); });
    // -1 marks the first pass, which reports a change even when nothing is present.
    QMetaObject::invokeMethod(this, [this] { notify(-1); }, Qt::QueuedConnection);
}

THidDeviceController::~THidDeviceController()
{
    m_destroying = true;
    m_handlers.OnDeviceChange = nullptr;
    m_handlers.OnDeviceUnplug = nullptr;
    m_platform.setDeviceChangeCallback({});
    for (auto& device : m_devices) {
        if (device->claimed()) {
            device->StopReader();
            device->MarkAbsent();
        }
    }
    m_devices.clear();
    reapRetiredReaders(true);
}

void THidDeviceController::notify(qintptr param)
{
    if (m_destroying)
        return;
    // The system does not repeat a notification, and one that comes while a pass runs may
    // tell of a change the pass has already scanned past: it gets a pass of its own.
    if (m_busy) {
        m_missedNotification = true;
        return;
    }
    m_notifyParam = param;
    for (;;) {
        m_missedNotification = false;
        m_busy = true;
        runGuarded(m_reporter, [this] { DeviceChange(); });
        m_busy = false;
        // Error boxes run their own event loop: shown outside the pass, the notifications
        // that come meanwhile run passes of their own.
        reportErrors(std::exchange(m_pendingErrors, {}));
        if (!m_missedNotification || m_destroying)
            break;
        m_notifyParam = 0;
    }
}

bool THidDeviceController::isListed(const THidDevice* device) const
{
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [device](const auto& d) { return d.get() == device; });
}

void THidDeviceController::withEventAccess(THidDevice* device, const THidPlugEvent& event)
{
    // A copy: the handler may replace the controller's event while it runs.
    const THidPlugEvent handler = event;
    if (!handler)
        return;
    device->SetEventAccess({}, true);
    // The handler may also release the device, which destroys it.
    try {
        handler(*device);
    } catch (...) {
        if (isListed(device))
            device->SetEventAccess({}, false);
        throw;
    }
    if (isListed(device))
        device->SetEventAccess({}, false);
}

HidDeviceOwner THidDeviceController::deviceOwner()
{
    return {*this, m_platform, m_handOvers, [this](std::unique_ptr<THidDeviceReadThread> reader) {
                m_retiredReaders.push_back(std::move(reader));
            }};
}

std::unique_ptr<THidDevice> THidDeviceController::createDevice(
    const THidPnPInfo& info, HidDeviceHandlers handlers, int readWait,
    std::set<std::pair<quint32, QString>>& failed, std::vector<QString>& errors)
{
    try {
        return std::make_unique<THidDevice>(deviceOwner(), info, std::move(handlers), readWait);
    } catch (const EDeviceGone&) {
        return nullptr;  // unplugged since the scan; its removal is on its way
    } catch (const EControllerError& e) {
        const auto key = std::make_pair(info.deviceInstance, info.path);
        failed.insert(key);
        if (!m_reportedFailures.contains(key))
            errors.push_back(e.message());
        return nullptr;
    }
}

void THidDeviceController::reportErrors(const std::vector<QString>& errors)
{
    // During a pass they wait for its end (see notify).
    if (m_busy) {
        m_pendingErrors.insert(m_pendingErrors.end(), errors.begin(), errors.end());
        return;
    }
    for (const QString& message : errors)
        m_reporter.showError(message);
}

void THidDeviceController::DeviceChange()
{
    reapRetiredReaders(false);
    bool changed = m_notifyParam == -1;

    std::vector<THidPnPInfo> present;
    for (auto& entry : m_platform.scanInterfaces()) {
        if (entry)
            present.push_back(std::move(*entry));
    }
    const auto isPresent = [&present](quint32 instance) {
        return std::any_of(present.begin(), present.end(),
                           [instance](const THidPnPInfo& i) { return i.deviceInstance == instance; });
    };

    // Vanished devices, last to first. A claimed device already marked absent was
    // reported when it went. Handlers may release devices, so each is looked up again.
    std::vector<THidDevice*> vanished;
    for (auto it = m_devices.rbegin(); it != m_devices.rend(); ++it) {
        if ((*it)->present() && !isPresent((*it)->pnpInfo().deviceInstance))
            vanished.push_back(it->get());
    }
    for (THidDevice* device : vanished) {
        changed = true;
        if (!isListed(device))
            continue;
        device->MarkAbsent();
        if (isListed(device))
            withEventAccess(device, m_handlers.OnRemoval);
        if (isListed(device) && !device->claimed())
            std::erase_if(m_devices, [device](const auto& d) { return d.get() == device; });
    }

    // New interfaces, in scan order. A listed device is matched without being opened
    // again; only new ones are opened, and one that fails is left out of this pass.
    std::set<std::pair<quint32, QString>> failed;
    std::vector<QString> errors;
    for (const THidPnPInfo& info : present) {
        const bool listed = std::any_of(m_devices.begin(), m_devices.end(), [&info](const auto& d) {
            return d->present() && d->pnpInfo().deviceInstance == info.deviceInstance;
        });
        if (listed)
            continue;
        std::unique_ptr<THidDevice> device = createDevice(
            info,
            HidDeviceHandlers::forNewDevice(m_handlers.OnDeviceData, m_handlers.OnDeviceDataError,
                                            m_handlers.OnDeviceUnplug),
            m_devThreadSleepTime, failed, errors);
        if (!device)
            continue;
        THidDevice* added = device.get();
        m_devices.push_back(std::move(device));
        changed = true;
        withEventAccess(added, m_handlers.OnArrival);
    }
    m_reportedFailures = std::move(failed);

    recount();
    if (changed && m_handlers.OnDeviceChange)
        m_handlers.OnDeviceChange(*this);
    reportErrors(errors);
}

void THidDeviceController::recount()
{
    int claimed = 0;
    int absent = 0;
    for (const auto& device : m_devices) {
        claimed += device->claimed() ? 1 : 0;
        absent += device->present() ? 0 : 1;
    }
    m_unclaimedCount = deviceCount() - claimed;
    m_absentCount = absent;
    m_claimedCount = claimed - absent;
}

bool THidDeviceController::ClaimDevice(THidDevice*& device)
{
    reapRetiredReaders(false);
    device = nullptr;
    for (const auto& candidate : m_devices) {
        if (!candidate->claimed()) {
            device = candidate.get();
            break;
        }
    }
    if (!device)
        return false;
    device->SetClaimed({}, true);
    recount();
    device->StartReader();
    return true;
}

void THidDeviceController::ReleaseDevice(THidDevice* device)
{
    reapRetiredReaders(false);
    const auto it = std::find_if(m_devices.begin(), m_devices.end(),
                                 [device](const auto& d) { return d.get() == device; });
    if (!device || it == m_devices.end() || !device->claimed())
        return;

    HidDeviceHandlers handlers = device->handlers();
    device->Release({});

    // The handlers above may have let the list change; find the device again.
    const auto pos = std::find_if(m_devices.begin(), m_devices.end(),
                                  [device](const auto& d) { return d.get() == device; });
    if (pos == m_devices.end())
        return;
    if (!device->present()) {
        m_devices.erase(pos);
        recount();
        return;
    }
    std::set<std::pair<quint32, QString>> failed = m_reportedFailures;
    std::vector<QString> errors;
    std::unique_ptr<THidDevice> fresh =
        createDevice(device->pnpInfo(), std::move(handlers), device->readWait(), failed, errors);
    if (fresh) {
        *pos = std::move(fresh);
    } else {
        // Left out until a later pass finds it again.
        m_devices.erase(pos);
        m_reportedFailures = std::move(failed);
    }
    recount();
    reportErrors(errors);
}

void THidDeviceController::setHandlers(Handlers handlers)
{
    for (const auto& device : m_devices)
        device->FollowControllerHandlers({}, handlers.OnDeviceData, handlers.OnDeviceDataError,
                                         handlers.OnDeviceUnplug);
    m_handlers = std::move(handlers);
}

void THidDeviceController::setDevThreadSleepTime(int ms)
{
    for (const auto& device : m_devices) {
        if (device->readWait() == m_devThreadSleepTime)
            device->SetReadWait(ms);
    }
    m_devThreadSleepTime = ms;
}

void THidDeviceController::reapRetiredReaders(bool wait)
{
    std::erase_if(m_retiredReaders, [wait](const std::unique_ptr<THidDeviceReadThread>& reader) {
        if (!wait && !reader->ended())
            return false;
        reader->wait();
        return true;
    });
}

}  // namespace kv
