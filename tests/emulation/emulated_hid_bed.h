#pragma once
// An emulated hidraw world for the tests of the Linux provider: a sysfs and udev testbed
// that libudev reads, /dev nodes backed by pseudo-terminals, and uevents on demand. The
// test process must run with libumockdev-preload (see run-emulated). Each node answers
// the hidraw ioctls from its report descriptor; reads and writes go through the
// pseudo-terminal, so poll() behaves as on a real node. A device may carry an answerer
// that replies to what the program writes, as the instrument does.
//
// The process keeps root's uid but loses its power to override file permissions, so a
// node made unreadable behaves as it does for an ordinary user.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;

namespace kv::test {

struct EmulatedDeviceModel {
    // The device's sysfs and udev tree as umockdev-record writes it (tests/data/emulation).
    // Its hidraw node is the first device; its number is the recording's. No "N:" line:
    // the node is a pseudo-terminal of the bed's own, as umockdev's outlives the device.
    QString recording;
    std::optional<QString> serial;  // given to the recorded device (USB serial, HID_UNIQ)
    bool usesReportIds = false;     // what the kernel then does with the ID byte
    bool accessible = true;         // whether the node may be opened
};

// The КВ-4410 on USB (hidraw0): vendor page, 64-byte input and output reports, no report IDs.
EmulatedDeviceModel emulatedInstrument(std::optional<QString> serial = std::nullopt);
// A device off USB (hidraw1) with numbered reports: input report 1 and output report 2,
// 8 bytes each.
EmulatedDeviceModel numberedReportDevice();
// The same device whose hid device carries no HID_ID: nobody can identify it.
EmulatedDeviceModel unidentifiedDevice();

class EmulatedHidBed;

class EmulatedHidDevice {
public:
    ~EmulatedHidDevice();
    // Called on the emulation's worker thread with each report written to the node, as
    // the device receives it (report ID stripped for a device without IDs); it may answer
    // with queueInput.
    using Answerer = std::function<void(EmulatedHidDevice& device, const QByteArray& report)>;

    const QString& devnode() const { return m_devnode; }
    const QString& syspath() const { return m_syspath; }
    const EmulatedDeviceModel& model() const { return m_model; }

    // Makes one input report readable on the node: for a device without report IDs the
    // report without ID byte, as hidraw hands it out.
    void queueInput(const QByteArray& report);
    void setAnswerer(Answerer answerer);
    // Every report written to the node so far, as the device received it.
    std::vector<QByteArray> written() const;
    int writeCount() const;

    // The node's file mode: what the udev rule's access decides.
    void setAccessible(bool accessible);
    // The node vanishes from /dev while udev still lists the device (a fast unplug seen
    // between the scan and the open).
    void removeNodeOnly();

private:
    friend class EmulatedHidBed;
    struct Ioctl;

    EmulatedHidBed* m_bed = nullptr;
    EmulatedDeviceModel m_model;
    QString m_devnode;
    QString m_syspath;       // the hidraw device
    std::vector<QString> m_sysfsTree;  // the node and its parents, child first
    QString m_ptsPath;       // the pseudo-terminal behind the node
    // What the node answers, read from the recording.
    QByteArray m_reportDescriptor;
    quint16 m_vendorId = 0;
    quint16 m_productId = 0;
    QByteArray m_hidName;
    int m_master = -1;
    _UMockdevIoctlBase* m_handler = nullptr;
    mutable std::mutex m_mutex;
    std::vector<QByteArray> m_written;
    Answerer m_answerer;
    bool m_hungUp = false;
};

class EmulatedHidBed {
public:
    EmulatedHidBed();
    ~EmulatedHidBed();
    EmulatedHidBed(const EmulatedHidBed&) = delete;
    EmulatedHidBed& operator=(const EmulatedHidBed&) = delete;

    // Whether the process runs with the preload library; without it nothing here works.
    static bool available();

    // Adds the model's recording (the hidraw node and its parents), which sends their
    // "add" uevents, and backs the node with a pseudo-terminal. Throws when the recording
    // cannot be loaded or its node is taken.
    EmulatedHidDevice& plug(const EmulatedDeviceModel& model);
    // The device goes: open nodes hang up (poll reports POLLHUP, reads fail), the
    // "remove" uevent goes out and the device leaves sysfs.
    void unplug(EmulatedHidDevice& device);
    // A uevent for the device's hidraw node ("add", "change", "remove").
    void uevent(EmulatedHidDevice& device, const char* action);

    int deviceCount() const { return int(m_devices.size()); }
    QString rootDir() const;

private:
    friend class EmulatedHidDevice;

    _UMockdevTestbed* m_testbed = nullptr;
    std::vector<std::unique_ptr<EmulatedHidDevice>> m_devices;
};

// The instrument's answer to a poll: a measurement report with the count, as the
// instrument sends it (64 bytes, no ID byte).
QByteArray measurementInput(std::uint16_t periodCount);
// An answerer that replies to every poll command (byte 0 0x80) with a measurement of
// the count it holds.
EmulatedHidDevice::Answerer pollAnswerer(std::shared_ptr<std::atomic<std::uint16_t>> count);

// The number of open file descriptors of this process.
int openDescriptorCount();

}  // namespace kv::test
