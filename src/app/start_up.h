#pragma once
// Program start: the splash, the windows in their order, the event loop.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kv {

class HidPlatform;
class TForm1;

// What a variant of the program brings to the start: its HID provider and, optionally,
// what it adds once the windows exist (the demo's virtual instrument). The object that
// returns lives until the event loop has ended.
struct ProgramVariant {
    // Names the per-user data directory (~/.local/share/<applicationName>) of an
    // installed copy.
    QString applicationName = QStringLiteral("kv4410pc");
    // The desktop entry the windows belong to, without ".desktop".
    QString desktopFileName = QStringLiteral("org.kv4410pc.Octanometer");
    std::function<std::unique_ptr<HidPlatform>()> makePlatform;
    std::function<std::unique_ptr<QObject>(TForm1&, HidPlatform&)> afterWindowsCreated;
};

// The real program: the Linux HID provider.
ProgramVariant realProgram();

// Returns when the main window has closed.
int runApplication(int& argc, char** argv, const ProgramVariant& variant = realProgram());

}  // namespace kv
