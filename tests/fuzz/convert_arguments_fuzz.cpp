// The converter's command line: NUL-separated UTF-8 arguments; the first byte picks the
// locale's decimal separator.
#include "convert_options.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QChar locale = (data[0] & 1) ? QChar(u',') : QChar(u'.');
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QStringList args;
    for (const QByteArray& arg : bytes.split('\0'))
        args << QString::fromUtf8(arg);
    try {
        (void)kv::parseConvertArguments(args, locale);
    } catch (const kv::ConvertUsageError&) {
    }
    (void)kv::echoForMessage(args.join(u' '));
    return 0;
}
