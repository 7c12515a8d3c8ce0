#pragma once
// Shared set-up of the HID tests: a fake platform, a controller on it and a reporter that
// records what would be shown in an error box.

#include "hid_test_helpers.h"
#include "recording_reporter.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace kv::test {

using Handlers = THidDeviceController::Handlers;

// Replaces one of the controller's handlers, keeping the others.
template <typename Field, typename F>
void setHandler(THidDeviceController& controller, Field Handlers::*field, F&& handler)
{
    Handlers handlers = controller.handlers();
    handlers.*field = std::forward<F>(handler);
    controller.setHandlers(std::move(handlers));
}

inline FakeHidDeviceModel instrumentModel()
{
    return fakeInstrument(QStringLiteral("KV-4410"), QStringLiteral("SN0001"));
}

inline FakeHidDeviceModel otherModel(quint16 product)
{
    FakeHidDeviceModel model;
    model.attributes = {0x046D, product, 1};
    model.product = QStringLiteral("Other %1").arg(product);
    return model;
}

class HidTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controller = std::make_unique<THidDeviceController>(platform, reporter);
        setHandler(*controller, &Handlers::OnDeviceChange,
                   [this](THidDeviceController&) { ++deviceChanges; });
    }
    void TearDown() override { controller.reset(); }

    // Delivers the notifications posted so far, as the event loop would.
    void deliver() { QCoreApplication::sendPostedEvents(); }

    // Waits for one hand-over of a reader and runs it; false when none came in time.
    bool runOneHandOver() { return kv::test::runOneHandOver(*controller); }

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
