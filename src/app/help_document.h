#pragma once
// Finding and opening the help document.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kv {

// Opens a document and tells `done` later, from the event loop, how that went: an empty
// text when it opened, else why not, for the operator.
using DocumentOpened = std::function<void(const QString& failure)>;
using DocumentOpener = std::function<void(const QUrl&, DocumentOpened done)>;
// The desktop's handler, started as `program` (xdg-open) with the document's path: a
// failure when it can't be started or exits with an error, as it does on a desktop
// without a viewer for the type. The window is never blocked while it runs.
DocumentOpener desktopDocumentOpener(const QString& program = QStringLiteral("xdg-open"));

// Why the desktop's handler did not open a document, from how it ended: it could not be
// started (startError, the system's text), it crashed (exitCode < 0), or its exit code
// (xdg-open's: 3 no program for the type).
QString openerFailureText(const QString& program, const QString& startError, int exitCode);

// Where the help document is looked for after the current directory: the program's
// directory, then the program's installed data directory (set at configure time).
QStringList programHelpDirectories();

// The directories in their order, each once: two names of one folder (the current
// directory being the program's, a link to it, "dir/.") keep the first.
QStringList distinctDirectories(const QStringList& directories);

// The help document in the first of the directories that has it, else an empty text.
QString locateHelpDocument(const QStringList& directories);
// The file's name and every directory where it was looked for.
QString helpDocumentMissingText(const QStringList& directories);

}  // namespace kv
