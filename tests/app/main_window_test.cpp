// The main window as it opens: captions, controls, pages, menus, timers, and the column
// fitting on resize.

#include "app/about_box.h"
#include "app/result_label.h"
#include "app/result_panel.h"
#include "app/trace_page.h"
#include "app/window_placement.h"
#include "device/instrument/instrument_link.h"
#include "form_fixture.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/print_view.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibrations_page.h"
#include "ui/panel_status_bar.h"
#include "ui/text_panel.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace kv::test {
namespace {

QString text(const QWidget& root, const char* name)
{
    if (auto* label = root.findChild<QLabel*>(QString::fromLatin1(name)))
        return label->text();
    if (auto* panel = root.findChild<TextPanel*>(QString::fromLatin1(name)))
        return panel->text();
    return QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

using MainWindow = FormTest;

TEST_F(MainWindow, FreshStartShowsJournalPetrolMethodOneAndStartLabels)
{
    TForm1& f = createClean();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Октанометр КВ-4410ПК"));
    EXPECT_EQ(f.pageControl()->currentIndex(), 0);
    EXPECT_EQ(f.journalPage()->editmetod()->text(), QStringLiteral("И"));
    EXPECT_EQ(state().selectedMethod(), 1);
    EXPECT_FALSE(state().dieselMode());
    EXPECT_TRUE(f.findChild<QToolButton*>(QStringLiteral("Bbut"))->isChecked());
    EXPECT_FALSE(f.findChild<QToolButton*>(QStringLiteral("Dbut"))->isChecked());
    EXPECT_EQ(text(f, "txtIsRes"), QStringLiteral("0"));
    EXPECT_EQ(text(f, "txtMotRes"), QStringLiteral("0"));
    EXPECT_EQ(text(f, "txtAKIRes"), QStringLiteral("0"));
    EXPECT_EQ(text(f, "txtCetRes"), QStringLiteral("*"));
    for (int m = 1; m <= 4; ++m) {
        EXPECT_EQ(f.resultPanel()->resultLabel(m)->toolTip(),
                  QStringLiteral("Перетащите значение в журнал для добавления..."));
    }
}

TEST_F(MainWindow, ResultLabelsAreLargeAndBoldAndNameLabelsFitThePanel)
{
    TForm1& f = createClean();
    for (int m = 1; m <= 4; ++m) {
        const QFont font = f.resultPanel()->resultLabel(m)->font();
        EXPECT_TRUE(font.bold());
        EXPECT_EQ(font.pixelSize(), 37);
    }
    auto* aki = f.findChild<QLabel*>(QStringLiteral("txtAKI"));
    EXPECT_GE(aki->font().pixelSize(), 18);
    EXPECT_LE(QFontMetrics(aki->font()).horizontalAdvance(aki->text()), 329);
}

TEST_F(MainWindow, PagesInOrderWithTheServicePagesHidden)
{
    TForm1& f = createClean();
    QTabWidget* pages = f.pageControl();
    ASSERT_EQ(pages->count(), 5);
    const QStringList names = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5"};
    const QStringList captions = {"Журнал измерений", "Архив измерений",
                                  "Компьютерные калибровки", "System korr", "TabSheet5"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
        EXPECT_EQ(pages->isTabVisible(i), i < 3) << i;
    }
    EXPECT_TRUE(pages->widget(0)->isAncestorOf(f.journalPage()));
    EXPECT_TRUE(pages->widget(1)->isAncestorOf(f.archivePage()));
    EXPECT_TRUE(pages->widget(2)->isAncestorOf(f.calibrationsPage()));
    auto* memo = f.tracePage()->memo();
    EXPECT_TRUE(pages->widget(4)->isAncestorOf(memo));
    EXPECT_EQ(memo->objectName(), QStringLiteral("Memo1"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo1"));
    EXPECT_TRUE(memo->isReadOnly());
}

TEST_F(MainWindow, StatusBarHasSixPanelsAndFourAndFiveStayEmpty)
{
    TForm1& f = createClean();
    PanelStatusBar* bar = f.statusBar1();
    const std::array<int, 6> widths = {300, 200, 100, 100, 100, 100};
    f.resize(1200, 760);
    f.show();
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(bar->panel(i), nullptr);
        EXPECT_EQ(bar->panel(i)->objectName(), QStringLiteral("StatusBar1Panel%1").arg(i));
        EXPECT_EQ(bar->panel(i)->width(), widths[std::size_t(i)]) << i;
    }
    EXPECT_EQ(bar->panel(6), nullptr);
    bar->setPanelText(1, QStringLiteral("F=1000"));
    EXPECT_EQ(bar->panelText(1), QStringLiteral("F=1000"));
    EXPECT_TRUE(bar->panelText(4).isEmpty());
    EXPECT_TRUE(bar->panelText(5).isEmpty());
}

TEST_F(MainWindow, TimersRunFromTheStart)
{
    TForm1& f = createClean();
    EXPECT_TRUE(f.link().timer1().isActive());
    EXPECT_EQ(f.link().timer1().interval(), 500);
    EXPECT_EQ(f.link().timer1().objectName(), QStringLiteral("Timer1"));
    EXPECT_TRUE(f.link().getdata().isActive());
    EXPECT_EQ(f.link().getdata().interval(), 1000);
    EXPECT_EQ(f.link().getdata().objectName(), QStringLiteral("Getdata"));
}

TEST_F(MainWindow, ResizeRefitsTheColumnsOfAllThreeGrids)
{
    TForm1& f = createClean();
    f.show();
    QTableView* journal = f.journalPage()->grid();
    QTableView* archive = f.archivePage()->grid();
    QTableView* calibrations = f.calibrationsPage()->grid();
    // Showing the window fits the comment column to the width it shows with.
    EXPECT_EQ(journal->columnWidth(4), journal->width() - (30 + 110 + 150 + 54) - 35);
    // The operator has dragged columns of both tables.
    for (int c = 0; c < 4; ++c) {
        journal->setColumnWidth(c, 77);
        archive->setColumnWidth(c, 40 + c);
    }
    calibrations->setColumnWidth(0, 50);

    for (const QSize size : {QSize(1200, 800), QSize(1000, 700)}) {
        f.resize(size);
        EXPECT_EQ(journal->columnWidth(0), 30);
        EXPECT_EQ(journal->columnWidth(1), 110);
        EXPECT_EQ(journal->columnWidth(2), 150);
        EXPECT_EQ(journal->columnWidth(3), 54);
        EXPECT_EQ(journal->columnWidth(4), journal->width() - (30 + 110 + 150 + 54) - 35);

        // The archive is on a hidden page; it is fitted to the width it will show with.
        EXPECT_EQ(archive->width(), journal->width());
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(archive->columnWidth(c), 40 + c);
        EXPECT_EQ(archive->columnWidth(4), archive->width() - (40 + 41 + 42 + 43) - 10);

        EXPECT_EQ(calibrations->width(), journal->width());
        EXPECT_EQ(calibrations->columnWidth(0), 50);
        EXPECT_EQ(calibrations->columnWidth(1), 150);
        EXPECT_EQ(calibrations->columnWidth(2), calibrations->width() - (50 + 150) - 10);
    }
}

TEST_F(MainWindow, TheWholeWindowFitsAnEightHundredBySixHundredScreen)
{
    TForm1& f = createClean();
    f.pageControl()->revealServicePages();
    f.show();
    // Room is left for the window's frame and title and for a panel of the desktop.
    EXPECT_LE(f.minimumSizeHint().width(), 790);
    EXPECT_LE(f.minimumSizeHint().height(), 540);
    f.resize(790, 540);
    for (int page = 0; page < f.pageControl()->count(); ++page) {
        f.pageControl()->setCurrentIndex(page);
        EXPECT_LE(f.width(), 790) << page;
        EXPECT_LE(f.height(), 540) << page;
    }
}

TEST(WindowPlacement, TheDesignSizeWhereItFitsOtherwiseFittedInsideTheArea)
{
    const QMargins frame(8, 30, 8, 8);
    struct Case {
        QRect available;
        QPoint position;
        QSize client;
    };
    const Case cases[] = {
        {{0, 0, 1920, 1040}, {493, 121}, {917, 760}},  // centred, as ever
        {{0, 0, 1366, 728}, {216, 0}, {917, 690}},     // a laptop with a panel: shorter
        {{0, 0, 800, 600}, {0, 0}, {784, 562}},        // narrower and shorter
        {{1920, 24, 1280, 1000}, {2093, 125}, {917, 760}},  // a second screen, a top panel
    };
    for (const Case& c : cases) {
        const WindowPlacement place = placeWindow(c.available, {917, 760}, frame, {600, 500});
        EXPECT_EQ(place.framePosition, c.position) << c.available.width();
        EXPECT_EQ(place.clientSize, c.client) << c.available.width();
    }
    // Larger than the area even at its smallest: the title bar stays on the screen.
    EXPECT_EQ(placeWindow({0, 0, 640, 480}, {917, 760}, frame, {700, 500}).framePosition, QPoint(0, 0));
}

TEST_F(MainWindow, OpensInsideTheAvailableAreaOfASmallScreen)
{
    // The offscreen platform's screen is 800 x 800: narrower than the window.
    TForm1& f = createClean();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(available.width(), 933);
    EXPECT_TRUE(available.contains(QRect(f.pos(), f.size() + QSize(16, 38)))) << f.pos().x() << f.pos().y();
}

TEST_F(MainWindow, AboutBoxClosesWithOk)
{
    TAboutBox about;
    EXPECT_EQ(text(about, "Version"), QStringLiteral("Version 1.2a"));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    about.show();
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

// A logout or Ctrl+C while a box is open: the box goes, then the window closes saving.
TEST_F(MainWindow, ASignalClosesTheOpenModalWindowsFirst)
{
    TForm1& f = createClean();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    TAboutBox about;
    f.setAboutBox(&about);
    f.show();
    QTimer::singleShot(0, &f, [&f] { f.closeOnSignal(); });
    f.N8Click();  // the box's own event loop, until the signal ends it
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.isVisible(); }, 5000));
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(readFile(path(QStringLiteral("data2.tab"))).count("\r\n"), 6);
}

// A signal while the close shows why it failed: after that close, one more try.
TEST_F(MainWindow, ASignalDuringACloseIsHonouredAfterIt)
{
    TForm1& f = createClean();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    blockWithDirectory(path(QStringLiteral("data2.tab")));
    errors.onError = [&f, this] {
        if (errors.messages.size() == 1)
            f.closeOnSignal();
    };
    f.show();
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return errors.messages.size() == 2; }, 5000));
    QTest::qWait(0);
    EXPECT_EQ(errors.messages.size(), 2);  // once, not for ever
    EXPECT_TRUE(f.isVisible());
}

// The print button writes tmp1.html into the program's directory and its preview comes
// through the window's Web, over the window.
TEST_F(MainWindow, PrintButtonPreviewsThroughWeb)
{
    TForm1& f = createClean();
    PrintView* web = f.web();
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->objectName(), QStringLiteral("Web"));
    int previews = 0;
    web->setPreviewOpener([&](const JournalPrintDocument&, QWidget* parent) {
        EXPECT_EQ(parent->window(), &f);
        return ++previews > 0;
    });
    f.journalPage()->findChild<QToolButton*>(QStringLiteral("printBut"))->click();
    QApplication::processEvents();
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("tmp1.html"))));
    EXPECT_TRUE(errors.messages.isEmpty());
}

}  // namespace
}  // namespace kv::test
