// What the program tells Qt and the desktop about itself, and its command-line answers.

#include "app/application_setup.h"
#include "ui/drawn_icon_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ApplicationSetup, IdentityWithoutATitleSuffix)
{
    setUpApplication(QStringLiteral("org.kv4410pc.Octanometer"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.kv4410pc.Octanometer"));
    // Unset, the display name falls back to the application name, and Qt appends nothing
    // to window titles.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    const QIcon icon = QGuiApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(128, 128)));
    EXPECT_NE(icon.pixmap(48).toImage().pixelColor(24, 24).alpha(), 0);
    // The tool bars' chevrons are drawn; the other standard icons are the style's own.
    ASSERT_TRUE(qobject_cast<DrawnIconStyle*>(QApplication::style()));
    const QImage chevron =
        QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16).toImage();
    int inked = 0;
    for (int y = 0; y < chevron.height(); ++y)
        for (int x = 0; x < chevron.width(); ++x)
            inked += chevron.pixelColor(x, y).alpha() > 128;
    EXPECT_GT(inked, 10);
    EXPECT_EQ(chevron.pixelColor(0, 0).alpha(), 0) << "the chevrons stand on nothing";
    EXPECT_EQ(chevron.pixelColor(15, 15).alpha(), 0);
    EXPECT_FALSE(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).isNull());
    // The translations it installed would change other tests' texts.
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

// A build tree's programs find the workbook writer beside themselves: the export works
// from scripts/run's demo as from the tests.
TEST(ApplicationSetup, TheWorkbookWriterLiesWhereEachBuiltProgramLooksFirst)
{
    for (const QString& program : {QCoreApplication::applicationFilePath(), QStringLiteral(KV_DEMO_PROGRAM)})
        EXPECT_TRUE(QFileInfo::exists(QFileInfo(program).dir().filePath(QStringLiteral("kv4410pc-xlsx.so"))))
            << program.toStdString();
}

// Qt's standard dialogs speak the locale's language (tests run under a Russian default).
TEST(ApplicationSetup, QtsOwnTextsFollowTheLocale)
{
    QTranslator* russian = installQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
    ASSERT_NE(russian, nullptr) << "qtbase_ru.qm missing: qt6-translations-l10n";
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Сохранить как"));
    QCoreApplication::removeTranslator(russian);
    delete russian;
    EXPECT_EQ(installQtTranslations(QLocale::c()), nullptr);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Save As"));
}

TEST(ApplicationSetup, VersionAndHelpAreAnsweredOthersLeftToQt)
{
    const auto version = answerCommandLine(QStringLiteral("kv4410pc"), {QStringLiteral("--version")});
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->text, QStringLiteral("kv4410pc " KV_VERSION "\n"));
    EXPECT_EQ(version->exitStatus, 0);
    for (const char* help : {"--help", "-h"}) {
        const auto answer = answerCommandLine(QStringLiteral("kv4410pc-demo"), {QString::fromLatin1(help)});
        ASSERT_TRUE(answer.has_value()) << help;
        EXPECT_TRUE(answer->text.startsWith(QStringLiteral("Usage: kv4410pc-demo [--version | --help | --verify-history [FOLDER]]\n")));
    }
    EXPECT_FALSE(answerCommandLine(QStringLiteral("kv4410pc"), {}).has_value());
    EXPECT_FALSE(answerCommandLine(QStringLiteral("kv4410pc"),
                                   {QStringLiteral("-platform"), QStringLiteral("offscreen")})
                     .has_value());
}

}  // namespace
}  // namespace kv
