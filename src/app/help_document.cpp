#include "app/help_document.h"

#include "app/program_constants.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kv {

DocumentOpener desktopDocumentOpener(const QString& program)
{
    return [program](const QUrl& url, DocumentOpened done) {
        auto* process = new QProcess;
        process->setProgram(program);
        process->setArguments({url.toLocalFile()});
        // A viewer the opener starts lives on by itself; the opener's own output is not
        // the operator's business.
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, program, done](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             done(openerFailureText(program, process->errorString(), 0));
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::finished, process,
                         [process, program, done](int exitCode, QProcess::ExitStatus status) {
                             if (status != QProcess::NormalExit)
                                 done(openerFailureText(program, {}, -1));
                             else if (exitCode != 0)
                                 done(openerFailureText(program, {}, exitCode));
                             else
                                 done({});
                             process->deleteLater();
                         });
        process->start();
    };
}

QString openerFailureText(const QString& program, const QString& startError, int exitCode)
{
    const QString name = QFileInfo(program).fileName();
    if (!startError.isEmpty())
        return QStringLiteral("Не удалось запустить %1: %2").arg(name, startError);
    if (exitCode < 0)
        return QStringLiteral("%1 завершилась аварийно.").arg(name);
    if (exitCode == 3)
        return QStringLiteral("Нет программы для просмотра PDF: установите её "
                              "(например, evince или okular).");
    return QStringLiteral("%1 завершилась с кодом %2.").arg(name).arg(exitCode);
}

QStringList programHelpDirectories()
{
    return {QCoreApplication::applicationDirPath(), QStringLiteral(KV_INSTALL_PKGDATADIR)};
}

QStringList distinctDirectories(const QStringList& directories)
{
    QStringList result;
    QStringList seen;
    for (const QString& dir : directories) {
        const QFileInfo info(dir);
        // A folder that does not exist has no canonical name; its cleaned one stands in.
        QString key = info.canonicalFilePath();
        if (key.isEmpty())
            key = QDir::cleanPath(info.absoluteFilePath());
        if (seen.contains(key))
            continue;
        seen << key;
        result << dir;
    }
    return result;
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

QString helpDocumentMissingText(const QStringList& directories)
{
    QStringList where;
    for (const QString& dir : directories)
        where << QDir::toNativeSeparators(QDir(dir).absolutePath());
    return QStringLiteral("Файл %1 не найден ни в одной из папок:\n").arg(kHelpFileName)
           + where.join(u'\n');
}

}  // namespace kv
