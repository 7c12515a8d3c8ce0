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

// Records what the link announces, as the main window would show it, and the errors.
class RecordingLinkView : public ErrorReporter {
public:
    void watch(InstrumentLink& link)
    {
        QObject::connect(&link, &InstrumentLink::linkStatusChanged,
                         [this](const QString& text) { panel0 = text; });
        QObject::connect(&link, &InstrumentLink::resistorsChanged,
                         [this](const QString& p2, const QString& p3) {
                             panel2 = p2;
                             panel3 = p3;
                         });
        QObject::connect(&link, &InstrumentLink::traceLine,
                         [this](const QString& line) { trace << line; });
        QObject::connect(&link, &InstrumentLink::measurement,
                         [this](std::uint16_t count) { counts.push_back(count); });
    }
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
        controller = std::make_unique<THidDeviceController>(platform, view);
        link = std::make_unique<InstrumentLink>(*controller, view);
        view.watch(*link);
        link->start();
    }

    QTimer& timer1() const { return link->timer1(); }
    QTimer& getdata() const { return link->getdata(); }
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
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<InstrumentLink> link;
};

}  // namespace kv::test
