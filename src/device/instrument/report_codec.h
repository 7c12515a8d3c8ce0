#pragma once
// The instrument's reports and commands as bytes, and the texts the link shows for them.
// Byte 0 of every report is the report identifier; the program writes identifier 0 and
// never checks it on input. The payload is the report without byte 0.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace kv {

inline constexpr std::uint16_t kInstrumentVendorId = 0x04D8;
inline constexpr std::uint16_t kInstrumentProductId = 0x003F;

inline constexpr std::uint8_t kMeasurementCode = 0x37;
inline constexpr std::uint8_t kResistorCode = 0x82;

struct MeasurementReport {
    std::uint16_t periodCount;
};
struct ResistorReport {
    std::uint8_t resistor1;
    std::uint8_t resistor2;
};
struct OtherReport {};

using DecodedReport = std::variant<MeasurementReport, ResistorReport, OtherReport>;

// Payload byte 0 is the code. A payload too short for its code (3 bytes) is "other".
DecodedReport DecodeReport(std::uint8_t reportId, std::span<const std::uint8_t> payload);

// Byte 2 of a command that writes byte 4 into the instrument's memory at address byte 3.
inline constexpr std::uint8_t kWriteByteCode = 0x09;

// Bytes 1..4 of a command; a byte not given is sent as 0.
using CommandBytes = std::array<std::optional<std::uint8_t>, 4>;

// A zero-filled output report of the device's output length, byte 0 = 0 (report
// identifier) and the given bytes 1..4 where the length reaches them.
QByteArray EncodeCommand(const CommandBytes& bytes, int outputReportLength);

// The commands the program sends.
CommandBytes pollCommand();                                      // 0x80
CommandBytes connectCommand();                                   // 0x80, -, 0x0B
CommandBytes writeByteCommand(std::uint8_t address, std::uint8_t value);  // -, 0x09, address, value
CommandBytes afterWriteCommand();                                // -, 0x0B, 0xF0
CommandBytes registerCommand(std::uint8_t reg, std::uint8_t value);       // -, 0x05, reg, value
CommandBytes fixedOffsetCommand();                               // -, 0x05, 0x0A, 0x05

// Where the system correction lives in the instrument's memory: a at 240..243, b at
// 244..247, each a little-endian IEEE single-precision number.
inline constexpr std::uint8_t kCorrectionAddressA = 240;
inline constexpr std::uint8_t kCorrectionAddressB = 244;

// The four bytes of v rounded to single precision, least significant first.
std::array<std::uint8_t, 4> singlePrecisionBytes(double v);

// The eleven commands that write a correction: eight write-byte commands carrying a and b
// to 240..247, then the after-write command and the two register commands (15, 0) and
// (16, 0) that make the instrument take it.
std::array<CommandBytes, 11> systemCorrectionCommands(double a, double b);

// "RD 00  37 40 1F ": the identifier, two blanks, then every payload byte and a blank.
QString TraceLine(std::uint8_t reportId, std::span<const std::uint8_t> payload);

// The product string when there is one, else "Device VID=04D8 PID=003F"; a serial number
// adds " (Serial=...)".
QString DeviceDisplayName(const QString& productText, std::uint16_t vendorId,
                          std::uint16_t productId, const QString& serialText);

// "<written> = WRITE ERROR: <system text> (<code in upper-case hex>)".
QString WriteErrorText(qint64 bytesWritten, int errorCode);

}  // namespace kv
