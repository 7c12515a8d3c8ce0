#include "app/main_window.h"

#include "app/about_box.h"
#include "app/history_dialog.h"
#include "app/page_control.h"
#include "app/program_constants.h"
#include "app/result_panel.h"
#include "app/trace_page.h"
#include "app/window_placement.h"
#include "app/workspace.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"
#include "journal/journal_book.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/print_view.h"
#include "journal/ui/test_report_dialog.h"
#include "measure/measurement_state.h"
#include "measure/trend_feed.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"
#include "ui/fonts.h"
#include "ui/grid_style.h"
#include "ui/key_preview.h"
#include "ui/panel_status_bar.h"
#include "ui/result_drag.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include <optional>

namespace kv {

TForm1::TForm1(Workspace& workspace, HidPlatform& hidPlatform, ErrorReporter* errors,
               QWidget* parent)
    : QMainWindow(parent)
    , m_externalErrors(errors)
    , m_askReport([](QWidget* parent) -> std::optional<TestReport> {
        const QString name = QCoreApplication::applicationName();
        QSettings settings(name, name);
        TestReportDialog dialog(settings, parent);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.report();
    })
    , m_previewReport(&previewTestReport)
    , m_workspace(workspace)
{
    m_workspace.reportTo(this);
    setObjectName(QStringLiteral("Form1"));
    // The window's own type size, inherited by every page: small enough that the five
    // tabs and the tool bars fit the window's design width.
    setFont(familyFont(windowFamilies(), 11));

    // The controller posts its first notification now; the scan runs from the event loop,
    // when the window is complete.
    m_hid = std::make_unique<THidDeviceController>(hidPlatform, *this);
    m_link = std::make_unique<InstrumentLink>(*m_hid, *this);

    m_statusBar = new PanelStatusBar(this);
    setStatusBar(m_statusBar);
    connect(&m_workspace.state(), &MeasurementState::readingChanged, this, [this](const ReadingDisplay& d) {
        m_statusBar->setPanelText(1, d.panel1);
        m_statusBar->setPanelText(3, d.panel3);
    });

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_resultPanel = new ResultPanel(m_workspace.state(), *this);
    layout->addWidget(m_resultPanel);
    layout->addWidget(buildPagePanel(), 1);
    setCentralWidget(central);
    m_web = new PrintView(*this, central);
    m_journalPage->setPrintView(m_web);
    m_archivePage->setPrintView(m_web);
    const auto report = [this](QWidget* page, const JournalTable& rows) {
        if (const std::optional<TestReport> typed = m_askReport(page))
            m_previewReport(testReport(rows, *typed), page);
    };
    m_journalPage->setReportHandler(report);
    m_archivePage->setReportHandler(report);
    buildMenus();

    new KeyPreview(this, [this](QWidget* focused, QChar key) { FormKeyPress(focused, key); });

    // 933 x 798 with the frame: the client area of that window, made smaller on a smaller
    // screen (a laptop's 1366 x 768, a projector's 800 x 600).
    resize(917, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const WindowPlacement place = placeWindow(screen->availableGeometry(), size(), QMargins(8, 30, 8, 8),
                                                  minimumSizeHint());
        resize(place.clientSize);
        move(place.framePosition);
    }

    FormCreate();
    m_link->start();
}

TForm1::~TForm1()
{
    m_workspace.reportTo(nullptr);
}

void TForm1::wireCalibrationDialog(TForm2& dialog)
{
    dialog.setErrorReporter(this);
    dialog.setResultTexts([this](int method) { return m_workspace.state().resultText(method); });
}

void TForm1::setCalibrationDialog(TForm2* dialog)
{
    if (dialog)
        wireCalibrationDialog(*dialog);
    m_calibrationsPage->setCalibrationDialog(dialog);
}

void TForm1::createDialogsWhenNeeded()
{
    m_ownDialogs = true;
    m_calibrationsPage->setCalibrationDialog([this] {
        if (!m_ownForm2) {
            m_ownForm2 = std::make_unique<TForm2>();
            wireCalibrationDialog(*m_ownForm2);
        }
        return m_ownForm2.get();
    });
}

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("N1"));
    QAction* history = file->addAction(QStringLiteral("&История изменений…"));
    history->setObjectName(QStringLiteral("HistoryAction"));
    connect(history, &QAction::triggered, this, [this] {
        HistoryDialog dialog(m_workspace.historyPath(), this);
        dialog.exec();
    });
    file->addSeparator();
    QAction* close = file->addAction(QStringLiteral("&Закрыть"));
    close->setObjectName(QStringLiteral("N6"));
    connect(close, &QAction::triggered, this, &TForm1::N6Click);

    buildEditMenu();

    QMenu* help = bar->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("N7"));
    QAction* callHelp = help->addAction(QStringLiteral("&Вызов справки"));
    callHelp->setObjectName(QStringLiteral("N9"));
    callHelp->setShortcut(QKeySequence::HelpContents);
    connect(callHelp, &QAction::triggered, this, &TForm1::N9Click);
    QAction* separator = help->addSeparator();
    separator->setObjectName(QStringLiteral("N10"));
    QAction* about = help->addAction(QStringLiteral("&О программе"));
    about->setObjectName(QStringLiteral("N8"));
    connect(about, &QAction::triggered, this, &TForm1::N8Click);

    // F10 opens the first menu, as on every desktop; Alt alone and Alt with a menu's
    // underlined letter are the bar's own.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, bar, [bar, file] { bar->setActiveAction(file->menuAction()); });
}

void TForm1::buildEditMenu()
{
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    QUndoStack& stack = m_workspace.undoStack();
    // The steps go through the workspace, which logs them and writes kor.tab after a
    // calibration step; the stack's own actions would bypass it.
    const auto step = [this, edit, &stack](const char* name, const QString& verb,
                                           const QList<QKeySequence>& keys, bool undo) {
        QAction* action = edit->addAction(verb);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const auto follow = [action, verb, &stack, undo] {
            const QString what = undo ? stack.undoText() : stack.redoText();
            action->setEnabled(undo ? stack.canUndo() : stack.canRedo());
            // A comment's "&" in the step's name is shown, not taken for a menu letter.
            QString shown = what;
            shown.replace(u'&', QStringLiteral("&&"));
            action->setText(what.isEmpty() ? verb : verb + u' ' + shown);
        };
        follow();
        connect(&stack, &QUndoStack::indexChanged, action, follow);
        connect(&stack, &QUndoStack::cleanChanged, action, follow);
        connect(action, &QAction::triggered, this, [this, undo] {
            // A comment being typed is finished first, so it is what the step takes back.
            m_journalPage->commitOpenEdit();
            runGuarded(*this, [this, undo] { undo ? m_workspace.undo() : m_workspace.redo(); });
        });
    };
    step("UndoAction", QStringLiteral("&Отменить"), {QKeySequence::Undo}, true);
    step("RedoAction", QStringLiteral("&Повторить"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}, false);
}

QWidget* TForm1::buildPagePanel()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel2"));

    m_label1 = new QLabel(QStringLiteral("Журнал"), panel);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setFixedHeight(24);
    m_label1->setFont(familyFont(captionFamilies(), 21));

    m_pageControl = new PageControl(panel);
    Workspace& w = m_workspace;
    m_archivePage = new ArchivePage(w.book(), w, *this);
    m_journalPage = new JournalPage(w.state(), w.book(), w, *this);
    m_journalPage->setPrintDirectory(w.files().dataDirectory());
    m_archivePage->setPrintDirectory(w.files().dataDirectory());
    m_calibrationsPage = new CalibrationsPage(w.calibrations(), w, w.state(), *this);
    m_systemCorrectionPage = new SystemCorrectionPage(w.state(), *this);
    m_tracePage = new TracePage;
    m_pageControl->addPage(m_journalPage, QStringLiteral("TabSheet1"),
                           QStringLiteral("Журнал измерений"));
    m_pageControl->addPage(m_archivePage, QStringLiteral("TabSheet2"),
                           QStringLiteral("Архив измерений"));
    m_pageControl->addPage(m_calibrationsPage, QStringLiteral("TabSheet3"),
                           QStringLiteral("Компьютерные калибровки"));
    m_pageControl->addPage(m_systemCorrectionPage, QStringLiteral("TabSheet4"),
                           QStringLiteral("System korr"), PageControl::Fit::ScrollWhenSmall);
    m_pageControl->addPage(m_tracePage, QStringLiteral("TabSheet5"), QStringLiteral("TabSheet5"));
    m_pageControl->hideServicePages();
    // The form opens on the calibrations page; FormCreate brings the journal forward.
    m_pageControl->setCurrentIndex(PageControl::Calibrations);

    // A result dragged towards any page brings the journal forward under the cursor.
    auto* dragSwitcher = new JournalDragSwitcher(
        [this] { m_pageControl->setCurrentIndex(PageControl::Journal); }, this);
    dragSwitcher->watch(m_pageControl);
    dragSwitcher->watch(m_pageControl->tabBar());
    dragSwitcher->watch(m_archivePage->grid()->viewport());
    dragSwitcher->watch(m_calibrationsPage->grid()->viewport());

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_label1);
    layout->addWidget(m_pageControl, 1);
    return panel;
}

void TForm1::wireLink()
{
    connect(m_link.get(), &InstrumentLink::linkStatusChanged, this,
            [this](const QString& text) { m_statusBar->setPanelText(0, text); });
    connect(m_link.get(), &InstrumentLink::resistorsChanged, this,
            [this](const QString& panel2, const QString& panel3) {
                m_statusBar->setPanelText(2, panel2);
                m_statusBar->setPanelText(3, panel3);
            });
    connect(m_link.get(), &InstrumentLink::traceLine, m_tracePage, &TracePage::appendLine);
    connect(m_link.get(), &InstrumentLink::measurement, &m_workspace.state(),
            &MeasurementState::applyCount);
    connect(m_link.get(), &InstrumentLink::instrumentChanged, &m_workspace.state(),
            &MeasurementState::markReadingStale);
    m_systemCorrectionPage->setLink(m_link.get());
    // The link tells every change of its state through the status text; the trend starts
    // again when the instrument goes or another one comes (a new plug-in is a new device
    // instance), not when a write fails or another device comes and goes.
    connect(m_link.get(), &InstrumentLink::linkStatusChanged, this,
            [this, shown = std::optional<quint32>()]() mutable {
                const THidDevice* device = m_link->currentDevice();
                const auto instance =
                    device ? std::optional(device->pnpInfo().deviceInstance) : std::nullopt;
                if (instance == shown)
                    return;
                shown = instance;
                m_resultPanel->trendFeed().instrumentChanged(device != nullptr);
            });
}

void TForm1::FormCreate()
{
    wireLink();
    // From here the program's boxes carry the window's caption.
    m_applicationTitle = kMainWindowCaption;
    setWindowTitle(kMainWindowCaption);

    m_journalPage->fitColumnsAtCreate();
    m_archivePage->fitColumnsAtCreate();
    m_calibrationsPage->fitColumnsAtCreate();

    m_workspace.load();

    m_pageControl->setCurrentIndex(PageControl::Journal);
    // Insert and space record from the first moment.
    m_journalPage->grid()->setFocus();
}

TestReport TForm1::testReport(const JournalTable& rows, TestReport report) const
{
    for (int r = 1; r < rows.rowCount(); ++r)
        report.rows.push_back(rows.row(r));
    if (THidDevice* device = m_link->currentDevice()) {
        report.instrumentProduct = device->ProductText();
        report.instrumentSerial = device->SerialText();
    }
    const MeasurementState& state = m_workspace.state();
    report.correctionA = state.systemCorrection().a;
    report.correctionB = state.systemCorrection().b;
    for (int method = 1; method <= kMethodCount; ++method) {
        if (const TCalibration* on = state.calibrations().FindActiveCalibration(method))
            report.calibrations << reportCalibrationLine(method, on->nameText(), on->slope, on->offset);
    }
    return report;
}

void TForm1::showError(const QString& message)
{
    if (m_externalErrors)
        m_externalErrors->showError(message);
    else
        showBox(QMessageBox::Critical, message);
}

void TForm1::showNotice(const QString& message)
{
    if (m_externalErrors)
        m_externalErrors->showNotice(message);
    else
        showBox(QMessageBox::Information, message);
}

void TForm1::showDetailedNotice(const QString& message, const QString& details)
{
    if (m_externalErrors)
        m_externalErrors->showDetailedNotice(message, details);
    else
        showBox(QMessageBox::Information, message, details);
}

void TForm1::showHelpFailure(const QString& details)
{
    // The operator asked for something that did not happen: a warning, not information.
    if (m_externalErrors)
        m_externalErrors->showDetailedNotice(kHelpFailedText, details);
    else
        showBox(QMessageBox::Warning, kHelpFailedText, details);
}

void TForm1::showBox(QMessageBox::Icon icon, const QString& message, const QString& details)
{
    QMessageBox box(icon, m_applicationTitle, message, QMessageBox::Ok, this);
    box.setInformativeText(details);
    box.exec();
}

void TForm1::N6Click()
{
    close();
}

void TForm1::N8Click()
{
    if (!m_aboutBox && m_ownDialogs) {
        m_ownAboutBox = std::make_unique<TAboutBox>();
        m_aboutBox = m_ownAboutBox.get();
    }
    if (m_aboutBox)
        m_aboutBox->exec();
}

void TForm1::N9Click()
{
    const QStringList directories =
        distinctDirectories(QStringList{QDir::currentPath()} + m_helpDirectories);
    const QString path = locateHelpDocument(directories);
    if (path.isEmpty()) {
        showHelpFailure(helpDocumentMissingText(directories));
        return;
    }
    const QPointer<TForm1> window(this);
    m_openDocument(QUrl::fromLocalFile(path), [window, path](const QString& failure) {
        if (window && !failure.isEmpty())
            window->showHelpFailure(QDir::toNativeSeparators(path) + u'\n' + failure);
    });
}

void TForm1::FormKeyPress(QWidget* focused, QChar key)
{
    if (focused == m_journalPage->grid() && key == u' '
        && m_journalPage->grid()->currentIndex().column() != JournalTable::kCommentColumn) {
        runGuarded(*this, [this] { m_journalPage->writeButClick(); });
    }
    if (m_serviceKeys.press(key))
        m_pageControl->revealServicePages();
}

void TForm1::FormResize()
{
    m_pageControl->layOutHiddenPages();
    m_journalPage->fitColumnsAtResize();
    m_archivePage->fitColumnsAtResize();
    m_calibrationsPage->fitColumnsAtResize();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    runGuarded(*this, [this] { FormResize(); });
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The first resize event comes before the pages are laid out; by the show event
    // they have their sizes.
    runGuarded(*this, [this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool closes = true;
    m_closing = true;
    runGuarded(*this, [&] { closes = FormClose(); });
    m_closing = false;
    if (closes) {
        m_signalClose = false;
        m_closed = true;
        event->accept();
        return;
    }
    event->ignore();
    // A signal came while this close showed its errors: one more try, after it.
    if (m_signalClose)
        QTimer::singleShot(0, this, &TForm1::closeAfterModalWindows);
}

void TForm1::closeOnSignal()
{
    m_signalClose = true;
    closeAfterModalWindows();
}

void TForm1::closeAfterModalWindows()
{
    // Each modal window runs its own event loop, which only ends once control is back in
    // it; the close waits for the last of them to have gone.
    QWidget* modal = QApplication::activeModalWidget();
    // A window that opens another as it goes (a question before discarding) could keep
    // this going for ever; after a few rounds the close runs regardless.
    if (modal && m_modalRounds++ < kMaxModalRounds) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        QTimer::singleShot(0, this, &TForm1::closeAfterModalWindows);
        return;
    }
    m_modalRounds = 0;
    if (!m_closing && m_signalClose) {
        m_signalClose = false;
        close();
    }
}

bool TForm1::bringToFront()
{
    // A request that comes in after the close must not bring back a window whose files
    // are saved and whose program is ending.
    if (m_closed || m_signalClose)
        return false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    return true;
}

bool TForm1::FormClose()
{
    m_link->stop();
    m_journalPage->commitOpenEdit();
    return m_workspace.saveAll();
}

}  // namespace kv
