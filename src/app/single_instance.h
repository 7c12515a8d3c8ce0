#pragma once
// One program per data folder. Two copies on the same files would each write their own
// tables at close, the last one undoing the other's work; so a start takes a lock before
// it reads a file, and a second start on the same folder asks the first to come to the
// front instead.
//
// Two locks: the data folder itself is locked (flock), which every user who may open the
// folder can take, so two users of a group folder exclude each other too, and which the
// system drops with the program, however it ends; and the lock file, which says who holds
// the folder (program, computer, user, since when) and through which a second start of
// the same user finds the first.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>

#include <sys/types.h>

class QSocketNotifier;

namespace kv {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        // This program holds the folder; activationRequested tells of later starts.
        Owner,
        // Another program holds the folder and was asked to come to the front.
        OtherAsked,
        // Another program holds the folder and could not be reached.
        OtherUnreachable,
        // No lock could be made (a folder that can't be written, or is gone): the
        // program runs unguarded, as it would have to without the folder anyway.
        Unguarded,
        // The folder is free, but its lock file names a holder that can't be seen from
        // here (a program on another computer that ended without its close): takeOver()
        // after the operator agrees.
        HeldElsewhere,
    };

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    Claim claim();
    // After HeldElsewhere: removes the lock file and takes the folder; Owner or Unguarded.
    Claim takeOver();
    // What a later start's request does: true when the window came forward, false when
    // the program is closing (the later start then waits for release() and opens).
    void setRaiseHandler(std::function<bool()> raise) { m_raise = std::move(raise); }
    // Lets go of the folder, the lock file and the local server, once the files are
    // written and before the program frees its tables.
    void release();

    // Who holds the lock file, for the boxes: "компьютер lab-pc-2, пользователь ivanova,
    // с 09.12.2026 08:14" (as far as known).
    QString holderText() const;

    // The lock file: in the data folder where the program may create files there, else
    // in the per-user runtime folder under a name made from the data folder's path.
    QString lockFilePath() const { return m_lockPath; }
    // The local server's name, the same for every start on one folder, and its socket:
    // a plain Unix socket in the temporary folder, so that no network library is loaded
    // before the first window.
    QString serverName() const { return m_serverName; }
    QString serverPath() const;

signals:
    void activationRequested();

private:
    void listen();
    void closeServer();
    void serve(int connection);
    // Until the program closing on the folder has let go of it.
    Claim waitForRelease();
    // Takes the folder and listens when nobody holds it.
    bool ownIfFree();

    bool lockFolder();

    QString m_dataDirectory;
    int m_folderFd = -1;
    QString m_lockPath;
    QString m_serverName;
    QLockFile m_lock;
    int m_serverFd = -1;
    ino_t m_serverInode = 0;
    QSocketNotifier* m_server = nullptr;
    std::function<bool()> m_raise;
};

// What a second start says when the first can't be reached; holder as holderText() gives.
QString alreadyRunningText(const QString& dataDirectory, const QString& holder = {});
// The question before taking over a lock held elsewhere.
QString heldElsewhereText(const QString& dataDirectory, const QString& lockFile, const QString& holder);

}  // namespace kv
