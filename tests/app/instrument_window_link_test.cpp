// The main window reading the instrument end to end: fake device, reader thread,
// hand-over, trace, conversion, result labels and status panels. What the link itself
// decides (which device, when to poll, unplug and re-plug) is tested on the link alone.

#include "form_fixture.h"
#include "hid_test_helpers.h"

#include "app/result_label.h"
#include "app/result_panel.h"
#include "journal/ui/journal_page.h"
#include "journal/test_report.h"
#include "measure/calibration_store.h"
#include "app/trace_page.h"
#include "core/methods.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"
#include "measure/measurement_state.h"
#include "ui/panel_status_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTableView>
#include <QPlainTextEdit>
#include <QTimer>

namespace kv::test {
namespace {

FakeHidDeviceModel instrument()
{
    return fakeInstrument();
}

class LinkedFormTest : public FormTest {
protected:
    // The first device scan, which the running program does from the event loop.
    void deliver() { QCoreApplication::sendPostedEvents(); }

    bool runOneHandOver() { return kv::test::runOneHandOver(form->hid()); }

    void measure(std::uint16_t count)
    {
        platform.queueInput(path_, reportBytes({0x37, quint8(count & 0xFF), quint8(count >> 8)}));
        ASSERT_TRUE(runOneHandOver());
    }

    QString label(int method) const { return form->resultPanel()->resultLabel(method)->text(); }
    QColor colour(int method) const
    {
        return form->resultPanel()->resultLabel(method)->palette().color(QPalette::WindowText);
    }
    QString panel(int i) const { return form->statusBar1()->panelText(i); }
    QStringList traceLines() const
    {
        form->tracePage()->flush();
        return form->tracePage()->memo()->toPlainText().split(u'\n');
    }
    QString lastTraceLine() const { return traceLines().back(); }
    // A calibration added at the end of the list and switched on.
    void switchOnCalibration(Method method, double slope, double offset, const QString& name)
    {
        TCalibration record;
        record.method = method;
        record.slope = slope;
        record.offset = offset;
        record.setName(name);
        workspace->addCalibration(record);
        ASSERT_EQ(workspace->toggleCalibration(workspace->calibrations().store().count()), ToggleResult::Done);
    }

    QString path_;
};

TEST_F(LinkedFormTest, ConfirmsPollsAndShowsAMeasurement)
{
    path_ = platform.plug(instrument());
    createClean();
    deliver();
    EXPECT_TRUE(form->link().timer1().isActive());
    form->link().Timer1Timer();
    EXPECT_EQ(panel(0), QStringLiteral("Device VID=04D8 PID=003F"));
    ASSERT_EQ(platform.writes(path_).size(), 1u);
    QByteArray connect(65, '\0');
    connect[1] = char(0x80);
    connect[3] = char(0x0B);
    EXPECT_EQ(platform.writes(path_)[0], connect);
    EXPECT_FALSE(form->link().timer1().isActive());
    EXPECT_TRUE(form->link().getdata().isActive());
    form->link().GetdataTimer();
    EXPECT_EQ(platform.writes(path_).size(), 2u);

    measure(8000);
    EXPECT_EQ(label(Research), QStringLiteral("83,3"));
    EXPECT_EQ(label(Motor), QStringLiteral("78"));
    EXPECT_EQ(label(Aki), QStringLiteral("80,7"));
    EXPECT_EQ(label(Cetane), QStringLiteral("*"));
    EXPECT_EQ(colour(Research), QColor(Qt::black));
    EXPECT_EQ(panel(1), QStringLiteral("8000 = 24000 = 4800"));
    EXPECT_EQ(panel(3), QStringLiteral("960"));
    EXPECT_TRUE(lastTraceLine().startsWith(QStringLiteral("RD 00  37 40 1F 00 00 ")));
    EXPECT_EQ(traceLines().first(), QStringLiteral("Memo1"));

    form->resultPanel()->DbutClick();
    measure(8000);
    EXPECT_EQ(label(Research), QStringLiteral("*"));
    EXPECT_EQ(label(Cetane), QStringLiteral("36,7"));

    // Unplugged: the labels keep the last reading, greyed, and it is not recorded.
    const JournalTable& journal = form->journalPage()->table();
    const auto dimmed = [this] {
        const ResultLabel* shown = form->resultPanel()->resultLabel(Cetane);
        const QPalette& palette = shown->palette();
        return shown->textColour() == palette.color(QPalette::Disabled, QPalette::WindowText)
            && shown->textColour() != palette.color(QPalette::Active, QPalette::WindowText);
    };
    EXPECT_FALSE(dimmed());
    platform.unplug(path_);
    deliver();
    form->link().GetdataTimer();
    EXPECT_EQ(panel(0), QStringLiteral("Нет подключения"));
    EXPECT_EQ(label(Cetane), QStringLiteral("36,7"));
    EXPECT_TRUE(dimmed());
    form->journalPage()->writeButClick();
    EXPECT_TRUE(journal.isEmpty());
    EXPECT_EQ(errors.notices, QStringList{QStringLiteral("Нет подключения — значение не записано")});

    // Plugged in again, the first measurement is current and recorded.
    path_ = platform.plug(instrument());
    deliver();
    EXPECT_TRUE(dimmed());
    measure(8000);
    EXPECT_FALSE(dimmed());
    form->journalPage()->writeButClick();
    EXPECT_EQ(journal.cell(1, 3), QStringLiteral("36,7"));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
}

TEST_F(LinkedFormTest, ACalibratedResultIsShownInItsMethodsColourAndKeepsItForZero)
{
    path_ = platform.plug(instrument());
    createClean();
    deliver();
    switchOnCalibration(Research, 1.02, -0.5, QStringLiteral("Эталон-95 зимний"));

    measure(8000);
    EXPECT_EQ(label(Research), QStringLiteral("84,5 (Эталон-95 )"));
    EXPECT_EQ(colour(Research), QColor(255, 0, 0));
    measure(9600);  // research 103: outside the window
    EXPECT_EQ(label(Research), QStringLiteral("0"));
    EXPECT_EQ(colour(Research), QColor(255, 0, 0));
}

// "Протокол испытаний" of the rows selected: what was typed, the rows, and what the result
// depends on at the time: the instrument, the system correction, the calibrations on.
TEST_F(LinkedFormTest, ATestReportCarriesTheSelectedRowsAndWhatTheirResultsDependOn)
{
    path_ = platform.plug(fakeInstrument(QStringLiteral("KV-4410"), QStringLiteral("00417")));
    createClean();
    deliver();
    form->link().Timer1Timer();
    switchOnCalibration(Motor, 1.02, -0.5, QStringLiteral("Эталон"));
    measure(8000);
    JournalPage& journal = *form->journalPage();
    for (int i = 0; i < 3; ++i)
        journal.writeButClick();

    std::optional<TestReport> previewed;
    form->setReportAsker([](QWidget*) {
        TestReport typed;
        typed.laboratory = QStringLiteral("ЦЗЛ");
        return std::optional(typed);
    });
    form->setReportPreviewer([&](const TestReport& report, QWidget*) { previewed = report; });
    QTableView* grid = journal.grid();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(1, 0), grid->model()->index(2, 4)),
                                   QItemSelectionModel::ClearAndSelect);
    journal.contextMenu()->findChild<QAction*>(QStringLiteral("reportAction"))->trigger();
    ASSERT_TRUE(previewed);
    EXPECT_EQ(previewed->laboratory, QStringLiteral("ЦЗЛ"));
    ASSERT_EQ(previewed->rows.size(), 2u);
    EXPECT_EQ(previewed->rows[0].cells[0], QStringLiteral("2"));
    EXPECT_EQ(previewed->instrumentProduct, QStringLiteral("KV-4410"));
    EXPECT_EQ(previewed->instrumentSerial, QStringLiteral("00417"));
    EXPECT_EQ(previewed->calibrations,
              QStringList{reportCalibrationLine(Motor, QStringLiteral("Эталон"), 1.02, -0.5)});
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
}

TEST_F(LinkedFormTest, ResistorReportsAndShortReports)
{
    path_ = platform.plug(instrument());
    createClean();
    deliver();
    form->link().Timer1Timer();
    const std::size_t written = platform.writes(path_).size();
    platform.queueInput(path_, reportBytes({0x82, 0x05, 0xFA}));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(panel(2), QStringLiteral("5"));
    EXPECT_EQ(panel(3), QStringLiteral("250"));
    EXPECT_EQ(platform.writes(path_).size(), written);

    platform.queueInput(path_, QByteArray("\x00\x37\x10", 3));
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(lastTraceLine(), QStringLiteral("RD 00  37 10 "));
    EXPECT_EQ(label(Research), QStringLiteral("0"));
    EXPECT_EQ(panel(4), QString());
    EXPECT_EQ(panel(5), QString());
}

// A memo first made when its page opens shows there, with the lines that came before.
TEST_F(LinkedFormTest, TheTraceMemoMadeWhenItsPageOpensShowsEveryLineKept)
{
    createClean();
    form->tracePage()->appendLine(QStringLiteral("first"));
    form->show();
    form->pageControl()->revealServicePages();
    form->pageControl()->setCurrentIndex(PageControl::Trace);
    auto* memo = form->tracePage()->findChild<QPlainTextEdit*>();
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isVisible());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo1\nfirst"));
}

// The memo is brought up to date only while its page is on the screen (on its timer), when
// the page opens, or when asked; it keeps the most recent lines, trimmed in chunks.
TEST_F(LinkedFormTest, TheTraceKeepsTheMostRecentLinesAndShowsThemWhileOnTheScreen)
{
    createClean();
    TracePage* trace = form->tracePage();
    EXPECT_EQ(trace->findChild<QPlainTextEdit*>(), nullptr) << "the memo is made when first needed";
    QPlainTextEdit* memo = trace->memo();
    auto* flushTimer = trace->findChild<QTimer*>();
    ASSERT_NE(flushTimer, nullptr);
    trace->appendLine(QStringLiteral("first"));
    EXPECT_FALSE(flushTimer->isActive()) << "the page is not on the screen";
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo1"));

    form->show();
    form->pageControl()->revealServicePages();
    form->pageControl()->setCurrentIndex(PageControl::Trace);
    EXPECT_TRUE(memo->isVisible());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo1\nfirst"));
    trace->appendLine(QStringLiteral("second"));
    ASSERT_TRUE(flushTimer->isActive());
    emit flushTimer->timeout({});
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo1\nfirst\nsecond"));

    const int total = TracePage::kMaxLines + TracePage::kTrimChunk + 5;
    for (int i = 0; i < total; ++i) {
        trace->appendLine(QStringLiteral("line %1").arg(i));
        if (i % 1000 == 0)
            trace->flush();
    }
    QStringList lines = traceLines();
    EXPECT_GE(lines.size(), TracePage::kMaxLines);
    EXPECT_LT(lines.size(), TracePage::kMaxLines + TracePage::kTrimChunk);
    EXPECT_EQ(lines.back(), QStringLiteral("line %1").arg(total - 1));
    EXPECT_EQ(lines.front(), QStringLiteral("line %1").arg(total - lines.size()));

    // Hidden, more lines than are kept: the page opens on the last kMaxLines.
    form->pageControl()->setCurrentIndex(PageControl::Journal);
    for (int i = 0; i < TracePage::kMaxLines + 7; ++i)
        trace->appendLine(QStringLiteral("again %1").arg(i));
    EXPECT_FALSE(flushTimer->isActive());
    form->pageControl()->setCurrentIndex(PageControl::Trace);
    lines = memo->toPlainText().split(u'\n');
    EXPECT_EQ(lines.size(), TracePage::kMaxLines);
    EXPECT_EQ(lines.front(), QStringLiteral("again 7"));
}

}  // namespace
}  // namespace kv::test
