// The demo's program variant: the instrument is there for the first scan and reads.

#include "app/workspace.h"
#include "demo_session.h"
#include "instrument_window.h"
#include "virtual_instrument.h"

#include "hid_test_helpers.h"

#include "app/main_window.h"
#include "core/methods.h"
#include "app/result_label.h"
#include "app/result_panel.h"
#include "device/instrument/instrument_link.h"
#include "ui/panel_status_bar.h"
#include "core/error_guard.h"
#include "core/number_format.h"
#include "device/hid/hid_device_controller.h"
#include "device/hid/hid_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class FailingReporter : public kv::ErrorReporter {
public:
    void showError(const QString& message) override { ADD_FAILURE() << message.toStdString(); }
};

TEST(DemoSession, PlugsTheInstrumentForTheFirstScanAndReadsTheStartSample)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"kor.tab", "data.tab", "data2.tab"}) {
        QFile file(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    const kv::ProgramVariant variant = kv::demoProgram();
    const std::unique_ptr<kv::HidPlatform> platform = variant.makePlatform();
    FailingReporter errors;
    kv::Workspace workspace(dir.path());
    kv::TForm1 form(workspace, *platform, &errors);
    form.link().stop();
    std::unique_ptr<QObject> extras = variant.afterWindowsCreated(form, *platform);
    auto* session = dynamic_cast<kv::DemoSession*>(extras.get());
    ASSERT_NE(session, nullptr);

    EXPECT_TRUE(session->instrument().plugged());
    EXPECT_TRUE(session->window().isVisible());
    EXPECT_FALSE(session->window().testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(form.link().currentDevice(), nullptr);  // nothing scanned before the loop

    // What the event loop does first: the controller's first pass.
    QCoreApplication::sendPostedEvents();
    ASSERT_NE(form.link().currentDevice(), nullptr);

    form.link().Timer1Timer();
    EXPECT_EQ(form.statusBar1()->panelText(0), QStringLiteral("КВ-4410 (виртуальный)"));
    EXPECT_TRUE(form.link().getdata().isActive());
    ASSERT_TRUE(kv::test::runOneHandOver(form.hid()));  // the connect command is answered too
    const double research = kv::parseFloat(form.resultPanel()->resultLabel(kv::Research)->text());
    EXPECT_NEAR(research, kv::DemoSession::kStartResearch, 0.5);

    // Closing down in the program's order: the session goes before the window.
    extras.reset();
    form.link().getdata().stop();
}

}  // namespace
