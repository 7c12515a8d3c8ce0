#include "journal/xlsx_workbook_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#include <cstdio>
#include <mutex>

namespace kv {

namespace {

using CreateWriter = WorkbookWriter* (*)(const QString& fileName);

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

CreateWriter loadModule()
{
    const QStringList folders = xlsxModuleFolders();
    QStringList failures;
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QStringLiteral("kv4410pc-xlsx.so"));
        if (!QFileInfo::exists(path))
            continue;
        // Kept loaded to the end: the writers it makes run its code.
        QLibrary module(path);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        if (const auto create = reinterpret_cast<CreateWriter>(module.resolve("kv4410pc_create_xlsx_writer")))
            return create;
        failures << module.errorString();
    }
    const QByteArray why = failures.isEmpty() ? QByteArrayLiteral("not found in ") + folders.join(u", ").toLocal8Bit()
                                              : failures.join(u"; ").toLocal8Bit();
    std::fprintf(stderr, "kv4410pc: no spreadsheet writer module: %s\n", why.constData());
    return nullptr;
}

}  // namespace

QStringList xlsxModuleFolders()
{
    const QString own = programFolder();
    const QString installed = QStringLiteral(KV_INSTALL_PKGLIBDIR);
    return own == installed || own.isEmpty() ? QStringList{installed} : QStringList{own, installed};
}

std::unique_ptr<WorkbookWriter> createXlsxWorkbookWriter(const QString& fileName)
{
    static std::once_flag loaded;
    static CreateWriter create = nullptr;
    std::call_once(loaded, [] { create = loadModule(); });
    return create ? std::unique_ptr<WorkbookWriter>(create(fileName)) : nullptr;
}

}  // namespace kv
