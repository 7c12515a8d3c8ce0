#include "device/instrument/instrument_link.h"

#include "core/error_guard.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_device_controller.h"

#include <QTimer>

#include <optional>
#include <span>

namespace kv {

namespace {

const QString& noConnectionText()
{
    static const QString text = QStringLiteral("Нет подключения");
    return text;
}

bool isInstrument(const THidDevice& device)
{
    return device.attributes().VendorID == kInstrumentVendorId
        && device.attributes().ProductID == kInstrumentProductId;
}

// Enabling a timer that runs already must not restart its interval.
void enable(QTimer& timer)
{
    if (!timer.isActive())
        timer.start();
}

}  // namespace

InstrumentLink::InstrumentLink(THidDeviceController& hid, ErrorReporter& errors, QObject* parent)
    : QObject(parent)
    , m_hid(hid)
    , m_errors(errors)
    , m_timer1(new QTimer(this))
    , m_getdata(new QTimer(this))
{
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kConnectIntervalMs);
    connect(m_timer1, &QTimer::timeout, this, guardedSlot(m_errors, this, &InstrumentLink::Timer1Timer));
    m_getdata->setObjectName(QStringLiteral("Getdata"));
    m_getdata->setInterval(kPollIntervalMs);
    connect(m_getdata, &QTimer::timeout, this, guardedSlot(m_errors, this, &InstrumentLink::GetdataTimer));
    THidDeviceController::Handlers handlers;
    handlers.OnDeviceChange = [this](THidDeviceController&) { hidDeviceChange(); };
    handlers.OnDeviceUnplug = [this](THidDevice& device) { hidDeviceUnplug(device); };
    m_hid.setHandlers(std::move(handlers));
}

InstrumentLink::~InstrumentLink()
{
    m_hid.setHandlers({});
    detachCurrent();
    for (const DeviceEntry& entry : m_deviceList)
        m_hid.ReleaseDevice(entry.device);
}

void InstrumentLink::start()
{
    m_timer1->start();
    m_getdata->start();
}

void InstrumentLink::stop()
{
    m_getdata->stop();
    m_timer1->stop();
}

QString InstrumentLink::displayName(THidDevice& device)
{
    return DeviceDisplayName(device.ProductText(), device.attributes().VendorID,
                             device.attributes().ProductID, device.SerialText());
}

void InstrumentLink::detachCurrent()
{
    // Stopping the reader may still run its queued hand-overs: those reports are traced
    // and shown like any other.
    if (m_currentDevice) {
        m_currentDevice->SetDataHandler(nullptr);
        m_currentDevice = nullptr;
    }
}

void InstrumentLink::hidDeviceChange()
{
    const auto instanceOf = [](const THidDevice* device) {
        return device ? std::optional(device->pnpInfo().deviceInstance) : std::nullopt;
    };
    const std::optional<quint32> before = instanceOf(m_currentDevice);
    detachCurrent();
    std::vector<DeviceEntry> previous;
    previous.swap(m_deviceList);
    for (const DeviceEntry& entry : previous)
        m_hid.ReleaseDevice(entry.device);

    THidDevice* device = nullptr;
    while (m_hid.ClaimDevice(device)) {
        m_deviceList.push_back({device, displayName(*device)});
        device->SetControlBufferCount(kInputBufferCount);
        device->SetReadBufferCount(kInputBufferCount);
        if (isInstrument(*device)) {
            detachCurrent();
            device->SetDataHandler([this](THidDevice& dev, quint8 reportId, const quint8* data,
                                          quint16 size) { hidDeviceData(dev, reportId, data, size); });
            m_currentDevice = device;
            enable(*m_timer1);
        }
    }
    // Another device coming or going leaves the instrument as it was.
    if (instanceOf(m_currentDevice) != before)
        emit instrumentChanged();
}

void InstrumentLink::hidDeviceUnplug(THidDevice& /*device*/)
{
}

void InstrumentLink::hidDeviceData(THidDevice& /*device*/, std::uint8_t reportId,
                                   const std::uint8_t* data, std::uint16_t size)
{
    const std::span<const std::uint8_t> payload(data, size);
    emit traceLine(TraceLine(reportId, payload));
    const DecodedReport report = DecodeReport(reportId, payload);
    if (const auto* resistors = std::get_if<ResistorReport>(&report))
        emit resistorsChanged(QString::number(resistors->resistor1),
                              QString::number(resistors->resistor2));
    else if (const auto* reading = std::get_if<MeasurementReport>(&report))
        emit measurement(reading->periodCount);
}

void InstrumentLink::Timer1Timer()
{
    if (!m_currentDevice) {
        m_getdata->stop();
        emit linkStatusChanged(noConnectionText());
        return;
    }
    if (!m_currentDevice->present())
        return;
    emit linkStatusChanged(displayName(*m_currentDevice));
    enable(*m_getdata);
    m_timer1->stop();
    SendCommand(connectCommand());
}

void InstrumentLink::GetdataTimer()
{
    SendCommand(pollCommand());
}

void InstrumentLink::SendCommand(const CommandBytes& command)
{
    if (!m_currentDevice) {
        emit linkStatusChanged(noConnectionText());
        return;
    }
    const int length = m_currentDevice->QueryCaps().OutputReportByteLength;
    const QByteArray report = EncodeCommand(command, length);
    qsizetype written = 0;
    if (!m_currentDevice->WriteReport(reinterpret_cast<const quint8*>(report.constData()),
                                      report.size(), written))
        emit linkStatusChanged(WriteErrorText(written, m_currentDevice->lastWriteError()));
}

void InstrumentLink::writeInstrumentByte(std::uint8_t address, std::uint8_t value)
{
    SendCommand(writeByteCommand(address, value));
}

void InstrumentLink::writeSystemCorrection(double a, double b)
{
    m_getdata->stop();
    for (const CommandBytes& command : systemCorrectionCommands(a, b))
        SendCommand(command);
    m_getdata->start();
}

}  // namespace kv
