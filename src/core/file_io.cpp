#include "core/file_io.h"

#include "core/errors.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <system_error>
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

// Follows symbolic links to the file they finally name, which need not exist yet.
// Relative links are taken from the folder of the link.
QByteArray resolveLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n <= 0 || n >= ssize_t(sizeof buffer))
            return path;
        QByteArray link(buffer, qsizetype(n));
        if (!link.startsWith('/')) {
            const qsizetype slash = path.lastIndexOf('/');
            link.prepend(slash >= 0 ? path.left(slash + 1) : QByteArray());
        }
        path = link;
    }
    return path;  // a loop: the open reports it
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray baseNameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The names mkstemp makes from "<name>.XXXXXX".
bool isTempNameOf(const char* entry, const QByteArray& base)
{
    const std::size_t length = std::strlen(entry);
    const std::size_t baseLength = std::size_t(base.size());
    if (length != baseLength + 7 || std::memcmp(entry, base.constData(), baseLength) != 0
        || entry[baseLength] != '.')
        return false;
    for (std::size_t i = baseLength + 1; i < length; ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// A save killed between creating its temporary file and the rename leaves the file
// behind, as large as the data. Only regular files with exactly that name shape go.
void removeLeftoverTemps(const QByteArray& target)
{
    const QByteArray folder = folderOf(target);
    const QByteArray base = baseNameOf(target);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTempNameOf(entry->d_name, base))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

void syncFolder(const QByteArray& target)
{
    Fd dirFd(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
}

// Rewrites the file through its own inode: links, owner, group and mode stay. The data
// goes over the old bytes first and the rest is cut after, so a save no longer than the
// old file needs no new disk space.
void writeInPlace(const QString& path, const QByteArray& target, QByteArrayView data)
{
    Fd fd(::open(target.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY,
                 mode_t(newFileMode())));
    if (fd.get() < 0)
        throw FileCreateError(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw FileCreateError(path, errno);
    if (!S_ISREG(st.st_mode))
        throw FileCreateError(path, EINVAL);
    if (!writeAll(fd.get(), data.data(), data.size())
        || ::ftruncate(fd.get(), off_t(data.size())) != 0 || ::fsync(fd.get()) != 0
        || ::close(fd.release()) != 0)
        throw StreamWriteError(errno);
}

enum class TempOutcome { Done, UseInPlace };

// The all-or-nothing way. UseInPlace where this folder or
// this file doesn't allow it; raises when the data itself can't be written, since
// writing in place would then destroy the old file as well.
TempOutcome replaceThroughTemp(const QByteArray& target, const struct stat* old,
                               QByteArrayView data)
{
    QByteArray temp = target + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return TempOutcome::UseInPlace;
    }
    auto discard = [&] { ::unlink(temp.constData()); };
    if (old) {
        // Owner and group first: a change of owner clears the set-id bits of the mode.
        if (::fchown(fd.get(), old->st_uid, old->st_gid) != 0
            && ::fchown(fd.get(), uid_t(-1), old->st_gid) != 0) {
            // Without its group a shared file would lock out the others who write it.
                discard();
            return TempOutcome::UseInPlace;
        }
    }
    if (::fchmod(fd.get(), old ? (old->st_mode & 07777) : mode_t(newFileMode())) != 0) {
        discard();
        return TempOutcome::UseInPlace;
    }
    if (!writeAll(fd.get(), data.data(), data.size()) || ::fsync(fd.get()) != 0
        || ::close(fd.release()) != 0) {
        const int error = errno;
        discard();
        throw StreamWriteError(error);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        // A sticky folder refuses to replace another user's file, for instance.
        discard();
        return TempOutcome::UseInPlace;
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    syncFolder(target);
    return TempOutcome::Done;
}

unsigned umaskFromProc()
{
    std::FILE* f = std::fopen("/proc/self/status", "re");
    if (!f)
        return 022;
    unsigned mask = 022;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1)
            break;
    }
    std::fclose(f);
    return mask & 0777;
}

}  // namespace

unsigned newFileMode()
{
    return 0666u & ~umaskFromProc();
}

QByteArray readWholeFile(const QString& path)
{
    return readWholeFile(path, std::numeric_limits<qint64>::max());
}

QByteArray readWholeFile(const QString& path, qint64 maxSize)
{
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK opening a named pipe waits for a writer for ever.
    Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        throw FileOpenError(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw FileOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        throw FileOpenError(path, EISDIR);
    if (!S_ISREG(st.st_mode))
        throw FileOpenError(path, QStringLiteral("Not a regular file"));
    if (st.st_size > maxSize)
        throw FileOpenError(path, EFBIG);

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
        // The file may grow while it is read.
        if (data.size() + n > maxSize)
            throw FileOpenError(path, EFBIG);
        data.append(chunk, qsizetype(n));
    }
    return data;
}

void replaceFileAtomically(const QString& path, QByteArrayView data)
{
    const QByteArray target = resolveLinks(QFile::encodeName(path));
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw FileCreateError(path, EISDIR);
    if (exists && !S_ISREG(old.st_mode))
        throw FileCreateError(path, EINVAL);
    // A file the user may not write stays as it is, as an overwrite in place would.
    if (exists && ::access(target.constData(), W_OK) != 0)
        throw FileCreateError(path, errno);

    // A new file in place of one with other hard links would part it from them.
    if (!(exists && old.st_nlink > 1)) {
        if (replaceThroughTemp(target, exists ? &old : nullptr, data)
            == TempOutcome::Done) {
            removeLeftoverTemps(target);
            return;
        }
    }
    writeInPlace(path, target, data);
    removeLeftoverTemps(target);
}

void copyFileSafely(const QString& from, const QString& to)
{
    replaceFileAtomically(to, readWholeFile(from));
}

QString createDirectories(const QString& path)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(path).toStdString(), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
}

}  // namespace kv
