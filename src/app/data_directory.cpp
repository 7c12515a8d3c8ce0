#include "app/data_directory.h"

#include "app/program_constants.h"
#include "core/file_io.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

const QString kDataFileNames[] = {kCalibrationFileName, kArchiveFileName, kJournalFileName};
const QString kUnsavedSessionText =
    QStringLiteral("\nПрограмма работает, но журнал, архив и калибровки этого сеанса "
                   "сохранить не удастся.");

bool holdsADataFile(const QString& directory)
{
    for (const QString& name : kDataFileNames) {
        if (QFileInfo::exists(QDir(directory).filePath(name)))
            return true;
    }
    return false;
}

}  // namespace

bool mayCreateFilesIn(const QString& directory)
{
    const QByteArray path = QFile::encodeName(directory);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (::geteuid() == 0)
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    return ::access(path.constData(), W_OK | X_OK) == 0;
}

DataDirectory chooseDataDirectory(const QString& executableDirectory, const QString& perUserDirectory)
{
    if (holdsADataFile(executableDirectory) || mayCreateFilesIn(executableDirectory))
        return {executableDirectory, true, {}};

    DataDirectory result{perUserDirectory, false, {}};
    const QString failure = createDirectories(perUserDirectory);
    if (!failure.isEmpty()) {
        result.error = QStringLiteral("Не удалось создать папку данных \"%1\": %2.")
                           .arg(QDir::toNativeSeparators(perUserDirectory), failure)
                     + kUnsavedSessionText;
        return result;
    }
    for (const QString& name : kDataFileNames) {
        QFile file(QDir(perUserDirectory).filePath(name));
        if (file.exists())
            continue;
        // NewOnly: a file made meanwhile by another instance is left as it is.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !file.exists()) {
            result.error = QStringLiteral("Не удалось создать файл \"%1\": %2.")
                               .arg(QDir::toNativeSeparators(file.fileName()), file.errorString())
                         + kUnsavedSessionText;
            return result;
        }
    }
    return result;
}

DataDirectory programDataDirectory()
{
    return chooseDataDirectory(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

}  // namespace kv
