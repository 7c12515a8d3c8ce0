#include "app/workspace.h"
#include "core/error_guard.h"
#include "core/methods.h"
#include "journal/table_file.h"
#include "journal/journal_book.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"
#include "recording_reporter.h"
#include "ui/grid_style.h"
#include "ui/result_drag.h"

#include <QApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace kv {
namespace {

class JournalPageTest : public testing::Test {
protected:
    // Count 8000 shows 83,3 / 78 / 80,7 and "*" in petrol mode.
    JournalPageTest()
    {
        journal.setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)); });
        state.applyCount(8000);
    }

    static QToolButton* button(QWidget* page, const char* name)
    {
        return page->findChild<QToolButton*>(QLatin1StringView(name));
    }

    int rows() { return journal.table().rowCount(); }
    QString numbers()
    {
        QStringList list;
        for (int r = 1; r < rows(); ++r)
            list << journal.table().cell(r, 0);
        return list.join(',');
    }
    void setCurrent(int tableRow, int column = 0)
    {
        journal.grid()->setCurrentIndex(journal.grid()->model()->index(tableRow - 1, column));
    }
    void press(QWidget* target, int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // What the viewport answers to a drag entering it and to the drop; the drag carries
    // the label's present value.
    bool drop(const QString& label, bool asResultLabel = true, QWidget* target = nullptr,
              std::optional<QString> carried = std::nullopt)
    {
        const QString value = carried.value_or(state.resultText(methodOfResultLabel(label)));
        std::unique_ptr<QMimeData> mime(asResultLabel ? makeResultLabelMimeData(label, value)
                                                      : new QMimeData);
        if (!asResultLabel)
            mime->setText(label);
        QWidget* viewport = target ? target : journal.grid()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent dropEvent(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropEvent);
        EXPECT_EQ(enter.isAccepted(), dropEvent.isAccepted());
        return dropEvent.isAccepted();
    }

    test::RecordingReporter reporter;
    Workspace workspace{QString()};  // no files: the pages' changes only
    MeasurementState& state = workspace.state();
    JournalBook& book = workspace.book();
    ArchivePage archive{book, workspace, reporter};
    JournalPage journal{state, book, workspace, reporter};
};

TEST_F(JournalPageTest, FirstEntryFillsTheBlankRowAndLaterOnesAppend)
{
    button(&journal, "writeBut")->click();
    ASSERT_EQ(rows(), 2);
    const JournalRow expected{{"1", "08.12.2026 14:05:09", "Исследовательский метод", "83,3", " "}};
    EXPECT_EQ(journal.table().row(1), expected);

    state.selectMethod(Motor);
    journal.writeButClick();
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(journal.table().cell(2, 0), QStringLiteral("2"));
    EXPECT_EQ(journal.table().cell(2, 3), QStringLiteral("78"));
}

TEST_F(JournalPageTest, NumbersAreNotRenumberedAfterADeletion)
{
    for (int i = 0; i < 3; ++i)
        journal.writeButClick();
    setCurrent(1);
    button(&journal, "DelBut")->click();
    journal.writeButClick();
    EXPECT_EQ(numbers(), QStringLiteral("2,3,3"));
}

TEST_F(JournalPageTest, DeletingTheOnlyRowBlanksIt)
{
    journal.writeButClick();
    journal.DelButClick();
    EXPECT_EQ(rows(), 2);
    EXPECT_TRUE(journal.table().isEmpty());
    journal.writeButClick();
    EXPECT_EQ(numbers(), QStringLiteral("1"));
}

TEST_F(JournalPageTest, ASavedEmptyJournalComesBackAsABlankRowThatStays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data2.tab"));
    saveTableFile(journal.table(), path);
    Workspace rereadWorkspace{QString()};
    JournalBook& reread = rereadWorkspace.book();
    ArchivePage rereadArchive{reread, rereadWorkspace, reporter};
    JournalPage reloaded{state, reread, rereadWorkspace, reporter};
    reread.read(JournalBook::Table::Journal, test::readFile(path));
    reloaded.writeButClick();
    ASSERT_EQ(reloaded.table().rowCount(), 3);
    EXPECT_EQ(reloaded.table().cell(1, 0), QStringLiteral(" "));
    EXPECT_EQ(reloaded.table().cell(2, 0), QStringLiteral("2"));
}

TEST_F(JournalPageTest, ArchivingMovesTheCurrentRowBehindTheArchivesBlankRow)
{
    journal.ArhButClick();  // empty journal: nothing to move
    EXPECT_TRUE(archive.table().isEmpty());

    journal.writeButClick();
    state.selectMethod(Aki);
    journal.writeButClick();
    const JournalRow moved = journal.table().row(2);
    setCurrent(2);
    button(&journal, "ArhBut")->click();

    EXPECT_EQ(numbers(), QStringLiteral("1"));
    ASSERT_EQ(archive.table().rowCount(), 3);
    EXPECT_EQ(archive.table().row(2), moved);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.tab"));
    saveTableFile(archive.table(), path);
    JournalTable reread;
    loadTableFile(reread, path);
    EXPECT_EQ(reread.rowCount(), 3);
    EXPECT_EQ(reread.row(2), moved);

    archive.grid()->setCurrentIndex(archive.grid()->model()->index(1, 0));
    button(&archive, "DelButArh")->click();
    EXPECT_EQ(archive.table().rowCount(), 2);
}

TEST_F(JournalPageTest, EachResultLabelDropSelectsItsMethodAndWritesItsValue)
{
    const char* names[] = {"txtIsRes", "txtMotRes", "txtAKIRes", "txtCetRes"};
    const char* values[] = {"83,3", "78", "80,7", "*"};
    for (int m = 1; m <= 4; ++m) {
        state.selectMethod(m == 1 ? 4 : 1);
        EXPECT_TRUE(drop(QLatin1StringView(names[m - 1])));
        EXPECT_EQ(state.selectedMethod(), m);
        EXPECT_EQ(button(&journal, "editmetod")->text(), methodLetter(m));
        EXPECT_EQ(journal.table().cell(rows() - 1, 2), methodName(m));
        EXPECT_EQ(journal.table().cell(rows() - 1, 3), QString::fromUtf8(values[m - 1]));
    }
    EXPECT_EQ(numbers(), QStringLiteral("1,2,3,4"));
    EXPECT_EQ(journal.table().cell(4, 2), QStringLiteral("Цетановое число"));
    EXPECT_EQ(journal.table().cell(4, 3), QStringLiteral("*"));
}

TEST_F(JournalPageTest, TheHeadingRowTakesAResultAndAnEditFieldNever)
{
    EXPECT_TRUE(drop(QStringLiteral("txtMotRes"), true, journal.grid()->horizontalHeader()->viewport()));
    EXPECT_EQ(numbers(), QStringLiteral("1"));
    EXPECT_EQ(journal.table().cell(1, 3), QStringLiteral("78"));

    // Dropped on an edit field (the open comment editor, another page's field), a result
    // carries no text to type there.
    std::unique_ptr<QMimeData> mime(makeResultLabelMimeData(QStringLiteral("txtCetRes"), QStringLiteral("*")));
    EXPECT_FALSE(mime->hasText());
    QLineEdit comment(QStringLiteral("проба"));
    comment.show();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&comment, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(&comment, &dropped);
    EXPECT_EQ(comment.text(), QStringLiteral("проба"));
}

// The value the drag carries is recorded, not the label's at the drop; a drag that carries
// none (its reading was not current) records nothing.
TEST_F(JournalPageTest, ADropRecordsTheValueItCarries)
{
    const auto dropCarrying = [this](const QString& value) {
        drop(QStringLiteral("txtMotRes"), true, nullptr, value);
    };
    dropCarrying(QStringLiteral("91"));
    EXPECT_EQ(journal.table().row(1).cells[2], QStringLiteral("Моторный метод"));
    EXPECT_EQ(journal.table().cell(1, 3), QStringLiteral("91"));
    dropCarrying(QString());
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(reporter.notices, QStringList{QStringLiteral("Нет подключения — значение не записано")});
}

TEST_F(JournalPageTest, OtherDragsAreRefused)
{
    EXPECT_FALSE(drop(QStringLiteral("txtIsRes"), false));
    EXPECT_FALSE(drop(QStringLiteral("txtIs")));
    EXPECT_TRUE(journal.table().isEmpty());
    EXPECT_EQ(state.selectedMethod(), Research);
}

TEST_F(JournalPageTest, OnlyTheCommentColumnIsEditedAndStaysOneLine)
{
    journal.writeButClick();
    QTableView* grid = journal.grid();
    EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());

    setCurrent(1, 3);
    EXPECT_FALSE(grid->horizontalHeader()->sectionsMovable());
    grid->edit(grid->currentIndex());
    EXPECT_EQ(grid->viewport()->findChild<QLineEdit*>(), nullptr);

    setCurrent(1, 4);
    grid->edit(grid->currentIndex());
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("проба"));
    grid->setCurrentIndex(grid->model()->index(0, 0));  // commits
    EXPECT_EQ(journal.table().cell(1, 4), QStringLiteral("проба"));

    // A pasted line break would split the record in the file.
    setCurrent(1, 4);
    grid->model()->setData(grid->model()->index(0, 4), QStringLiteral("a\r\nb"));
    EXPECT_EQ(journal.table().cell(1, 4), QStringLiteral("a b"));
}

TEST_F(JournalPageTest, InsertWritesAndDeleteDeletes)
{
    press(journal.grid(), Qt::Key_Insert);
    press(journal.grid(), Qt::Key_Insert);
    EXPECT_EQ(numbers(), QStringLiteral("1,2"));
    setCurrent(1);
    press(journal.grid(), Qt::Key_Delete);
    EXPECT_EQ(numbers(), QStringLiteral("2"));
    press(journal.grid(), Qt::Key_A);
    EXPECT_EQ(numbers(), QStringLiteral("2"));
}

TEST_F(JournalPageTest, ColumnsFitTheGridAtCreateResizeAndFocus)
{
    QHeaderView* j = journal.grid()->horizontalHeader();
    QHeaderView* a = archive.grid()->horizontalHeader();
    const auto widths = [](QHeaderView* h) {
        QList<int> list;
        for (int c = 0; c < 5; ++c)
            list << h->sectionSize(c);
        return list;
    };
    journal.grid()->resize(700, 300);
    archive.grid()->resize(700, 300);
    journal.fitColumnsAtCreate();
    archive.fitColumnsAtCreate();
    EXPECT_EQ(widths(j), (QList<int>{30, 110, 150, 54, 700 - 344}));
    EXPECT_EQ(widths(a), (QList<int>{64, 100, 150, 70, 700 - 10 - 384}));

    j->resizeSection(0, 80);
    a->resizeSection(0, 80);
    journal.grid()->resize(800, 300);
    archive.grid()->resize(800, 300);
    journal.fitColumnsAtResize();
    archive.fitColumnsAtResize();
    EXPECT_EQ(widths(j), (QList<int>{30, 110, 150, 54, 800 - 344 - 35}));
    EXPECT_EQ(widths(a), (QList<int>{80, 100, 150, 70, 800 - 400 - 10}));

    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(journal.grid(), &focus);
    EXPECT_EQ(j->sectionSize(4), 800 - 344 - 10);

    // Too narrow: the last column keeps a reachable width.
    archive.grid()->resize(200, 300);
    QApplication::sendEvent(archive.grid(), &focus);
    EXPECT_EQ(a->sectionSize(4), 16);
}

// "№" grows to its widest number, loaded or entered; the date, method and value columns
// keep their widths and the comment column gives up the difference.
TEST_F(JournalPageTest, TheNumberColumnFitsItsWidestNumber)
{
    const struct {
        const char* what;
        int loadedRows;
        int loadedNumber;  // of the last loaded row; 0: its position
        bool entered;
        QString widest;
    } cases[] = {
        {"999 rows", 999, 0, false, QStringLiteral("999")},
        {"entry 1000", 999, 0, true, QStringLiteral("1000")},
        {"loaded 1000000", 2, 1000000, false, QStringLiteral("1000000")},
        {"loaded 9999999", 1, 9999999, true, QStringLiteral("9999999")},
    };
    QHeaderView* columns = journal.grid()->horizontalHeader();
    journal.grid()->resize(700, 300);
    for (const auto& c : cases) {
        std::vector<JournalRow> rows;
        for (int r = 1; r <= c.loadedRows; ++r)
            rows.push_back(makeEntry(r == c.loadedRows && c.loadedNumber ? c.loadedNumber : r,
                                     QDateTime(QDate(2026, 1, 1), QTime(0, 0)), Research, "95"));
        book.read(JournalBook::Table::Journal, tableFileBytes(journalTableOf(rows)));
        journal.fitColumnsAtCreate();
        if (c.entered)
            journal.writeButClick();
        const int needed = journal.grid()->fontMetrics().horizontalAdvance(c.widest) + 2 * kCellPadding + 1;
        EXPECT_GE(columns->sectionSize(0), needed) << c.what;
        EXPECT_LE(columns->sectionSize(0), std::max(needed + 2, 30)) << c.what;
        int sum = 0;
        for (int col = 0; col < 5; ++col)
            sum += columns->sectionSize(col);
        EXPECT_EQ(sum, 700) << c.what;
        for (const int col : {1, 2, 3})
            EXPECT_EQ(columns->sectionSize(col), kJournalColumnWidths[col]) << c.what;
        journal.fitColumnsAtResize();
        EXPECT_GE(columns->sectionSize(0), needed) << c.what;
    }
}

TEST_F(JournalPageTest, AHundredThousandRowsLoadAndShow)
{
    std::vector<JournalRow> rows;
    for (int r = 1; r <= 100000; ++r)
        rows.push_back(makeEntry(r, QDateTime(QDate(2026, 1, 1), QTime(0, 0)), Research, "95"));
    const JournalTable big = journalTableOf(rows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data2.tab"));
    saveTableFile(big, path);

    journal.resize(800, 600);
    journal.show();
    book.read(JournalBook::Table::Journal, test::readFile(path));
    QTableView* grid = journal.grid();
    ASSERT_EQ(grid->model()->rowCount(), 100000);
    grid->scrollToBottom();
    const int lastShown = grid->rowAt(grid->viewport()->height() - 1);
    EXPECT_GT(lastShown, 99990);
    EXPECT_EQ(grid->model()->index(99999, 0).data().toString(), QStringLiteral("100000"));
}

TEST(JournalDragSwitcher, AResultLabelOverAWatchedWidgetBringsTheJournalForward)
{
    int calls = 0;
    JournalDragSwitcher switcher([&] { ++calls; });
    QWidget page;
    switcher.watch(&page);
    EXPECT_TRUE(page.acceptDrops());

    std::unique_ptr<QMimeData> label(makeResultLabelMimeData(QStringLiteral("txtAKIRes"), QStringLiteral("80,7")));
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, label.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&page, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(calls, 1);

    QDropEvent dropped(QPointF(1, 1), Qt::CopyAction, label.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &dropped);
    EXPECT_FALSE(dropped.isAccepted());

    QMimeData text;
    text.setText(QStringLiteral("txtAKIRes"));
    QDragEnterEvent other(QPoint(1, 1), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&page, &other);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(resultLabelName(&text), QString());
}

}  // namespace
}  // namespace kv
