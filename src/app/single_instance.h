#pragma once
// One program per data folder. Two copies on the same files would each write their own
// tables at close, the last one undoing the other's work; so a start takes a lock in the
// data folder before it reads a file, and a second start on the same folder asks the
// first to come to the front instead.

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

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
    };

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    Claim claim();

    // The lock file: in the data folder where the program may create files there, else
    // in the per-user runtime folder under a name made from the data folder's path.
    QString lockFilePath() const { return m_lockPath; }
    // The local server's name, the same for every start on one folder.
    QString serverName() const { return m_serverName; }

signals:
    void activationRequested();

private:
    void listen();

    QString m_lockPath;
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};

// What a second start says when the first can't be reached.
QString alreadyRunningText(const QString& dataDirectory);

}  // namespace kv
