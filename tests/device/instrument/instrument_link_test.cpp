// The link over the fake provider: finding the instrument, confirming and polling it,
// routing its reports, and following it through unplug and re-plug.

#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

class RecordingView : public kv::InstrumentLinkView, public kv::ErrorReporter {
public:
    void SetLinkStatus(const QString& text) override { panel0 = text; }
    void showResistors(const QString& p2, const QString& p3) override { panel2 = p2; panel3 = p3; }
    void appendTrace(const QString& line) override { trace << line; }
    void showMeasurement(std::uint16_t count) override { counts.push_back(count); }
    void showError(const QString& message) override { errors << message; }

    QString panel0, panel2, panel3;
    QStringList trace;
    std::vector<std::uint16_t> counts;
    QStringList errors;
};

kv::FakeHidDeviceModel instrument(std::optional<QString> product = std::nullopt)
{
    kv::FakeHidDeviceModel model;
    model.attributes = {0x04D8, 0x003F, 0x0001};
    model.product = product;
    model.serial = std::nullopt;
    return model;
}

kv::FakeHidDeviceModel keyboard()
{
    kv::FakeHidDeviceModel model;
    model.attributes = {0x046D, 0xC31C, 0x0110};
    model.product = QStringLiteral("Keyboard");
    model.inputReportLength = 9;
    model.outputReportLength = 2;
    return model;
}

QByteArray inputReport(std::initializer_list<quint8> payload)
{
    QByteArray bytes(65, '\0');
    int i = 1;
    for (quint8 b : payload)
        bytes[i++] = char(b);
    return bytes;
}

QByteArray command(std::initializer_list<std::pair<int, quint8>> bytes)
{
    QByteArray out(65, '\0');
    for (auto [index, value] : bytes)
        out[index] = char(value);
    return out;
}

class InstrumentLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        timer1.setInterval(500);
        getdata.setInterval(1000);
        timer1.start();
        getdata.start();
        controller = std::make_unique<kv::THidDeviceController>(platform, view);
        link = std::make_unique<kv::InstrumentLink>(*controller, view, timer1, getdata);
    }
    void TearDown() override
    {
        link.reset();
        controller.reset();
    }

    // Runs the device-change passes posted so far, as the event loop would.
    void deliver() { QCoreApplication::sendPostedEvents(); }

    bool runOneHandOver()
    {
        for (int i = 0; i < 50; ++i)
            if (controller->waitForHandOver(100))
                return controller->processHandOvers() > 0;
        return false;
    }

    std::vector<QByteArray> writesTo(const QString& path) { return platform.writes(path); }

    kv::FakeHidPlatform platform;
    RecordingView view;
    QTimer timer1;
    QTimer getdata;
    std::unique_ptr<kv::THidDeviceController> controller;
    std::unique_ptr<kv::InstrumentLink> link;
};

TEST_F(InstrumentLinkTest, ConfirmsThePluggedInstrumentAndPollsIt)
{
    const QString kbd = platform.plug(keyboard());
    const QString path = platform.plug(instrument());
    deliver();
    ASSERT_EQ(link->deviceList().size(), 2u);
    ASSERT_NE(link->currentDevice(), nullptr);
    EXPECT_EQ(link->currentDevice()->readBufferCount() > 0, true);
    EXPECT_TRUE(link->currentDevice()->readerRunning());
    EXPECT_TRUE(view.panel0.isEmpty());

    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("Device VID=04D8 PID=003F"));
    EXPECT_FALSE(timer1.isActive());
    EXPECT_TRUE(getdata.isActive());
    ASSERT_EQ(writesTo(path).size(), 1u);
    EXPECT_EQ(writesTo(path)[0], command({{1, 0x80}, {3, 0x0B}}));

    link->GetdataTimer();
    link->GetdataTimer();
    ASSERT_EQ(writesTo(path).size(), 3u);
    EXPECT_EQ(writesTo(path)[2], command({{1, 0x80}}));
    EXPECT_TRUE(writesTo(kbd).empty());
    EXPECT_TRUE(view.errors.isEmpty());
}

TEST_F(InstrumentLinkTest, RoutesMeasurementResistorShortAndOtherReports)
{
    const QString path = platform.plug(instrument(QStringLiteral("КВ-4410")));
    deliver();
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("КВ-4410"));
    platform.clearWrites(path);

    platform.queueInput(path, inputReport({0x37, 0x40, 0x1F}));
    ASSERT_TRUE(runOneHandOver());
    ASSERT_EQ(view.counts, std::vector<std::uint16_t>{8000});
    ASSERT_EQ(view.trace.size(), 1);
    EXPECT_TRUE(view.trace[0].startsWith(QStringLiteral("RD 00  37 40 1F 00 ")));
    EXPECT_EQ(view.trace[0].size(), 7 + 64 * 3);

    platform.queueInput(path, inputReport({0x82, 0x05, 0xFA}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(view.panel2, QStringLiteral("5"));
    EXPECT_EQ(view.panel3, QStringLiteral("250"));
    EXPECT_TRUE(writesTo(path).empty());

    // Too short for its code, and an unknown code: traced, nothing else.
    platform.queueInput(path, QByteArray("\x00\x37\x10", 3));
    ASSERT_TRUE(runOneHandOver());
    platform.queueInput(path, inputReport({0x55, 0x01, 0x02}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(view.trace.size(), 4);
    EXPECT_EQ(view.trace[2], QStringLiteral("RD 00  37 10 "));
    EXPECT_EQ(view.counts.size(), 1u);
    EXPECT_EQ(view.panel3, QStringLiteral("250"));
}

TEST_F(InstrumentLinkTest, NoInstrumentAtStart)
{
    platform.plug(keyboard());
    deliver();
    EXPECT_EQ(link->currentDevice(), nullptr);
    EXPECT_EQ(link->deviceList().size(), 1u);
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
    EXPECT_FALSE(getdata.isActive());
    EXPECT_TRUE(timer1.isActive());
    view.panel0.clear();
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
}

TEST_F(InstrumentLinkTest, UnplugAndReplug)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->Timer1Timer();
    platform.queueInput(path, inputReport({0x37, 0x40, 0x1F}));
    ASSERT_TRUE(runOneHandOver());

    platform.unplug(path);
    deliver();
    EXPECT_EQ(link->currentDevice(), nullptr);
    EXPECT_TRUE(link->deviceList().empty());
    EXPECT_TRUE(getdata.isActive());
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
    EXPECT_EQ(view.counts.size(), 1u);

    const QString again = platform.plug(instrument());
    deliver();
    ASSERT_NE(link->currentDevice(), nullptr);
    EXPECT_TRUE(timer1.isActive());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("Device VID=04D8 PID=003F"));
    ASSERT_EQ(writesTo(again).size(), 1u);
    EXPECT_EQ(writesTo(again)[0], command({{1, 0x80}, {3, 0x0B}}));
}

TEST_F(InstrumentLinkTest, TheLaterOfTwoInstrumentsIsCurrentAndTheOtherTakesOver)
{
    const QString first = platform.plug(instrument(QStringLiteral("first")));
    const QString second = platform.plug(instrument(QStringLiteral("second")));
    deliver();
    ASSERT_EQ(link->deviceList().size(), 2u);
    EXPECT_EQ(link->currentDevice()->ProductText(), QStringLiteral("second"));
    EXPECT_FALSE(link->deviceList()[0].device->readerRunning());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("second"));

    platform.unplug(second);
    deliver();
    ASSERT_NE(link->currentDevice(), nullptr);
    EXPECT_EQ(link->currentDevice()->ProductText(), QStringLiteral("first"));
    EXPECT_TRUE(link->currentDevice()->readerRunning());
    EXPECT_TRUE(timer1.isActive());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("first"));
    ASSERT_EQ(writesTo(first).size(), 1u);
    EXPECT_EQ(writesTo(first)[0], command({{1, 0x80}, {3, 0x0B}}));
}

TEST_F(InstrumentLinkTest, AFailedWriteIsShownAndPollingGoesOn)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->Timer1Timer();
    kv::FakeHidFailures failures;
    failures.write = EIO;
    platform.setFailures(path, failures);
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("0 = WRITE ERROR: %1 (5)")
                               .arg(QString::fromLocal8Bit(std::strerror(EIO))));
    EXPECT_TRUE(getdata.isActive());
    EXPECT_NE(link->currentDevice(), nullptr);

    platform.setFailures(path, {});
    link->GetdataTimer();
    EXPECT_EQ(platform.writes(path).back(), command({{1, 0x80}}));
}

TEST_F(InstrumentLinkTest, WriteByteCommand)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->writeInstrumentByte(240, 0xEF);
    ASSERT_EQ(writesTo(path).size(), 1u);
    EXPECT_EQ(writesTo(path)[0], command({{2, 0x09}, {3, 240}, {4, 0xEF}}));
}

}  // namespace
