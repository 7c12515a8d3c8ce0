// The Linux provider against emulated hidraw nodes: what it reads from udev and from the
// node, the report-ID byte, unplugs, hot-plug events and what stays open afterwards.

#include "linux_hid_test_support.h"

#include "device/hid/hid_device.h"

#include <QFile>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace kv::test {
namespace {

using LinuxHidPlatformTest = LinuxHidTest;

TEST_F(LinuxHidPlatformTest, ListsIdentifiesAndNamesEachNode)
{
    bed->plug(emulatedInstrument(QStringLiteral("SN0001")));
    bed->plug(numberedReportDevice());

    const auto found = platform->scanInterfaces();
    ASSERT_EQ(found.size(), 2u);
    ASSERT_TRUE(found[0] && found[1]);
    EXPECT_EQ(found[0]->path, QStringLiteral("/dev/hidraw0"));
    EXPECT_EQ(found[1]->path, QStringLiteral("/dev/hidraw1"));
    EXPECT_NE(found[0]->deviceInstance, found[1]->deviceInstance);

    int error = 0;
    // No access is enough for the identity and the strings.
    const HidHandle instrument = platform->open(found[0]->path, HidAccess::None, error);
    ASSERT_NE(instrument, kInvalidHidHandle);
    HidAttributes attributes;
    ASSERT_TRUE(platform->attributes(instrument, attributes));
    EXPECT_EQ(attributes.VendorID, 0x04D8);
    EXPECT_EQ(attributes.ProductID, 0x003F);
    EXPECT_EQ(attributes.VersionNumber, 0x0001);
    QString text;
    ASSERT_TRUE(platform->productString(instrument, text));
    EXPECT_EQ(text, QStringLiteral("KV-4410"));
    ASSERT_TRUE(platform->serialString(instrument, text));
    EXPECT_EQ(text, QStringLiteral("SN0001"));
    HidCaps caps;
    ASSERT_TRUE(platform->caps(instrument, caps));  // from sysfs
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 65);
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    EXPECT_EQ(caps.Usage, 1);
    platform->close(instrument);

    // Not on USB: the identity and name come from the hid device's properties.
    const HidHandle other = platform->open(found[1]->path, HidAccess::ReadWrite, error);
    ASSERT_NE(other, kInvalidHidHandle) << error;
    ASSERT_TRUE(platform->attributes(other, attributes));
    EXPECT_EQ(attributes.VendorID, 0x1234);
    EXPECT_EQ(attributes.ProductID, 0x5678);
    ASSERT_TRUE(platform->productString(other, text));
    EXPECT_EQ(text, QStringLiteral("Bluetooth thing"));
    EXPECT_FALSE(platform->serialString(other, text));
    ASSERT_TRUE(platform->caps(other, caps));  // from the node
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.OutputReportByteLength, 9);
    int count = 0;
    EXPECT_TRUE(platform->inputBufferCount(other, count));
    EXPECT_EQ(count, 64);
    platform->close(other);
}

// Opens the node read-write and starts a read of length bytes into buffer.
HidHandle openAndRead(LinuxHidPlatform& platform, const QString& path, quint8* buffer, int length)
{
    int error = 0;
    const HidHandle handle = platform.open(path, HidAccess::ReadWrite, error);
    EXPECT_NE(handle, kInvalidHidHandle) << error;
    EXPECT_EQ(platform.startRead(handle, buffer, length), 0);
    return handle;
}

HidReadResult waitForReport(LinuxHidPlatform& platform, HidHandle handle)
{
    HidReadResult result;
    for (int i = 0; i < 50 && result.status == HidReadStatus::TimedOut; ++i)
        result = platform.waitRead(handle, 100);
    return result;
}

TEST_F(LinuxHidPlatformTest, TheReportIdByteIsAddedWithoutIdsAndKeptWithThem)
{
    EmulatedHidDevice& instrument = bed->plug(emulatedInstrument());
    EmulatedHidDevice& numbered = bed->plug(numberedReportDevice());
    platform->scanInterfaces();

    // Without IDs: byte 0 of what goes out is dropped, and a 0 is put before what comes in.
    quint8 in[65] = {};
    HidHandle handle = openAndRead(*platform, instrument.devnode(), in, 65);
    QByteArray out(65, '\0');
    out[1] = char(0x80);
    out[64] = char(0x5A);
    qsizetype written = 0;
    int error = 0;
    ASSERT_TRUE(platform->write(handle, reinterpret_cast<const quint8*>(out.constData()), 65,
                                written, error));
    EXPECT_EQ(written, 65);
    ASSERT_EQ(instrument.written().size(), 1u);
    EXPECT_EQ(instrument.written()[0], out.mid(1));
    in[0] = 0xEE;
    instrument.queueInput(measurementInput(8000));
    HidReadResult result = waitForReport(*platform, handle);
    ASSERT_EQ(result.status, HidReadStatus::Completed);
    EXPECT_EQ(result.bytes, 65);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(in), 65), QByteArray(1, '\0') + measurementInput(8000));
    platform->close(handle);

    // With IDs the byte is the report's own, both ways.
    quint8 in2[9] = {};
    handle = openAndRead(*platform, numbered.devnode(), in2, 9);
    const QByteArray out2 = QByteArray::fromHex("020102030405060708");
    ASSERT_TRUE(platform->write(handle, reinterpret_cast<const quint8*>(out2.constData()), 9,
                                written, error));
    ASSERT_EQ(numbered.written().size(), 1u);
    EXPECT_EQ(numbered.written()[0], out2);
    const QByteArray report = QByteArray::fromHex("01AABBCCDDEEFF0011");
    numbered.queueInput(report);
    result = waitForReport(*platform, handle);
    ASSERT_EQ(result.status, HidReadStatus::Completed);
    EXPECT_EQ(result.bytes, 9);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(in2), 9), report);
    platform->close(handle);
}

TEST_F(LinuxHidPlatformTest, AReadEndsAsAnUnplugWhenTheDeviceGoes)
{
    EmulatedHidDevice& instrument = bed->plug(emulatedInstrument());
    const QString path = instrument.devnode();
    platform->scanInterfaces();
    quint8 in[65] = {};
    const HidHandle handle = openAndRead(*platform, path, in, 65);
    EXPECT_EQ(platform->waitRead(handle, 10).status, HidReadStatus::TimedOut);
    bed->unplug(instrument);
    const HidReadResult result = waitForReport(*platform, handle);
    EXPECT_EQ(result.status, HidReadStatus::Disconnected);
    EXPECT_EQ(platform->startRead(handle, in, 65), ENODEV);
    platform->close(handle);
    int error = 0;
    EXPECT_EQ(platform->open(path, HidAccess::ReadWrite, error), kInvalidHidHandle);
}

// Whether thread tid is blocked in poll().
bool blockedInPoll(pid_t tid)
{
    QFile syscall(QStringLiteral("/proc/self/task/%1/syscall").arg(tid));
    if (!syscall.open(QIODevice::ReadOnly))
        return false;
    const long number = syscall.readAll().split(' ').value(0).toLong();
    return number == SYS_poll || number == SYS_ppoll;
}

TEST_F(LinuxHidPlatformTest, ACloseEndsAPendingReadAtOnce)
{
    EmulatedHidDevice& instrument = bed->plug(emulatedInstrument());
    platform->scanInterfaces();
    quint8 in[65] = {};
    const HidHandle handle = openAndRead(*platform, instrument.devnode(), in, 65);
    std::atomic<pid_t> readerTid = 0;
    std::atomic<int> status = -1;
    // Were the close not to end the wait, it would end only by timing out.
    std::thread reader([&] {
        readerTid = ::gettid();
        status = int(platform->waitRead(handle, 60000).status);
    });
    const bool waiting = waitUntil([&] { return readerTid != 0 && blockedInPoll(readerTid); });
    platform->close(handle);
    reader.join();
    ASSERT_TRUE(waiting) << "the reader never reached its wait";
    EXPECT_EQ(status, int(HidReadStatus::Aborted));
}

using LinuxHidControllerTest = LinuxHidTest;

TEST_F(LinuxHidControllerTest, UeventsDriveTheControllerAndAReplugIsANewAppearance)
{
    makeController();
    std::vector<QString> arrived, removed;
    auto handlers = controller->handlers();
    handlers.OnArrival = [&](THidDevice& d) { arrived.push_back(d.pnpInfo().path); };
    handlers.OnRemoval = [&](THidDevice& d) { removed.push_back(d.pnpInfo().path); };
    controller->setHandlers(handlers);
    ASSERT_TRUE(waitUntil([&] { return passes == 1; }));  // the first pass, nothing there

    EmulatedHidDevice* instrument = &bed->plug(emulatedInstrument());
    ASSERT_TRUE(waitForPresent(1));
    ASSERT_EQ(arrived.size(), 1u);
    const quint32 first = controller->device(0)->pnpInfo().deviceInstance;
    EXPECT_EQ(controller->device(0)->attributes().ProductID, 0x003F);

    bed->unplug(*instrument);
    ASSERT_TRUE(waitForPresent(0));
    EXPECT_EQ(removed, arrived);

    // The same port, the same node name: still a new device.
    instrument = &bed->plug(emulatedInstrument());
    ASSERT_TRUE(waitForPresent(1));
    EXPECT_EQ(controller->device(0)->pnpInfo().path, arrived[0]);
    EXPECT_NE(controller->device(0)->pnpInfo().deviceInstance, first);
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.messages.join(u'\n').toStdString();
}

TEST_F(LinuxHidControllerTest, NothingStaysOpenAfterADeviceGoes)
{
    // Counted before anything is plugged: nothing of the emulation's is then on its way
    // to being opened or closed.
    makeController();
    ASSERT_TRUE(waitUntil([&] { return passes == 1; }));
    const int before = openDescriptorCount();
    for (int round = 0; round < 4; ++round) {
        EmulatedHidDevice& instrument = bed->plug(emulatedInstrument());
        ASSERT_TRUE(waitForPresent(1));
        THidDevice* device = nullptr;
        ASSERT_TRUE(controller->ClaimDevice(device));
        int reports = 0;
        device->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++reports; });
        device->SetControlBufferCount(128);
        EXPECT_EQ(device->controlBufferCount(), 64);
        instrument.queueInput(measurementInput(1));
        ASSERT_TRUE(waitUntil([&] { controller->processHandOvers(); return reports == 1; }));
        const quint8 poll[65] = {0, 0x80};
        qsizetype written = 0;
        EXPECT_TRUE(device->WriteReport(poll, 65, written));
        bed->unplug(instrument);
        ASSERT_TRUE(waitForPresent(0));
        controller->ReleaseDevice(device);
        EXPECT_EQ(controller->deviceCount(), 0);
    }
    // The emulation closes its side of each connection a moment after the program.
    EXPECT_TRUE(waitUntil([&] { return openDescriptorCount() == before; }, 10000))
        << openDescriptorCount() << " descriptors open, " << before << " before";
}

}  // namespace
}  // namespace kv::test
