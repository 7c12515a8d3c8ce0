// The calibration dialog, the calibrations page and the system correction page as the
// main window wires them: the dialog's "->" reads the window's results, the page's saves
// keep to the rule of the close, and Save goes out through the window's link.

#include "core/methods.h"
#include "device/instrument/instrument_link.h"
#include "form_fixture.h"
#include "app/page_control.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"
#include "ui/mask_edit.h"
#include "ui/panel_status_bar.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace kv::test {
namespace {

class CalibrationWiring : public FormTest {
protected:
    // The test's dialog, or the window's own, made when first opened.
    void createWithDialog(bool own = false)
    {
        create();
        if (own)
            form->createDialogsWhenNeeded();
        else
            form->setCalibrationDialog(&dialog);
        form->calibrationsPage()->setDialogRunner([this](TForm2& d) {
            d.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            fetched = d.findChild<QLineEdit*>(QStringLiteral("LabeledEdit1"))->text();
            d.accept();
            return true;
        });
    }
    void pressCreate()
    {
        form->calibrationsPage()->findChild<QToolButton*>(QStringLiteral("BitBtn1"))->click();
    }

    TForm2 dialog;
    QString fetched;
};

int calibrationDialogs()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.begin(), windows.end(), [](const QWidget* w) { return qobject_cast<const TForm2*>(w); }));
}

class CalibrationWiringDialogs : public CalibrationWiring, public testing::WithParamInterface<bool> {};

TEST_P(CalibrationWiringDialogs, TheDialogFetchesTheWindowsResultAndThePageSavesAtOnce)
{
    const bool own = GetParam();
    writeEmptyDataFiles();
    createWithDialog(own);
    const int before = calibrationDialogs();
    state().applyCount(8000);
    pressCreate();
    EXPECT_EQ(fetched, state().resultText(Research));
    EXPECT_FALSE(fetched.isEmpty());
    EXPECT_EQ(calibrationDialogs(), before + (own ? 1 : 0)) << "the window's own dialog comes when first needed";
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'|').toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("kor.tab"))).size(), 4 + 264);
    form->close();
}

INSTANTIATE_TEST_SUITE_P(TestsOrOwn, CalibrationWiringDialogs, testing::Bool());

TEST_F(CalibrationWiring, AnUnreadableKorTabIsNotWrittenByThePage)
{
    writeEmptyDataFiles();
    blockWithDirectory(path(QStringLiteral("kor.tab")));
    createWithDialog();
    errors.messages.clear();
    pressCreate();
    form->calibrationsPage()->findChild<QToolButton*>(QStringLiteral("BitBtn3"))->click();
    pressCreate();
    // No save was tried: it would have failed on the directory and been reported.
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'|').toStdString();
    EXPECT_EQ(state().calibrations().count(), 1);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("kor.tab"))).isDir());
    form->close();
}

TEST_F(CalibrationWiring, WithoutItsDirectoryThePageWritesNothing)
{
    writeEmptyDataFiles();
    createWithDialog();
    ASSERT_TRUE(QDir(dir.path()).removeRecursively());
    pressCreate();
    // Only the history says it could not write.
    ASSERT_EQ(errors.messages.size(), 1) << errors.messages.join(u'|').toStdString();
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("history.log")));
    EXPECT_EQ(state().calibrations().count(), 1);
    EXPECT_FALSE(QFileInfo::exists(dir.path()));
    form->close();
}

TEST_F(CalibrationWiring, SaveGoesOutThroughTheWindowsLink)
{
    writeEmptyDataFiles();
    create();
    form->link().stop();
    form->pageControl()->revealServicePages();
    SystemCorrectionPage* page = form->systemCorrectionPage();
    page->labeledEdit1()->setText(QStringLiteral("80"));
    page->maskEdit1()->setMaskText(QStringLiteral("82"));
    page->labeledEdit2()->setText(QStringLiteral("95"));
    page->maskEdit2()->setMaskText(QStringLiteral("96"));
    page->button3()->click();
    EXPECT_DOUBLE_EQ(state().systemCorrection().a, 14.0 / 15.0);
    EXPECT_EQ(form->statusBar1()->panelText(0), QStringLiteral("Нет подключения"));
    EXPECT_TRUE(form->link().getdata().isActive());
    form->close();
}

}  // namespace
}  // namespace kv::test
