#include "app/single_instance.h"

#include "app/data_directory.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QThread>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kv {

namespace {

// How long a second start waits for the first to take its request: the first may be
// busy in a long save, but a start must not hang.
constexpr int kRequestTimeoutMs = 3000;
constexpr int kRetryMs = 50;
// How long a start waits for a program that is closing on the same folder: its close
// writes the files (seconds for a million rows) and may ask about a failed save.
constexpr int kCloseWaitMs = 120000;

QString folderKey(const QString& dataDirectory)
{
    const QString canonical = QFileInfo(dataDirectory).canonicalFilePath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(QDir(dataDirectory).absolutePath())
                                               : canonical;
    return QString::fromLatin1(
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString lockPathFor(const QString& dataDirectory)
{
    if (mayCreateFilesIn(dataDirectory))
        return QDir(dataDirectory).filePath(QStringLiteral("kv4410pc.lock"));
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return QDir(runtime).filePath(QStringLiteral("kv4410pc-%1.lock").arg(folderKey(dataDirectory)));
}

bool socketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray name = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (std::size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    return true;
}

// A connection to the first program's server, or -1 when none listens there.
int connectTo(const QString& path)
{
    sockaddr_un address;
    if (!socketAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What the server answered, up to its line's end, the connection's end or the deadline;
// `closed` says whether the connection ended.
QByteArray readAnswer(int fd, const QDeadlineTimer& deadline, bool& closed)
{
    QByteArray answer;
    closed = false;
    while (!answer.contains('\n')) {
        pollfd ready{fd, POLLIN, 0};
        const int waited = ::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (waited < 0 && errno == EINTR)
            continue;
        if (waited <= 0)
            break;
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            closed = true;
            break;
        }
        answer.append(buffer, got);
    }
    return answer.left(answer.indexOf('\n'));
}

bool writeAll(int fd, const char* data, std::size_t size, const QDeadlineTimer& deadline)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            size -= std::size_t(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN)
            return false;
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0))) <= 0)
            return false;
    }
    return true;
}

}  // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent)
    , m_dataDirectory(dataDirectory)
    , m_lockPath(lockPathFor(dataDirectory))
    , m_serverName(QStringLiteral("kv4410pc-%1").arg(folderKey(dataDirectory)))
    , m_lock(m_lockPath)
{
    // The program holds its lock for hours: only a holder that is gone makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    closeServer();
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

QString SingleInstance::serverPath() const
{
    return QDir(QDir::tempPath()).filePath(m_serverName);
}

bool SingleInstance::lockFolder()
{
    if (m_folderFd < 0) {
        m_folderFd = ::open(QFile::encodeName(m_dataDirectory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_folderFd < 0)
            return true;  // no folder to lock: the lock file decides
    }
    if (::flock(m_folderFd, LOCK_EX | LOCK_NB) == 0)
        return true;
    // A file system without locks leaves it to the lock file; a holder keeps it.
    return errno != EWOULDBLOCK;
}

SingleInstance::Claim SingleInstance::claim()
{
    const bool folderFree = lockFolder();
    if (folderFree && m_lock.tryLock(0)) {
        listen();
        return Claim::Owner;
    }
    if (folderFree && m_lock.error() == QLockFile::LockFailedError)
        return Claim::HeldElsewhere;
    if (folderFree && m_lock.error() != QLockFile::LockFailedError)
        return Claim::Unguarded;
    // The first program takes the lock a moment before it listens: a second start in
    // that moment (a double click) tries again until the deadline.
    const QDeadlineTimer deadline(kRequestTimeoutMs);
    for (;;) {
        if (const int socket = connectTo(serverPath()); socket >= 0) {
            static constexpr char kRequest[] = "raise\n";
            if (!writeAll(socket, kRequest, sizeof kRequest - 1, deadline)) {
                ::close(socket);
                return Claim::OtherUnreachable;
            }
            // "raised", or "closing" from a program whose window has gone: this start
            // then waits for it to let go of the folder and opens as usual. A program
            // still busy when the deadline comes was asked all the same.
            bool closed = false;
            const QByteArray answer = readAnswer(socket, deadline, closed).trimmed();
            ::close(socket);
            if (answer == "raised" || (answer.isEmpty() && !closed))
                return Claim::OtherAsked;
            return waitForRelease();
        }
        // No server: the first program may have let go of the folder just now.
        if (ownIfFree())
            return Claim::Owner;
        if (deadline.hasExpired())
            return Claim::OtherUnreachable;
        QThread::msleep(kRetryMs);
    }
}

SingleInstance::Claim SingleInstance::waitForRelease()
{
    const QDeadlineTimer deadline(kCloseWaitMs);
    while (!deadline.hasExpired()) {
        if (ownIfFree())
            return Claim::Owner;
        QThread::msleep(kRetryMs);
    }
    return Claim::OtherUnreachable;
}

bool SingleInstance::ownIfFree()
{
    if (!lockFolder() || !m_lock.tryLock(0))
        return false;
    listen();
    return true;
}

void SingleInstance::release()
{
    closeServer();
    m_lock.unlock();
    if (m_folderFd >= 0) {
        ::close(m_folderFd);
        m_folderFd = -1;
    }
}

SingleInstance::Claim SingleInstance::takeOver()
{
    m_lock.removeStaleLockFile();
    QFile::remove(m_lockPath);
    if (m_lock.tryLock(0)) {
        listen();
        return Claim::Owner;
    }
    return Claim::Unguarded;
}

QString SingleInstance::holderText() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    QStringList parts;
    if (m_lock.getLockInfo(&pid, &host, &application) && !host.isEmpty())
        parts << QStringLiteral("компьютер %1").arg(host);
    struct stat st {};
    if (::stat(QFile::encodeName(m_lockPath).constData(), &st) == 0) {
        if (const passwd* user = ::getpwuid(st.st_uid))
            parts << QStringLiteral("пользователь %1").arg(QString::fromLocal8Bit(user->pw_name));
        parts << QStringLiteral("с %1").arg(QFileInfo(m_lockPath).lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    }
    return parts.join(QStringLiteral(", "));
}

void SingleInstance::listen()
{
    // Bound in a folder only this user can enter and made this user's alone before it is
    // put in place, so no other user ever reaches it; the rename also replaces a socket
    // left by a program that was killed (the lock says the name is ours now). Without a
    // server, later starts say the program is open, without raising it.
    const QString path = serverPath();
    sockaddr_un address;
    if (!socketAddress(path, address))
        return;  // a name too long for a socket
    QByteArray scratch = QFile::encodeName(path + QStringLiteral(".XXXXXX"));
    if (!::mkdtemp(scratch.data()))
        return;
    const QByteArray bound = scratch + "/s";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool placed = fd >= 0 && socketAddress(QFile::decodeName(bound), address)
                     && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
                     && ::chmod(bound.constData(), S_IRUSR | S_IWUSR) == 0 && ::listen(fd, 16) == 0
                     && ::rename(bound.constData(), QFile::encodeName(path).constData()) == 0;
    ::unlink(bound.constData());
    ::rmdir(scratch.constData());
    if (!placed) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        m_serverInode = st.st_ino;
    m_serverFd = fd;
    m_server = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_server, &QSocketNotifier::activated, this, [this] {
        for (;;) {
            const int connection = ::accept4(m_serverFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (connection < 0)
                return;
            serve(connection);
        }
    });
}

void SingleInstance::serve(int connection)
{
    // Any request, even one cut short, asks for the window; the answer says whether it
    // came or the program is closing. A connection that ends without a word asks nothing.
    auto* request = new QSocketNotifier(connection, QSocketNotifier::Read, this);
    // The connection lives as long as its notifier, answered or not.
    connect(request, &QObject::destroyed, [connection] { ::close(connection); });
    connect(request, &QSocketNotifier::activated, this, [this, request, connection] {
        char buffer[64];
        const ssize_t got = ::read(connection, buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        request->setEnabled(false);
        request->deleteLater();
        if (got > 0) {
            const bool raised = !m_raise || m_raise();
            emit activationRequested();
            const char* answer = raised ? "raised\n" : "closing\n";
            writeAll(connection, answer, std::strlen(answer), QDeadlineTimer(kRequestTimeoutMs));
        }
    });
}

void SingleInstance::closeServer()
{
    if (m_serverFd < 0)
        return;
    delete m_server;
    m_server = nullptr;
    // Only the socket this program put there goes: a later owner's is its own.
    struct stat placed {};
    const QByteArray path = QFile::encodeName(serverPath());
    if (::stat(path.constData(), &placed) == 0 && placed.st_ino == m_serverInode)
        ::unlink(path.constData());
    ::close(m_serverFd);
    m_serverFd = -1;
}

QString alreadyRunningText(const QString& dataDirectory, const QString& holder)
{
    return QStringLiteral("Программа уже открыта с файлами данных из папки \"%1\"%2. "
                          "Перейдите в её окно: второй раз с теми же файлами она не запускается.")
        .arg(QDir::toNativeSeparators(dataDirectory), holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder));
}

QString heldElsewhereText(const QString& dataDirectory, const QString& lockFile, const QString& holder)
{
    return QStringLiteral("Файлы данных из папки \"%1\" заняты другой программой (%2), но она не "
                          "отвечает: вероятно, она завершилась аварийно. Блокировка: \"%3\".\n\n"
                          "Если эта программа закрыта, блокировку можно снять. Снять блокировку и открыть файлы?")
        .arg(QDir::toNativeSeparators(dataDirectory), holder.isEmpty() ? QStringLiteral("неизвестно кем") : holder,
             QDir::toNativeSeparators(lockFile));
}

}  // namespace kv
