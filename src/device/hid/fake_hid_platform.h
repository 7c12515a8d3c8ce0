#pragma once
// FakeHidPlatform: in-memory HID interfaces for tests, benchmarks and the demo program.
// Devices are plugged and unplugged at will (each plug-in is a new appearance with its
// own deviceInstance), input reports are queued for readers, every write that goes out
// is logged, failures can be injected, and a write hook lets a simulated instrument
// answer. Notifications are posted to this object's thread, as the real provider's
// come from the event loop, so they reach the controller on the GUI thread.
//
// All members are thread-safe.

#include "device/hid/hid_platform.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace kv {

struct FakeHidDeviceModel {
    HidAttributes attributes;
    // std::nullopt: the request fails.
    std::optional<QString> product;
    std::optional<QString> serial;
    // One language id per unit.
    std::optional<QString> languages = QString(QChar(0x0409));
    quint16 usagePage = 0xFF00;
    quint16 usage = 0x0001;
    // Report ID byte included.
    quint16 inputReportLength = 65;
    quint16 outputReportLength = 65;
};

// Failures injected into one interface; error values are errno codes.
struct FakeHidFailures {
    bool details = false;        // the scan cannot read the interface's details
    bool open = false;           // every open fails
    bool openReadWrite = false;  // read and write access is refused, no access still works
    bool attributes = false;
    int startRead = 0;           // startRead returns this code
    int read = 0;                // a pending read ends with Failed and this code
    int write = 0;               // write fails with this code
};

class FakeHidPlatform : public QObject, public HidPlatform {
    Q_OBJECT

public:
    // Called on the thread that writes, after the write is logged; it may queue input.
    using WriteHook = std::function<void(const QString& path, const QByteArray& report)>;

    explicit FakeHidPlatform(QObject* parent = nullptr);
    ~FakeHidPlatform() override;

    // Adds an interface and posts a notification; returns its path.
    QString plug(const FakeHidDeviceModel& model, const FakeHidFailures& failures = {});
    // Removes the interface: pending reads end Disconnected, later opens fail.
    void unplug(const QString& path);
    // Posts a notification without changing anything.
    void notifyDeviceChange();

    // Every device plugged from now on queues this many input reports, whatever a reader
    // asks for, as the kernel's hidraw queue does (64); 0 gives back the default.
    void setFixedInputQueueLength(int length) { m_fixedQueueLength = length; }

    void setFailures(const QString& path, const FakeHidFailures& failures);
    void setWriteHook(WriteHook hook);

    // Queues one input report (report ID in byte 0). When the queue is as long as the read
    // handle's input buffer count (32 until set), the oldest report is dropped, as a driver
    // does.
    void queueInput(const QString& path, const QByteArray& report);
    int droppedInputCount(const QString& path) const;
    int pendingInputCount(const QString& path) const;

    std::vector<QByteArray> writes(const QString& path) const;
    void clearWrites(const QString& path);
    int openHandleCount() const;
    std::optional<quint32> deviceInstance(const QString& path) const;

    std::vector<std::optional<THidPnPInfo>> scanInterfaces() override;
    HidHandle open(const QString& path, HidAccess access, int& error) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, HidAttributes& out) override;
    bool caps(HidHandle handle, HidCaps& out) override;
    bool productString(HidHandle handle, QString& out) override;
    bool serialString(HidHandle handle, QString& out) override;
    bool indexedString(HidHandle handle, int index, QString& out) override;
    bool setInputBufferCount(HidHandle handle, int count) override;
    bool inputBufferCount(HidHandle handle, int& count) override;
    int startRead(HidHandle handle, quint8* buffer, int length) override;
    HidReadResult waitRead(HidHandle handle, int timeoutMs) override;
    void cancelRead(HidHandle handle) override;
    bool write(HidHandle handle, const quint8* data, qsizetype length, qsizetype& written,
               int& error) override;
    QString errorText(int errorCode) override;
    void setDeviceChangeCallback(std::function<void()> callback) override;

private:
    struct Device {
        quint32 instance = 0;
        FakeHidDeviceModel model;
        FakeHidFailures failures;
        std::deque<QByteArray> input;
        int inputCapacity = 32;
        bool fixedCapacity = false;
        int dropped = 0;
        std::vector<QByteArray> writes;
    };
    struct Handle {
        QString path;
        HidAccess access = HidAccess::None;
        int bufferCount = 32;
        quint8* buffer = nullptr;
        int length = 0;
        bool reading = false;
        bool cancelled = false;
        bool dead = false;  // its device went away
    };

    std::atomic<int> m_fixedQueueLength = 0;

    void postNotification();
    // The device behind a handle, or nullptr for no handle or one whose device went away.
    Device* deviceOf(const Handle* handle);
    bool modelString(HidHandle handle, std::optional<QString> FakeHidDeviceModel::*text,
                     QString& out);
    Handle* handleOf(HidHandle handle);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<QString, Device> m_devices;  // by path, in plug order of their numbers
    std::vector<QString> m_order;
    std::map<HidHandle, Handle> m_handles;
    HidHandle m_nextHandle = 1;
    quint32 m_nextInstance = 1;
    int m_nextNumber = 0;
    WriteHook m_writeHook;
    std::function<void()> m_callback;  // this object's thread only
};

}  // namespace kv
