// An input report as the reader thread hands it over: identifier byte, then the payload.
#include "device/instrument/report_codec.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> payload(data + 1, size - 1);
    (void)kv::DecodeReport(data[0], payload);
    (void)kv::TraceLine(data[0], payload);
    return 0;
}
