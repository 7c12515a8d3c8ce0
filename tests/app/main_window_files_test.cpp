// The data files at start and at close: present, missing, unreadable, and failing writes.

#include "core/methods.h"
#include "device/instrument/instrument_link.h"
#include "app/data_files.h"
#include "app/history_dialog.h"
#include "form_fixture.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibrations_page.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QTableWidget>
#include <QTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace kv::test {
namespace {

class MainWindowFiles : public FormTest {
protected:
    void writeSampleFiles()
    {
        const QDateTime when(QDate(2026, 3, 12), QTime(9, 15, 2));
        JournalTable archive;
        archive.setRow(1, makeEntry(1, when, Research, QStringLiteral("91,8")));
        saveTableFile(archive, path(QStringLiteral("data.tab")));

        JournalTable journal;
        journal.setRow(1, makeEntry(1, when, Motor, QStringLiteral("83,1")));
        journal.appendRow();
        journal.setRow(2, makeEntry(2, when, Cetane, QStringLiteral("*")));
        saveTableFile(journal, path(QStringLiteral("data2.tab")));

        TCalibration record;
        record.method = Aki;
        record.slope = 1.5;
        record.setName(QStringLiteral("Эталон"));
        writeFile(path(QStringLiteral("kor.tab")), serializeCalibrations({record}));
    }

    QStringList fileNames() const { return {"kor.tab", "data.tab", "data2.tab"}; }
};

TEST_F(MainWindowFiles, PresentFilesFillTheThreeGrids)
{
    writeSampleFiles();
    TForm1& f = create();
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(f.archivePage()->table().rowCount(), 2);
    EXPECT_EQ(f.archivePage()->table().cell(1, 3), QStringLiteral("91,8"));
    EXPECT_EQ(f.journalPage()->table().rowCount(), 3);
    EXPECT_EQ(f.journalPage()->table().cell(2, 2), QStringLiteral("Цетановое число"));
    ASSERT_EQ(state().calibrations().count(), 1);
    EXPECT_EQ(f.calibrationsPage()->gridRowCount(), 3);
    EXPECT_EQ(f.calibrationsPage()->grid()->model()->index(0, 2).data().toString(), QStringLiteral("Эталон"));
}

TEST_F(MainWindowFiles, MissingFilesAreReportedInOrderAndCreatedAtClose)
{
    TForm1& f = create();
    ASSERT_EQ(errors.messages.size(), 3);
    const QStringList names = fileNames();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(errors.messages[i].startsWith(
            QStringLiteral("Cannot open file \"%1\". ").arg(path(names[i]))))
            << errors.messages[i].toStdString();
    }
    // The window opened complete all the same.
    EXPECT_EQ(f.pageControl()->currentIndex(), 0);
    EXPECT_EQ(f.journalPage()->editmetod()->text(), QStringLiteral("И"));

    errors.messages.clear();
    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(readFile(path(QStringLiteral("data.tab"))).size(), 12);   // an empty table
    EXPECT_EQ(readFile(path(QStringLiteral("data2.tab"))).size(), 12);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("kor.tab"))).isFile());
}

TEST_F(MainWindowFiles, UnreadableFileIsReportedAndNotWrittenBackAtClose)
{
    for (const QString& blocked : fileNames()) {
        SCOPED_TRACE(blocked.toStdString());
        writeSampleFiles();
        blockWithDirectory(path(blocked));
        errors.messages.clear();
        TForm1& f = create();
        ASSERT_EQ(errors.messages.size(), 1);
        EXPECT_TRUE(errors.messages[0].startsWith(
            QStringLiteral("Cannot open file \"%1\". ").arg(path(blocked))));
        // The later steps ran: the other files are loaded and the journal is in front.
        EXPECT_EQ(f.pageControl()->currentIndex(), 0);
        if (blocked != QStringLiteral("data2.tab")) {
            EXPECT_EQ(f.journalPage()->table().rowCount(), 3);
        }

        errors.messages.clear();
        f.show();
        EXPECT_TRUE(f.close());
        // Not even tried: a try would have failed on the directory and been reported.
        EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
        EXPECT_TRUE(QFileInfo(path(blocked)).isDir());
        form.reset();
        QDir(path(blocked)).removeRecursively();
    }
}

TEST_F(MainWindowFiles, WhatASessionAddsToAnUnreadableFileIsKeptBesideIt)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 30, 5));
    for (const QString& blocked : fileNames()) {
        SCOPED_TRACE(blocked.toStdString());
        writeSampleFiles();
        blockWithDirectory(path(blocked));
        TForm1& f = create();
        workspace->files().setClock([&] { return at; });
        state().applyCount(8000);
        // The operator works as usual: two entries, the first row archived; a calibration.
        f.journalPage()->writeButClick();
        f.journalPage()->writeButClick();
        f.journalPage()->showRow(1);
        f.journalPage()->ArhButClick();
        TCalibration record;
        record.method = Research;
        record.slope = 1;
        record.setName(QStringLiteral("новая"));
        workspace->addCalibration(record);

        errors.messages.clear();
        errors.notices.clear();
        f.show();
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
        EXPECT_TRUE(QFileInfo(path(blocked)).isDir());  // never written over
        const QString stem = QFileInfo(blocked).completeBaseName();
        const QString kept = path(stem + QStringLiteral("-20261208-143005.tab"));
        ASSERT_TRUE(QFileInfo::exists(kept));
        ASSERT_EQ(errors.notices.size(), 1);
        EXPECT_TRUE(errors.notices[0].contains(QFileInfo(kept).fileName()));
        if (blocked == QStringLiteral("kor.tab")) {
            const std::vector<TCalibration> records = parseCalibrations(readFile(kept));
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(records[0].nameText(), QStringLiteral("новая"));
        } else {
            JournalTable table;
            loadTableFile(table, kept);
            if (blocked == QStringLiteral("data2.tab")) {
                // Two entries made, the first moved to the archive.
                EXPECT_EQ(table.rowCount(), 2);
                EXPECT_EQ(table.cell(1, 3), QStringLiteral("83,3"));
            } else {
                // The archive's blank row, then the journal's first row moved there.
                EXPECT_EQ(table.rowCount(), 3);
                EXPECT_EQ(table.cell(2, 3), QStringLiteral("83,1"));
            }
        }
        form.reset();
        QDir(path(blocked)).removeRecursively();
        QFile::remove(kept);
    }
}

TEST_F(MainWindowFiles, AKeptFileThatCannotBeWrittenKeepsTheWindowOpen)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 30, 5));
    writeSampleFiles();
    blockWithDirectory(path(QStringLiteral("data2.tab")));
    // The kept file's name leads into a folder that does not exist: neither the
    // temporary file nor a write in place can be made, root or not.
    ASSERT_TRUE(QFile::link(path(QStringLiteral("gone/x.tab")),
                            path(QStringLiteral("data2-20261208-143005.tab"))));
    TForm1& f = create();
    workspace->files().setClock([&] { return at; });
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    errors.messages.clear();
    f.show();
    EXPECT_FALSE(f.close());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(QStringLiteral("Cannot create file")));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("data2.tab"))).isDir());
}

TEST_F(MainWindowFiles, AKeptFileNeverTakesTheNameOfAnother)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 30, 5));
    EXPECT_EQ(kv::DataFiles::keptFileName(dir.path(), QStringLiteral("data2.tab"), at),
              path(QStringLiteral("data2-20261208-143005.tab")));
    writeFile(path(QStringLiteral("data2-20261208-143005.tab")), "x");
    writeFile(path(QStringLiteral("data2-20261208-143005-2.tab")), "x");
    EXPECT_EQ(kv::DataFiles::keptFileName(dir.path(), QStringLiteral("data2.tab"), at),
              path(QStringLiteral("data2-20261208-143005-3.tab")));
}

TEST_F(MainWindowFiles, CloseWritesTheThreeTables)
{
    writeSampleFiles();
    TForm1& f = create();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    f.journalPage()->ArhButClick();
    workspace->deleteCalibration(1);
    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_FALSE(f.link().timer1().isActive());
    EXPECT_FALSE(f.link().getdata().isActive());

    JournalTable archive;
    loadTableFile(archive, path(QStringLiteral("data.tab")));
    EXPECT_EQ(archive.rowCount(), 3);
    JournalTable journal;
    loadTableFile(journal, path(QStringLiteral("data2.tab")));
    EXPECT_EQ(journal.rowCount(), 3);
    EXPECT_TRUE(readFile(path(QStringLiteral("kor.tab"))).isEmpty());
}

// The operator's record as a lab keeps it: a new entry is the row Delete acts on, a comment
// being typed reaches the file at close, and Правка takes a step back and makes it again.
TEST_F(MainWindowFiles, NewEntriesAreCurrentTypedCommentsAreKeptAndStepsUndo)
{
    writeEmptyDataFiles();
    TForm1& f = create();
    f.show();
    state().applyCount(8000);
    for (int i = 0; i < 40; ++i)
        f.journalPage()->writeButClick();
    QTableView* grid = f.journalPage()->grid();
    grid->setCurrentIndex(grid->model()->index(28, 0));
    f.journalPage()->writeButClick();
    EXPECT_EQ(f.journalPage()->currentRow(), 41);
    f.journalPage()->DelButClick();
    EXPECT_EQ(f.journalPage()->table().rowCount(), 41);  // №41 went, №29 stayed

    auto* undo = f.findChild<QAction*>(QStringLiteral("UndoAction"));
    auto* redo = f.findChild<QAction*>(QStringLiteral("RedoAction"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->text(), QStringLiteral("&Отменить удаление строки 41"));
    undo->trigger();
    EXPECT_EQ(f.journalPage()->table().rowCount(), 42);
    EXPECT_EQ(redo->text(), QStringLiteral("&Повторить удаление строки 41"));
    redo->trigger();
    EXPECT_EQ(f.journalPage()->table().rowCount(), 41);

    // A comment typed and not confirmed with Enter.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, JournalTable::kCommentColumn));
    grid->edit(grid->currentIndex());
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("не подтверждён"));
    EXPECT_TRUE(f.close());
    JournalTable journal;
    loadTableFile(journal, path(QStringLiteral("data2.tab")));
    EXPECT_EQ(journal.cell(1, JournalTable::kCommentColumn), QStringLiteral("не подтверждён"));
    EXPECT_EQ(journal.rowCount(), 41);
}

TEST_F(MainWindowFiles, TheHistoryShowsEveryStepNewestFirstAndFilters)
{
    writeEmptyDataFiles();
    TForm1& f = create();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    f.journalPage()->writeButClick();
    f.journalPage()->DelButClick();
    ASSERT_NE(f.findChild<QAction*>(QStringLiteral("HistoryAction")), nullptr);
    HistoryDialog dialog(workspace->historyPath(), &f);
    ASSERT_EQ(dialog.shownCount(), 3);
    EXPECT_EQ(dialog.table()->model()->index(0, 2).data().toString(), QStringLiteral("удаление строки 2"));
    dialog.filter()->setText(QStringLiteral("ЗАПИСЬ"));
    EXPECT_EQ(dialog.shownCount(), 2);
    f.close();
}

TEST_F(MainWindowFiles, CloseMenuItemRunsTheCloseSequence)
{
    writeEmptyDataFiles();
    TForm1& f = create();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    f.show();
    f.findChild<QAction*>(QStringLiteral("N6"))->trigger();
    EXPECT_FALSE(f.isVisible());
    JournalTable journal;
    loadTableFile(journal, path(QStringLiteral("data2.tab")));
    EXPECT_EQ(journal.rowCount(), 2);
    EXPECT_FALSE(journal.isEmpty());
}

TEST_F(MainWindowFiles, JournalWriteFailureStopsTheCloseAndKeepsTheWindowOpen)
{
    writeSampleFiles();
    // A damaged kor.tab must be written at close with the records read.
    writeFile(path(QStringLiteral("kor.tab")),
              readFile(QStringLiteral(KV_TEST_DATA_DIR "/kor_negative_length.tab")));
    const QByteArray korBefore = readFile(path(QStringLiteral("kor.tab")));
    const QByteArray archiveBefore = readFile(path(QStringLiteral("data.tab")));
    TForm1& f = create();
    const QByteArray korIntact = serializeCalibrations(state().calibrations().calibrations());
    f.journalPage()->ArhButClick();         // the archive changes
    blockWithDirectory(path(QStringLiteral("data2.tab")));
    f.show();

    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(
        QStringLiteral("Cannot create file \"%1\". ").arg(path(QStringLiteral("data2.tab")))));
    EXPECT_FALSE(f.link().timer1().isActive());
    EXPECT_FALSE(f.link().getdata().isActive());
    EXPECT_NE(readFile(path(QStringLiteral("data.tab"))), archiveBefore);  // written first
    EXPECT_EQ(readFile(path(QStringLiteral("kor.tab"))), korBefore);       // never reached

    // Once the cause is gone the window closes with everything saved.
    QDir(path(QStringLiteral("data2.tab"))).removeRecursively();
    errors.messages.clear();
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(readFile(path(QStringLiteral("kor.tab"))), korIntact);
}

TEST_F(MainWindowFiles, AFileThatCannotBeWrittenHoldsTheCloseOnlyWhenItChanged)
{
    writeSampleFiles();
    TForm1& f = create();
    state().applyCount(8000);
    f.journalPage()->writeButClick();
    blockWithDirectory(path(QStringLiteral("data.tab")));
    blockWithDirectory(path(QStringLiteral("kor.tab")));
    f.show();
    // Neither the archive nor the calibrations changed: only the journal is written.
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
    JournalTable journal;
    loadTableFile(journal, path(QStringLiteral("data2.tab")));
    EXPECT_EQ(journal.rowCount(), 4);

    // A calibration deleted: now kor.tab must be written, and can't be.
    EXPECT_THROW(workspace->deleteCalibration(1), Error);
    f.show();
    EXPECT_FALSE(f.close());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(
        QStringLiteral("Cannot create file \"%1\". ").arg(path(QStringLiteral("kor.tab")))));
}

TEST_F(MainWindowFiles, DamagedCalibrationFileIsCopiedOnceBeforeTheCloseDropsItsTail)
{
    const QString golden = QStringLiteral(KV_TEST_DATA_DIR "/kor_negative_length.tab");
    const QByteArray original = readFile(golden);
    writeFile(path(QStringLiteral("kor.tab")), original);
    // An earlier copy is never written over.
    writeFile(path(QStringLiteral("kor.tab.bak")), "older copy");

    TForm1& f = create();
    const int intact = state().calibrations().count();
    ASSERT_EQ(errors.notices.size(), 1);
    const QString copy = path(QStringLiteral("kor.tab.bak.2"));
    EXPECT_TRUE(errors.notices[0].contains(QStringLiteral("последняя прочитанная запись — %1,").arg(intact)));
    EXPECT_TRUE(errors.notices[0].endsWith(copy)) << errors.notices[0].toStdString();
    EXPECT_EQ(readFile(copy), original);
    EXPECT_EQ(readFile(path(QStringLiteral("kor.tab.bak"))), QByteArray("older copy"));

    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_NE(readFile(path(QStringLiteral("kor.tab"))), original);
    EXPECT_EQ(readFile(copy), original);
}

TEST_F(MainWindowFiles, HarmlessCalibrationTailNeedsNoCopy)
{
    writeFile(path(QStringLiteral("kor.tab")),
              readFile(QStringLiteral(KV_TEST_DATA_DIR "/kor_tail_fragment.tab")));
    create();
    EXPECT_TRUE(errors.notices.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("kor.tab.bak"))));
}

TEST_F(MainWindowFiles, AGoneProgramDirectoryHoldsTheCloseOnlyWhenTheSessionChangedSomething)
{
    const QString gone = path(QStringLiteral("gone"));
    QDir().mkpath(gone);
    create({gone});
    errors.messages.clear();
    QDir(gone).removeRecursively();
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(errors.messages.isEmpty());

    // The entry is made; its history can't be written, which is told once.
    state().applyCount(8000);
    form->journalPage()->writeButClick();
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(QStringLiteral("Изменение сделано, но в историю изменений не записано")));
    form->show();
    EXPECT_FALSE(form->close());
    ASSERT_EQ(errors.messages.size(), 2);
    EXPECT_TRUE(errors.messages[1].contains(gone));
    EXPECT_FALSE(QFileInfo::exists(gone));
}

}  // namespace
}  // namespace kv::test
