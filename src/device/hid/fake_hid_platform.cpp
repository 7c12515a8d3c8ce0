#include "device/hid/fake_hid_platform.h"

#include "core/errors.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace kv {

FakeHidPlatform::FakeHidPlatform(QObject* parent) : QObject(parent) {}

FakeHidPlatform::~FakeHidPlatform() = default;

void FakeHidPlatform::postNotification()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_callback)
                m_callback();
        },
        Qt::QueuedConnection);
}

QString FakeHidPlatform::plug(const FakeHidDeviceModel& model, const FakeHidFailures& failures)
{
    QString path;
    {
        std::lock_guard lock(m_mutex);
        path = QStringLiteral("/dev/fake-hidraw%1").arg(m_nextNumber++);
        Device& device = m_devices[path];
        device.instance = m_nextInstance++;
        device.model = model;
        device.failures = failures;
        if (const int fixed = m_fixedQueueLength; fixed > 0) {
            device.inputCapacity = fixed;
            device.fixedCapacity = true;
        }
        m_order.push_back(path);
    }
    postNotification();
    return path;
}

void FakeHidPlatform::unplug(const QString& path)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_devices.erase(path) == 0)
            return;
        std::erase(m_order, path);
        for (auto& [id, handle] : m_handles) {
            if (handle.path == path)
                handle.dead = true;
        }
    }
    m_changed.notify_all();
    postNotification();
}

void FakeHidPlatform::notifyDeviceChange()
{
    postNotification();
}

void FakeHidPlatform::setFailures(const QString& path, const FakeHidFailures& failures)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_devices.find(path);
        if (it != m_devices.end())
            it->second.failures = failures;
    }
    m_changed.notify_all();
}

void FakeHidPlatform::setWriteHook(WriteHook hook)
{
    std::lock_guard lock(m_mutex);
    m_writeHook = std::move(hook);
}

void FakeHidPlatform::queueInput(const QString& path, const QByteArray& report)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_devices.find(path);
        if (it == m_devices.end())
            return;
        Device& device = it->second;
        device.input.push_back(report);
        while (int(device.input.size()) > std::max(device.inputCapacity, 1)) {
            device.input.pop_front();
            ++device.dropped;
        }
    }
    m_changed.notify_all();
}

int FakeHidPlatform::droppedInputCount(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second.dropped;
}

int FakeHidPlatform::pendingInputCount(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : int(it->second.input.size());
}

std::vector<QByteArray> FakeHidPlatform::writes(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    return it == m_devices.end() ? std::vector<QByteArray>{} : it->second.writes;
}

void FakeHidPlatform::clearWrites(const QString& path)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    if (it != m_devices.end())
        it->second.writes.clear();
}

int FakeHidPlatform::openHandleCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_handles.size());
}

std::optional<quint32> FakeHidPlatform::deviceInstance(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    return it == m_devices.end() ? std::nullopt : std::optional<quint32>(it->second.instance);
}

FakeHidPlatform::Device* FakeHidPlatform::deviceOf(const Handle* handle)
{
    if (!handle || handle->dead)
        return nullptr;
    const auto it = m_devices.find(handle->path);
    return it == m_devices.end() ? nullptr : &it->second;
}

FakeHidPlatform::Handle* FakeHidPlatform::handleOf(HidHandle handle)
{
    const auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : &it->second;
}

std::vector<std::optional<THidPnPInfo>> FakeHidPlatform::scanInterfaces()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::optional<THidPnPInfo>> result;
    for (const QString& path : m_order) {
        const Device& device = m_devices.at(path);
        if (device.failures.details)
            result.emplace_back(std::nullopt);
        else
            result.emplace_back(THidPnPInfo{device.instance, path});
    }
    return result;
}

HidHandle FakeHidPlatform::open(const QString& path, HidAccess access, int& error)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(path);
    if (it == m_devices.end()) {
        error = ENOENT;
        return kInvalidHidHandle;
    }
    const FakeHidFailures& failures = it->second.failures;
    if (failures.open || (failures.openReadWrite && access != HidAccess::None)) {
        error = EACCES;
        return kInvalidHidHandle;
    }
    const HidHandle id = m_nextHandle++;
    Handle& handle = m_handles[id];
    handle.path = path;
    handle.access = access;
    return id;
}

void FakeHidPlatform::close(HidHandle handle)
{
    {
        std::lock_guard lock(m_mutex);
        m_handles.erase(handle);
    }
    m_changed.notify_all();
}

bool FakeHidPlatform::attributes(HidHandle handle, HidAttributes& out)
{
    std::lock_guard lock(m_mutex);
    const Device* device = deviceOf(handleOf(handle));
    if (!device || device->failures.attributes)
        return false;
    out = device->model.attributes;
    return true;
}

bool FakeHidPlatform::caps(HidHandle handle, HidCaps& out)
{
    std::lock_guard lock(m_mutex);
    const Device* device = deviceOf(handleOf(handle));
    if (!device)
        return false;
    out = HidCaps{device->model.usage, device->model.usagePage, device->model.inputReportLength,
                  device->model.outputReportLength, 0};
    return true;
}

bool FakeHidPlatform::modelString(HidHandle handle,
                                  std::optional<QString> FakeHidDeviceModel::*text, QString& out)
{
    std::lock_guard lock(m_mutex);
    const Device* device = deviceOf(handleOf(handle));
    if (!device || !(device->model.*text))
        return false;
    out = *(device->model.*text);
    return true;
}

bool FakeHidPlatform::productString(HidHandle handle, QString& out)
{
    return modelString(handle, &FakeHidDeviceModel::product, out);
}

bool FakeHidPlatform::serialString(HidHandle handle, QString& out)
{
    return modelString(handle, &FakeHidDeviceModel::serial, out);
}

bool FakeHidPlatform::indexedString(HidHandle handle, int index, QString& out)
{
    return index == 0 && modelString(handle, &FakeHidDeviceModel::languages, out);
}

bool FakeHidPlatform::setInputBufferCount(HidHandle handle, int count)
{
    std::lock_guard lock(m_mutex);
    Handle* h = handleOf(handle);
    Device* device = deviceOf(h);
    if (!device || count < 2 || count > 512 || device->fixedCapacity)
        return false;
    h->bufferCount = count;
    if (h->access == HidAccess::ReadOnly)
        device->inputCapacity = count;
    return true;
}

bool FakeHidPlatform::inputBufferCount(HidHandle handle, int& count)
{
    std::lock_guard lock(m_mutex);
    Handle* h = handleOf(handle);
    const Device* device = deviceOf(h);
    if (!device)
        return false;
    count = device->fixedCapacity ? device->inputCapacity : h->bufferCount;
    return true;
}

int FakeHidPlatform::startRead(HidHandle handle, quint8* buffer, int length)
{
    std::lock_guard lock(m_mutex);
    Handle* h = handleOf(handle);
    if (!h || h->access == HidAccess::None)
        return EBADF;
    Device* device = deviceOf(h);
    if (!device)
        return ENODEV;
    if (device->failures.startRead != 0)
        return device->failures.startRead;
    if (!buffer || length <= 0)
        return EINVAL;
    if (h->reading)
        return EBUSY;
    h->buffer = buffer;
    h->length = length;
    h->reading = true;
    h->cancelled = false;
    return 0;
}

HidReadResult FakeHidPlatform::waitRead(HidHandle handle, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    for (;;) {
        Handle* h = handleOf(handle);
        if (!h || !h->reading || h->cancelled) {
            if (h)
                h->reading = false;
            return {HidReadStatus::Aborted, 0, 0};
        }
        Device* device = deviceOf(h);
        if (!device) {
            h->reading = false;
            return {HidReadStatus::Disconnected, 0, ENODEV};
        }
        if (device->failures.read != 0) {
            h->reading = false;
            return {HidReadStatus::Failed, 0, device->failures.read};
        }
        if (!device->input.empty()) {
            const QByteArray report = std::move(device->input.front());
            device->input.pop_front();
            const int n = std::min(int(report.size()), h->length);
            std::memcpy(h->buffer, report.constData(), size_t(n));
            h->reading = false;
            return {HidReadStatus::Completed, n, 0};
        }
        if (timedOut)
            return {HidReadStatus::TimedOut, 0, 0};
        timedOut = m_changed.wait_until(lock, deadline) == std::cv_status::timeout;
    }
}

void FakeHidPlatform::cancelRead(HidHandle handle)
{
    {
        std::lock_guard lock(m_mutex);
        if (Handle* h = handleOf(handle)) {
            h->cancelled = h->reading;
            h->reading = false;
        }
    }
    m_changed.notify_all();
}

bool FakeHidPlatform::write(HidHandle handle, const quint8* data, qsizetype length,
                            qsizetype& written, int& error)
{
    written = 0;
    QString path;
    QByteArray report;
    WriteHook hook;
    {
        std::lock_guard lock(m_mutex);
        Handle* h = handleOf(handle);
        if (!h || h->access != HidAccess::ReadWrite) {
            error = EBADF;
            return false;
        }
        Device* device = deviceOf(h);
        if (!device) {
            error = ENODEV;
            return false;
        }
        if (device->failures.write != 0) {
            error = device->failures.write;
            return false;
        }
        // Like a HID driver, accept exactly one output report.
        if (length != device->model.outputReportLength || !data) {
            error = EINVAL;
            return false;
        }
        report = QByteArray(reinterpret_cast<const char*>(data), length);
        device->writes.push_back(report);
        written = length;
        path = h->path;
        hook = m_writeHook;
    }
    if (hook)
        hook(path, report);
    return true;
}

QString FakeHidPlatform::errorText(int errorCode)
{
    return systemErrorText(errorCode);
}

void FakeHidPlatform::setDeviceChangeCallback(std::function<void()> callback)
{
    m_callback = std::move(callback);
}

}  // namespace kv
