#pragma once
// Whole-file reads and the one atomic replace every data file is written through.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kv {

// Reads the whole file. Raises FileOpenError (path, system text) when it can't be
// opened or read, a directory in its place included.
QByteArray readWholeFile(const QString& path);

// Replaces the file with data: writes a temporary file in the same directory, flushes
// it to disk and renames it over the old one, so a failed or interrupted save never
// leaves a truncated file. An existing file keeps its permissions.
// Raises FileCreateError (path, system text) when the file can't be created or put in
// place, StreamWriteError when the data can't be written; the old file is then intact
// and no temporary file is left behind.
void replaceFileAtomically(const QString& path, QByteArrayView data);

}  // namespace kv
