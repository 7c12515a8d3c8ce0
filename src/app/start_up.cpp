#include "app/start_up.h"

#include "app/about_box.h"
#include "app/application_setup.h"
#include "app/auxiliary_window.h"
#include "app/data_directory.h"
#include "app/data_files.h"
#include "app/main_window.h"
#include "app/program_constants.h"
#include "app/splash_form.h"
#include "app/termination_signals.h"
#include "core/cp1251.h"
#include "device/hid/linux_hid_platform.h"
#include "measure/ui/calibration_dialog.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace kv {

ProgramVariant realProgram()
{
    ProgramVariant variant;
    variant.makePlatform = [] { return std::make_unique<LinuxHidPlatform>(); };
    return variant;
}

int runApplication(int& argc, char** argv, const ProgramVariant& variant)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = answerCommandLine(variant.applicationName, arguments)) {
        const QByteArray text = answer->text.toLocal8Bit();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        return answer->exitStatus;
    }

    QApplication::setApplicationName(variant.applicationName);
    QApplication app(argc, argv);
    setUpApplication(variant.desktopFileName);
    if (!cp1251Available()) {
        QMessageBox::critical(nullptr, kApplicationTitle, kCp1251MissingText);
        return 1;
    }

    auto splash = std::make_unique<TSplashForm>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    const DataDirectory data = programDataDirectory();
    if (!data.error.isEmpty())
        QMessageBox::warning(nullptr, kApplicationTitle, data.error);

    const std::unique_ptr<HidPlatform> platform = variant.makePlatform();
    TForm1 form1(data.path, *platform);
    form1.dataFiles().setCreatesDirectory(!data.besideExecutable);
    TForm2 form2;
    TForm4 form4;
    TAboutBox aboutBox;
    form1.setCalibrationDialog(&form2);
    form1.setAboutBox(&aboutBox);

    splash->hide();
    splash.reset();

    form1.show();
    const TerminationSignals closeOnSignal([&form1] { form1.close(); });
    std::unique_ptr<QObject> extras;
    if (variant.afterWindowsCreated)
        extras = variant.afterWindowsCreated(form1, *platform);
    return QApplication::exec();
}

}  // namespace kv
