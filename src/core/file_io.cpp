#include "core/file_io.h"

#include "core/errors.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { if (m_fd >= 0) ::close(m_fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release() { int fd = m_fd; m_fd = -1; return fd; }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

QByteArray readWholeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    Fd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw FileOpenError(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw FileOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        throw FileOpenError(path, EISDIR);

    QByteArray data;
    if (st.st_size > 0)
        data.reserve(qsizetype(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileOpenError(path, errno);
        }
        if (n == 0)
            break;
        data.append(chunk, qsizetype(n));
    }
    return data;
}

void replaceFileAtomically(const QString& path, QByteArrayView data)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw FileCreateError(path, EISDIR);
    // A file the user may not write stays as it is, as an overwrite in place would.
    if (exists && ::access(target.constData(), W_OK) != 0)
        throw FileCreateError(path, errno);

    QByteArray temp = target + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        throw FileCreateError(path, errno);

    auto discard = [&] { ::unlink(temp.constData()); };
    ::fcntl(fd.get(), F_SETFD, FD_CLOEXEC);
    if (::fchmod(fd.get(), exists ? (old.st_mode & 07777) : newFileMode()) != 0) {
        const int err = errno;
        discard();
        throw FileCreateError(path, err);
    }
    if (!writeAll(fd.get(), data.data(), data.size()) || ::fsync(fd.get()) != 0) {
        discard();
        throw StreamWriteError();
    }
    if (::close(fd.release()) != 0) {
        discard();
        throw StreamWriteError();
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int err = errno;
        discard();
        throw FileCreateError(path, err);
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    Fd dirFd(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
}

}  // namespace kv
