// What the operator reads on the main window: result labels that fit their text, five
// tabs that fit the page panel, grids whose narrow columns show their texts whole.

#include "app/result_label.h"
#include "app/result_panel.h"
#include "core/methods.h"
#include "form_fixture.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "ui/grid_style.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibrations_page.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QMenu>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>

namespace kv::test {
namespace {

const QString kCalibrated = QStringLiteral("95,4 (Эталон АИ-)");

QFont resultFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(37);
    font.setBold(true);
    return font;
}

int advance(const QFont& font, const QString& text)
{
    return QFontMetrics(font).horizontalAdvance(text);
}

TEST(ResultLabelFit, AShortResultKeepsTheFullSize)
{
    ResultLabel label;
    label.setFont(resultFont());
    label.setFixedSize(317, 44);
    for (const char* text : {"92,4", "0", "*", "100,5"}) {
        label.setText(QString::fromLatin1(text));
        EXPECT_EQ(label.shownFont(), label.font()) << text;
    }
}

TEST(ResultLabelFit, AWideResultShrinksJustEnoughAndKeepsItsTextAndBoldFace)
{
    ResultLabel label;
    label.setFont(resultFont());
    label.setFixedSize(317, 44);
    label.setText(kCalibrated);
    EXPECT_EQ(label.text(), kCalibrated);
    const QFont shown = label.shownFont();
    EXPECT_TRUE(shown.bold());
    EXPECT_EQ(shown.family(), label.font().family());
    EXPECT_LT(shown.pixelSize(), 37);
    EXPECT_GE(shown.pixelSize(), 28);  // still a large figure
    EXPECT_LE(advance(shown, kCalibrated), label.contentsRect().width());
    QFont oneLarger = shown;
    oneLarger.setPixelSize(shown.pixelSize() + 1);
    EXPECT_GT(advance(oneLarger, kCalibrated), label.contentsRect().width());
    // The stored font is untouched: a later short result is full size again.
    EXPECT_EQ(label.font().pixelSize(), 37);
    label.setText(QStringLiteral("92,4"));
    EXPECT_EQ(label.shownFont().pixelSize(), 37);
}

TEST(ResultLabelFit, MarkupInACalibrationNameIsShownAsTyped)
{
    ResultLabel label;
    label.setText(QStringLiteral("92,4 (<b>АИ</b>-9)"));
    EXPECT_EQ(label.text(), QStringLiteral("92,4 (<b>АИ</b>-9)"));
}

using Readability = FormTest;

TEST_F(Readability, ACalibratedResultStaysInsideTheResultBoxAndTheJournalGetsItsText)
{
    TForm1& f = createClean();
    f.show();
    TCalibration calibration;
    calibration.method = Research;
    calibration.slope = 1;
    calibration.offset = 12.1;
    calibration.setName(QStringLiteral("Эталон АИ-92"));
    workspace->addCalibration(calibration);
    workspace->toggleCalibration(1);
    state().applyCount(8000);  // research 83,3, calibrated 95,4
    ResultLabel* label = f.resultPanel()->resultLabel(Research);
    EXPECT_EQ(label->text(), kCalibrated);
    auto* box = f.findChild<QGroupBox*>(QStringLiteral("ResBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->width(), 329);
    EXPECT_GE(label->x(), 0);
    EXPECT_LE(label->geometry().right(), box->contentsRect().right());
    EXPECT_LE(advance(label->shownFont(), kCalibrated), label->contentsRect().width());
    f.journalPage()->writeButClick();
    EXPECT_EQ(f.journalPage()->table().cell(1, 3), kCalibrated);
    EXPECT_FALSE(label->grab().isNull());  // the drag's picture
}

TEST_F(Readability, AllFiveTabsShowTheirWholeCaptionsAtTheDesignSize)
{
    TForm1& f = createClean();
    f.show();
    PageControl* pages = f.pageControl();
    pages->revealServicePages();
    QTabBar* bar = pages->tabBar();
    const QFontMetrics metrics(bar->font());
    int right = 0;
    for (int i = 0; i < pages->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        EXPECT_GE(tab.left(), right) << i;
        EXPECT_GT(tab.width(), metrics.horizontalAdvance(pages->tabText(i))) << i;
        EXPECT_EQ(pages->tabToolTip(i), pages->tabText(i));
        right = tab.right();
    }
    EXPECT_LE(right, bar->width());
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>())
        EXPECT_FALSE(arrow->isVisible());
}

TEST_F(Readability, InANarrowWindowEveryTabStaysInView)
{
    TForm1& f = createClean();
    f.show();
    f.resize(820, 560);
    PageControl* pages = f.pageControl();
    pages->revealServicePages();
    QTabBar* bar = pages->tabBar();
    for (int i = 0; i < pages->count(); ++i)
        EXPECT_LE(bar->tabRect(i).right(), bar->width()) << i;
}

TEST_F(Readability, TheThreeGridsShareTheCondensedFaceAndShowDatesAndMethodsWhole)
{
    TForm1& f = createClean();
    f.show();
    QTableView* journal = f.journalPage()->grid();
    QTableView* archive = f.archivePage()->grid();
    QTableView* calibrations = f.calibrationsPage()->grid();
    for (QTableView* grid : {journal, archive, calibrations}) {
        EXPECT_EQ(grid->font(), gridFont()) << grid->objectName().toStdString();
        EXPECT_EQ(grid->horizontalHeader()->font().toString(), gridFont().toString())
            << grid->objectName().toStdString();
        EXPECT_FALSE(grid->wordWrap()) << grid->objectName().toStdString();
    }
    // The calibrations grid keeps the style's own cell margins.
    const QFontMetrics metrics(gridFont());
    const int margin = calibrations->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    for (int m = Research; m <= Cetane; ++m) {
        EXPECT_LE(metrics.horizontalAdvance(methodName(m)),
                  calibrations->columnWidth(1) - 1 - 2 * margin);
    }
    const int headerMargin = journal->style()->pixelMetric(QStyle::PM_HeaderMargin);
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Значение")),
              journal->columnWidth(3) - 2 * headerMargin);
    EXPECT_EQ(journal->columnWidth(3), 54);
}

TEST_F(Readability, EveryToolButtonCaptionFitsItsButton)
{
    TForm1& f = createClean();
    f.show();
    f.pageControl()->revealServicePages();
    for (int i = 0; i < f.pageControl()->count(); ++i) {
        f.pageControl()->setCurrentIndex(i);
        for (const QToolButton* button : f.pageControl()->widget(i)->findChildren<QToolButton*>()) {
            if (button->text().isEmpty() || !button->isVisible())
                continue;
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 6)
                << button->objectName().toStdString() << " " << button->width();
        }
    }
}

// At 800 × 600 every command of every tool bar can still be reached: a button that doesn't
// fit is an entry of its bar's extension menu, with its caption, doing what it does.
TEST_F(Readability, AtEightHundredBySixHundredEveryCommandIsReachable)
{
    writeEmptyDataFiles();
    TCalibration computed;
    computed.method = Aki;
    computed.slope = 1;
    writeFile(path(QStringLiteral("kor.tab")), serializeCalibrations({computed}));
    TForm1& f = create();
    f.show();
    f.resize(800, 600);
    QMenu* overflow = nullptr;
    for (int i = 0; i < PageControl::SystemCorrection; ++i) {
        f.pageControl()->setCurrentIndex(i);
        auto* bar = f.pageControl()->widget(i)->findChild<QToolBar*>();
        ASSERT_NE(bar, nullptr) << i;
        auto* extension = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        QMenu* menu = extension && extension->isVisible() ? extension->menu() : nullptr;
        for (const QToolButton* button : bar->findChildren<QToolButton*>()) {
            if (button == extension)
                continue;
            EXPECT_TRUE(button->actions().isEmpty()) << "a menu arrow on " << button->objectName().toStdString();
            if (button->isVisible())
                continue;
            ASSERT_NE(menu, nullptr) << button->objectName().toStdString();
            const auto actions = menu->actions();
            EXPECT_TRUE(std::any_of(actions.begin(), actions.end(), [&](const QAction* a) {
                return a->text() == button->text();
            })) << button->objectName().toStdString();
        }
        if (i == PageControl::Calibrations)
            overflow = menu;
    }
    ASSERT_NE(overflow, nullptr) << "the calibrations bar fits: make the window narrower";
    for (QAction* action : overflow->actions())
        if (action->text() == QStringLiteral("Включить/Отключить калибровку"))
            action->trigger();
    EXPECT_EQ(state().calibrations().activeCalibration(Aki), 1);
}

}  // namespace
}  // namespace kv::test
