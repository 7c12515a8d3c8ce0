#pragma once
// InstrumentLink: the instrument protocol as the main window speaks it. It holds every
// HID device claimed between device changes, takes the last one with the instrument's
// vendor and product as the current device, confirms the connection on Timer1, polls on
// Getdata, writes commands and routes each input report to the trace, the status panels
// and the reading conversion. Everything runs on the GUI thread.

#include "device/instrument/report_codec.h"

#include <QString>

#include <cstdint>
#include <vector>

class QTimer;

namespace kv {

class THidDevice;
class THidDeviceController;

// Where the link shows what it learns; the main window implements it.
class InstrumentLinkView {
public:
    virtual ~InstrumentLinkView() = default;
    // Status panel 0: the link state, the device name or a write error.
    virtual void SetLinkStatus(const QString& text) = 0;
    // Status panels 2 and 3: the resistor positions.
    virtual void showResistors(const QString& panel2, const QString& panel3) = 0;
    // One line of the trace memo per input report of the current device.
    virtual void appendTrace(const QString& line) = 0;
    // A measurement report: convert the count and show it.
    virtual void showMeasurement(std::uint16_t periodCount) = 0;
};

struct DeviceEntry {
    THidDevice* device = nullptr;  // claimed; given back to the controller on each change
    QString name;
};

class InstrumentLink {
public:
    static constexpr int kInputBufferCount = 128;

    // timer1 (500 ms) confirms the connection, getdata (1000 ms) polls; both belong to the
    // main window. The link takes over the controller's OnDeviceChange and OnDeviceUnplug.
    InstrumentLink(THidDeviceController& hid, InstrumentLinkView& view, QTimer& timer1,
                   QTimer& getdata);
    ~InstrumentLink();
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    void hidDeviceChange();
    void hidDeviceUnplug(THidDevice& device);
    void hidDeviceData(THidDevice& device, std::uint8_t reportId, const std::uint8_t* data,
                       std::uint16_t size);
    void Timer1Timer();
    void GetdataTimer();

    // Writes one output report to the current device; with none, panel 0 reads
    // "Нет подключения" and nothing is written. A failed write shows its error text.
    void SendCommand(const CommandBytes& command);
    void writeInstrumentByte(std::uint8_t address, std::uint8_t value);

    const std::vector<DeviceEntry>& deviceList() const { return m_deviceList; }
    THidDevice* currentDevice() const { return m_currentDevice; }

    static QString displayName(THidDevice& device);

private:
    void detachCurrent();

    THidDeviceController& m_hid;
    InstrumentLinkView& m_view;
    QTimer& m_timer1;
    QTimer& m_getdata;
    std::vector<DeviceEntry> m_deviceList;
    THidDevice* m_currentDevice = nullptr;
};

}  // namespace kv
