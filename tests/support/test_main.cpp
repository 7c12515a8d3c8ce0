// main() of every test executable: the Qt application object the code under test needs,
// with a fixed comma locale so that number texts are the same on every machine.

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#ifdef KV_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
#ifdef KV_TEST_GUI
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    // Rollback copies of rewrites in place go to the state folder: a scratch one, never
    // the user's own.
    QTemporaryDir state;
    ::setenv("XDG_STATE_HOME", QFile::encodeName(state.path()).constData(), 1);
    testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return RUN_ALL_TESTS();
}
