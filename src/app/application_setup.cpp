#include "app/application_setup.h"

#include "app/change_history.h"
#include "app/data_directory.h"
#include "ui/drawn_icon_style.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QResource>
#include <QTranslator>

namespace kv {

std::optional<CommandLineAnswer> answerCommandLine(const QString& program,
                                                   const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--verify-history") {
            const QString folder = i + 1 < arguments.size() ? arguments[i + 1] : programDataDirectory().path;
            const HistoryVerdict verdict = verifyHistoryFolder(folder);
            return CommandLineAnswer{verdict.text, verdict.exitStatus};
        }
        if (argument == u"--version")
            return CommandLineAnswer{program + u' ' + QStringLiteral(KV_VERSION) + u'\n'};
        if (argument == u"--help" || argument == u"-h") {
            return CommandLineAnswer{
                QStringLiteral("Usage: ") + program
                + QStringLiteral(
                    " [--version | --help | --verify-history [FOLDER]]\n"
                    "\n"
                    "The desktop companion of the KV-4410 octane meter. It takes no options of\n"
                    "its own and opens its window on the display; Qt's options such as\n"
                    "-platform and -display apply.\n"
                    "\n"
                    "--version   the program's name and version\n"
                    "--help, -h  this text\n"
                    "--verify-history [FOLDER]\n"
                    "            checks the change history (history.log) of the data folder\n"
                    "            FOLDER (the program's own by default): prints the first line\n"
                    "            that breaks its chain (exit status 1) or that it is whole (0)\n")};
        }
    }
    return std::nullopt;
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        const QByteArray pixels = QResource(QStringLiteral(":/icons/kv4410pc-%1.rgba").arg(size)).uncompressedData();
        if (pixels.size() != qsizetype(size) * size * 4)
            continue;
        const QImage image(reinterpret_cast<const uchar*>(pixels.constData()), size, size, size * 4,
                           QImage::Format_RGBA8888_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QTranslator* installQtTranslations(const QLocale& locale)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator)) {
        return translator;
    }
    delete translator;
    return nullptr;
}

void setUpApplication(const QString& desktopFileName)
{
    QGuiApplication::setWindowIcon(programIcon());
    useDrawnIconStyle();
    // Wayland's application id and the task bars' link from a window to its menu entry.
    QGuiApplication::setDesktopFileName(desktopFileName);
    installQtTranslations(QLocale());
}

}  // namespace kv
