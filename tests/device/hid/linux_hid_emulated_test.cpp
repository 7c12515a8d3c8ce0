// The Linux provider against emulated hidraw nodes: what it reads from udev and from the
// node, the report-ID byte, unplugs, hot-plug events and what stays open afterwards.

#include "linux_hid_test_support.h"

#include "device/hid/hid_device.h"

#include <QThread>

#include <atomic>
#include <cerrno>
#include <thread>

namespace kv::test {
namespace {

using LinuxHidPlatformTest = LinuxHidTest;

TEST_F(LinuxHidPlatformTest, ListsIdentifiesAndNamesEachNode)
{
    bed->plug(instrumentSpec(QStringLiteral("KV-4410"), QStringLiteral("SN0001")));
    auto numbered = numberedReportSpec();
    numbered.onUsb = false;
    numbered.hidName = QStringLiteral("Bluetooth thing");
    bed->plug(numbered);

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

}  // namespace
}  // namespace kv::test
