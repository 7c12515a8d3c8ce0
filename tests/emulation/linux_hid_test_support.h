#pragma once
// The Linux provider over the emulated hidraw world, with a controller on it: the set-up
// the Linux provider's tests and the program's tests on it share.

#include "emulated_hid_bed.h"
#include "event_wait.h"
#include "recording_reporter.h"

#include "device/hid/hid_device_controller.h"
#include "device/hid/linux_hid_platform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kv::test {

class LinuxHidTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!EmulatedHidBed::available())
            GTEST_SKIP() << "needs the umockdev preload library (run under run-emulated)";
        bed = std::make_unique<EmulatedHidBed>();
        platform = std::make_unique<LinuxHidPlatform>();
    }
    void TearDown() override
    {
        controller.reset();
        platform.reset();
        bed.reset();
    }

    void makeController()
    {
        controller = std::make_unique<THidDeviceController>(*platform, reporter);
        THidDeviceController::Handlers handlers;
        handlers.OnDeviceChange = [this](THidDeviceController&) { ++passes; };
        controller->setHandlers(std::move(handlers));
    }

    // Until the controller lists count present devices.
    bool waitForPresent(int count, int timeoutMs = 5000)
    {
        return waitUntil([&] { return controller->deviceCount() - controller->absentCount() == count; },
                         timeoutMs);
    }

    std::unique_ptr<EmulatedHidBed> bed;
    std::unique_ptr<LinuxHidPlatform> platform;
    RecordingReporter reporter;
    std::unique_ptr<THidDeviceController> controller;
    int passes = 0;
};

}  // namespace kv::test
