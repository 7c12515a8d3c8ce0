// A HID report descriptor as hidraw hands it out.
#include "device/hid/report_descriptor.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto layout = kv::parseReportDescriptor(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (layout && (layout->inputLength < 0 || layout->outputLength < 0 || layout->featureLength < 0))
        std::abort();
    return 0;
}
