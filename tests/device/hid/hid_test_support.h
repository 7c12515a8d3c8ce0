#pragma once
// Shared set-up of the HID tests: a fake platform, a controller on it and a reporter that
// records what would be shown in an error box.

#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace kv::test {

class RecordingReporter : public ErrorReporter {
public:
    void showError(const QString& message) override { messages << message; }
    QStringList messages;
};

inline FakeHidDeviceModel instrumentModel()
{
    FakeHidDeviceModel model;
    model.attributes = {0x04D8, 0x003F, 0x0100};
    model.product = QStringLiteral("KV-4410");
    model.serial = QStringLiteral("SN0001");
    return model;
}

inline FakeHidDeviceModel otherModel(quint16 product)
{
    FakeHidDeviceModel model;
    model.attributes = {0x046D, product, 1};
    model.product = QStringLiteral("Other %1").arg(product);
    return model;
}

inline QByteArray report(quint8 id, std::initializer_list<quint8> payload, int length = 65)
{
    QByteArray bytes(length, '\0');
    bytes[0] = char(id);
    int i = 1;
    for (quint8 b : payload)
        bytes[i++] = char(b);
    return bytes;
}

class HidTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controller = std::make_unique<THidDeviceController>(platform, reporter);
        controller->OnDeviceChange = [this](THidDeviceController&) { ++deviceChanges; };
    }
    void TearDown() override { controller.reset(); }

    // Delivers the notifications posted so far, as the event loop would.
    void deliver() { QCoreApplication::sendPostedEvents(); }

    // Waits for one hand-over of a reader and runs it; false when none came in time.
    bool runOneHandOver()
    {
        for (int i = 0; i < 50; ++i) {
            if (controller->waitForHandOver(100))
                return controller->processHandOvers() > 0;
        }
        return false;
    }

    THidDevice* claim()
    {
        THidDevice* device = nullptr;
        EXPECT_TRUE(controller->ClaimDevice(device));
        return device;
    }

    FakeHidPlatform platform;
    RecordingReporter reporter;
    std::unique_ptr<THidDeviceController> controller;
    int deviceChanges = 0;
};

}  // namespace kv::test
