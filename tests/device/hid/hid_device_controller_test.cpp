// The device list: passes, matching across scans, claiming and releasing, and what
// reaches the error reporter.

#include "hid_test_support.h"

#include "core/errors.h"

#include <cerrno>

namespace kv::test {
namespace {

using ControllerTest = HidTest;

TEST_F(ControllerTest, FirstPassRunsFromTheEventLoopAndReportsAChangeWithNoDevices)
{
    EXPECT_EQ(deviceChanges, 0);
    deliver();
    EXPECT_EQ(deviceChanges, 1);
    EXPECT_EQ(controller->notifyParam(), -1);
    EXPECT_EQ(controller->deviceCount(), 0);
    EXPECT_FALSE(controller->busy());
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(ControllerTest, ABroadcastThatChangesNothingRaisesNothing)
{
    platform.plug(instrumentModel());
    deliver();
    ASSERT_EQ(controller->deviceCount(), 1);
    const int before = deviceChanges;
    THidDevice* listed = controller->device(0);

    platform.notifyDeviceChange();
    deliver();
    EXPECT_EQ(deviceChanges, before);
    EXPECT_EQ(controller->device(0), listed);
    EXPECT_EQ(controller->notifyParam(), 0);
}

TEST_F(ControllerTest, ArrivalAndRemovalSeeAnAccessibleDeviceAndMatchByInstance)
{
    QStringList events;
    setHandler(*controller, &Handlers::OnArrival, [&](THidDevice& d) {
        events << QStringLiteral("arrival ") + d.ProductText() + (d.eventAccess() ? " access" : "");
    });
    setHandler(*controller, &Handlers::OnRemoval, [&](THidDevice& d) {
        events << QStringLiteral("removal %1").arg(d.attributes().ProductID) + (d.present() ? " present" : "");
    });
    deliver();
    const QString first = platform.plug(otherModel(1));
    platform.plug(instrumentModel());
    deliver();
    EXPECT_EQ(events, QStringList({"arrival Other 1 access", "arrival KV-4410 access"}));
    ASSERT_EQ(controller->deviceCount(), 2);
    EXPECT_FALSE(controller->device(0)->eventAccess());
    // Outside the events an unclaimed device cannot be opened on demand.
    EXPECT_EQ(controller->device(0)->QueryCaps().InputReportByteLength, 0);

    // A re-plug is a new appearance: the old object goes, a new one arrives at the end.
    events.clear();
    platform.unplug(first);
    platform.plug(otherModel(1));
    const int before = deviceChanges;
    deliver();
    EXPECT_EQ(events, QStringList({"removal 1", "arrival Other 1 access"}));
    ASSERT_EQ(controller->deviceCount(), 2);
    EXPECT_EQ(controller->device(0)->attributes().ProductID, 0x003F);
    EXPECT_EQ(controller->device(1)->attributes().ProductID, 1);
    EXPECT_EQ(deviceChanges, before + 1);
}

TEST_F(ControllerTest, AClaimedDeviceThatVanishesStaysListedAbsentUntilReleased)
{
    const QString path = platform.plug(instrumentModel());
    deliver();
    THidDevice* device = claim();
    int unplugs = 0;
    int removals = 0;
    int errors = 0;
    device->SetUnplugHandler([&](THidDevice&) { ++unplugs; });
    device->SetDataErrorHandler([&](THidDevice&, quint32) { ++errors; });
    setHandler(*controller, &Handlers::OnRemoval, [&](THidDevice&) { ++removals; });
    device->SetReadWait(10);
    device->SetDataHandler([](THidDevice&, quint8, const quint8*, quint16) {});
    ASSERT_TRUE(device->readerRunning());

    platform.unplug(path);
    deliver();
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(removals, 1);
    ASSERT_EQ(controller->deviceCount(), 1);
    EXPECT_EQ(controller->device(0), device);
    EXPECT_TRUE(device->claimed());
    EXPECT_FALSE(device->present());
    EXPECT_EQ(controller->absentCount(), 1);
    EXPECT_EQ(controller->unclaimedCount(), 0);

    // Later passes neither repeat the events nor drop the claimed object.
    platform.notifyDeviceChange();
    deliver();
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(controller->deviceCount(), 1);

    // The reader keeps failing quietly until it is stopped.
    ASSERT_TRUE(runOneHandOver());
    ASSERT_TRUE(runOneHandOver());
    EXPECT_GE(errors, 2);
    EXPECT_TRUE(reporter.messages.isEmpty());

    controller->ReleaseDevice(device);
    EXPECT_EQ(controller->deviceCount(), 0);
    EXPECT_EQ(platform.openHandleCount(), 0);
}

TEST_F(ControllerTest, RemovalHandlersMayReleaseTheDeviceTheyAreCalledFor)
{
    const QString first = platform.plug(otherModel(1));
    const QString second = platform.plug(otherModel(2));
    const QString third = platform.plug(otherModel(3));
    deliver();
    THidDevice* a = claim();
    THidDevice* b = claim();
    a->SetUnplugHandler([this](THidDevice& d) { controller->ReleaseDevice(&d); });
    setHandler(*controller, &Handlers::OnRemoval, [this, b](THidDevice& d) {
        if (&d == b)
            controller->ReleaseDevice(&d);
    });
    platform.unplug(first);
    platform.unplug(second);
    platform.unplug(third);
    deliver();
    EXPECT_EQ(controller->deviceCount(), 0);
    EXPECT_EQ(controller->absentCount(), 0);
}

TEST_F(ControllerTest, ReleaseKeepsThePositionAndTheHandlers)
{
    const QString path = platform.plug(otherModel(1));
    platform.plug(instrumentModel());
    platform.plug(otherModel(2));
    deliver();
    THidDevice* a = claim();
    THidDevice* b = claim();
    THidDevice* c = claim();
    THidDevice* none = nullptr;
    EXPECT_FALSE(controller->ClaimDevice(none));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(controller->claimedCount(), 3);

    int data = 0;
    int unplugs = 0;
    b->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++data; });
    b->SetUnplugHandler([&](THidDevice&) { ++unplugs; });
    b->SetReadWait(50);
    ASSERT_TRUE(b->readerRunning());

    controller->ReleaseDevice(b);
    THidDevice* fresh = controller->device(1);
    EXPECT_EQ(controller->device(0), a);
    EXPECT_EQ(controller->device(2), c);
    EXPECT_FALSE(fresh->claimed());
    EXPECT_FALSE(fresh->readerRunning());
    EXPECT_EQ(fresh->readWait(), 50);
    EXPECT_EQ(fresh->attributes().ProductID, 0x003F);
    EXPECT_EQ(controller->unclaimedCount(), 1);

    // Claimed again, it reads at once with the handler it had.
    THidDevice* again = claim();
    EXPECT_EQ(again, fresh);
    EXPECT_TRUE(again->readerRunning());
    platform.queueInput(again->pnpInfo().path, reportBytes({0x37}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(data, 1);

    platform.unplug(again->pnpInfo().path);
    deliver();
    EXPECT_EQ(unplugs, 1);

    // An absent device leaves the list on release.
    platform.unplug(path);
    deliver();
    controller->ReleaseDevice(a);
    EXPECT_EQ(controller->deviceCount(), 2);
    EXPECT_EQ(controller->device(0), again);
}

TEST_F(ControllerTest, AnInterfaceWhoseDetailsCannotBeReadIsSkipped)
{
    platform.plug(otherModel(1));
    FakeHidFailures unreadable;
    unreadable.details = true;
    platform.plug(otherModel(2), unreadable);
    platform.plug(instrumentModel());
    deliver();
    ASSERT_EQ(controller->deviceCount(), 2);
    EXPECT_EQ(controller->device(0)->attributes().ProductID, 1);
    EXPECT_EQ(controller->device(1)->attributes().ProductID, 0x003F);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(ControllerTest, ABrokenDeviceIsLeftOutReportedOnceAndNeverHidesTheInstrument)
{
    FakeHidFailures cannotOpen;
    cannotOpen.open = true;
    FakeHidFailures cannotIdentify;
    cannotIdentify.attributes = true;
    const QString broken = platform.plug(otherModel(1), cannotOpen);
    platform.plug(otherModel(2), cannotIdentify);
    platform.plug(instrumentModel());
    deliver();
    ASSERT_EQ(controller->deviceCount(), 1);
    EXPECT_EQ(controller->device(0)->attributes().ProductID, 0x003F);
    EXPECT_EQ(reporter.messages,
              QStringList({"Device cannot be opened", "Device cannot be identified"}));
    EXPECT_FALSE(controller->busy());

    platform.notifyDeviceChange();
    platform.notifyDeviceChange();
    deliver();
    EXPECT_EQ(reporter.messages.size(), 2);

    // Mended, it is found by the next pass; broken again on a new plug-in, it is reported.
    platform.setFailures(broken, {});
    platform.notifyDeviceChange();
    deliver();
    EXPECT_EQ(controller->deviceCount(), 2);
    platform.plug(otherModel(3), cannotOpen);
    deliver();
    EXPECT_EQ(reporter.messages.size(), 3);
}

TEST_F(ControllerTest, ADeviceOpenedWithoutReadWriteAccessListsButGetsNoReader)
{
    FakeHidFailures readOnly;
    readOnly.openReadWrite = true;
    platform.plug(instrumentModel(), readOnly);
    deliver();
    ASSERT_EQ(controller->deviceCount(), 1);
    THidDevice* device = claim();
    EXPECT_FALSE(device->openedReadWrite());
    EXPECT_EQ(device->ProductText(), "KV-4410");
    device->SetDataHandler([](THidDevice&, quint8, const quint8*, quint16) {});
    EXPECT_FALSE(device->readerRunning());

    // A write says why, and once the access comes the next write goes out and the reader
    // starts.
    const quint8 poll[65] = {0, 0x80};
    qsizetype written = 0;
    EXPECT_FALSE(device->WriteReport(poll, 65, written));
    EXPECT_EQ(device->lastWriteError(), EACCES);
    platform.setFailures(device->pnpInfo().path, {});
    EXPECT_TRUE(device->WriteReport(poll, 65, written));
    EXPECT_TRUE(device->openedReadWrite());
    EXPECT_TRUE(device->readerRunning());
}

TEST_F(ControllerTest, APassThatRaisesStillClearsBusy)
{
    setHandler(*controller, &Handlers::OnDeviceChange,
               [](THidDeviceController&) { throw Error(QStringLiteral("boom")); });
    deliver();
    EXPECT_EQ(reporter.messages, QStringList({"boom"}));
    EXPECT_FALSE(controller->busy());

    int arrivals = 0;
    setHandler(*controller, &Handlers::OnArrival, [&](THidDevice&) { ++arrivals; });
    platform.plug(instrumentModel());
    deliver();
    EXPECT_EQ(arrivals, 1);
}

TEST_F(ControllerTest, ANotificationDuringAPassGetsAPassOfItsOwnAfterIt)
{
    int passes = 0;
    setHandler(*controller, &Handlers::OnDeviceChange, [&](THidDeviceController& c) {
        ++passes;
        EXPECT_TRUE(c.busy());
        if (passes == 1) {
            platform.plug(otherModel(7));  // posts a notification
            QCoreApplication::sendPostedEvents();
            EXPECT_EQ(c.deviceCount(), 0);  // not inside this pass
        }
    });
    deliver();
    // Nothing else is ever announced: the device is found all the same.
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(controller->deviceCount(), 1);
    EXPECT_FALSE(controller->busy());
}

TEST_F(ControllerTest, ErrorsOfAPassAreShownAfterItEnds)
{
    FakeHidFailures failures;
    failures.open = true;
    platform.plug(otherModel(1), failures);
    bool busyWhileShown = true;
    reporter.onError = [&] { busyWhileShown = controller->busy(); };
    deliver();
    EXPECT_EQ(reporter.messages, QStringList{QStringLiteral("Device cannot be opened")});
    EXPECT_FALSE(busyWhileShown);
}

TEST_F(ControllerTest, NewControllerHandlersReachDevicesThatStillHaveTheOldOnes)
{
    platform.plug(otherModel(1));
    platform.plug(otherModel(2));
    deliver();
    controller->device(1)->SetUnplugHandler([](THidDevice&) {});
    int calls = 0;
    setHandler(*controller, &Handlers::OnDeviceUnplug, [&](THidDevice&) { ++calls; });
    controller->device(0)->MarkAbsent();
    controller->device(1)->MarkAbsent();
    EXPECT_EQ(calls, 1);

    controller->setDevThreadSleepTime(250);
    EXPECT_EQ(controller->device(0)->readWait(), 250);
}

TEST_F(ControllerTest, AnOwnerThatReclaimsEverythingOnEachChangeFollowsAReplug)
{
    std::vector<THidDevice*> held;
    THidDevice* current = nullptr;
    int data = 0;
    setHandler(*controller, &Handlers::OnDeviceChange, [&](THidDeviceController& c) {
        if (current)
            current->SetDataHandler(nullptr);
        current = nullptr;
        for (THidDevice* d : held)
            c.ReleaseDevice(d);
        held.clear();
        THidDevice* d = nullptr;
        while (c.ClaimDevice(d)) {
            held.push_back(d);
            d->SetControlBufferCount(128);
            d->SetReadBufferCount(128);
            if (d->attributes().VendorID == 0x04D8 && d->attributes().ProductID == 0x003F) {
                current = d;
                d->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++data; });
            }
        }
    });
    platform.setWriteHook([this](const QString& p, const QByteArray&) {
        platform.queueInput(p, reportBytes({0x37}));
    });
    const auto poll = [&] {
        const QByteArray command = reportBytes({0x36});
        qsizetype written = 0;
        return current && current->present()
               && current->WriteReport(reinterpret_cast<const quint8*>(command.constData()),
                                       command.size(), written)
               && runOneHandOver();
    };

    platform.plug(otherModel(1));
    const QString instrument = platform.plug(instrumentModel());
    deliver();
    ASSERT_EQ(held.size(), 2u);
    ASSERT_TRUE(poll());
    EXPECT_EQ(data, 1);
    EXPECT_EQ(current->readBufferCount(), 128);

    platform.unplug(instrument);
    deliver();
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(controller->deviceCount(), 1);

    platform.plug(instrumentModel());
    deliver();
    ASSERT_TRUE(poll());
    EXPECT_EQ(data, 2);
    EXPECT_EQ(controller->claimedCount(), 2);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(ControllerTest, DestructionStopsReadersAndMarksClaimedDevicesAbsent)
{
    const QString path = platform.plug(instrumentModel());
    deliver();
    THidDevice* device = claim();
    int unplugs = 0;
    device->SetUnplugHandler([&](THidDevice&) { ++unplugs; });
    device->SetDataHandler([](THidDevice&, quint8, const quint8*, quint16) {});
    platform.queueInput(path, reportBytes({1}));
    ASSERT_TRUE(controller->waitForHandOver(5000));  // the reader now waits in a hand-over

    controller.reset();
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(platform.openHandleCount(), 0);
}

}  // namespace
}  // namespace kv::test
