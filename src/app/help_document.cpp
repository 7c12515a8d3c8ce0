#include "app/help_document.h"

#include "app/program_constants.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace kv {

DocumentOpener desktopDocumentOpener()
{
    return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString locateHelpDocument(const QString& currentDir, const QString& programDir)
{
    for (const QString& dir : {currentDir, programDir}) {
        const QFileInfo file(QDir(dir).filePath(kHelpFileName));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

}  // namespace kv
