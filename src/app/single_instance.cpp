#include "app/single_instance.h"

#include "app/data_directory.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QThread>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    if (m_folderFd >= 0)
        ::close(m_folderFd);
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
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write("raise\n");
            if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
                return Claim::OtherUnreachable;
            // "raised", or "closing" from a program whose window has gone: this start
            // then waits for it to let go of the folder and opens as usual.
            while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState
                   && socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
            const QByteArray answer = socket.readLine().trimmed();
            if (answer == "raised" || (answer.isEmpty() && socket.state() == QLocalSocket::ConnectedState))
                return Claim::OtherAsked;
            socket.abort();
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
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a program that was killed: the lock says it is ours now.
    if (!m_server->listen(m_serverName)) {
        QLocalServer::removeServer(m_serverName);
        if (!m_server->listen(m_serverName))
            return;  // later starts then say the program is open, without raising it
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // Any request, even one cut short, asks for the window; the answer says
            // whether it came or the program is closing.
            const auto answer = [this, socket] {
                socket->readAll();
                const bool raised = !m_raise || m_raise();
                emit activationRequested();
                socket->write(raised ? "raised\n" : "closing\n");
                socket->flush();
            };
            connect(socket, &QLocalSocket::readyRead, this, answer);
            if (socket->bytesAvailable() > 0)
                answer();
        }
    });
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
