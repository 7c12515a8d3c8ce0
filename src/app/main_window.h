#pragma once
// TForm1: the main window. A shell: it builds the result box, the status bar and the
// page control, puts the pages into it and wires them; the pages own their controls and
// handlers. It owns the shared state (fuel mode, selected method, calibrations, system
// correction, the HID controller and the instrument link), loads the data files when
// created and saves them when closed, and is the one error reporter every handler's
// failures go to.

#include "app/help_document.h"
#include "app/service_key_sequence.h"
#include "core/error_guard.h"
#include "device/instrument/instrument_link.h"
#include "journal/ui/journal_host.h"
#include "measure/calibration_store.h"
#include "measure/reading_conversion.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <functional>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;
class QToolButton;

namespace kv {

class ArchivePage;
class CalibrationsPage;
class HidPlatform;
class THidDeviceController;
class JournalDragSwitcher;
class JournalPage;
class PanelStatusBar;
class ResultLabel;
class SystemCorrectionPage;
class TAboutBox;
class TForm2;
class TracePage;

class TForm1 : public QMainWindow,
               public ErrorReporter,
               public JournalHost,
               public InstrumentLinkView {
public:
    // programDir: where kor.tab, data.tab and data2.tab live. hidPlatform: the system's
    // HID devices (the fake provider in tests and the demo); it must outlive the window.
    // errors: where failures are shown; nullptr shows them in message boxes titled with
    // the application title. Loads the data files (FormCreate) before it returns; the
    // first device scan runs once the event loop runs.
    TForm1(const QString& programDir, HidPlatform& hidPlatform, ErrorReporter* errors = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows created after this one.
    void setCalibrationDialog(TForm2* dialog) { m_form2 = dialog; }
    TForm2* calibrationDialog() const { return m_form2; }
    void setAboutBox(TAboutBox* aboutBox) { m_aboutBox = aboutBox; }
    // How the help document is opened (the desktop's handler by default).
    void setDocumentOpener(DocumentOpener opener) { m_openDocument = std::move(opener); }

    // ErrorReporter
    void showError(const QString& message) override;

    // JournalHost
    int selectedMethod() const override { return m_selectedMethod; }
    void selectMethod(int method) override;
    QString resultLabelText(int method) const override;
    void showJournalPage() override;

    // Shared state.
    bool dieselMode() const { return m_dieselMode; }
    CalibrationStore& calibrations() { return m_calibrations; }
    SystemCorrection& systemCorrection() { return m_systemCorrection; }
    const QString& programDir() const { return m_programDir; }
    QString dataFilePath(const QString& fileName) const;

    // Controls and pages others write to.
    ResultLabel* resultLabel(int method) const;
    PanelStatusBar* statusBar1() const { return m_statusBar; }
    QTabWidget* pageControl() const { return m_pageControl; }
    JournalPage* journalPage() const { return m_journalPage; }
    ArchivePage* archivePage() const { return m_archivePage; }
    CalibrationsPage* calibrationsPage() const { return m_calibrationsPage; }
    SystemCorrectionPage* systemCorrectionPage() const { return m_systemCorrectionPage; }
    TracePage* tracePage() const { return m_tracePage; }
    QToolButton* bbut() const { return m_bbut; }
    QToolButton* dbut() const { return m_dbut; }
    QMenu* popupMenuMetod() const { return m_popupMenuMetod; }
    QTimer* timer1() const { return m_timer1; }
    QTimer* getdata() const { return m_getdata; }
    int serviceKeyCount() const { return m_serviceKeys.count(); }

    // Fuel mode and method selection.
    void BbutClick();
    void DbutClick();
    void editmetodClick();
    void N2Click() { selectMethod(Research); }
    void N3Click() { selectMethod(Motor); }
    void N5Click() { selectMethod(Aki); }
    void N4Click() { selectMethod(Cetane); }

    // Menu.
    void N6Click();
    void N8Click();
    void N9Click();

    // A character key typed anywhere in the window, before the focused control gets it.
    void FormKeyPress(QWidget* focused, QChar key);
    void FormResize();

    // Instrument link.
    THidDeviceController& hid() const { return *m_hid; }
    InstrumentLink& link() const { return *m_link; }
    void Timer1Timer();
    void GetdataTimer();

    // InstrumentLinkView
    void SetLinkStatus(const QString& text) override;
    void showResistors(const QString& panel2, const QString& panel3) override;
    void appendTrace(const QString& line) override;
    // Converts the count and writes status panels 1 and 3 and the four result labels:
    // each label's text first, then its colour where the conversion sets one.
    void showMeasurement(std::uint16_t periodCount) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    QWidget* buildResultPanel();
    QWidget* buildPagePanel();
    void FormCreate();
    // The save steps of the close; false when the window must stay open.
    bool FormClose();
    // Loads one data file through the guard. A file that exists but can't be read is
    // not written back at close, so its content isn't replaced by an empty table.
    bool loadDataFile(const QString& fileName, const std::function<void(const QString&)>& load);
    void layOutHiddenPages();

    QString m_programDir;
    ErrorReporter* m_externalErrors = nullptr;
    DocumentOpener m_openDocument = desktopDocumentOpener();

    bool m_dieselMode = false;
    int m_selectedMethod = Research;
    CalibrationStore m_calibrations;
    SystemCorrection m_systemCorrection;
    ServiceKeySequence m_serviceKeys;
    bool m_writeCalibrations = true;
    bool m_writeArchive = true;
    bool m_writeJournal = true;

    TForm2* m_form2 = nullptr;
    TAboutBox* m_aboutBox = nullptr;

    QGroupBox* m_resBox = nullptr;
    std::array<ResultLabel*, 4> m_resultLabels{};
    std::array<QLabel*, 4> m_nameLabels{};
    QToolButton* m_bbut = nullptr;
    QToolButton* m_dbut = nullptr;
    QButtonGroup* m_fuelGroup = nullptr;
    QLabel* m_label1 = nullptr;
    QTabWidget* m_pageControl = nullptr;
    JournalPage* m_journalPage = nullptr;
    ArchivePage* m_archivePage = nullptr;
    CalibrationsPage* m_calibrationsPage = nullptr;
    SystemCorrectionPage* m_systemCorrectionPage = nullptr;
    TracePage* m_tracePage = nullptr;
    JournalDragSwitcher* m_dragSwitcher = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QMenu* m_popupMenuMetod = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_getdata = nullptr;
    // Declared last: the link goes first, giving its devices back, then the controller,
    // which stops every reader before the window's widgets go.
    std::unique_ptr<THidDeviceController> m_hid;
    std::unique_ptr<InstrumentLink> m_link;
};

}  // namespace kv
