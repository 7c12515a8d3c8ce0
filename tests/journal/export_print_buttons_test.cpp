#include "app/workspace.h"
#include "journal/print_page.h"
#include "journal/journal_book.h"
#include "journal/csv_export.h"
#include "journal/spreadsheet_export.h"
#include "journal/xlsx_workbook_writer.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/print_view.h"
#include "measure/measurement_state.h"
#include "recording_reporter.h"
#include "recording_workbook_writer.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QDir>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <semaphore>

namespace kv {
namespace {

class ExportPrintButtonsTest : public testing::Test {
protected:
    ExportPrintButtonsTest()
    {
        journal.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)); });
        state.applyCount(8000);
        journal.writeButClick();
        journal.writeButClick();
        journal.setPrintView(&web);
        journal.setPrintDirectory(dataDir.path());
        web.setPreviewOpener([this](const JournalPrintDocument& document, QWidget* parent) {
            previews << document.pageText(0).join(u'\n');
            EXPECT_EQ(parent, &journal);
            return previewOpens;
        });
        for (GridPage* page : {static_cast<GridPage*>(&journal), static_cast<GridPage*>(&archive)}) {
            page->spreadsheetExport().setFileChooser([this](QWidget*) {
                ++dialogs;
                return chosenName;
            });
            page->spreadsheetExport().setNotifier(
                [this](QWidget*, const QString& text) { notices << text; });
            page->spreadsheetExport().setFactory([this](const QString& fileName) {
                cursorDuringCreate = QGuiApplication::overrideCursor() != nullptr;
                return test::recordingFactory(log, nullptr, answer)(fileName);
            });
        }
    }

    static void click(QWidget* page, const char* name)
    {
        page->findChild<QToolButton*>(QLatin1StringView(name))->click();
    }

    QTemporaryDir dataDir;
    test::RecordingReporter reporter;
    Workspace workspace{QString()};  // no files: the pages' changes only
    MeasurementState& state = workspace.state();
    JournalBook& book = workspace.book();
    ArchivePage archive{book, workspace, reporter};
    JournalPage journal{state, book, workspace, reporter};
    PrintView web{reporter, &journal};

    QString chosenName;
    int dialogs = 0;
    bool answer = true;
    bool cursorDuringCreate = true;
    std::shared_ptr<test::WorkbookLog> log = std::make_shared<test::WorkbookLog>();
    QStringList previews;
    bool previewOpens = true;
    QStringList notices;
};

TEST_F(ExportPrintButtonsTest, CancelledSaveDialogDoesNothing)
{
    click(&journal, "excellBut");
    click(&archive, "excellButArh");
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(log->steps.isEmpty());
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// The journal's rows reach the writer under the name typed, ".xlsx" added when it has no
// extension; the hourglass is up only while the rows go, not while the writer is sought.
TEST_F(ExportPrintButtonsTest, ExportButtonsHandTheirTableOn)
{
    chosenName = QStringLiteral("/tmp/журнал");
    click(&journal, "excellBut");
    EXPECT_FALSE(cursorDuringCreate);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(log->steps.contains(
        QStringLiteral("text 5, 4 \"%1\"").arg(journal.table().cell(2, 3))));
    EXPECT_TRUE(log->steps.contains(QStringLiteral("save \"/tmp/журнал.xlsx\"")));
    EXPECT_FALSE(log->steps.contains(QStringLiteral("format A6:E6 centre")));
    EXPECT_TRUE(notices.isEmpty());
    for (const char* typed : {"/tmp/a.xls", "/tmp/a.XLSX", "/tmp/a.b.c", "/tmp/.ods"}) {
        log->steps.clear();
        chosenName = QString::fromLatin1(typed);
        click(&journal, "excellBut");
        EXPECT_TRUE(log->steps.contains(QStringLiteral("save \"%1\"").arg(chosenName)))
            << typed;
    }
    EXPECT_EQ(workbookFileName(QStringLiteral("/tmp/x.d/журнал")), QStringLiteral("/tmp/x.d/журнал.xlsx"));

    log->steps.clear();
    click(&archive, "excellButArh");
    EXPECT_TRUE(log->steps.contains(QStringLiteral("text 4, 1 \"\"")));
    EXPECT_FALSE(log->steps.contains(QStringLiteral("format A5:E5 centre")));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(ExportPrintButtonsTest, FailuresReachTheErrorHandlerWithTheCursorBack)
{
    chosenName = QStringLiteral("x.xls");
    answer = false;
    click(&archive, "excellButArh");
    EXPECT_EQ(reporter.messages, QStringList{"Error connect Excel"});

    answer = true;
    log->failAt = 20;
    click(&journal, "excellBut");
    ASSERT_EQ(reporter.messages.size(), 2);
    EXPECT_TRUE(reporter.messages[1].startsWith(QStringLiteral("Step failed: ")));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(log->live, 0);
}

// With the .xlsx writer the workbook file appears under the chosen name; cells
// cut to the spreadsheet's limit are told once.
TEST_F(ExportPrintButtonsTest, XlsxWriterWritesTheFile)
{
    // Such comments come only from a foreign data file.
    const QByteArray longEntry = "1\r\n08.12.2026 09:15:02\r\n*\r\n92,4\r\n" + QByteArray(40000, 'x') + "\r\n\r\n";
    test::writeFile(dataDir.filePath(QStringLiteral("long.tab")), longEntry + longEntry);
    book.read(JournalBook::Table::Archive, test::readFile(dataDir.filePath(QStringLiteral("long.tab"))));
    chosenName = dataDir.filePath(QStringLiteral("архив.xls"));
    archive.spreadsheetExport().setFactory(WorkbookWriterFactory());
    click(&archive, "excellButArh");
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.messages.join('\n').toStdString();
    EXPECT_EQ(test::readFile(chosenName).left(4), QByteArray("PK\x03\x04"));
    EXPECT_EQ(notices, QStringList{cutCellsNotice({1, 2})});
}

// Cancel in the export's progress leaves no file behind and says nothing.
TEST_F(ExportPrintButtonsTest, CancelledExportLeavesNoFile)
{
    chosenName = dataDir.filePath(QStringLiteral("журнал.xlsx"));
    for (int r = 0; r < 1000; ++r)
        journal.writeButClick();
    journal.spreadsheetExport().setFactory([this](const QString& fileName) {
        if (auto* progress = journal.findChild<QProgressDialog*>(QStringLiteral("WorkProgress")))
            progress->cancel();
        return createXlsxWorkbookWriter(fileName);
    });
    click(&journal, "excellBut");
    EXPECT_FALSE(QFile::exists(chosenName));
    EXPECT_EQ(QDir(dataDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A name ending in .csv gets CSV, in the same table order, and no workbook writer.
TEST_F(ExportPrintButtonsTest, CsvNameWritesCsv)
{
    chosenName = dataDir.filePath(QStringLiteral("журнал.CSV"));
    click(&journal, "excellBut");
    const QList<QByteArray> lines = test::readFile(chosenName).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QByteArray("\xEF\xBB\xBF№;Дата;Метод;Значение;Комментарий\r"));
    EXPECT_EQ(lines[2], csvLine(journal.table().row(2)).chopped(1));
    EXPECT_TRUE(log->steps.isEmpty());
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// SaveDialog1 offers CSV: with its filter chosen, a name typed without an extension
// gets ".csv"; with the others ".xlsx".
TEST_F(ExportPrintButtonsTest, SaveDialogAddsTheChosenFiltersExtension)
{
    for (const bool csv : {true, false}) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->nameFilters(), (QStringList{"*.xls", "*.xlsx", "*.csv"}));
            if (csv)
                QTest::keyClick(dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")), Qt::Key_End);
            dialog->selectFile(dataDir.filePath(QStringLiteral("журнал")));
            static_cast<QDialog*>(dialog)->accept();  // as the Save button does
        });
        EXPECT_EQ(SpreadsheetExportAction::runSaveDialog(&journal),
                  dataDir.filePath(csv ? QStringLiteral("журнал.csv") : QStringLiteral("журнал.xlsx")));
    }
}

// The save runs while the window's events go on, and Cancel pressed then (from a call the
// save posts and waits for) calls it off: nothing is saved and nothing is said.
TEST_F(ExportPrintButtonsTest, CancelDuringTheSaveCallsItOff)
{
    chosenName = QStringLiteral("/tmp/журнал.xlsx");
    std::binary_semaphore pressed{0};
    log->duringSave = [&] {
        QMetaObject::invokeMethod(
            &journal,
            [&] {
                journal.findChild<QProgressDialog*>(QStringLiteral("WorkProgress"))->findChild<QPushButton*>()->click();
                // Once the click's own queued work has run.
                QMetaObject::invokeMethod(&journal, [&] { pressed.release(); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
        // A deadline only so that a save holding the window's thread fails the test.
        EXPECT_TRUE(pressed.try_acquire_for(std::chrono::minutes(1)));
    };
    click(&journal, "excellBut");
    EXPECT_TRUE(log->steps.contains(QStringLiteral("save called off")));
    EXPECT_EQ(log->steps.constLast(), QStringLiteral("quit"));
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_TRUE(notices.isEmpty());
}

// Each print rewrites tmp1.html in the data directory and opens its own preview once the
// page has loaded, the Cyrillic intact.
TEST_F(ExportPrintButtonsTest, EachPrintGivesOnePreview)
{
    click(&journal, "printBut");
    EXPECT_TRUE(previews.isEmpty()) << "the preview waits for the page to load";
    const QString page = dataDir.filePath(QStringLiteral("tmp1.html"));
    EXPECT_EQ(test::readFile(page), printPageBytes(journal.table()));

    journal.writeButClick();
    click(&journal, "printBut");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(previews.size(), 2);
    EXPECT_EQ(test::readFile(page), printPageBytes(journal.table()));
    EXPECT_TRUE(previews[1].contains(QStringLiteral("Комментарий")));
    EXPECT_TRUE(previews[1].contains(journal.table().cell(3, 2)));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(ExportPrintButtonsTest, PrintFailures)
{
    previewOpens = false;
    click(&journal, "printBut");
    QCoreApplication::processEvents();
    EXPECT_EQ(reporter.messages, QStringList{"Error print page !"});

    // A page that can't be written: the error, and no preview.
    previewOpens = true;
    test::blockWithDirectory(dataDir.filePath(QStringLiteral("tmp1.html")));
    click(&journal, "printBut");
    QCoreApplication::processEvents();
    ASSERT_EQ(reporter.messages.size(), 2);
    EXPECT_TRUE(reporter.messages[1].startsWith(QStringLiteral("Cannot create file")));
    EXPECT_EQ(previews.size(), 1);
}

}  // namespace
}  // namespace kv
