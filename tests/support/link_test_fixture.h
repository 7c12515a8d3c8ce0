#pragma once
// The instrument link on the fake provider, with a view that records what the main window
// would show: the set-up the link's tests and the virtual instrument's tests share.

#include "hid_test_helpers.h"

#include "core/error_guard.h"
#include "device/instrument/instrument_link.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kv::test {

class RecordingLinkView : public InstrumentLinkView, public ErrorReporter {
public:
    void SetLinkStatus(const QString& text) override { panel0 = text; }
    void showResistors(const QString& p2, const QString& p3) override
    {
        panel2 = p2;
        panel3 = p3;
    }
    void appendTrace(const QString& line) override { trace << line; }
    void showMeasurement(std::uint16_t count) override { counts.push_back(count); }
    void showError(const QString& message) override { errors << message; }

    QString panel0, panel2, panel3;
    QStringList trace;
    std::vector<std::uint16_t> counts;
    QStringList errors;
};

class LinkTest : public ::testing::Test {
protected:
    // The timers run as in a freshly created main window.
    void SetUp() override
    {
        timer1.setInterval(500);
        getdata.setInterval(1000);
        timer1.start();
        getdata.start();
        controller = std::make_unique<THidDeviceController>(platform, view);
        link = std::make_unique<InstrumentLink>(*controller, view, timer1, getdata);
    }
    void TearDown() override
    {
        link.reset();
        controller.reset();
    }

    // Runs the device-change passes posted so far, as the event loop would.
    void deliver() { QCoreApplication::sendPostedEvents(); }
    bool runOneHandOver() { return kv::test::runOneHandOver(*controller); }

    FakeHidPlatform platform;
    RecordingLinkView view;
    QTimer timer1;
    QTimer getdata;
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<InstrumentLink> link;
};

}  // namespace kv::test
