#include "virtual_instrument.h"

#include "device/hid/fake_hid_platform.h"
#include "device/instrument/report_codec.h"

#include <QTimer>

namespace kv {

VirtualInstrument::VirtualInstrument(FakeHidPlatform& platform, std::uint32_t seed,
                                     QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_model(seed)
    , m_resistorTimer(new QTimer(this))
{
    m_resistorTimer->setInterval(kResistorIntervalMs);
    connect(m_resistorTimer, &QTimer::timeout, this, &VirtualInstrument::sendResistorReport);
    m_platform.setWriteHook([this](const QString& path, const QByteArray& report) {
        handleWrite(path, report);
    });
}

VirtualInstrument::~VirtualInstrument()
{
    m_platform.setWriteHook(nullptr);
}

void VirtualInstrument::plug()
{
    if (plugged())
        return;
    FakeHidDeviceModel device;
    device.attributes = {kInstrumentVendorId, kInstrumentProductId, 0x0102};
    device.product = QStringLiteral("КВ-4410 (виртуальный)");
    device.serial = std::nullopt;
    device.inputReportLength = InstrumentModel::kReportLength;
    device.outputReportLength = InstrumentModel::kReportLength;
    m_path = m_platform.plug(device);
    m_resistorTimer->start();
    changed();
}

void VirtualInstrument::unplug()
{
    if (!plugged())
        return;
    m_resistorTimer->stop();
    m_platform.unplug(m_path);
    m_path.clear();
    changed();
}

void VirtualInstrument::sendResistorReport()
{
    if (plugged())
        m_platform.queueInput(m_path, m_model.resistorReport());
}

void VirtualInstrument::handleWrite(const QString& path, const QByteArray& report)
{
    if (path != m_path)
        return;
    const bool memoryWrite = report.size() > 2 && quint8(report[2]) == 0x09;
    if (const auto answer = m_model.handleOutputReport(report))
        m_platform.queueInput(path, *answer);
    if (memoryWrite)
        changed();
}

void VirtualInstrument::changed()
{
    if (onChanged)
        onChanged();
}

}  // namespace kv
