#pragma once
// LinuxHidPlatform: HID interfaces as the kernel's hidraw nodes. libudev lists them and
// reports hot-plug; attributes and strings come from udev without opening the node, so a
// node the user may not open still lists; reads, writes and the report descriptor go
// through the node. Without udev (or without hidraw) it lists no devices and sends no
// notifications.

#include "device/hid/hid_platform.h"

#include <QObject>

#include <memory>

namespace kv {

class LinuxHidPlatform : public QObject, public HidPlatform {
    Q_OBJECT

public:
    // Must be created on the GUI thread: hot-plug notifications are delivered there.
    explicit LinuxHidPlatform(QObject* parent = nullptr);
    ~LinuxHidPlatform() override;

    // Whether hot-plug notifications can arrive.
    bool monitoring() const;

    std::vector<std::optional<THidPnPInfo>> scanInterfaces() override;
    HidHandle open(const QString& path, HidAccess access, int& error) override;
    void close(HidHandle handle) override;
    bool attributes(HidHandle handle, HidAttributes& out) override;
    bool caps(HidHandle handle, HidCaps& out) override;
    bool productString(HidHandle handle, QString& out) override;
    bool serialString(HidHandle handle, QString& out) override;
    bool indexedString(HidHandle handle, int index, QString& out) override;
    // hidraw keeps a fixed queue of 64 reports per open node: setting fails, reading
    // gives 64.
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
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace kv
