#pragma once
// TForm1: the main window. A shell over the workspace it is given: it creates the HID
// controller and the instrument link, builds the result panel, the page control with
// the five pages (views of the workspace's models) and the status bar, and wires them
// together. It has the workspace load the data files when created and save them when
// closed, and is the one error reporter every handler's failures go to.

#include "app/help_document.h"
#include "app/page_control.h"
#include "app/program_constants.h"
#include "app/service_key_sequence.h"
#include "core/error_guard.h"
#include "journal/test_report.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace kv {

class ArchivePage;
class CalibrationsPage;
class HidPlatform;
class InstrumentLink;
class JournalPage;
class PanelStatusBar;
class PrintView;
class ResultPanel;
class SystemCorrectionPage;
class TAboutBox;
class THidDeviceController;
class TForm2;
class TracePage;
class Workspace;

class TForm1 : public QMainWindow, public ErrorReporter {
    Q_OBJECT

public:
    // workspace: the session's data, its files and its change path. hidPlatform: the
    // system's HID devices (the fake provider in tests and the demo). Both must outlive
    // the window. errors: where failures are shown; nullptr shows them in message boxes
    // titled with the application title (the workspace's failures too, while the window
    // lives). Loads the data files (FormCreate) before it returns; the first device scan
    // runs once the event loop runs.
    TForm1(Workspace& workspace, HidPlatform& hidPlatform, ErrorReporter* errors = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows created after this one.
    void setCalibrationDialog(TForm2* dialog);
    void setAboutBox(TAboutBox* aboutBox) { m_aboutBox = aboutBox; }
    // Or the window's own calibration dialog and About box, each made when first opened:
    // a start need not wait for windows that may never be opened.
    void createDialogsWhenNeeded();
    // How the help document is opened (the desktop's handler by default).
    void setDocumentOpener(DocumentOpener opener) { m_openDocument = std::move(opener); }
    // Where help looks after the current directory (programHelpDirectories() by default).
    void setHelpDirectories(QStringList directories) { m_helpDirectories = std::move(directories); }

    // A test report: what the operator types for it (the dialog by default; nullopt when
    // cancelled), then its preview.
    using ReportAsker = std::function<std::optional<TestReport>(QWidget* parent)>;
    using ReportPreviewer = std::function<void(const TestReport& report, QWidget* parent)>;
    void setReportAsker(ReportAsker asker) { m_askReport = std::move(asker); }
    void setReportPreviewer(ReportPreviewer previewer) { m_previewReport = std::move(previewer); }
    // The report of `rows` as it would be printed now: `typed` with the rows, the
    // instrument connected, the system correction and the calibrations switched on.
    TestReport testReport(const JournalTable& rows, TestReport typed) const;

    // ErrorReporter: boxes titled with the application title.
    void showError(const QString& message) override;
    void showNotice(const QString& message) override;
    void showDetailedNotice(const QString& message, const QString& details) override;
    const QString& applicationTitle() const { return m_applicationTitle; }

    THidDeviceController& hid() const { return *m_hid; }
    InstrumentLink& link() const { return *m_link; }

    ResultPanel* resultPanel() const { return m_resultPanel; }
    PanelStatusBar* statusBar1() const { return m_statusBar; }
    PageControl* pageControl() const { return m_pageControl; }
    JournalPage* journalPage() const { return m_journalPage; }
    ArchivePage* archivePage() const { return m_archivePage; }
    CalibrationsPage* calibrationsPage() const { return m_calibrationsPage; }
    SystemCorrectionPage* systemCorrectionPage() const { return m_systemCorrectionPage; }
    TracePage* tracePage() const { return m_tracePage; }
    PrintView* web() const { return m_web; }

    // A termination signal (a logout, Ctrl+C): every modal box or dialog open is closed
    // as its Cancel would, then the window closes as its close command does, once. During
    // a close already running (an error box of it open) the close is tried once more
    // after it.
    void closeOnSignal();
    // Brings the window to the front (a second start on the same data folder asks),
    // unless it has closed or is about to: then false.
    bool bringToFront();

    // Menu: Файл → Закрыть, Справка → О программе, Справка → Вызов справки; Правка →
    // Отменить / Повторить.
    void N6Click();
    void N8Click();
    void N9Click();

    // A character key typed anywhere in the window, before the focused control gets it.
    void FormKeyPress(QWidget* focused, QChar key);
    void FormResize();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    // Правка: undo and redo of the workspace's steps, named after them.
    void buildEditMenu();
    // A modal box titled with the application title.
    void showBox(QMessageBox::Icon icon, const QString& message, const QString& details = {});
    // The help document could not be opened: the fixed text, and why under it.
    void showHelpFailure(const QString& details);
    QWidget* buildPagePanel();
    void wireLink();
    void wireCalibrationDialog(TForm2& dialog);
    void FormCreate();
    // The save steps of the close; false when the window must stay open.
    bool FormClose();
    // Closes the modal windows open, innermost first; then the close asked for by a
    // signal runs.
    void closeAfterModalWindows();

    ErrorReporter* m_externalErrors = nullptr;
    QString m_applicationTitle = kApplicationTitle;
    DocumentOpener m_openDocument = desktopDocumentOpener();
    QStringList m_helpDirectories = programHelpDirectories();
    ServiceKeySequence m_serviceKeys;
    TAboutBox* m_aboutBox = nullptr;
    std::unique_ptr<TForm2> m_ownForm2;
    std::unique_ptr<TAboutBox> m_ownAboutBox;
    bool m_ownDialogs = false;
    // The dialog, its answers kept in the user's settings; the report's own preview.
    ReportAsker m_askReport;
    ReportPreviewer m_previewReport;

    Workspace& m_workspace;
    // A close is running (its error boxes may be open).
    bool m_closing = false;
    // A signal asked for a close that has not run yet.
    bool m_signalClose = false;
    // The window closed with its files saved.
    bool m_closed = false;
    static constexpr int kMaxModalRounds = 20;
    int m_modalRounds = 0;
    ResultPanel* m_resultPanel = nullptr;
    QLabel* m_label1 = nullptr;
    PageControl* m_pageControl = nullptr;
    JournalPage* m_journalPage = nullptr;
    ArchivePage* m_archivePage = nullptr;
    CalibrationsPage* m_calibrationsPage = nullptr;
    SystemCorrectionPage* m_systemCorrectionPage = nullptr;
    TracePage* m_tracePage = nullptr;
    PrintView* m_web = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    // Declared last: the link goes first, giving its devices back, then the controller,
    // which stops every reader before the window's widgets go.
    std::unique_ptr<THidDeviceController> m_hid;
    std::unique_ptr<InstrumentLink> m_link;
};

}  // namespace kv
