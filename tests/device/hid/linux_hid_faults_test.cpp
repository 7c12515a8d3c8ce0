// Faults of the Linux provider and the controller that only show with real udev
// behaviour: access granted after the device was listed, no access at all, events while
// an error box is open, and a node that is gone before it is opened.

#include "linux_hid_link_fixture.h"

#include "device/hid/hid_device.h"
#include "device/instrument/report_codec.h"

#include <cerrno>

namespace kv::test {
namespace {

using LinuxHidFaults = LinuxHidLinkTest;

// Listed before udev gave the user access: once the access comes, the device must read.
TEST_F(LinuxHidFaults, AnInstrumentListedBeforeItsAccessGetsAReaderOnceAccessComes)
{
    EmulatedHidDevice& instrument = plugInstrument(false);
    startLink();
    ASSERT_TRUE(settle([&] { return connected(); }));
    link->Timer1Timer();
    THidDevice* device = link->currentDevice();

    // udev applies the access and announces the device; nothing is recreated.
    instrument.setAccessible(true);
    bed->uevent(instrument, "add");
    runEventLoopFor(200);
    ASSERT_EQ(link->currentDevice(), device);
    link->GetdataTimer();
    ASSERT_EQ(instrument.writeCount(), 1);
    ASSERT_TRUE(settle([&] { return !view.counts.empty(); }, 3000)) << "no reading arrived";
    EXPECT_EQ(view.counts.front(), 8000);
}

TEST_F(LinuxHidFaults, WithoutAccessTheWriteErrorNamesTheRealCauseAndAccessLaterRecovers)
{
    EmulatedHidDevice& instrument = plugInstrument(false);
    startLink();
    ASSERT_TRUE(settle([&] { return connected(); }));
    link->Timer1Timer();
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, WriteErrorText(0, EACCES));
    EXPECT_EQ(instrument.writeCount(), 0);

    // The rule installed and udev triggered: a "change" for the same device.
    instrument.setAccessible(true);
    bed->uevent(instrument, "change");
    link->GetdataTimer();
    EXPECT_EQ(instrument.writeCount(), 1);
    EXPECT_TRUE(settle([&] { return !view.counts.empty(); }, 3000)) << "no reading arrived";
}

// Shows each error as a message box does: its own event loop runs until it is closed.
class ModalReporter : public ErrorReporter {
public:
    void showError(const QString& message) override
    {
        messages << message;
        if (whileOpen)
            std::exchange(whileOpen, nullptr)();
        QDeadlineTimer closed(300);
        while (!closed.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QStringList messages;
    std::function<void()> whileOpen;
};

TEST_F(LinuxHidFaults, AnUnplugWhileAnErrorBoxIsOpenIsNotLost)
{
    ModalReporter boxes;
    EmulatedHidDevice& instrument = plugInstrument();
    startLink(&boxes);
    ASSERT_TRUE(settle([&] { return connected(); }));
    link->Timer1Timer();

    // A device nobody can identify comes; its error box is open when the instrument goes.
    boxes.whileOpen = [&] { bed->unplug(instrument); };
    bed->plug(unidentifiedDevice());
    ASSERT_TRUE(settle([&] { return !boxes.messages.isEmpty() && !boxes.whileOpen; }));
    EXPECT_EQ(boxes.messages, QStringList{QStringLiteral("Device cannot be identified")});

    EXPECT_TRUE(settle([&] { return !connected(); }, 2000)) << "the unplug was lost";
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
    link.reset();
    controller.reset();
}

TEST_F(LinuxHidFaults, ANodeGoneBeforeItsOpenIsLeftOutWithoutAMessage)
{
    EmulatedHidDevice& instrument = plugInstrument();
    instrument.removeNodeOnly();  // udev still lists it
    startLink();
    QCoreApplication::sendPostedEvents();  // the first pass
    runEventLoopFor(200);                   // and the one of the "add" event
    EXPECT_TRUE(view.errors.isEmpty()) << view.errors.join(u'\n').toStdString();
    EXPECT_EQ(controller->deviceCount(), 0);
    EXPECT_FALSE(connected());
}

}  // namespace
}  // namespace kv::test
