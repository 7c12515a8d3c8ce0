#include "app/help_document.h"

#include "app/program_constants.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kv {

DocumentOpener desktopDocumentOpener(const QString& program)
{
    return [program](const QUrl& url, std::function<void(bool)> done) {
        auto* process = new QProcess;
        process->setProgram(program);
        process->setArguments({url.toLocalFile()});
        // A viewer the opener starts lives on by itself; the opener's own output is not
        // the operator's business.
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, done](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             done(false);
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::finished, process,
                         [process, done](int exitCode, QProcess::ExitStatus status) {
                             done(status == QProcess::NormalExit && exitCode == 0);
                             process->deleteLater();
                         });
        process->start();
    };
}

QStringList programHelpDirectories()
{
    return {QCoreApplication::applicationDirPath(), QStringLiteral(KV_INSTALL_DOCDIR)};
}

QString locateHelpDocument(const QStringList& directories)
{
    for (const QString& dir : directories) {
        const QFileInfo file(QDir(dir).filePath(kHelpFileName));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

}  // namespace kv
