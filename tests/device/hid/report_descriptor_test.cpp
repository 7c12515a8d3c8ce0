// Report lengths from descriptors written by hand from the HID usage tables.

#include "device/hid/report_descriptor.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <initializer_list>

namespace kv {
namespace {

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray out;
    for (quint8 b : list)
        out.append(char(b));
    return out;
}

TEST(ReportDescriptor, VendorPageWith64ByteInputAndOutputLikeTheInstrument)
{
    const QByteArray descriptor = bytes({
        0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x19, 0x01,        //   Usage Minimum (1)
        0x29, 0x40,        //   Usage Maximum (64)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x40,        //   Report Count (64)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0x19, 0x01,        //   Usage Minimum (1)
        0x29, 0x40,        //   Usage Maximum (64)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0xC0,              // End Collection
    });
    const auto layout = parseReportDescriptor(descriptor);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->inputLength, 65);
    EXPECT_EQ(layout->outputLength, 65);
    EXPECT_EQ(layout->featureLength, 0);
    EXPECT_FALSE(layout->usesReportIds);
    EXPECT_EQ(layout->usagePage, 0xFF00);
    EXPECT_EQ(layout->usage, 1);
}

TEST(ReportDescriptor, BootKeyboard)
{
    const QByteArray descriptor = bytes({
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,  // Generic Desktop, Keyboard, Application
        0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,  // Key codes, modifiers E0..E7
        0x15, 0x00, 0x25, 0x01,              // Logical 0..1
        0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  // 8 x 1 bit: modifier byte
        0x95, 0x01, 0x75, 0x08, 0x81, 0x01,  // 1 x 8 bits: reserved (constant)
        0x95, 0x05, 0x75, 0x01,              // 5 x 1 bit
        0x05, 0x08, 0x19, 0x01, 0x29, 0x05,  // LEDs 1..5
        0x91, 0x02,                          // Output: LED report
        0x95, 0x01, 0x75, 0x03, 0x91, 0x01,  // 3 bits padding
        0x95, 0x06, 0x75, 0x08,              // 6 x 8 bits
        0x15, 0x00, 0x25, 0x65,              // Logical 0..101
        0x05, 0x07, 0x19, 0x00, 0x29, 0x65,  // Key codes 0..101
        0x81, 0x00,                          // Input (Data, Array): key array
        0xC0,
    });
    const auto layout = parseReportDescriptor(descriptor);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->inputLength, 9);
    EXPECT_EQ(layout->outputLength, 2);
    EXPECT_EQ(layout->usagePage, 0x01);
    EXPECT_EQ(layout->usage, 0x06);
}

TEST(ReportDescriptor, ReportIdsTakeTheLongestReportAndPopRestoresTheGlobals)
{
    const QByteArray descriptor = bytes({
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
        0x85, 0x01, 0x75, 0x08, 0x95, 0x08,  // Report ID 1, 8 x 8 bits
        0x09, 0x01, 0x81, 0x02,              // Input: 8 bytes
        0xA4,                                // Push
        0x85, 0x02, 0x95, 0x10,              // Report ID 2, 16 x 8 bits
        0x09, 0x02, 0x81, 0x02,              // Input: 16 bytes
        0x09, 0x02, 0xB1, 0x02,              // Feature: 16 bytes
        0xB4,                                // Pop: back to ID 1, 8 x 8 bits
        0x09, 0x03, 0x91, 0x02,              // Output: 8 bytes
        0xC0,
    });
    const auto layout = parseReportDescriptor(descriptor);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->usesReportIds);
    EXPECT_EQ(layout->inputLength, 17);
    EXPECT_EQ(layout->outputLength, 9);
    EXPECT_EQ(layout->featureLength, 17);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused)
{
    EXPECT_FALSE(parseReportDescriptor(bytes({0x05, 0x01, 0x75})));        // truncated item
    EXPECT_FALSE(parseReportDescriptor(bytes({0x06, 0x00})));              // truncated data
    EXPECT_FALSE(parseReportDescriptor(bytes({0xB4})));                    // Pop without Push
    EXPECT_FALSE(parseReportDescriptor(bytes({0xFE, 0x05, 0x00, 0x01})));  // long item cut off
    // 4-byte sizes and counts cannot make a report longer than a HID report can be.
    EXPECT_FALSE(parseReportDescriptor(
        bytes({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02})));
    const auto empty = parseReportDescriptor({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->inputLength, 0);
}

}  // namespace
}  // namespace kv
