// Renders the main window's pages with sample data into PNG files, for a look at the
// layout without an instrument: kv4410pc-screenshots <output directory>. The link states
// come from the virtual instrument on the fake provider, driven step by step.

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/reading_trend_view.h"
#include "app/result_panel.h"
#include "app/splash_form.h"
#include "app/trace_page.h"
#include "app/workspace.h"
#include "core/error_guard.h"
#include "core/file_io.h"
#include "core/methods.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"
#include "journal/journal_entry.h"
#include "journal/test_report.h"
#include "journal/table_file.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/test_report_dialog.h"
#include "journal/ui/print_preview_dialog.h"
#include "measure/calibration_form.h"
#include "measure/calibration_store.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"
#include "ui/mask_edit.h"

#include "instrument_window.h"
#include "virtual_instrument.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QMenu>
#include <QToolButton>
#include <QTextStream>

#include <cstdio>

namespace {

void writeSampleFiles(const QString& dir)
{
    const QDateTime start(QDate(2026, 3, 12), QTime(9, 15, 2));
    const std::array<std::pair<kv::Method, const char*>, 4> archived = {{
        {kv::Research, "91,8"}, {kv::Motor, "83,1"}, {kv::Aki, "87,5"}, {kv::Cetane, "*"}}};
    std::vector<kv::JournalRow> rows;
    for (const auto& [method, value] : archived) {
        const int row = int(rows.size()) + 1;
        rows.push_back(kv::makeEntry(row, start.addSecs(row * 300), method, QString::fromUtf8(value)));
        rows.back().cells[kv::JournalTable::kCommentColumn] = QStringLiteral("АЗС №%1, колонка 2").arg(row);
    }
    kv::saveTableFile(kv::journalTableOf(rows), QDir(dir).filePath(QStringLiteral("data.tab")));

    kv::JournalTable journal;
    journal.setRow(1, kv::makeEntry(1, start.addDays(1), kv::Research, QStringLiteral("95,2")));
    journal.setCell(1, kv::JournalTable::kCommentColumn, QStringLiteral("проба из резервуара 3"));
    journal.appendRow();
    journal.setRow(2, kv::makeEntry(2, start.addDays(1).addSecs(90), kv::Research,
                                    QStringLiteral("92,4 (Эталон АИ-)")));
    kv::saveTableFile(journal, QDir(dir).filePath(QStringLiteral("data2.tab")));

    kv::CalibrationStore store;
    const std::array<std::pair<int, const char*>, 5> calibrations = {{
        {kv::Research, "Эталон АИ-92 / АИ-98, весна"},
        {kv::Motor, "Моторный, эталоны 76 и 83"},
        {kv::Aki, "AKI по двум пробам"},
        {kv::Cetane, "Дизель ЕВРО, лаборатория"},
        {kv::Research, "Эталон АИ-92 / АИ-95, осень"},
    }};
    for (const auto& [method, name] : calibrations) {
        kv::TCalibration record;
        record.method = method;
        record.measuredLow = 80;
        record.realLow = 82;
        record.measuredHigh = 95;
        record.realHigh = 96.5;
        const kv::CalibrationLine line = kv::fitCalibrationLine(82, 96.5, 80, 95);
        record.slope = line.slope;
        record.offset = line.offset;
        record.setName(QString::fromUtf8(name));
        store.AddCalibration(record);
    }
    kv::replaceFileAtomically(QDir(dir).filePath(QStringLiteral("kor.tab")),
                              kv::serializeCalibrations(store.calibrations()));
}

bool save(QWidget* widget, const QString& dir, const QString& name)
{
    QApplication::processEvents();
    const QString path = QDir(dir).filePath(name);
    if (!widget->grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

// Runs every hand-over the reader has queued, waiting for the first: what the event loop
// does when a report arrives.
bool deliverReport(kv::TForm1& form)
{
    for (int i = 0; i < 50; ++i)
        if (form.hid().waitForHandOver(100))
            return form.hid().processHandOvers() > 0;
    QTextStream(stderr) << "no report arrived from the virtual instrument\n";
    return false;
}

// Polls the instrument n times, each answer shown.
bool poll(kv::TForm1& form, int n)
{
    for (int i = 0; i < n; ++i) {
        form.link().GetdataTimer();
        if (!deliverReport(form))
            return false;
    }
    return true;
}

// A new sample poured into the virtual instrument: the trend strip while the readings
// drift, then once they have settled, at the window's size and at 800 x 600.
bool saveTrend(kv::Workspace& workspace, kv::TForm1& form, kv::InstrumentWindow& window,
               const QString& out)
{
    // Plain readings, as on a bench without calibrations or a correction.
    workspace.state().setSystemCorrection({});
    for (int position = 1; position <= 4; ++position)
        workspace.toggleCalibration(position);
    form.pageControl()->setCurrentIndex(0);
    bool ok = poll(form, 12);
    window.pourResearch(92.0);
    ok = ok && poll(form, 14);
    ok = ok && save(&form, out, QStringLiteral("15-trend-drifting.png"));
    ok = ok && poll(form, 30);
    const auto* view = form.resultPanel()->trendView();
    if (view->markText() != QStringLiteral("Стабильно")) {
        QTextStream(stderr) << "the trend has not settled\n";
        ok = false;
    }
    ok = save(&form, out, QStringLiteral("16-trend-settled.png")) && ok;
    ok = save(form.resultPanel(), out, QStringLiteral("16-trend-settled-panel.png")) && ok;
    const QSize size = form.size();
    form.resize(800, 600);
    ok = save(&form, out, QStringLiteral("16-trend-settled-800x600.png")) && ok;
    form.resize(size);
    return ok;
}

// The instrument link, driven step by step with the virtual instrument: connected with a
// reading, the trace page, then unplugged.
bool saveLinkStates(kv::Workspace& workspace, kv::TForm1& form, kv::FakeHidPlatform& platform,
                    const QString& out)
{
    kv::VirtualInstrument instrument(platform);
    kv::InstrumentWindow window(instrument);
    window.chooseResearch(95.0);
    instrument.plug();
    instrument.resistorTimer()->stop();
    QCoreApplication::sendPostedEvents();  // the device-change pass takes the instrument
    if (form.link().currentDevice() == nullptr) {
        QTextStream(stderr) << "the virtual instrument was not found\n";
        return false;
    }

    form.link().Timer1Timer();  // confirms the connection and sends the connect command
    form.link().stop();
    bool ok = deliverReport(form);
    instrument.sendResistorReport();
    ok = ok && deliverReport(form);
    for (int i = 0; i < 3 && ok; ++i) {
        form.link().GetdataTimer();
        ok = deliverReport(form);
    }
    if (!ok)
        return false;
    form.pageControl()->setCurrentIndex(0);
    ok = save(&form, out, QStringLiteral("08-link-connected.png"));
    form.pageControl()->setCurrentIndex(4);
    form.tracePage()->flush();  // what its timer would show within 50 ms
    ok = save(&form, out, QStringLiteral("09-link-trace.png")) && ok;

    window.show();
    ok = save(&window, out, QStringLiteral("10-demo-instrument-window.png")) && ok;
    window.hide();
    ok = saveTrend(workspace, form, window, out) && ok;

    instrument.unplug();
    QCoreApplication::sendPostedEvents();  // the pass finds no instrument
    form.link().GetdataTimer();                   // the next poll has nowhere to go
    form.pageControl()->setCurrentIndex(0);
    return save(&form, out, QStringLiteral("11-link-disconnected.png")) && ok;
}

}  // namespace

// The print button's preview as it opens over the window, taken and then closed. The
// preview opens from the event loop after the button, so the picture is taken from a
// timer started after it.
bool savePrintPreview(kv::TForm1& form, const QString& out)
{
    bool ok = false;
    form.journalPage()->printButClick();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<kv::PrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            std::fprintf(stderr, "no print preview opened\n");
            return;
        }
        dialog->resize(900, 760);
        QApplication::processEvents();
        ok = save(dialog, out, QStringLiteral("14-print-preview.png"));
        dialog->reject();
    });
    QApplication::processEvents();
    return ok;
}

// A test report of the journal's rows, as its first page sets on A4 at 96 dpi.
bool saveTestReport(kv::TForm1& form, const QString& out)
{
    kv::TestReport typed;
    typed.laboratory = QStringLiteral("Центральная заводская лаборатория");
    typed.operatorName = QStringLiteral("Иванова А. П.");
    typed.number = QStringLiteral("128");
    typed.date = QDate(2026, 12, 10);
    QTextDocument document;
    kv::setUpTestReportDocument(document, form.testReport(form.journalPage()->table(), typed));
    const QSize a4(794, 1123);
    const int margin = 76;  // 2 cm
    document.setPageSize(QSizeF(a4.width() - 2 * margin, a4.height() - 2 * margin));
    QImage page(a4, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.translate(margin, margin);
    document.drawContents(&painter, QRectF(QPointF(), document.pageSize()));
    painter.end();
    const QString path = QDir(out).filePath(QStringLiteral("17-test-report.png"));
    return page.save(path);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: kv4410pc-screenshots <output directory>\n";
        return 2;
    }
    const QString out = args.at(1);
    QDir().mkpath(out);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    QTemporaryDir data;
    if (!data.isValid())
        return 1;
    writeSampleFiles(data.path());

    kv::StderrReporter errors;
    kv::FakeHidPlatform platform;
    kv::Workspace workspace(data.path());
    kv::TForm1 form(workspace, platform, &errors);
    kv::TAboutBox about;
    form.setAboutBox(&about);
    // The timers are driven by hand here, so none fires while a picture is taken.
    form.link().stop();
    // A calibration of each method switched on: the four marks.
    for (int position = 1; position <= 4; ++position)
        workspace.toggleCalibration(position);
    workspace.state().applyCount(8900);  // a reading on the research calibration
    form.calibrationsPage()->setCurrentGridRow(6);  // the empty row: the marks unselected
    // The window's design size, whatever the virtual screen holds.
    form.resize(917, 760);
    form.show();
    QApplication::processEvents();
    form.journalPage()->writeButClick();
    const QSize size = form.size();

    bool ok = save(&form, out, QStringLiteral("01-journal.png"));
    form.pageControl()->setCurrentIndex(1);
    ok = save(&form, out, QStringLiteral("02-archive.png")) && ok;
    form.pageControl()->setCurrentIndex(2);
    ok = save(&form, out, QStringLiteral("03-calibrations.png")) && ok;
    for (int i = 0; i < 3; ++i)
        form.FormKeyPress(&form, QChar(kv::kServiceKeys.opening));
    form.pageControl()->setCurrentIndex(3);
    ok = save(&form, out, QStringLiteral("04-system-correction.png")) && ok;
    {
        // After a Save with two reference petrols: the pair shown in the result group.
        kv::SystemCorrectionPage* page = form.systemCorrectionPage();
        page->labeledEdit1()->setText(QStringLiteral("80"));
        page->maskEdit1()->setMaskText(QStringLiteral("82,0"));
        page->labeledEdit2()->setText(QStringLiteral("95"));
        page->maskEdit2()->setMaskText(QStringLiteral("96,0"));
        kv::runGuarded(errors, [page] { page->Button3Click(); });
        form.link().stop();
        ok = save(&form, out, QStringLiteral("04-system-correction-saved.png")) && ok;
    }
    // A laboratory PC with an 800 x 600 screen shows the whole window.
    form.resize(800, 600);
    form.pageControl()->setCurrentIndex(0);
    ok = save(&form, out, QStringLiteral("05-journal-800x600.png")) && ok;
    form.pageControl()->setCurrentIndex(3);
    ok = save(&form, out, QStringLiteral("05-system-correction-800x600.png")) && ok;
    form.pageControl()->setCurrentIndex(2);
    ok = save(&form, out, QStringLiteral("05-calibrations-800x600.png")) && ok;
    // The commands that don't fit, in the tool bar's extension menu.
    if (auto* extension = form.calibrationsPage()->findChild<QToolButton*>(
            QStringLiteral("qt_toolbar_ext_button"));
        extension && extension->menu()) {
        extension->menu()->popup(extension->mapToGlobal(QPoint(0, extension->height())));
        ok = save(extension->menu(), out, QStringLiteral("05-calibrations-800x600-menu.png")) && ok;
        extension->menu()->hide();
    }
    form.resize(size);

    {
        kv::TForm2 dialog;
        form.setCalibrationDialog(&dialog);
        dialog.setForm(kv::newCalibrationForm(kv::Research));
        dialog.show();
        ok = save(&dialog, out, QStringLiteral("12-calibration-dialog-new.png")) && ok;
        dialog.setForm(kv::calibrationFormFor(workspace.calibrations().store().at(1)));
        auto* trackBar = dialog.findChild<QSlider*>(QStringLiteral("TrackBar1"));
        trackBar->setValue(250);
        ok = save(&dialog, out, QStringLiteral("13-calibration-dialog-edit.png")) && ok;
        dialog.hide();
        form.setCalibrationDialog(nullptr);
    }

    about.show();
    ok = save(&about, out, QStringLiteral("06-about.png")) && ok;
    about.hide();
    {
        kv::TSplashForm splash;
        splash.show();
        ok = save(&splash, out, QStringLiteral("07-splash.png")) && ok;
    }

    ok = savePrintPreview(form, out) && ok;
    ok = saveTestReport(form, out) && ok;
    ok = saveLinkStates(workspace, form, platform, out) && ok;
    return ok ? 0 : 1;
}
