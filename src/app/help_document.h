#pragma once
// Finding and opening the help document.

#include <QString>
#include <QUrl>

#include <functional>

namespace kv {

// Opens a document with the desktop's handler; false when that failed.
using DocumentOpener = std::function<bool(const QUrl&)>;
DocumentOpener desktopDocumentOpener();

// The help document in the current directory, else in the program's directory, else an
// empty text.
QString locateHelpDocument(const QString& currentDir, const QString& programDir);

}  // namespace kv
