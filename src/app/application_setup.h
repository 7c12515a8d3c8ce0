#pragma once
// What the program tells Qt and the desktop about itself before its first window, and the
// command-line answers it gives without one.

#include <QString>
#include <QStringList>

#include <optional>

class QIcon;
class QLocale;
class QTranslator;

namespace kv {

struct CommandLineAnswer {
    QString text;  // for standard output
    int exitStatus = 0;
};

// --version, --help and -h, answered before any window so that they work where there is
// no display. Any other command line is left to Qt, whose options (-platform, -display,
// ...) still apply; the program itself takes none.
std::optional<CommandLineAnswer> answerCommandLine(const QString& program,
                                                   const QStringList& arguments);

// The program's icon, rendered from its scalable drawing at build time in the sizes task
// bars and window lists ask for.
QIcon programIcon();

// Installs Qt's own translations (standard dialogs and buttons) for the locale. Returns
// the translator, owned by the application, or nullptr when Qt has none for the locale
// (an English one, or the translations package missing).
QTranslator* installQtTranslations(const QLocale& locale);

// The identity every window shares: the icon, the desktop entry it belongs to (without a
// ".desktop" ending), Qt's translations for the default locale and the style with its
// drawn tool bar icon. Sets no display name,
// which Qt would append to every window title. Call after the application object exists.
void setUpApplication(const QString& desktopFileName);

}  // namespace kv
