// The Linux provider where there may be no hidraw node and no udev daemon.

#include "hid_test_support.h"

#include "device/hid/linux_hid_platform.h"

#include <cerrno>

namespace kv::test {
namespace {

TEST(LinuxHidPlatform, AControllerOnItStartsAndScansQuietly)
{
    LinuxHidPlatform platform;
    RecordingReporter reporter;
    int changes = 0;
    {
        THidDeviceController controller(platform, reporter);
        setHandler(controller, &Handlers::OnDeviceChange, [&](THidDeviceController&) { ++changes; });
        // Whatever this machine has, a pass runs and reports nothing.
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST(LinuxHidPlatform, UnknownPathsAndHandlesFailCleanly)
{
    LinuxHidPlatform platform;
    platform.scanInterfaces();
    int error = 0;
    EXPECT_EQ(platform.open(QStringLiteral("/dev/no-such-hidraw"), HidAccess::ReadWrite, error),
              kInvalidHidHandle);
    EXPECT_EQ(error, ENOENT);
    HidAttributes attributes;
    EXPECT_FALSE(platform.attributes(42, attributes));
    quint8 buffer[8];
    EXPECT_EQ(platform.startRead(42, buffer, 8), EBADF);
    EXPECT_EQ(platform.waitRead(42, 0).status, HidReadStatus::Aborted);
    platform.cancelRead(42);
    platform.close(42);
    qsizetype written = 0;
    EXPECT_FALSE(platform.write(42, buffer, 8, written, error));
    EXPECT_FALSE(platform.setInputBufferCount(42, 128));
    EXPECT_FALSE(platform.errorText(ENODEV).isEmpty());
}

}  // namespace
}  // namespace kv::test
