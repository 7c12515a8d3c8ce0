#include "app/start_up.h"

#include "app/about_box.h"
#include "app/auxiliary_window.h"
#include "app/main_window.h"
#include "app/program_constants.h"
#include "app/splash_form.h"
#include "measure/ui/calibration_dialog.h"

#include <QApplication>

#include <memory>

namespace kv {

int runApplication(int& argc, char** argv)
{
    QApplication app(argc, argv);

    auto splash = std::make_unique<TSplashForm>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    QApplication::setApplicationName(kApplicationTitle);

    TForm1 form1(QCoreApplication::applicationDirPath());
    TForm2 form2;
    TForm4 form4;
    TAboutBox aboutBox;
    form1.setCalibrationDialog(&form2);
    form1.setAboutBox(&aboutBox);

    splash->hide();
    splash.reset();

    form1.show();
    return QApplication::exec();
}

}  // namespace kv
