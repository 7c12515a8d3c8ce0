#pragma once
// Whole-file reads and the one safe save every data file is written through.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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
// in place instead, which keeps its identity but not the all-or-nothing guarantee.
// After a good save, temporary files that earlier interrupted saves of this file left
// beside it are removed.
// Raises FileCreateError (path, system text) when neither way can write the file,
// StreamWriteError when the data can't be written.
void replaceFileAtomically(const QString& path, QByteArrayView data);

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
