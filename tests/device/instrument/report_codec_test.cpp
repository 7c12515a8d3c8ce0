#include "device/instrument/report_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReportCodec, DecodesMeasurementsAndResistors)
{
    auto count = [](Bytes payload) {
        const auto r = kv::DecodeReport(0, payload);
        return std::get<kv::MeasurementReport>(r).periodCount;
    };
    EXPECT_EQ(count({0x37, 0x10, 0x27, 0x00}), 10000);
    EXPECT_EQ(count({0x37, 0xFF, 0xFF}), 65535);
    EXPECT_EQ(count({0x37, 0x40, 0x1F}), 8000);
    EXPECT_EQ(count({0x37, 0x00, 0x00}), 0);

    const Bytes resistor = {0x82, 0x05, 0xFA, 0x00};
    const auto r = std::get<kv::ResistorReport>(kv::DecodeReport(0, resistor));
    EXPECT_EQ(r.resistor1, 5);
    EXPECT_EQ(r.resistor2, 250);
}

TEST(ReportCodec, CorrectionBytesAreLittleEndianSinglePrecision)
{
    using B = std::array<std::uint8_t, 4>;
    EXPECT_EQ(kv::singlePrecisionBytes(1.0), (B{0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(kv::singlePrecisionBytes(0.0), (B{0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(kv::singlePrecisionBytes(-2.5), (B{0x00, 0x00, 0x20, 0xC0}));

    // a = 1, b = 0: the identity, to 240..247, then (11, 240), (5, 15, 0), (5, 16, 0).
    const auto commands = kv::systemCorrectionCommands(1.0, 0.0);
    const std::array<std::uint8_t, 8> values = {0, 0, 0x80, 0x3F, 0, 0, 0, 0};
    for (std::uint8_t i = 0; i < 8; ++i)
        EXPECT_EQ(commands[i], kv::writeByteCommand(std::uint8_t(240 + i), values[i])) << int(i);
    EXPECT_EQ(commands[8], (kv::CommandBytes{std::nullopt, 11, 240, std::nullopt}));
    EXPECT_EQ(commands[9], kv::registerCommand(15, 0));
    EXPECT_EQ(commands[10], kv::registerCommand(16, 0));
    EXPECT_EQ(kv::fixedOffsetCommand(), kv::registerCommand(10, 5));
}

TEST(ReportCodec, ShortOrUnknownReportsAreOther)
{
    for (const Bytes& payload : {Bytes{}, Bytes{0x37}, Bytes{0x37, 0x10}, Bytes{0x82, 0x05},
                                 Bytes{0x38, 0x10, 0x27}, Bytes{0x00, 0x00, 0x00}})
        EXPECT_TRUE(std::holds_alternative<kv::OtherReport>(kv::DecodeReport(0, payload)));
}

TEST(ReportCodec, EncodesCommandsZeroFilledToTheOutputLength)
{
    const QByteArray connect = kv::EncodeCommand(kv::connectCommand(), 65);
    ASSERT_EQ(connect.size(), 65);
    QByteArray expected(65, '\0');
    expected[1] = char(0x80);
    expected[3] = char(0x0B);
    EXPECT_EQ(connect, expected);

    const QByteArray write = kv::EncodeCommand(kv::writeByteCommand(240, 0xEF), 65);
    EXPECT_EQ(write.left(5), QByteArray("\x00\x00\x09\xF0\xEF", 5));
    EXPECT_EQ(write.count('\0'), 62);

    EXPECT_EQ(kv::EncodeCommand(kv::registerCommand(0x0A, 5), 65).left(5),
              QByteArray("\x00\x00\x05\x0A\x05", 5));
    EXPECT_EQ(kv::EncodeCommand(kv::afterWriteCommand(), 65).left(5),
              QByteArray("\x00\x00\x0B\xF0\x00", 5));

    // A device with shorter output reports gets what fits, and nothing for no reports.
    EXPECT_EQ(kv::EncodeCommand(kv::writeByteCommand(1, 2), 3), QByteArray("\x00\x00\x09", 3));
    EXPECT_TRUE(kv::EncodeCommand(kv::pollCommand(), 0).isEmpty());
}

TEST(ReportCodec, TraceLineShowsEveryByteInUpperCaseHex)
{
    EXPECT_EQ(kv::TraceLine(0, Bytes{0x37, 0x10, 0x27}), QStringLiteral("RD 00  37 10 27 "));
    EXPECT_EQ(kv::TraceLine(0xAB, Bytes{}), QStringLiteral("RD AB  "));
    Bytes full(64, 0);
    full[0] = 0x37;
    full[1] = 0x40;
    full[2] = 0x1F;
    const QString line = kv::TraceLine(0, full);
    EXPECT_TRUE(line.startsWith(QStringLiteral("RD 00  37 40 1F 00 ")));
    EXPECT_EQ(line.size(), 7 + 64 * 3);
}

TEST(ReportCodec, DisplayNames)
{
    EXPECT_EQ(kv::DeviceDisplayName({}, 0x04D8, 0x003F, {}),
              QStringLiteral("Device VID=04D8 PID=003F"));
    EXPECT_EQ(kv::DeviceDisplayName(QStringLiteral("X"), 0x04D8, 0x003F, QStringLiteral("A1")),
              QStringLiteral("X (Serial=A1)"));
    EXPECT_EQ(kv::DeviceDisplayName({}, 0x04D8, 0x003F, QStringLiteral("A1")),
              QStringLiteral("Device VID=04D8 PID=003F (Serial=A1)"));
    EXPECT_EQ(kv::DeviceDisplayName({}, 0xabcd, 0x1, {}), QStringLiteral("Device VID=ABCD PID=0001"));
}

TEST(ReportCodec, WriteErrorText)
{
    EXPECT_EQ(kv::WriteErrorText(0, 0x48F),
              QStringLiteral("0 = WRITE ERROR: Unknown error 1167 (48F)"));
    EXPECT_EQ(kv::WriteErrorText(0, ENODEV),
              QStringLiteral("0 = WRITE ERROR: %1 (13)").arg(QString::fromLocal8Bit(std::strerror(ENODEV))));
}

}  // namespace
