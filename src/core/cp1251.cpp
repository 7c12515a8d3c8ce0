#include "core/cp1251.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace kv {

namespace {

// The 256 characters of the code page, decoded once by the system's converter; opening a
// converter costs more than converting a short text, and calibration names are decoded
// with every reading.
class Cp1251Table {
public:
    Cp1251Table()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        QStringDecoder decoder("windows-1251");
        if (decoder.isValid())
            m_chars = decoder.decode(all);
        m_available = m_chars.size() == 256;
        // Without the converter nothing can be read right; the program refuses to start
        // (see cp1251Available), and a table of '?' keeps any other caller safe.
        if (!m_available)
            m_chars = QString(256, u'?');
        for (int b = 0; b < 256; ++b) {
            const char16_t u = m_chars[b].unicode();
            m_bytes.insert(u, char(b));
            if (u >= kCyrillic && u < kCyrillic + 0x100)
                m_cyrillic[u - kCyrillic] = char(b);
        }
    }

    bool available() const { return m_available; }
    QChar decode(std::uint8_t b) const { return m_chars[b]; }
    char encode(char16_t c) const
    {
        // The letters of a journal, looked up without hashing.
        if (c >= kCyrillic && c < kCyrillic + 0x100 && m_cyrillic[c - kCyrillic] != 0)
            return m_cyrillic[c - kCyrillic];
        return m_bytes.value(c, '?');
    }

    static const Cp1251Table& instance()
    {
        static const Cp1251Table table;
        return table;
    }

private:
    bool m_available = false;
    QString m_chars;
    static constexpr char16_t kCyrillic = 0x0400;
    QHash<char16_t, char> m_bytes;
    std::array<char, 0x100> m_cyrillic{};
};

}  // namespace

bool cp1251Available()
{
    return Cp1251Table::instance().available();
}

void appendCp1251(QByteArray& bytes, QStringView text)
{
    const Cp1251Table& table = Cp1251Table::instance();
    const qsizetype at = bytes.size();
    bytes.resize(at + text.size());
    char* out = bytes.data() + at;
    char* const start = out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            *out++ = '?';  // a character beyond the basic plane is never in the code page
            ++i;
            continue;
        }
        *out++ = c.unicode() < 0x80 ? char(c.unicode()) : table.encode(c.unicode());
    }
    bytes.truncate(at + (out - start));
}

QByteArray toCp1251(QStringView text)
{
    QByteArray bytes;
    appendCp1251(bytes, text);
    return bytes;
}

QString fromCp1251(QByteArrayView bytes)
{
    const Cp1251Table& table = Cp1251Table::instance();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes)
        *out++ = table.decode(std::uint8_t(b));
    return text;
}

}  // namespace kv
