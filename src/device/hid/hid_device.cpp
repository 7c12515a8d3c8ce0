#include "device/hid/hid_device.h"

#include "device/hid/hid_controller_error.h"
#include "device/hid/hid_device_read_thread.h"
#include "device/hid/hid_hand_over_queue.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace kv {

namespace {

constexpr int kMaxStringUnits = 254;

// The text of a string request: up to the first NUL, at most 254 units, as the fixed
// request buffer allows.
QString requestText(const QString& raw)
{
    const qsizetype nul = raw.indexOf(QChar(u'\0'));
    return raw.left(std::min<qsizetype>(nul < 0 ? raw.size() : nul, kMaxStringUnits));
}

// A fixed request buffer of 254 units, pre-filled with fill, holding text.
std::vector<char16_t> requestBuffer(const QString& text, char16_t fill)
{
    std::vector<char16_t> units(kMaxStringUnits, fill);
    const qsizetype n = std::min<qsizetype>(text.size(), kMaxStringUnits);
    for (qsizetype i = 0; i < n; ++i)
        units[size_t(i)] = text.at(i).unicode();
    if (n < kMaxStringUnits)
        units[size_t(n)] = 0;
    return units;
}

}  // namespace

THidDevice::THidDevice(HidDeviceOwner owner, THidPnPInfo pnpInfo, HidDeviceHandlers handlers,
                       int readWait)
    : m_owner(std::move(owner)),
      m_platform(m_owner.platform),
      m_pnpInfo(std::move(pnpInfo)),
      m_readWait(readWait),
      m_handlers(std::move(handlers))
{
    int error = 0;
    m_controlHandle = m_platform.open(m_pnpInfo.path, HidAccess::ReadWrite, error);
    m_openedReadWrite = m_controlHandle != kInvalidHidHandle;
    if (!m_openedReadWrite)
        m_controlHandle = m_platform.open(m_pnpInfo.path, HidAccess::None, error);
    if (m_controlHandle == kInvalidHidHandle) {
        if (error == ENOENT || error == ENODEV)
            throw EDeviceGone(QStringLiteral("Device cannot be opened"));
        throw EControllerError(QStringLiteral("Device cannot be opened"));
    }
    const bool identified = m_platform.attributes(m_controlHandle, m_attributes);
    CloseControl();
    if (!identified)
        throw EControllerError(QStringLiteral("Device cannot be identified"));
}

THidDevice::~THidDevice()
{
    StopReader();
    CloseAll();
}

void THidDevice::CloseControl()
{
    if (m_controlHandle != kInvalidHidHandle)
        m_platform.close(m_controlHandle);
    m_controlHandle = kInvalidHidHandle;
    m_controlBufferCount = 0;
}

void THidDevice::CloseRead()
{
    std::lock_guard lock(m_readMutex);
    if (m_readHandle != kInvalidHidHandle)
        m_platform.close(m_readHandle);
    m_readHandle = kInvalidHidHandle;
    m_readBufferCount = 0;
}

void THidDevice::CloseAll()
{
    CloseControl();
    CloseRead();
}

bool THidDevice::OpenControl()
{
    if (accessible() && m_controlHandle == kInvalidHidHandle) {
        int error = 0;
        HidHandle handle = m_platform.open(m_pnpInfo.path, HidAccess::ReadWrite, error);
        m_openedReadWrite = handle != kInvalidHidHandle;
        if (!m_openedReadWrite) {
            // Why read-write was refused, also when the no-access fallback opens.
            m_controlOpenError = error;
            handle = m_platform.open(m_pnpInfo.path, HidAccess::None, error);
            if (handle == kInvalidHidHandle)
                m_controlOpenError = error;
        } else {
            m_controlOpenError = 0;
        }
        if (handle != kInvalidHidHandle) {
            m_controlHandle = handle;
            m_controlBufferCount = applyBufferCount(handle, m_controlBufferCount);
        }
    }
    return m_controlHandle != kInvalidHidHandle;
}

bool THidDevice::OpenRead()
{
    std::lock_guard lock(m_readMutex);
    if (accessible() && m_readHandle == kInvalidHidHandle) {
        int error = 0;
        const HidHandle handle = m_platform.open(m_pnpInfo.path, HidAccess::ReadOnly, error);
        m_readOpenError = error;
        if (handle != kInvalidHidHandle) {
            m_readHandle = handle;
            m_readBufferCount = applyBufferCount(handle, m_readBufferCount);
        }
    }
    return m_readHandle != kInvalidHidHandle;
}

void THidDevice::SetControlBufferCount(int n)
{
    if (n != m_controlBufferCount && OpenControl())
        m_controlBufferCount = applyBufferCount(m_controlHandle, n);
}

void THidDevice::SetReadBufferCount(int n)
{
    if (n == m_readBufferCount || !OpenRead())
        return;
    std::lock_guard lock(m_readMutex);
    if (m_readHandle == kInvalidHidHandle)
        return;
    m_readBufferCount = applyBufferCount(m_readHandle, n);
}

int THidDevice::applyBufferCount(HidHandle handle, int wanted)
{
    if (wanted != 0)
        m_platform.setInputBufferCount(handle, wanted);
    int count = 0;
    return m_platform.inputBufferCount(handle, count) ? count : 0;
}

HidCaps THidDevice::QueryCaps()
{
    if (!m_caps && OpenControl()) {
        HidCaps caps;
        if (m_platform.caps(m_controlHandle, caps))
            m_caps = caps;
        CloseControl();
    }
    return m_caps.value_or(HidCaps{});
}

QString THidDevice::ProductText()
{
    if (m_productText.isEmpty() && OpenControl()) {
        QString text;
        if (m_platform.productString(m_controlHandle, text))
            m_productText = requestText(text);
        CloseControl();
    }
    return m_productText;
}

QString THidDevice::SerialText()
{
    if (!m_serialText.isEmpty() || !OpenControl())
        return m_serialText;
    QString serial;
    if (m_platform.serialString(m_controlHandle, serial)) {
        QString languages;
        const bool gotLanguages = m_platform.indexedString(m_controlHandle, 0, languages);
        const std::vector<char16_t> l = requestBuffer(gotLanguages ? languages : QString(), 0xFFFF);
        std::vector<char16_t> b = requestBuffer(serial, 0);
        // Only the units the language request wrote take part in the comparison.
        int n = 0;
        if (gotLanguages) {
            for (int i = kMaxStringUnits - 1; i >= 0; --i) {
                if (l[size_t(i)] != 0xFFFF) {
                    n = i + (l[size_t(i)] != 0 ? 1 : 0);
                    break;
                }
            }
        }
        const bool differs = !std::equal(l.begin(), l.begin() + n, b.begin());
        if (n > 0 && differs)
            m_serialText = requestText(serial);
    }
    CloseControl();
    return m_serialText;
}

bool THidDevice::WriteReport(const quint8* buffer, qsizetype length, qsizetype& written)
{
    written = 0;
    // A control handle without read-write access is tried again on every write, so a
    // device that gets its access later (udev finishing with it, a rule installed) needs
    // no restart.
    const bool hadReadWrite = m_openedReadWrite;
    if (m_controlHandle != kInvalidHidHandle && !m_openedReadWrite) {
        const int count = m_controlBufferCount;
        CloseControl();
        m_controlBufferCount = count;
    }
    if (!OpenControl()) {
        m_lastWriteError = !m_present      ? ENODEV
                           : !accessible() ? EACCES
                                           : m_controlOpenError;
        return false;
    }
    if (!m_openedReadWrite) {
        // The reason read-write was refused, not what writing on the fallback would say.
        m_lastWriteError = m_controlOpenError != 0 ? m_controlOpenError : EACCES;
        return false;
    }
    int error = 0;
    const bool ok = m_platform.write(m_controlHandle, buffer, length, written, error);
    m_lastWriteError = ok ? 0 : error;
    // Listed without access, the device got no reader when it was claimed.
    if (!hadReadWrite)
        StartReader();
    return ok;
}

void THidDevice::SetReadWait(int ms)
{
    if (ms >= 10 && ms <= 10000)
        m_readWait = ms;
}

void THidDevice::MarkAbsent()
{
    CloseAll();
    m_present = false;
    // Cleared before the call, so a handler that reaches back here is not called twice.
    THidPlugEvent handler = std::move(m_handlers.unplug);
    m_handlers.unplug = nullptr;
    if (handler)
        handler(*this);
}

void THidDevice::SetDataHandler(THidDataEvent handler)
{
    if (!handler)
        StopReader();
    m_handlers.data = std::move(handler);
    m_handlers.dataFromController = false;
    StartReader();
}

void THidDevice::SetDataErrorHandler(THidDataErrorEvent handler)
{
    m_handlers.dataError = std::move(handler);
    m_handlers.dataErrorFromController = false;
}

void THidDevice::SetUnplugHandler(THidPlugEvent handler)
{
    m_handlers.unplug = std::move(handler);
    m_handlers.unplugFromController = false;
}

void THidDevice::FollowControllerHandlers(HidDeviceKey, const THidDataEvent& data,
                                          const THidDataErrorEvent& dataError,
                                          const THidPlugEvent& unplug)
{
    if (m_handlers.dataFromController) {
        if (!data)
            StopReader();
        m_handlers.data = data;
        StartReader();
    }
    if (m_handlers.dataErrorFromController)
        m_handlers.dataError = dataError;
    // An absent device has called its unplug event already.
    if (m_handlers.unplugFromController && m_present)
        m_handlers.unplug = unplug;
}

void THidDevice::Release(HidDeviceKey)
{
    SetDataHandler(nullptr);
    m_handlers.unplug = nullptr;
    CloseAll();
}

bool THidDevice::StartReader()
{
    if (m_handlers.data && m_present && m_claimed && m_openedReadWrite && !m_reader) {
        HidReadSource& source = *this;
        m_reader = std::make_unique<THidDeviceReadThread>(source, m_platform, m_owner.handOvers, m_pnpInfo.path,
                                                          QueryCaps().InputReportByteLength);
        m_reader->start();
    }
    return m_reader != nullptr;
}

void THidDevice::StopReader()
{
    if (!m_reader)
        return;
    m_reader->requestStop();
    HidHandOverQueue& queue = m_owner.handOvers;
    if (queue.isRunning(m_reader.get())) {
        // Stopped from inside its own hand-over: the reader can only end after this call
        // returns, so the controller waits for it later.
        m_owner.retireReader(std::move(m_reader));
        return;
    }
    const THidDeviceReadThread& reader = *m_reader;
    while (!reader.ended()) {
        queue.drain();
        queue.waitForPending(m_readWait, [&reader] { return reader.ended(); });
    }
    queue.drain();
    m_reader->wait();
    m_reader.reset();
}

int THidDevice::StartRead(quint8* buffer, int length, HidHandle& handle)
{
    if (!OpenRead()) {
        std::lock_guard lock(m_readMutex);
        return !m_present ? ENODEV : m_readOpenError != 0 ? m_readOpenError : EACCES;
    }
    {
        std::lock_guard lock(m_readMutex);
        handle = m_readHandle;
    }
    if (handle == kInvalidHidHandle)
        return ENODEV;
    return m_platform.startRead(handle, buffer, length);
}

void THidDevice::DeliverReport(const quint8* report, quint16 size)
{
    // A copy: the handler may release the device it is called for.
    const THidDataEvent handler = m_handlers.data;
    if (handler)
        handler(*this, report[0], report + 1, size);
}

void THidDevice::DeliverReadError(int error)
{
    const THidDataErrorEvent handler = m_handlers.dataError;
    if (handler)
        handler(*this, quint32(error));
}

}  // namespace kv
