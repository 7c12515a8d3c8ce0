#include "app/change_log.h"

#include "core/errors.h"
#include "core/file_io.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kv {

namespace {

const QByteArray kMagic = QByteArrayLiteral("kv4410pc change log 1\n");
constexpr qsizetype kFieldSize = 4;
// A record larger than this is damage, not a change (a whole calibration list is 16 MB).
constexpr quint32 kMaxRecordSize = 64u * 1024 * 1024;

void putU32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

quint32 getU32(const char* p)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(p[i]);
    return v;
}


}  // namespace

quint32 ChangeLog::crc32(const QByteArray& bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = table[(c ^ quint8(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray ChangeLog::frame(const QByteArray& record)
{
    QByteArray out;
    out.reserve(record.size() + 2 * kFieldSize);
    putU32(out, quint32(record.size()));
    putU32(out, crc32(record));
    out += record;
    return out;
}

std::optional<ChangeLog::Content> ChangeLog::read(const QString& path)
{
    if (!QFile::exists(path))
        return std::nullopt;
    const QByteArray bytes = readWholeFile(path, qint64(kMaxRecordSize) * 16);
    Content content;
    if (!bytes.startsWith(kMagic)) {
        content.tornTail = true;
        return content;
    }
    qsizetype pos = kMagic.size();
    bool first = true;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 2 * kFieldSize) {
            content.tornTail = true;
            break;
        }
        const quint32 length = getU32(bytes.constData() + pos);
        const quint32 crc = getU32(bytes.constData() + pos + kFieldSize);
        if (length > kMaxRecordSize || qsizetype(length) > bytes.size() - pos - 2 * kFieldSize) {
            content.tornTail = true;
            break;
        }
        QByteArray record = bytes.mid(pos + 2 * kFieldSize, qsizetype(length));
        if (crc32(record) != crc) {
            content.tornTail = true;
            break;
        }
        pos += 2 * kFieldSize + qsizetype(length);
        // The first record is the base.
        if (first)
            content.base = std::move(record);
        else
            content.records.push_back(std::move(record));
        first = false;
    }
    return content;
}

ChangeLog::~ChangeLog()
{
    close();
}

void ChangeLog::start(const QString& path, const QByteArray& base)
{
    close();
    // A new log replaces the old one whole, flushed, or not at all.
    replaceFileAtomically(path, kMagic + frame(base));
    openForAppend(path);
}

void ChangeLog::resume(const QString& path)
{
    close();
    openForAppend(path);
}

void ChangeLog::openForAppend(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        throw FileCreateError(path, errno);
    m_path = path;
    m_fd = fd;
    m_stop = false;
    m_writer = std::thread([this] { run(); });
}

void ChangeLog::append(QByteArray record)
{
    if (m_fd < 0)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(frame(record));
    }
    m_wake.notify_one();
}

void ChangeLog::flush()
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

QString ChangeLog::takeFailure()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_failure, QString());
}

void ChangeLog::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty() && m_stop)
            return;
        // Everything queued goes out in one write and one flush.
        QByteArray batch;
        while (!m_queue.empty()) {
            batch += m_queue.front();
            m_queue.pop_front();
        }
        m_busy = true;
        lock.unlock();
        int error = 0;
        if (!writeFully(m_fd, batch) || ::fdatasync(m_fd) != 0)
            error = errno;
        lock.lock();
        m_busy = false;
        if (error != 0 && m_failure.isEmpty())
            m_failure = StreamWriteError(m_path, error).message();
        m_done.notify_all();
    }
}

void ChangeLog::stopWriter()
{
    if (!m_writer.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

void ChangeLog::close()
{
    stopWriter();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void ChangeLog::remove()
{
    close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

}  // namespace kv
