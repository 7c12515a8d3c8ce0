#pragma once
// Where the data files live. A build tree or a portable copy keeps them beside the
// executable, as it always did; an installed copy, whose directory the operator may not
// write, keeps them in the per-user application data directory.

#include <QString>

namespace kv {

struct DataDirectory {
    QString path;
    // True when the files live beside the executable.
    bool besideExecutable = false;
    // Not empty when the per-user directory or its empty files could not be made; the
    // program then starts with empty tables and can't save them.
    QString error;
};

// The executable's directory when it holds kor.tab, data.tab or data2.tab, or the user
// may create files in it; else perUserDirectory, created with empty data files when it
// has none (an existing file is never touched).
DataDirectory chooseDataDirectory(const QString& executableDirectory, const QString& perUserDirectory);

// The same for the running program: its executable's directory and Qt's application
// data location (~/.local/share/<application name>).
DataDirectory programDataDirectory();

// Whether this process may create files in the directory by its permission bits. Root
// is held to the bits as well, so that an installed copy run as root does not write
// into a system folder.
bool mayCreateFilesIn(const QString& directory);

}  // namespace kv
