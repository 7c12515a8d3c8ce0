#include "app/start_up.h"

#include "app/application_setup.h"
#include "app/auxiliary_window.h"
#include "app/data_directory.h"
#include "app/main_window.h"
#include "app/program_constants.h"
#include "app/single_instance.h"
#include "app/splash_form.h"
#include "app/termination_signals.h"
#include "app/workspace.h"
#include "core/cp1251.h"
#include "device/hid/linux_hid_platform.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <thread>

namespace kv {

namespace {

// Closes each box as it comes up.
class BoxDismisser : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QDialog*>(watched))
                QTimer::singleShot(0, box, &QDialog::reject);
        }
        return false;
    }
};

}  // namespace

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
    const auto answered = [](const CommandLineAnswer& answer) {
        const QByteArray text = answer.text.toLocal8Bit();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        return answer.exitStatus;
    };
    if (arguments.contains(QStringLiteral("--verify-history"))) {
        // The data folder is found from the program's own location, which Qt knows once an
        // application object exists; no display is needed.
        QCoreApplication::setApplicationName(variant.applicationName);
        const QCoreApplication core(argc, argv);
        return answered(*answerCommandLine(variant.applicationName, arguments));
    }
    if (const auto answer = answerCommandLine(variant.applicationName, arguments))
        return answered(*answer);

    // The code page's converter opens the system's character tables (most of a
    // millisecond): they load beside the connection to the display.
    std::thread codePage([] { cp1251Available(); });
    QApplication::setApplicationName(variant.applicationName);
    QApplication app(argc, argv);
    setUpApplication(variant.desktopFileName);
    codePage.join();
    if (!cp1251Available()) {
        QMessageBox::critical(nullptr, kApplicationTitle, kCp1251MissingText);
        return 1;
    }

    // A termination signal from here on closes the program the way its close command does;
    // before the main window exists there is nothing to save, so a box open then just
    // goes, and so does every box after it (a start may have one for each file it can't
    // read), and the window closes as soon as it is there.
    TForm1* window = nullptr;
    bool closeWhenShown = false;
    BoxDismisser dismissBoxes;
    const TerminationSignals closeOnSignal([&window, &closeWhenShown, &dismissBoxes] {
        if (window) {
            window->closeOnSignal();
            return;
        }
        closeWhenShown = true;
        QApplication::instance()->installEventFilter(&dismissBoxes);
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            box->reject();
    });

    const DataDirectory data = programDataDirectory();
    // Before the splash and before any file is read: a second start on the same folder
    // shows nothing but the first window.
    SingleInstance instance(data.path);
    switch (instance.claim()) {
    case SingleInstance::Claim::OtherAsked:
        return 0;
    case SingleInstance::Claim::OtherUnreachable:
        QMessageBox::information(nullptr, kApplicationTitle, alreadyRunningText(data.path, instance.holderText()));
        return 0;
    case SingleInstance::Claim::HeldElsewhere:
        if (QMessageBox::question(nullptr, kApplicationTitle,
                                  heldElsewhereText(data.path, instance.lockFilePath(), instance.holderText()))
            != QMessageBox::Yes)
            return 0;
        instance.takeOver();
        break;
    case SingleInstance::Claim::Owner:
    case SingleInstance::Claim::Unguarded:
        break;
    }

    // A later start asks for the window: it comes forward, or is coming; but once a close
    // was asked for (a signal while this start went on), the later start is told so and
    // waits for the files instead of leaving.
    instance.setRaiseHandler([&window, &closeWhenShown] {
        if (closeWhenShown)
            return false;
        return window ? window->bringToFront() : true;
    });

    auto splash = std::make_unique<TSplashForm>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    if (!data.error.isEmpty())
        QMessageBox::warning(nullptr, kApplicationTitle, data.error);

    const std::unique_ptr<HidPlatform> platform = variant.makePlatform();
    // The per-user folder is made again at close if it went; a build tree's is not.
    Workspace workspace(data.path, !data.besideExecutable);
    TForm1 form1(workspace, *platform);
    TForm4 form4;
    form1.createDialogsWhenNeeded();

    splash->hide();
    splash.reset();

    QApplication::instance()->removeEventFilter(&dismissBoxes);
    form1.show();
    window = &form1;
    if (closeWhenShown)
        QTimer::singleShot(0, &form1, &TForm1::closeOnSignal);
    std::unique_ptr<QObject> extras;
    if (variant.afterWindowsCreated)
        extras = variant.afterWindowsCreated(form1, *platform);
    const int status = QApplication::exec();
    // The files are written: a start waiting for this program may open them now, while
    // this one frees its tables.
    instance.release();
    return status;
}

}  // namespace kv
