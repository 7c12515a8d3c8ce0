#pragma once
// The virtual КВ-4410 as a device of the fake HID provider: vendor 04D8, product 003F,
// 65-byte reports. It answers each poll with a measurement of its sample, now and then
// sends a resistor report, and keeps the bytes written to its memory. Lives on the GUI
// thread, where the program writes its commands.

#include "instrument_model.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

namespace kv {

class FakeHidPlatform;

class VirtualInstrument : public QObject {
    Q_OBJECT

public:
    static constexpr int kResistorIntervalMs = 7000;

    // seed makes the noise repeatable in tests.
    explicit VirtualInstrument(FakeHidPlatform& platform, std::uint32_t seed = 4410,
                               QObject* parent = nullptr);
    ~VirtualInstrument() override;

    void plug();
    void unplug();
    bool plugged() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }

    InstrumentModel& model() { return m_model; }
    const InstrumentModel& model() const { return m_model; }

    // Sends one resistor report now (the timer does it every kResistorIntervalMs).
    void sendResistorReport();
    QTimer* resistorTimer() const { return m_resistorTimer; }

    // Called after a write changed the instrument's memory, and after plug and unplug.
    std::function<void()> onChanged;

private:
    void handleWrite(const QString& path, const QByteArray& report);
    void changed();

    FakeHidPlatform& m_platform;
    InstrumentModel m_model;
    QString m_path;
    QTimer* m_resistorTimer = nullptr;
};

}  // namespace kv
