// The link over the fake provider: finding the instrument, confirming and polling it,
// routing its reports, and following it through unplug and re-plug.

#include "link_test_fixture.h"

#include "device/hid/hid_device.h"

#include <cerrno>
#include <cstring>

namespace kv::test {
namespace {

using InstrumentLinkTest = LinkTest;

FakeHidDeviceModel instrument(std::optional<QString> product = std::nullopt)
{
    return fakeInstrument(std::move(product));
}

FakeHidDeviceModel keyboard()
{
    FakeHidDeviceModel model;
    model.attributes = {0x046D, 0xC31C, 0x0110};
    model.product = QStringLiteral("Keyboard");
    model.inputReportLength = 9;
    model.outputReportLength = 2;
    return model;
}

QByteArray command(std::initializer_list<std::pair<int, quint8>> bytes)
{
    QByteArray out(65, '\0');
    for (auto [index, value] : bytes)
        out[index] = char(value);
    return out;
}

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
    EXPECT_FALSE(timer1().isActive());
    EXPECT_TRUE(getdata().isActive());
    ASSERT_EQ(platform.writes(path).size(), 1u);
    EXPECT_EQ(platform.writes(path)[0], command({{1, 0x80}, {3, 0x0B}}));

    link->GetdataTimer();
    link->GetdataTimer();
    ASSERT_EQ(platform.writes(path).size(), 3u);
    EXPECT_EQ(platform.writes(path)[2], command({{1, 0x80}}));
    EXPECT_TRUE(platform.writes(kbd).empty());
    EXPECT_TRUE(view.errors.isEmpty());
}

TEST_F(InstrumentLinkTest, RoutesMeasurementResistorShortAndOtherReports)
{
    const QString path = platform.plug(instrument(QStringLiteral("КВ-4410")));
    deliver();
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("КВ-4410"));
    platform.clearWrites(path);

    platform.queueInput(path, reportBytes({0x37, 0x40, 0x1F}));
    ASSERT_TRUE(runOneHandOver());
    ASSERT_EQ(view.counts, std::vector<std::uint16_t>{8000});
    ASSERT_EQ(view.trace.size(), 1);
    EXPECT_TRUE(view.trace[0].startsWith(QStringLiteral("RD 00  37 40 1F 00 ")));
    EXPECT_EQ(view.trace[0].size(), 7 + 64 * 3);

    platform.queueInput(path, reportBytes({0x82, 0x05, 0xFA}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(view.panel2, QStringLiteral("5"));
    EXPECT_EQ(view.panel3, QStringLiteral("250"));
    EXPECT_TRUE(platform.writes(path).empty());

    // Too short for its code, and an unknown code: traced, nothing else.
    platform.queueInput(path, QByteArray("\x00\x37\x10", 3));
    ASSERT_TRUE(runOneHandOver());
    platform.queueInput(path, reportBytes({0x55, 0x01, 0x02}));
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
    EXPECT_FALSE(getdata().isActive());
    EXPECT_TRUE(timer1().isActive());
    view.panel0.clear();
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
}

TEST_F(InstrumentLinkTest, UnplugAndReplug)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->Timer1Timer();
    platform.queueInput(path, reportBytes({0x37, 0x40, 0x1F}));
    ASSERT_TRUE(runOneHandOver());

    platform.unplug(path);
    deliver();
    EXPECT_EQ(link->currentDevice(), nullptr);
    EXPECT_TRUE(link->deviceList().empty());
    EXPECT_TRUE(getdata().isActive());
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("Нет подключения"));
    EXPECT_EQ(view.counts.size(), 1u);

    const QString again = platform.plug(instrument());
    deliver();
    ASSERT_NE(link->currentDevice(), nullptr);
    EXPECT_TRUE(timer1().isActive());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("Device VID=04D8 PID=003F"));
    ASSERT_EQ(platform.writes(again).size(), 1u);
    EXPECT_EQ(platform.writes(again)[0], command({{1, 0x80}, {3, 0x0B}}));
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
    EXPECT_TRUE(timer1().isActive());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("first"));
    ASSERT_EQ(platform.writes(first).size(), 1u);
    EXPECT_EQ(platform.writes(first)[0], command({{1, 0x80}, {3, 0x0B}}));
}

TEST_F(InstrumentLinkTest, AFailedWriteIsShownAndPollingGoesOn)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->Timer1Timer();
    FakeHidFailures failures;
    failures.write = EIO;
    platform.setFailures(path, failures);
    link->GetdataTimer();
    EXPECT_EQ(view.panel0, QStringLiteral("0 = WRITE ERROR: %1 (5)")
                               .arg(QString::fromLocal8Bit(std::strerror(EIO))));
    EXPECT_TRUE(getdata().isActive());
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
    ASSERT_EQ(platform.writes(path).size(), 1u);
    EXPECT_EQ(platform.writes(path)[0], command({{2, 0x09}, {3, 240}, {4, 0xEF}}));
}

TEST_F(InstrumentLinkTest, ASystemCorrectionGoesOutAsElevenCommandsWithNoPollBetween)
{
    const QString path = platform.plug(instrument());
    deliver();
    link->Timer1Timer();
    platform.clearWrites(path);
    // Getdata must be off while the commands go out: a poll among them is a failure.
    bool pollingDuringWrites = false;
    platform.setWriteHook([&](const QString&, const QByteArray&) {
        pollingDuringWrites = pollingDuringWrites || getdata().isActive();
    });
    link->writeSystemCorrection(0.9333333333333333, 7.333333333333333);
    platform.setWriteHook(nullptr);
    EXPECT_FALSE(pollingDuringWrites);
    EXPECT_TRUE(getdata().isActive());

    const std::array<quint8, 8> bytes = {0xEF, 0xEE, 0x6E, 0x3F, 0xAB, 0xAA, 0xEA, 0x40};
    const auto& writes = platform.writes(path);
    ASSERT_EQ(writes.size(), 11u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(writes[std::size_t(i)], command({{2, 0x09}, {3, quint8(240 + i)}, {4, bytes[std::size_t(i)]}})) << i;
    EXPECT_EQ(writes[8], command({{2, 11}, {3, 240}}));
    EXPECT_EQ(writes[9], command({{2, 5}, {3, 15}}));
    EXPECT_EQ(writes[10], command({{2, 5}, {3, 16}}));
}

TEST_F(InstrumentLinkTest, ACorrectionWithoutAnInstrumentSaysSoElevenTimesAndPollsAfter)
{
    link->stop();
    int notices = 0;
    QObject::connect(link.get(), &InstrumentLink::linkStatusChanged, [&](const QString& text) {
        notices += text == QStringLiteral("Нет подключения");
    });
    link->writeSystemCorrection(1, 0);
    EXPECT_EQ(notices, 11);
    EXPECT_TRUE(getdata().isActive());
}

}  // namespace
}  // namespace kv::test
