// Typed numbers: the first byte picks the decimal separator, the rest is UTF-8 text.
#include "core/errors.h"
#include "core/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QChar separator = (data[0] & 1) ? QChar(u',') : QChar(u'.');
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    double v = 0;
    try {
        v = kv::parseFloat(text, separator);
    } catch (const kv::ConvertError&) {
        return 0;
    }
    if (!std::isfinite(v))
        std::abort();  // an overflow must be refused, not read as infinity
    // Whatever is shown can be typed back in.
    try {
        (void)kv::parseFloat(kv::formatGeneral(v, separator), separator);
    } catch (const kv::ConvertError&) {
        std::abort();
    }
    try {
        (void)kv::roundTo(v, int(data[0] % 16));
    } catch (const kv::InvalidOpError&) {
    }
    return 0;
}
