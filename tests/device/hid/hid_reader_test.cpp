// The reader thread and the hand-over to the GUI thread.

#include "hid_test_support.h"

#include "core/errors.h"

#include <QThread>

#include <cerrno>

namespace kv::test {
namespace {

class ReaderTest : public HidTest {
protected:
    void SetUp() override
    {
        HidTest::SetUp();
        path = platform.plug(instrumentModel());
        deliver();
        device = claim();
    }
    QString path;
    THidDevice* device = nullptr;
};

TEST_F(ReaderTest, ReportsReachTheHandlerOnTheGuiThreadInOrder)
{
    struct Seen {
        quint8 id;
        quint8 first;
        quint16 size;
        bool guiThread;
    };
    std::vector<Seen> seen;
    device->SetReadBufferCount(128);
    device->SetDataHandler([&](THidDevice& d, quint8 id, const quint8* data, quint16 size) {
        EXPECT_EQ(&d, device);
        seen.push_back({id, data[0], size, QThread::currentThread() == qApp->thread()});
    });
    for (int i = 0; i < 100; ++i)
        platform.queueInput(path, reportBytes({quint8(i)}, quint8(i % 3)));
    platform.queueInput(path, QByteArray(5, '\x09'));  // a short report keeps its own length
    // What is queued while the window's thread is busy goes over together, at most a
    // batch of a full system queue at a time.
    int handOvers = 0;
    while (seen.size() < 101 && runOneHandOver())
        ++handOvers;
    ASSERT_EQ(seen.size(), 101u);
    EXPECT_LE(handOvers, 3);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(seen[size_t(i)].id, i % 3);
        EXPECT_EQ(seen[size_t(i)].first, quint8(i));
        EXPECT_EQ(seen[size_t(i)].size, 64);
        EXPECT_TRUE(seen[size_t(i)].guiThread);
    }
    EXPECT_EQ(seen.back().size, 4);
    EXPECT_EQ(platform.droppedInputCount(path), 0);
}

TEST_F(ReaderTest, StoppingWhileAHandOverIsQueuedRunsItAndEnds)
{
    int data = 0;
    device->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++data; });
    platform.queueInput(path, reportBytes({1}));
    ASSERT_TRUE(controller->waitForHandOver(5000));

    device->SetDataHandler(nullptr);  // stops the reader
    EXPECT_EQ(data, 1);
    EXPECT_FALSE(device->readerRunning());
    EXPECT_EQ(controller->processHandOvers(), 0);
}

TEST_F(ReaderTest, AHandlerMayReleaseItsOwnDevice)
{
    int data = 0;
    device->SetDataHandler([&](THidDevice& d, quint8, const quint8*, quint16) {
        ++data;
        controller->ReleaseDevice(&d);
    });
    platform.queueInput(path, reportBytes({1}));
    platform.queueInput(path, reportBytes({2}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(data, 1);
    ASSERT_EQ(controller->deviceCount(), 1);
    EXPECT_FALSE(controller->device(0)->claimed());
    // The reader it came from ends without a second hand-over.
    EXPECT_FALSE(controller->waitForHandOver(300));
    controller.reset();
    EXPECT_EQ(data, 1);
}

TEST_F(ReaderTest, AnotherDevicesHandlerRunInsideAHandOverMayReleaseIt)
{
    const QString otherPath = platform.plug(otherModel(2));
    deliver();
    THidDevice* other = claim();
    bool released = false;
    other->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) {
        controller->ReleaseDevice(device);
        released = true;
    });
    device->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) {
        // Serving hand-overs from inside a handler runs the other device's handler here.
        platform.queueInput(otherPath, reportBytes({2}));
        ASSERT_TRUE(controller->waitForHandOver(5000));
        controller->processHandOvers();
    });
    platform.queueInput(path, reportBytes({1}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_TRUE(released);
    EXPECT_FALSE(controller->device(0)->claimed());
}

TEST_F(ReaderTest, AHandlerThatRaisesIsReportedAndReadingGoesOn)
{
    int data = 0;
    device->SetDataHandler([&](THidDevice&, quint8, const quint8* bytes, quint16) {
        ++data;
        if (bytes[0] == 1)
            throw Error(QStringLiteral("bad report"));
    });
    platform.queueInput(path, reportBytes({1}));
    platform.queueInput(path, reportBytes({2}));
    // Both may come in one hand-over: the one that raised costs the other nothing.
    while (data < 2 && runOneHandOver()) {
    }
    EXPECT_EQ(data, 2);
    EXPECT_EQ(reporter.messages, QStringList({"bad report"}));
}

TEST_F(ReaderTest, ReadFailuresGoToTheErrorHandlerAndTheReaderRetries)
{
    std::vector<quint32> errors;
    int data = 0;
    device->SetReadWait(10);
    device->SetDataErrorHandler([&](THidDevice&, quint32 error) { errors.push_back(error); });
    device->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++data; });
    FakeHidFailures failing;
    failing.read = EIO;
    platform.setFailures(path, failing);
    ASSERT_TRUE(runOneHandOver());
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), quint32(EIO));

    failing = {};
    failing.startRead = EPROTO;
    platform.setFailures(path, failing);
    while (errors.back() != quint32(EPROTO) && runOneHandOver()) {
    }
    EXPECT_EQ(errors.back(), quint32(EPROTO));

    platform.setFailures(path, {});
    platform.queueInput(path, reportBytes({7}));
    while (data == 0 && runOneHandOver()) {
    }
    EXPECT_EQ(data, 1);
}

TEST_F(ReaderTest, AStopEndsAPendingReadAndLeavesNoReadBehind)
{
    device->SetReadWait(10000);
    device->SetDataHandler([](THidDevice&, quint8, const quint8*, quint16) {});
    ASSERT_TRUE(device->readerRunning());
    device->StopReader();
    EXPECT_FALSE(device->readerRunning());
    // A report queued afterwards stays for the next reader.
    platform.queueInput(path, reportBytes({5}));
    EXPECT_EQ(platform.pendingInputCount(path), 1);
}

TEST_F(ReaderTest, AnUnpluggedDeviceEndsTheReadWithoutData)
{
    int data = 0;
    std::vector<quint32> errors;
    device->SetReadWait(10);
    device->SetDataErrorHandler([&](THidDevice&, quint32 error) { errors.push_back(error); });
    device->SetDataHandler([&](THidDevice&, quint8, const quint8*, quint16) { ++data; });
    platform.unplug(path);
    ASSERT_TRUE(runOneHandOver());
    EXPECT_FALSE(errors.empty());
    EXPECT_EQ(data, 0);
    deliver();
    EXPECT_FALSE(device->present());
    controller->ReleaseDevice(device);
    EXPECT_EQ(controller->deviceCount(), 0);
}

}  // namespace
}  // namespace kv::test
