#pragma once
// Whole-file reads and the one safe save every data file is written through.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <vector>

namespace kv {

// Reads the whole file. Raises FileOpenError (path, system text) when it can't be
// opened or read. Anything but a regular file (a directory, a named pipe, a device) is
// refused without blocking, and so is a file of more than maxSize bytes.
[[nodiscard]] QByteArray readWholeFile(const QString& path);
[[nodiscard]] QByteArray readWholeFile(const QString& path, qint64 maxSize);

// Replaces the file with data so that a failed or interrupted save never leaves a
// truncated file: writes a temporary file beside it, flushes it to disk and renames it
// over the old one. A symbolic link is followed and the file it points to is replaced;
// the new file keeps the old one's mode and group (and its owner where the process may).
// Where no temporary file can be made beside it (a folder the user may not write), where
// the file has other hard links, or where its group can't be kept, the file is rewritten
// in place instead, which keeps its identity and is just as safe: the old content is
// first kept as a rollback copy (see restoreInterruptedRewrites) and the new length
// reserved, so a full disk fails before any old byte changes.
// After a good save, temporary files that earlier interrupted saves of this file left
// beside it are removed.
// Raises FileCreateError (path, system text; a link's target too where that failed) when
// neither way can write the file, StreamWriteError (path, system text) when the data
// can't be written. The old file is then intact.
void replaceFileAtomically(const QString& path, QByteArrayView data);

// A file written piece by piece and put in place whole, for content too large to hold in
// memory at once. The pieces go to a temporary file beside the target, named as the
// temporaries of replaceFileAtomically (so one left by a killed program is removed the
// same way), and commit() renames it over the target with the old file's mode, group and
// owner. Until then the old file is untouched; a replacement dropped uncommitted leaves
// nothing behind. Where no temporary file may be made beside the target, or the target
// has other hard links, the pieces go to an unnamed file elsewhere and commit() rewrites
// the target in place with them, as replaceFileAtomically would.
// One thread at a time; commit() may run on another thread than the writes.
class FileReplacement {
public:
    // Raises FileCreateError as replaceFileAtomically would, before anything is written.
    explicit FileReplacement(const QString& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Raises StreamWriteError (path, system text).
    void write(QByteArrayView bytes);
    // Puts the content in place, once. `mayReplace` is asked when the content is on disk,
    // just before the old file is replaced: false calls the replacement off, leaving the
    // old file, and commit returns false. Raises as replaceFileAtomically. Either way the
    // temporary file is gone afterwards.
    bool commit(const std::function<bool()>& mayReplace = {});

private:
    QString m_path;
    QByteArray m_target;  // links resolved
    QByteArray m_temp;    // empty: the unnamed file elsewhere
    int m_fd = -1;
};

// Writes all of bytes at the file's position (an append for O_APPEND), going on after a
// short write or a signal; false with errno set when the system refuses.
bool writeFully(int fd, QByteArrayView bytes);

// Where rewrites in place keep the old content until the new one is on disk:
// $XDG_STATE_HOME (else ~/.local/state) / <application name> / rollback unless set.
// Set it once, before any save.
QString rollbackDirectory();
void setRollbackDirectory(const QString& directory);

// A rewrite in place that was cut off (the program killed, the machine off) is undone:
// each file whose rollback copy is still there gets its old content back, and the copy
// goes. Copies of rewrites still running in another process are left alone. Returns
// the files found, with the system's text where one could not be restored (its copy
// then stays for the next try).
struct InterruptedRewrite {
    QString path;
    QString failure;
};
std::vector<InterruptedRewrite> restoreInterruptedRewrites();

// The steps of a rewrite in place, for tests that cut it off at each of them.
enum class InPlaceStep { RollbackKept, Reserved, Written, Truncated, Synced };
using InPlaceStepHook = void (*)(InPlaceStep);
void setInPlaceStepHook(InPlaceStepHook hook);

// Copies the file `from` to `to` through the same safe save. Raises FileOpenError when
// `from` can't be read (or is not a regular file), else as replaceFileAtomically.
void copyFileSafely(const QString& from, const QString& to);

// Creates the directory with its missing parents. Returns the system's text of the
// failure, or an empty text when the directory exists.
QString createDirectories(const QString& path);

// The mode a newly created data file gets: 0666 less the process's umask, read without
// changing it (another thread may create files meanwhile).
[[nodiscard]] unsigned newFileMode();

}  // namespace kv
