#pragma once
// Finding and opening the help document.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kv {

// Opens a document and tells `done` later, from the event loop, whether that worked.
using DocumentOpener = std::function<void(const QUrl&, std::function<void(bool opened)> done)>;
// The desktop's handler, started as `program` (xdg-open) with the document's path: done
// with false when it can't be started or exits with an error, as it does on a desktop
// without a viewer for the type. The window is never blocked while it runs.
DocumentOpener desktopDocumentOpener(const QString& program = QStringLiteral("xdg-open"));

// Where the help document is looked for after the current directory: the program's
// directory, then the installed documentation directory (set at configure time).
QStringList programHelpDirectories();

// The help document in the first of the directories that has it, else an empty text.
QString locateHelpDocument(const QStringList& directories);

}  // namespace kv
