#include "core/cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kv {

QByteArray toCp1251(QStringView text)
{
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;

    // The converter writes its own substitute for an unmappable character, which is
    // indistinguishable from a real control character; redo it one character at a time.
    bytes.clear();
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            len = 2;
        QStringEncoder one("windows-1251");
        const QByteArray b = one.encode(text.mid(i, len));
        bytes.append(one.hasError() || b.size() != 1 ? QByteArray("?") : b);
        i += len - 1;
    }
    return bytes;
}

QString fromCp1251(QByteArrayView bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

}  // namespace kv
