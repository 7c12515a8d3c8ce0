#include "core/file_io.h"

#include "core/errors.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
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
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <utility>
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

// Writes all of data: at `offset` when one is given (the position is then left alone),
// else at the file's position.
bool writeAll(int fd, const char* data, qsizetype size, std::optional<off_t> offset = std::nullopt)
{
    while (size > 0) {
        const ssize_t n = offset ? ::pwrite(fd, data, std::size_t(size), *offset)
                                 : ::write(fd, data, std::size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
        if (offset)
            *offset += n;
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

// "Cannot create file": for a link whose target is what failed, both names.
FileCreateError createError(const QString& path, const QByteArray& target, int errorCode)
{
    if (QFile::encodeName(path) == target)
        return FileCreateError(path, errorCode);
    return FileCreateError(path, QFile::decodeName(target), errorCode);
}

// A save's temporary file: "<name>" + this + six letters or digits, a name no person
// would give a copy of their own ("data2.tab.backup", "data2.tab.091225" are theirs).
constexpr char kTempMark[] = ".kv4410pc-save-";
constexpr std::size_t kTempMarkLength = sizeof kTempMark - 1;
// No save made a temporary of that name before this moment (2026-12-09 00:00 UTC, when
// the name was chosen): an older file of that name is someone's, whatever it is called.
constexpr time_t kTempNamesSince = 1796774400;

// The names mkstemp makes from "<name>.kv4410pc-save-XXXXXX".
bool isTempNameOf(const char* entry, const QByteArray& base)
{
    const std::size_t length = std::strlen(entry);
    const std::size_t baseLength = std::size_t(base.size());
    if (length != baseLength + kTempMarkLength + 6 || std::memcmp(entry, base.constData(), baseLength) != 0
        || std::memcmp(entry + baseLength, kTempMark, kTempMarkLength) != 0)
        return false;
    for (std::size_t i = baseLength + kTempMarkLength; i < length; ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// A save killed between creating its temporary file and the rename leaves the file
// behind, as large as the data. Only regular files of this user with exactly that name
// shape, written since such names exist, go: in a group folder another user's save may be
// under way.
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
            && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_mtime >= kTempNamesSince)
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

InPlaceStepHook g_inPlaceStepHook = nullptr;
QString g_rollbackDirectory;

void reachStep(InPlaceStep step)
{
    if (g_inPlaceStepHook)
        g_inPlaceStepHook(step);
}

bool preadAll(int fd, QByteArray& out, off_t size)
{
    out.resize(qsizetype(size));
    off_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, std::size_t(size - done), done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;  // the file shrank meanwhile
        done += n;
    }
    out.resize(qsizetype(done));
    return true;
}

// Makes sure the file has room for `size` bytes before any of its bytes change, so that
// a full disk fails the save while the old content is still whole. 0 or the errno.
int reserve(int fd, qsizetype size)
{
    if (size <= 0)
        return 0;
    const int error = ::posix_fallocate(fd, 0, off_t(size));
    // Where the file system can't reserve, the write itself finds out, and the old content
    // is put back from memory and from the rollback copy.
    return (error == EOPNOTSUPP || error == ENOSYS) ? 0 : error;
}

// Writes `data` over the open file, cut to its length and synced. 0 or the errno.
int overwrite(int fd, QByteArrayView data)
{
    if (const int error = reserve(fd, data.size()))
        return error;
    reachStep(InPlaceStep::Reserved);
    if (!writeAll(fd, data.data(), data.size(), off_t(0)))
        return errno;
    reachStep(InPlaceStep::Written);
    if (::ftruncate(fd, off_t(data.size())) != 0)
        return errno;
    reachStep(InPlaceStep::Truncated);
    if (::fsync(fd) != 0)
        return errno;
    return 0;
}

constexpr char kRollbackMagic[] = "kv4410pc rollback 1\n";

// The old content of a file being rewritten in place, kept in the rollback directory
// under a name made from the file's path. Holds an exclusive lock on it for as long as
// the rewrite runs, so that a start meanwhile leaves it alone.
class Rollback {
public:
    // Raises FileCreateError when no copy can be kept: the rewrite must not begin then.
    Rollback(const QByteArray& target, const QString& path, const QByteArray& old)
    {
        const QString folder = rollbackDirectory();
        const QString failure = createDirectories(folder);
        if (!failure.isEmpty())
            throw FileCreateError(folder, failure);
        const QByteArray digest = QCryptographicHash::hash(target, QCryptographicHash::Sha1).toHex();
        m_name = QFile::encodeName(folder) + '/' + digest + ".rollback";
        struct stat st {};
        if (::lstat(m_name.constData(), &st) == 0)
            // An earlier rewrite of this file was never finished nor put back: its copy
            // may be the only whole version left.
            throw FileCreateError(QFile::decodeName(m_name), EEXIST);
        QByteArray temp = m_name + ".XXXXXX";
        Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
        if (fd.get() < 0)
            throw FileCreateError(QFile::decodeName(m_name), errno);
        QByteArray content(kRollbackMagic);
        content += QByteArray::number(target.size()) + '\n' + target + '\n';
        const QByteArray shown = path.toUtf8();
        content += QByteArray::number(shown.size()) + '\n' + shown + '\n';
        content += QByteArray::number(old.size()) + '\n';
        if (::flock(fd.get(), LOCK_EX) != 0 || !writeAll(fd.get(), content.constData(), content.size())
            || !writeAll(fd.get(), old.constData(), old.size()) || ::fsync(fd.get()) != 0
            || ::rename(temp.constData(), m_name.constData()) != 0) {
            const int error = errno;
            ::unlink(temp.constData());
            throw FileCreateError(QFile::decodeName(m_name), error);
        }
        syncFolder(m_name);
        m_fd = fd.release();
    }
    ~Rollback()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Rollback(const Rollback&) = delete;
    Rollback& operator=(const Rollback&) = delete;

    // The new content is on disk: the copy goes.
    void discard()
    {
        ::unlink(m_name.constData());
        syncFolder(m_name);
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

// Rewrites the file through its own inode: links, owner, group and mode stay. The old
// content is kept as a rollback copy first and the new length reserved, so that a kill
// or a full disk at any point leaves the old content or the new one, never a mix: a kill
// is undone at the next start, a failed write at once.
void writeInPlace(const QString& path, const QByteArray& target, QByteArrayView data)
{
    Fd fd(::open(target.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY,
                 mode_t(newFileMode())));
    if (fd.get() < 0)
        throw createError(path, target, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw createError(path, target, errno);
    if (!S_ISREG(st.st_mode))
        throw createError(path, target, EINVAL);
    QByteArray old;
    if (!preadAll(fd.get(), old, st.st_size))
        throw createError(path, target, errno);
    if (old == data)
        return;

    // A rollback copy that can't be made is the save's failure: the box names the file the
    // operator knows, then why, then the copy.
    std::optional<Rollback> made;
    try {
        made.emplace(target, path, old);
    } catch (const Error& e) {
        throw FileCreateError(path, QStringLiteral("Не удалось сохранить копию для отката: %1").arg(e.message()));
    }
    Rollback& rollback = *made;
    reachStep(InPlaceStep::RollbackKept);
    if (const int error = overwrite(fd.get(), data)) {
        // Put the old content back now; if even that fails, the copy stays for the next
        // start to restore.
        if (overwrite(fd.get(), old) == 0)
            rollback.discard();
        throw StreamWriteError(path, error);
    }
    reachStep(InPlaceStep::Synced);
    rollback.discard();
    if (::close(fd.release()) != 0)
        throw StreamWriteError(path, errno);
}

enum class TempOutcome { Done, UseInPlace };

// An empty temporary file beside the target, under a name removeLeftoverTemps knows;
// -1 where the folder allows none.
int makeTempBeside(const QByteArray& target, QByteArray& temp)
{
    temp = target + kTempMark + "XXXXXX";
    return ::mkostemp(temp.data(), O_CLOEXEC);
}

// Gives the temporary file the old file's owner, group and mode (or a new file's mode).
// False where that can't be done: the file is then written in place.
bool adoptIdentity(int fd, const struct stat* old)
{
    // Owner and group first: a change of owner clears the set-id bits of the mode.
    // Without its group a shared file would lock out the others who write it.
    if (old && ::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, uid_t(-1), old->st_gid) != 0)
        return false;
    return ::fchmod(fd, old ? (old->st_mode & 07777) : mode_t(newFileMode())) == 0;
}

// The name the operator knows, then where a link led.
StreamWriteError tempWriteError(const QString& path, const QByteArray& target, int error)
{
    if (QFile::encodeName(path) == target)
        return StreamWriteError(path, error);
    return StreamWriteError(path + QStringLiteral("\" → \"") + QFile::decodeName(target), error);
}

// A temporary file that goes when the save is over, unless it was renamed into place.
struct TempName {
    explicit TempName(QByteArray n = {}) : name(std::move(n)) {}
    QByteArray name;
    ~TempName()
    {
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
};

// Syncs and closes the written temporary file.
void finishTemp(const QString& path, const QByteArray& target, Fd& fd)
{
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
        throw tempWriteError(path, target, errno);
}

// Renames the finished temporary file over the target. False where the folder refuses (a
// sticky folder refuses to replace another user's file, for instance).
bool renameTemp(const QByteArray& target, TempName& temp)
{
    if (::rename(temp.name.constData(), target.constData()) != 0)
        return false;
    temp.name.clear();
    // Make the rename itself durable; a failure here loses nothing already written.
    syncFolder(target);
    return true;
}

// The all-or-nothing way. UseInPlace where this folder or
// this file doesn't allow it; raises when the data itself can't be written, since
// writing in place would then destroy the old file as well.
TempOutcome replaceThroughTemp(const QString& path, const QByteArray& target, const struct stat* old,
                               QByteArrayView data)
{
    TempName temp;
    Fd fd(makeTempBeside(target, temp.name));
    if (fd.get() < 0) {
        temp.name.clear();
        return TempOutcome::UseInPlace;
    }
    if (!adoptIdentity(fd.get(), old))
        return TempOutcome::UseInPlace;
    if (!writeAll(fd.get(), data.data(), data.size()))
        throw tempWriteError(path, target, errno);
    finishTemp(path, target, fd);
    return renameTemp(target, temp) ? TempOutcome::Done : TempOutcome::UseInPlace;
}

// What a save checks of its target before anything is written: true when it exists,
// `old` then holding its status.
bool checkTarget(const QString& path, const QByteArray& target, struct stat& old)
{
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw createError(path, target, EISDIR);
    if (exists && !S_ISREG(old.st_mode))
        throw createError(path, target, EINVAL);
    // A file the user may not write stays as it is, as an overwrite in place would.
    if (exists && ::access(target.constData(), W_OK) != 0)
        throw createError(path, target, errno);
    return exists;
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

// Reads a rollback copy: the target's path, the path to name in messages and the old
// content. False for anything else.
bool parseRollback(const QByteArray& content, QByteArray& target, QString& shown, QByteArray& old)
{
    if (!content.startsWith(kRollbackMagic))
        return false;
    qsizetype at = qsizetype(std::strlen(kRollbackMagic));
    const auto field = [&](QByteArray& out) {
        const qsizetype newline = content.indexOf('\n', at);
        if (newline < 0)
            return false;
        bool ok = false;
        const qlonglong length = content.mid(at, newline - at).toLongLong(&ok);
        at = newline + 1;
        if (!ok || length < 0 || length > content.size() - at)
            return false;
        out = content.mid(at, qsizetype(length));
        at += qsizetype(length);
        return true;
    };
    QByteArray shownBytes;
    if (!field(target) || at >= content.size() || content[at++] != '\n' || !field(shownBytes)
        || at >= content.size() || content[at++] != '\n')
        return false;
    const qsizetype newline = content.indexOf('\n', at);
    if (newline < 0)
        return false;
    bool ok = false;
    const qlonglong length = content.mid(at, newline - at).toLongLong(&ok);
    at = newline + 1;
    if (!ok || length != content.size() - at)
        return false;
    old = content.mid(at);
    shown = QString::fromUtf8(shownBytes);
    return true;
}

// Puts one file's old content back from its rollback copy, open and locked as `fd`.
// Empty, or the system's text of the failure.
QString restoreFrom(int fd, const QByteArray& copyName, QString& shown)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return systemErrorText(errno);
    QByteArray content;
    if (!preadAll(fd, content, st.st_size))
        return systemErrorText(errno);
    QByteArray target;
    QByteArray old;
    if (!parseRollback(content, target, shown, old)) {
        shown = QFile::decodeName(copyName);
        return QStringLiteral("damaged rollback copy");
    }
    Fd file(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        // The file is gone since: there is nothing to put back, nor to tell.
        if (errno == ENOENT) {
            shown.clear();
            return {};
        }
        return systemErrorText(errno);
    }
    if (const int error = overwrite(file.get(), old))
        return systemErrorText(error);
    return {};
}

}  // namespace

QString rollbackDirectory()
{
    if (!g_rollbackDirectory.isEmpty())
        return g_rollbackDirectory;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    QString application = QCoreApplication::applicationName();
    if (application.isEmpty())
        application = QStringLiteral("kv4410pc");
    return state + u'/' + application + QStringLiteral("/rollback");
}

void setRollbackDirectory(const QString& directory)
{
    g_rollbackDirectory = directory;
}

void setInPlaceStepHook(InPlaceStepHook hook)
{
    g_inPlaceStepHook = hook;
}

std::vector<InterruptedRewrite> restoreInterruptedRewrites()
{
    std::vector<InterruptedRewrite> found;
    const QByteArray folder = QFile::encodeName(rollbackDirectory());
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return found;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir))
        names.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const QByteArray& name : names) {
        const bool copy = name.endsWith(".rollback");
        const bool unfinishedCopy = name.contains(".rollback.");
        if (!copy && !unfinishedCopy)
            continue;
        const QByteArray path = folder + '/' + name;
        Fd fd(::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
        if (fd.get() < 0)
            continue;
        // A rewrite still running holds the lock; a copy unlinked since is finished.
        struct stat st {};
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.get(), &st) != 0
            || st.st_nlink == 0 || !S_ISREG(st.st_mode))
            continue;
        if (unfinishedCopy) {
            // Killed while keeping the copy: the file itself was not touched yet.
            ::unlink(path.constData());
            continue;
        }
        InterruptedRewrite rewrite;
        rewrite.failure = restoreFrom(fd.get(), path, rewrite.path);
        if (rewrite.failure.isEmpty()) {
            ::unlink(path.constData());
            syncFolder(path);
        }
        if (!rewrite.path.isEmpty())
            found.push_back(rewrite);
    }
    return found;
}

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

bool writeFully(int fd, QByteArrayView bytes)
{
    return writeAll(fd, bytes.data(), bytes.size());
}

void replaceFileAtomically(const QString& path, QByteArrayView data)
{
    const QByteArray target = resolveLinks(QFile::encodeName(path));
    struct stat old {};
    const bool exists = checkTarget(path, target, old);
    // A new file in place of one with other hard links would part it from them.
    if (!(exists && old.st_nlink > 1)) {
        if (replaceThroughTemp(path, target, exists ? &old : nullptr, data)
            == TempOutcome::Done) {
            removeLeftoverTemps(target);
            return;
        }
    }
    writeInPlace(path, target, data);
    removeLeftoverTemps(target);
}

FileReplacement::FileReplacement(const QString& path)
    : m_path(path), m_target(resolveLinks(QFile::encodeName(path)))
{
    struct stat old {};
    const bool exists = checkTarget(path, m_target, old);
    if (!(exists && old.st_nlink > 1))
        m_fd = makeTempBeside(m_target, m_temp);
    if (m_fd >= 0)
        return;
    // Nowhere beside it: an unnamed file elsewhere, whose content commit() hands on whole.
    m_temp.clear();
    QByteArray elsewhere = QFile::encodeName(QDir::tempPath()) + "/kv4410pc-save-XXXXXX";
    m_fd = ::mkostemp(elsewhere.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw createError(path, m_target, errno);
    ::unlink(elsewhere.constData());
}

FileReplacement::~FileReplacement()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
}

void FileReplacement::write(QByteArrayView bytes)
{
    if (m_fd < 0 || !writeAll(m_fd, bytes.data(), bytes.size()))
        throw tempWriteError(m_path, m_target, m_fd < 0 ? EBADF : errno);
}

bool FileReplacement::commit(const std::function<bool()>& mayReplace)
{
    if (m_fd < 0)
        throw tempWriteError(m_path, m_target, EBADF);
    Fd fd(std::exchange(m_fd, -1));
    TempName named{std::exchange(m_temp, QByteArray())};
    struct stat old {};
    const bool exists = checkTarget(m_path, m_target, old);
    QByteArray content;
    if (!named.name.isEmpty() && !(exists && old.st_nlink > 1) && adoptIdentity(fd.get(), exists ? &old : nullptr)) {
        finishTemp(m_path, m_target, fd);
        if (mayReplace && !mayReplace())
            return false;
        if (renameTemp(m_target, named)) {
            removeLeftoverTemps(m_target);
            return true;
        }
        content = readWholeFile(QFile::decodeName(named.name));
    } else {
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || !preadAll(fd.get(), content, st.st_size))
            throw tempWriteError(m_path, m_target, errno);
        if (mayReplace && !mayReplace())
            return false;
    }
    writeInPlace(m_path, m_target, content);
    removeLeftoverTemps(m_target);
    return true;
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
