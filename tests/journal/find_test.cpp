#include "app/workspace.h"
#include "journal/journal_book.h"
#include "journal/journal_filter_model.h"
#include "journal/print_page.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/find_bar.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/print_view.h"
#include "measure/measurement_state.h"
#include "recording_reporter.h"
#include "recording_workbook_writer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Five entries, one a day from 1 December, every second one of a "проба"; a filter on
// "ПРОБА" shows entries 2 and 4.
class FindTest : public testing::Test {
protected:
    FindTest()
    {
        journal.setClock([this] { return QDateTime(QDate(2026, 12, ++day), QTime(10, 0)); });
        state.applyCount(8000);
        for (int i = 1; i <= 5; ++i) {
            journal.writeButClick();
            workspace.editComment(i, i % 2 ? QStringLiteral("эталон") : QStringLiteral("Проба %1").arg(i));
        }
        journal.setPrintDirectory(dir.path());
        journal.spreadsheetExport().setFileChooser([](QWidget*) { return QStringLiteral("/tmp/x.xlsx"); });
        journal.spreadsheetExport().setFactory(test::recordingFactory(log, nullptr));
    }

    static void click(QWidget* page, const char* name)
    {
        page->findChild<QToolButton*>(QLatin1StringView(name))->click();
    }
    static void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &event);
    }
    // The "№" cells as the grid shows them.
    static QString shown(const GridPage& page)
    {
        QStringList numbers;
        const QAbstractItemModel* model = page.grid()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            numbers << model->index(r, 0).data().toString();
        return numbers.join(u',');
    }
    static QString numbers(const JournalTable& table)
    {
        QStringList list;
        for (int r = 1; r < table.rowCount(); ++r)
            list << table.cell(r, 0);
        return list.join(u',');
    }
    void find(const QString& text) { journal.findBar()->textEdit()->setText(text); }

    int day = 0;
    QTemporaryDir dir;
    test::RecordingReporter reporter;
    Workspace workspace{QString()};
    MeasurementState& state = workspace.state();
    JournalBook& book = workspace.book();
    ArchivePage archive{book, workspace, reporter};
    JournalPage journal{state, book, workspace, reporter};
    std::shared_ptr<test::WorkbookLog> log = std::make_shared<test::WorkbookLog>();
};

TEST_F(FindTest, TheTextAndThePeriodNarrowTheGridAndEscapeClearsBoth)
{
    FindBar& bar = *journal.findBar();
    EXPECT_TRUE(bar.countLabel()->isHidden());
    find(QStringLiteral("ПРОБА"));
    EXPECT_TRUE(bar.textEdit()->isClearButtonEnabled()) << "a text brings the clear button";
    EXPECT_EQ(shown(journal), QStringLiteral("2,4"));
    EXPECT_EQ(bar.countLabel()->text(), QStringLiteral("Найдено: 2 из 5"));
    EXPECT_FALSE(bar.countLabel()->isHidden());
    EXPECT_EQ(journal.filterNote(), QStringLiteral("Отбор: «ПРОБА»"));

    find(QString());
    bar.periodCheck()->setChecked(true);
    bar.fromEdit()->setDate(QDate(2026, 12, 2));
    bar.toEdit()->setDate(QDate(2026, 12, 3));
    EXPECT_EQ(shown(journal), QStringLiteral("2,3"));
    find(QStringLiteral("эталон"));
    EXPECT_EQ(shown(journal), QStringLiteral("3"));

    // A comment edited out of the filter leaves the view; Escape shows every row again.
    workspace.editComment(3, QStringLiteral("брак"));
    EXPECT_EQ(shown(journal), QString());
    EXPECT_EQ(bar.countLabel()->text(), QStringLiteral("Найдено: 0 из 5"));
    press(bar.textEdit(), Qt::Key_Escape);
    EXPECT_EQ(shown(journal), QStringLiteral("1,2,3,4,5"));
    EXPECT_FALSE(bar.periodCheck()->isChecked());
    EXPECT_TRUE(bar.countLabel()->isHidden());
    EXPECT_EQ(journal.filterNote(), QString());
}

// Delete, "В архив", the archive's delete, the export and the print act on the rows seen.
TEST_F(FindTest, EveryActionUnderAFilterTakesTheRowsSeen)
{
    find(QStringLiteral("проба"));
    journal.grid()->setCurrentIndex(journal.grid()->model()->index(1, 0));  // entry 4
    EXPECT_EQ(journal.currentRow(), 4);
    click(&journal, "DelBut");
    EXPECT_EQ(numbers(journal.table()), QStringLiteral("1,2,3,5"));
    EXPECT_EQ(shown(journal), QStringLiteral("2"));
    click(&journal, "ArhBut");  // the current row is now entry 2
    EXPECT_EQ(numbers(journal.table()), QStringLiteral("1,3,5"));
    EXPECT_EQ(numbers(archive.table()), QStringLiteral(",2"));

    find(QStringLiteral("эталон"));
    click(&journal, "excellBut");
    EXPECT_TRUE(log->steps.contains(QStringLiteral("text 6, 1 \"5\"")));
    EXPECT_FALSE(log->steps.contains(QStringLiteral("text 7, 1 \"5\"")));
    find(QStringLiteral("5"));
    PrintView web(reporter, &journal);
    journal.setPrintView(&web);
    QString printed;
    QString offered;
    web.setPreviewOpener([&](JournalPrintDocument& document, const JournalTable& selection, QWidget*) {
        printed = document.pageText(0).join(u'\n');
        offered = numbers(selection);
        return true;
    });
    journal.grid()->setCurrentIndex(journal.grid()->model()->index(0, 4));
    click(&journal, "printBut");
    EXPECT_EQ(test::readFile(dir.filePath(kPrintPageFileName)),
              printPageBytes(journal.shownRows().shownTable()));
    EXPECT_EQ(numbers(journal.shownRows().shownTable()), QStringLiteral("5"));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(printed.contains(QStringLiteral("Отбор: «5»"))) << printed.toStdString();
    EXPECT_EQ(offered, QStringLiteral("5"));

    archive.findBar()->textEdit()->setText(QStringLiteral("проба"));
    EXPECT_EQ(shown(archive), QStringLiteral("2"));
    click(&archive, "DelButArh");
    EXPECT_TRUE(archive.table().isEmpty());
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(FindTest, ANewEntryTheFilterWouldHideClearsItAndIsCurrent)
{
    find(QStringLiteral("проба"));
    journal.grid()->setCurrentIndex(journal.grid()->model()->index(1, 0));
    journal.writeButClick();
    EXPECT_EQ(journal.findBar()->filter(), RowFilter{});
    EXPECT_EQ(journal.currentRow(), 6);
    // The selection is taken in the grid's order, mapped to the table.
    find(QStringLiteral("проба"));
    journal.grid()->selectAll();
    EXPECT_EQ(journal.selectedTableRows(), (std::vector<int>{2, 4}));
    EXPECT_EQ(numbers(journal.selectedTable()), QStringLiteral("2,4"));
}

}  // namespace
}  // namespace kv
