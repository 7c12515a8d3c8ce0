#pragma once
// The instrument link on the Linux provider over the emulated hidraw world.

#include "link_test_fixture.h"
#include "linux_hid_test_support.h"

namespace kv::test {

class LinuxHidLinkTest : public LinuxHidTest {
protected:
    // The controller reports into reporter (by default the view).
    void startLink(ErrorReporter* reporter = nullptr)
    {
        controller = std::make_unique<THidDeviceController>(*platform, reporter ? *reporter : view);
        link = std::make_unique<InstrumentLink>(*controller, view);
        view.watch(*link);
        QObject::connect(link.get(), &InstrumentLink::linkStatusChanged, [this] { ++statusChanges; });
    }
    void TearDown() override
    {
        link.reset();
        LinuxHidTest::TearDown();
    }

    // Runs the event loop and the readers' hand-overs until done() holds.
    bool settle(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        return waitUntil([&] {
            controller->processHandOvers();
            return done();
        }, timeoutMs);
    }
    bool connected() const { return link->currentDevice() != nullptr; }

    // The instrument, answering every poll with a measurement of count.
    EmulatedHidDevice& plugInstrument(bool accessible = true)
    {
        auto model = emulatedInstrument();
        model.accessible = accessible;
        EmulatedHidDevice& device = bed->plug(model);
        device.setAnswerer(pollAnswerer(count));
        return device;
    }

    RecordingLinkView view;
    std::unique_ptr<InstrumentLink> link;
    std::shared_ptr<std::atomic<std::uint16_t>> count = std::make_shared<std::atomic<std::uint16_t>>(8000);
    int statusChanges = 0;
};

}  // namespace kv::test
