// Key preview (the journal's space key and the service key sequence) and the help menu.

#include "app/help_document.h"
#include "app/page_control.h"
#include "journal/journal_table.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/spreadsheet_export_action.h"
#include "app/program_constants.h"
#include "app/result_label.h"
#include "app/service_key_sequence.h"
#include "form_fixture.h"
#include "measure/measurement_state.h"
#include "journal/ui/journal_page.h"
#include "measure/ui/system_correction_page.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTabBar>
#include <QWheelEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include <optional>

namespace kv::test {
namespace {

// Types one character key into the widget, as the window system would deliver it.
void type(QWidget* widget, QChar key)
{
    QKeyEvent press(QEvent::KeyPress, key == u' ' ? Qt::Key_Space : Qt::Key_unknown,
                    Qt::NoModifier, QString(key));
    QApplication::sendEvent(widget, &press);
}

QString keys(std::initializer_list<QChar> chars)
{
    QString result;
    for (const QChar c : chars)
        result += c;
    return result;
}

void typeText(QWidget* widget, const QString& keys)
{
    for (const QChar key : keys)
        type(widget, key);
}

bool servicePagesVisible(TForm1& f)
{
    return f.pageControl()->isTabVisible(3) && f.pageControl()->isTabVisible(4);
}

using FormKeys = FormTest;

const QChar kOpen(kServiceKeys.opening);
const QChar kFollow(kServiceKeys.followUp);

TEST_F(FormKeys, FullSequenceAndThreeOpeningKeysRevealTheServicePages)
{
    for (const QString& sequence : {keys({kOpen, kFollow, kFollow}), keys({kOpen, kOpen, kOpen}),
                                    keys({kOpen, kOpen, kFollow})}) {
        TForm1& f = createClean();
        f.show();
        f.journalPage()->grid()->setFocus();
        typeText(f.journalPage()->grid(), sequence.left(2));
        EXPECT_FALSE(servicePagesVisible(f));
        type(f.journalPage()->grid(), sequence[2]);
        EXPECT_TRUE(servicePagesVisible(f)) << sequence.toStdString();
        // Once revealed they stay, whatever is typed next.
        typeText(f.journalPage()->grid(), QStringLiteral("x") + kOpen);
        EXPECT_TRUE(servicePagesVisible(f));
    }
}

TEST_F(FormKeys, HiddenServicePagesAreReachedNeitherByWheelNorArrowsNorCtrlTab)
{
    TForm1& f = createClean();
    f.show();
    PageControl* pages = f.pageControl();
    QTabBar* bar = pages->tabBar();
    QList<int> visited;
    QObject::connect(pages, &QTabWidget::currentChanged, [&](int index) { visited << index; });
    const auto wheel = [&](int steps) {
        const QPointF at = bar->tabRect(0).center();
        for (int i = 0; i < 8; ++i) {
            QWheelEvent event(at, bar->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &event);
        }
    };
    const auto key = [&](QWidget* target, int code, Qt::KeyboardModifiers modifiers) {
        for (int i = 0; i < 8; ++i) {
            QKeyEvent event(QEvent::KeyPress, code, modifiers);
            QApplication::sendEvent(target, &event);
        }
    };
    const auto everyWay = [&] {
        for (const int steps : {-1, 1})
            wheel(steps);
        for (const int code : {Qt::Key_Right, Qt::Key_Left})
            key(bar, code, Qt::NoModifier);
        key(pages, Qt::Key_Tab, Qt::ControlModifier);
        key(pages, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    };

    everyWay();
    EXPECT_FALSE(visited.isEmpty());  // the ways work, on the pages that may be shown
    EXPECT_FALSE(visited.contains(PageControl::SystemCorrection)) << visited.size();
    EXPECT_FALSE(visited.contains(PageControl::Trace));

    visited.clear();
    pages->revealServicePages();
    everyWay();
    EXPECT_TRUE(visited.contains(PageControl::SystemCorrection));
    EXPECT_TRUE(visited.contains(PageControl::Trace));
}

// A day's work without the mouse, every key through the window system's path (shortcuts
// first, then the focused control).
TEST_F(FormKeys, TheDaysWorkIsDrivenFromTheKeyboard)
{
    TForm1& f = createClean();
    state().applyCount(8000);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    const auto press = [](QKeyCombination key) {
        QWidget* target = QApplication::activePopupWidget();
        if (!target)
            target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    };
    const auto popup = [] { return QApplication::activePopupWidget(); };
    JournalPage* journalPage = f.journalPage();
    const JournalTable& journal = journalPage->table();
    PageControl* pages = f.pageControl();

    // The journal grid has the focus from the start: Insert and space record.
    ASSERT_EQ(QApplication::focusWidget(), journalPage->grid());
    press(Qt::Key_Insert);
    QTest::keyClick(journalPage->grid(), Qt::Key_Space);
    EXPECT_EQ(journal.rowCount(), 3);

    // The method menu opens under its button on the present method; the fuel by its keys.
    press(Qt::CTRL | Qt::Key_M);
    ASSERT_NE(popup(), nullptr);
    EXPECT_EQ(popup()->objectName(), QStringLiteral("PopupMenuMetod"));
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(state().selectedMethod(), Motor);
    press(Qt::CTRL | Qt::Key_D);
    EXPECT_TRUE(state().dieselMode());
    press(Qt::CTRL | Qt::Key_B);
    EXPECT_FALSE(state().dieselMode());

    // Into the archive and out of it again.
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    EXPECT_EQ(journal.rowCount(), 2);
    press(Qt::CTRL | Qt::Key_PageDown);
    EXPECT_EQ(pages->currentIndex(), PageControl::Archive);
    EXPECT_EQ(QApplication::focusWidget(), f.archivePage()->grid());
    const int archived = f.archivePage()->table().rowCount();
    press(Qt::Key_Delete);
    EXPECT_EQ(f.archivePage()->table().rowCount(), archived - 1);

    // Round the pages the operator may see, both ways; Tab leaves a grid and comes back.
    press(Qt::CTRL | Qt::Key_Tab);
    EXPECT_EQ(pages->currentIndex(), PageControl::Calibrations);
    press(Qt::CTRL | Qt::Key_PageDown);
    EXPECT_EQ(pages->currentIndex(), PageControl::Journal);
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab);
    EXPECT_EQ(pages->currentIndex(), PageControl::Calibrations);
    press(Qt::CTRL | Qt::Key_PageUp);
    press(Qt::CTRL | Qt::Key_PageUp);
    EXPECT_EQ(pages->currentIndex(), PageControl::Journal);
    ASSERT_EQ(QApplication::focusWidget(), journalPage->grid());
    press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), journalPage->grid());
    press(Qt::SHIFT | Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), journalPage->grid());

    // The export by its key, cancelled in its file dialog.
    int chosen = 0;
    journalPage->spreadsheetExport().setFileChooser([&chosen](QWidget*) {
        ++chosen;
        return QString();
    });
    press(Qt::CTRL | Qt::Key_E);
    EXPECT_EQ(chosen, 1);

    // The menus: F10, the underlined letter, Alt alone.
    const QMenu* fileMenu = f.findChild<QMenu*>(QStringLiteral("N1"));
    press(Qt::Key_F10);
    EXPECT_EQ(popup(), fileMenu);
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    EXPECT_EQ(popup(), nullptr);
    QTest::sendKeyEvent(QTest::Click, &f, Qt::Key(u'Ф'), QStringLiteral("ф"), Qt::AltModifier);
    EXPECT_EQ(popup(), fileMenu);
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    QMenuBar* bar = f.menuBar();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(bar->activeAction(), fileMenu->menuAction());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
}

// Every tool-bar command names its key in its tip.
TEST_F(FormKeys, EachToolBarCommandNamesItsKey)
{
    TForm1& f = createClean();
    const std::pair<const char*, QKeySequence> buttons[] = {
        {"writeBut", QKeySequence(Qt::Key_Insert)},
        {"editmetod", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {"ArhBut", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
        {"DelBut", QKeySequence(Qt::Key_Delete)},
        {"excellBut", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"printBut", QKeySequence(QKeySequence::Print)},
        {"DelButArh", QKeySequence(Qt::Key_Delete)},
        {"excellButArh", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"BitBtn1", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"BitBtn2", QKeySequence(Qt::Key_Enter)},
        {"BitBtn3", QKeySequence(Qt::Key_Delete)},
        {"BitBtn4", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"Bbut", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"Dbut", QKeySequence(Qt::CTRL | Qt::Key_D)},
    };
    for (const auto& [name, key] : buttons) {
        const auto* button = f.findChild<QToolButton*>(QLatin1StringView(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->toolTip().endsWith(u'(' + key.toString(QKeySequence::NativeText) + u')'))
            << name << ": " << button->toolTip().toStdString();
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << name;
    }
}

TEST_F(FormKeys, FollowUpFirstOrAnotherKeyInBetweenStartsOver)
{
    TForm1& f = createClean();
    f.show();
    f.journalPage()->grid()->setFocus();
    QWidget* grid = f.journalPage()->grid();
    typeText(grid, keys({kFollow, kOpen, kFollow}));
    EXPECT_FALSE(servicePagesVisible(f));
    // Two counted keys, then another key: the count starts over, so two opening keys
    // are not enough and a third is.
    typeText(grid, keys({QChar(u'5'), kFollow, kOpen, kOpen}));
    EXPECT_FALSE(servicePagesVisible(f));
    typeText(grid, keys({kOpen}));
    EXPECT_TRUE(servicePagesVisible(f));
}

TEST_F(FormKeys, KeysTypedIntoAnEditReachItUnchanged)
{
    TForm1& f = createClean();
    f.show();
    f.pageControl()->revealServicePages();
    f.pageControl()->setCurrentIndex(3);
    QLineEdit* edit = f.systemCorrectionPage()->labeledEdit1();
    edit->setFocus();
    edit->setCursorPosition(1);
    typeText(edit, keys({kOpen, kOpen, kOpen}));
    EXPECT_EQ(edit->text(), QStringLiteral("0") + QString(3, kOpen));
    EXPECT_TRUE(f.pageControl()->isTabVisible(4));
}

TEST_F(FormKeys, SpaceOnTheJournalGridAddsAnEntryExceptInTheCommentColumn)
{
    TForm1& f = createClean();
    f.show();
    QTableView* grid = f.journalPage()->grid();
    grid->setFocus();
    state().applyCount(8000);

    grid->setCurrentIndex(grid->model()->index(0, 3));
    type(grid, u' ');
    EXPECT_EQ(f.journalPage()->table().cell(1, 3), QStringLiteral("83,3"));
    EXPECT_EQ(f.journalPage()->table().rowCount(), 2);

    grid->setCurrentIndex(grid->model()->index(0, 0));
    type(grid, u' ');
    EXPECT_EQ(f.journalPage()->table().rowCount(), 3);

    grid->setCurrentIndex(grid->model()->index(0, 4));
    type(grid, u' ');
    EXPECT_EQ(f.journalPage()->table().rowCount(), 3);
}

TEST_F(FormKeys, SpaceElsewhereAddsNothing)
{
    TForm1& f = createClean();
    f.show();
    f.journalPage()->editmetod()->setFocus();
    type(f.journalPage()->editmetod(), u' ');
    f.FormKeyPress(&f, u' ');
    EXPECT_TRUE(f.journalPage()->table().isEmpty());
}

class HelpMenu : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        m_previousDir = QDir::currentPath();
        ASSERT_TRUE(cwd.isValid());
        QDir::setCurrent(cwd.path());
        createClean();
        form->setHelpDirectories({dir.path(), docDir.path()});
        form->setDocumentOpener([this](const QUrl& url, DocumentOpened done) {
            opened << url;
            done(openerFailure);
        });
    }
    void TearDown() override { QDir::setCurrent(m_previousDir); }

    QTemporaryDir cwd;
    QTemporaryDir docDir;
    QList<QUrl> opened;
    QString openerFailure;

private:
    QString m_previousDir;
};

// The fixed text, and under it the file and where it was looked for.
TEST_F(HelpMenu, MissingDocumentShowsTheFailureText)
{
    form->N9Click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(errors.notices, QStringList{QStringLiteral("Немогу выполнить  !")});
    const QString searched = QStringList{cwd.path(), dir.path(), docDir.path()}.join(u'\n');
    EXPECT_EQ(errors.noticeDetails,
              QStringList{QStringLiteral("Файл qt44usb.pdf не найден ни в одной из папок:\n") + searched});
    EXPECT_TRUE(errors.messages.isEmpty());
}

// Started from the program's folder, named in any way, the folder is listed once.
TEST_F(HelpMenu, TheProgramsFolderAsCurrentDirectoryIsListedOnce)
{
    const QString link = QDir(cwd.path()).filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(dir.path(), link));
    QDir::setCurrent(dir.path());
    for (const QString& programDir : {dir.path(), dir.path() + QStringLiteral("/."), link}) {
        errors.noticeDetails.clear();
        form->setHelpDirectories({programDir, docDir.path()});
        form->N9Click();
        EXPECT_EQ(errors.noticeDetails,
                  QStringList{QStringLiteral("Файл qt44usb.pdf не найден ни в одной из папок:\n")
                              + QDir::currentPath() + u'\n' + docDir.path()})
            << programDir.toStdString();
    }
}

// A help that could not be opened is a failure, boxed as one, whatever the cause.
TEST_F(HelpMenu, AFailureIsBoxedAsAWarning)
{
    create({.directory = {}, .createsDirectory = false, .reports = false});  // real boxes
    form->setHelpDirectories({dir.path()});
    form->setDocumentOpener([](const QUrl&, DocumentOpened done) { done(QStringLiteral("no viewer")); });
    for (const bool present : {false, true}) {
        if (present)
            writeFile(path(kHelpFileName), "%PDF");
        std::optional<QMessageBox::Icon> icon;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                icon = box->icon();
                box->accept();
            }
        });
        form->N9Click();
        EXPECT_EQ(icon, QMessageBox::Warning) << present;
    }
}

TEST_F(HelpMenu, DocumentInTheProgramDirectoryIsOpened)
{
    writeFile(path(kHelpFileName), "%PDF");
    form->N9Click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(path(kHelpFileName))});
    EXPECT_TRUE(errors.notices.isEmpty());
}

TEST_F(HelpMenu, CurrentDirectoryComesFirst)
{
    writeFile(path(kHelpFileName), "%PDF");
    const QString inCwd = QDir(cwd.path()).filePath(kHelpFileName);
    writeFile(inCwd, "%PDF");
    form->N9Click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(inCwd)});
}

TEST_F(HelpMenu, TheInstalledDocumentationComesLast)
{
    const QString installed = QDir(docDir.path()).filePath(kHelpFileName);
    writeFile(installed, "%PDF");
    form->N9Click();
    writeFile(path(kHelpFileName), "%PDF");
    form->N9Click();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(installed), QUrl::fromLocalFile(path(kHelpFileName))}));
    // Installed, the manual is the program's own data: the documentation may be dropped.
    EXPECT_TRUE(programHelpDirectories().last().endsWith(QStringLiteral("/share/kv4410pc")));
}

TEST_F(HelpMenu, OpenerFailureShowsTheFailureText)
{
    writeFile(path(kHelpFileName), "%PDF");
    openerFailure = QStringLiteral("no viewer");
    form->N9Click();
    EXPECT_EQ(errors.notices, QStringList{kHelpFailedText});
    EXPECT_EQ(errors.noticeDetails, QStringList{path(kHelpFileName) + QStringLiteral("\nno viewer")});
}

// The desktop's opener, started for real: its exit status is the outcome.
TEST(DesktopDocumentOpener, AnOpenerThatFailsOrCantStartIsAFailure)
{
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const auto script = [&](const char* name, int exitCode) {
        const QString file = QDir(bin.path()).filePath(QString::fromLatin1(name));
        writeFile(file, QByteArray("#!/bin/sh\nexit ") + QByteArray::number(exitCode) + '\n');
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    };
    const auto outcome = [](const QString& program) {
        std::optional<QString> failure;
        desktopDocumentOpener(program)(QUrl::fromLocalFile(QStringLiteral("/tmp/qt44usb.pdf")),
                                       [&](const QString& text) { failure = text; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return failure.has_value(); }, 20000)) << program.toStdString();
        return failure.value_or(QStringLiteral("no outcome"));
    };
    EXPECT_EQ(outcome(script("opens", 0)), QString());
    // xdg-open without a viewer for the type exits with 3.
    EXPECT_EQ(outcome(script("no-viewer", 3)),
              QStringLiteral("Нет программы для просмотра PDF: установите её (например, evince или okular)."));
    EXPECT_EQ(outcome(script("other", 4)), QStringLiteral("other завершилась с кодом 4."));
    EXPECT_TRUE(outcome(QDir(bin.path()).filePath(QStringLiteral("missing-opener")))
                    .startsWith(QStringLiteral("Не удалось запустить missing-opener: ")));
}

// Boxes shown from the window's creation on carry its caption as their title.
TEST_F(FormTest, ABoxAfterTheStartCarriesTheWindowsCaption)
{
    writeEmptyDataFiles();
    blockWithDirectory(path(QStringLiteral("kor.tab")));
    QString title;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            box->accept();
        }
    });
    create({.directory = {}, .createsDirectory = false, .reports = false});  // real boxes
    EXPECT_EQ(title, QStringLiteral("Октанометр КВ-4410ПК"));
    EXPECT_EQ(form->applicationTitle(), QStringLiteral("Октанометр КВ-4410ПК"));
}

}  // namespace
}  // namespace kv::test
