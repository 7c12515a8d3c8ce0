#include "device/instrument/report_codec.h"

#include "core/errors.h"

#include <bit>

namespace kv {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

void appendHexByte(QString& text, std::uint8_t b)
{
    text += QChar(kHexDigits[b >> 4]);
    text += QChar(kHexDigits[b & 0x0F]);
}

QString hexWord(std::uint16_t w)
{
    return QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

DecodedReport DecodeReport(std::uint8_t /*reportId*/, std::span<const std::uint8_t> payload)
{
    if (payload.size() < 3)
        return OtherReport{};
    switch (payload[0]) {
    case kMeasurementCode:
        return MeasurementReport{std::uint16_t(payload[1] + 256 * payload[2])};
    case kResistorCode:
        return ResistorReport{payload[1], payload[2]};
    default:
        return OtherReport{};
    }
}

QByteArray EncodeCommand(const CommandBytes& bytes, int outputReportLength)
{
    QByteArray report(qMax(outputReportLength, 0), '\0');
    for (int i = 0; i < int(bytes.size()); ++i)
        if (bytes[std::size_t(i)] && i + 1 < report.size())
            report[i + 1] = char(*bytes[std::size_t(i)]);
    return report;
}

CommandBytes pollCommand() { return {0x80, std::nullopt, std::nullopt, std::nullopt}; }
CommandBytes connectCommand() { return {0x80, std::nullopt, 0x0B, std::nullopt}; }
CommandBytes writeByteCommand(std::uint8_t address, std::uint8_t value)
{
    return {std::nullopt, kWriteByteCode, address, value};
}
CommandBytes afterWriteCommand() { return {std::nullopt, 0x0B, 0xF0, std::nullopt}; }
CommandBytes registerCommand(std::uint8_t reg, std::uint8_t value)
{
    return {std::nullopt, 0x05, reg, value};
}

CommandBytes fixedOffsetCommand() { return registerCommand(0x0A, 0x05); }

std::array<std::uint8_t, 4> singlePrecisionBytes(double v)
{
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(v));
    return {std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16),
            std::uint8_t(bits >> 24)};
}

std::array<CommandBytes, 11> systemCorrectionCommands(double a, double b)
{
    std::array<CommandBytes, 11> commands;
    const auto aBytes = singlePrecisionBytes(a);
    const auto bBytes = singlePrecisionBytes(b);
    for (std::uint8_t i = 0; i < 4; ++i) {
        commands[i] = writeByteCommand(std::uint8_t(kCorrectionAddressA + i), aBytes[i]);
        commands[4 + i] = writeByteCommand(std::uint8_t(kCorrectionAddressB + i), bBytes[i]);
    }
    commands[8] = afterWriteCommand();
    commands[9] = registerCommand(15, 0);
    commands[10] = registerCommand(16, 0);
    return commands;
}

QString TraceLine(std::uint8_t reportId, std::span<const std::uint8_t> payload)
{
    QString line;
    line.reserve(7 + 3 * qsizetype(payload.size()));
    line += QStringLiteral("RD ");
    appendHexByte(line, reportId);
    line += QStringLiteral("  ");
    for (std::uint8_t b : payload) {
        appendHexByte(line, b);
        line += u' ';
    }
    return line;
}

QString DeviceDisplayName(const QString& productText, std::uint16_t vendorId,
                          std::uint16_t productId, const QString& serialText)
{
    QString name = productText;
    if (name.isEmpty())
        name = QStringLiteral("Device VID=%1 PID=%2").arg(hexWord(vendorId), hexWord(productId));
    if (!serialText.isEmpty())
        name += QStringLiteral(" (Serial=%1)").arg(serialText);
    return name;
}

QString WriteErrorText(qint64 bytesWritten, int errorCode)
{
    return QStringLiteral("%1 = WRITE ERROR: %2 (%3)")
        .arg(bytesWritten)
        .arg(systemErrorText(errorCode))
        .arg(QString::number(uint(errorCode), 16).toUpper());
}

}  // namespace kv
