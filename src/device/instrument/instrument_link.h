#pragma once
// InstrumentLink: the instrument protocol as the program speaks it. It holds every HID
// device claimed between device changes, takes the last one with the instrument's vendor
// and product as the current device, confirms the connection on its Timer1, polls on its
// Getdata, writes commands and announces what each input report says. Everything runs
// on the GUI thread; the signals are emitted from inside the reader's hand-over, so a
// receiver has shown the report before the reader reads the next one.

#include "device/instrument/report_codec.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

class QTimer;

namespace kv {

class ErrorReporter;
class THidDevice;
class THidDeviceController;

struct DeviceEntry {
    THidDevice* device = nullptr;  // claimed; given back to the controller on each change
    QString name;
};

class InstrumentLink : public QObject {
    Q_OBJECT

public:
    static constexpr int kInputBufferCount = 128;
    static constexpr int kConnectIntervalMs = 500;
    static constexpr int kPollIntervalMs = 1000;

    // Takes over the controller's device-change and unplug handlers. errors: where a
    // failure inside a timer's handler is shown. The timers start with start().
    InstrumentLink(THidDeviceController& hid, ErrorReporter& errors, QObject* parent = nullptr);
    ~InstrumentLink() override;

    // Both timers on, as when the main window has been created; stop() at close.
    void start();
    void stop();

    void hidDeviceChange();
    void hidDeviceUnplug(THidDevice& device);
    void hidDeviceData(THidDevice& device, std::uint8_t reportId, const std::uint8_t* data,
                       std::uint16_t size);
    void Timer1Timer();
    void GetdataTimer();

    // Writes one output report to the current device; with none, the status reads
    // "Нет подключения" and nothing is written. A failed write shows its error text.
    void SendCommand(const CommandBytes& command);
    void writeInstrumentByte(std::uint8_t address, std::uint8_t value);
    // Writes the correction (a, b) into the instrument's memory and makes it take it: the
    // eleven commands go out with Getdata off, so no poll comes between them; Getdata is
    // on afterwards whether or not it was before.
    void writeSystemCorrection(double a, double b);

    const std::vector<DeviceEntry>& deviceList() const { return m_deviceList; }
    THidDevice* currentDevice() const { return m_currentDevice; }
    QTimer& timer1() const { return *m_timer1; }    // "Timer1", 500 ms
    QTimer& getdata() const { return *m_getdata; }  // "Getdata", 1000 ms

    static QString displayName(THidDevice& device);

signals:
    // Status panel 0: "Нет подключения", the device's name or a write error.
    void linkStatusChanged(const QString& text);
    // Status panels 2 and 3: the resistor positions.
    void resistorsChanged(const QString& panel2, const QString& panel3);
    // One line of the trace memo per input report of the current device.
    void traceLine(const QString& line);
    // A measurement report's period count.
    void measurement(std::uint16_t periodCount);
    // The current device went, or another instrument became current: what it measured
    // before is no longer the instrument's present reading.
    void instrumentChanged();

private:
    void detachCurrent();

    THidDeviceController& m_hid;
    ErrorReporter& m_errors;
    QTimer* m_timer1 = nullptr;
    QTimer* m_getdata = nullptr;
    std::vector<DeviceEntry> m_deviceList;
    THidDevice* m_currentDevice = nullptr;
};

}  // namespace kv
