// The one change path: every change to saved data through the workspace, taken back and
// made again exactly, named for the Правка menu, and kor.tab following the list.

#include "app/workspace.h"
#include "core/file_io.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"
#include "recording_reporter.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace kv {
namespace {

const QDateTime kWhen(QDate(2026, 12, 9), QTime(10, 0, 0));

TCalibration calibration(int method, double slope, const QString& name)
{
    TCalibration c;
    c.method = method;
    c.slope = slope;
    c.setName(name);
    return c;
}

class WorkspaceTest : public testing::Test {
protected:
    WorkspaceTest()
    {
        std::vector<JournalRow> rows;
        for (const char* value : {"91,8", "92", "78,3"})
            rows.push_back(makeEntry(int(rows.size()) + 1, kWhen, Research, QString::fromUtf8(value)));
        writeFile(QStringLiteral("data2.tab"), tableFileBytes(journalTableOf(rows)));
        writeFile(QStringLiteral("data.tab"), tableFileBytes(journalTableOf({rows[0]})));
        writeFile(QStringLiteral("kor.tab"),
                  serializeCalibrations({calibration(Research, 1.1, QStringLiteral("И")),
                                         calibration(Motor, 0.9, QStringLiteral("М"))}));
        workspace.reportTo(&errors);
        workspace.load();
        EXPECT_TRUE(errors.messages.isEmpty());
    }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        replaceFileAtomically(QDir(dir.path()).filePath(name), bytes);
    }
    QByteArray korFile() const { return readWholeFile(QDir(dir.path()).filePath(QStringLiteral("kor.tab"))); }
    // Everything a change may touch: both tables, the list and what is switched on.
    auto snapshot() const
    {
        const CalibrationStore& store = workspace.calibrations().store();
        return std::tuple(tableFileBytes(workspace.book().journal().table()),
                          tableFileBytes(workspace.book().archive().table()),
                          serializeCalibrations(store.calibrations()), store.activeEntries());
    }

    QTemporaryDir dir;
    test::RecordingReporter errors;
    Workspace workspace{dir.path()};
    QAbstractItemModelTester journalTester{&workspace.book().journal(),
                                           QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester archiveTester{&workspace.book().archive(),
                                           QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester listTester{const_cast<CalibrationListModel*>(&workspace.calibrations()),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(WorkspaceTest, EveryChangeIsOneNamedStepTakenBackAndMadeAgainExactly)
{
    const struct {
        const char* name;
        std::function<void(Workspace&)> act;
        bool writesKor;
    } cases[] = {
        {"запись строки 4", [](Workspace& w) { w.addEntry(Aki, QStringLiteral("87"), kWhen); }, false},
        {"изменение комментария строки 2",
         [](Workspace& w) {
             // As the grid's editor hands it in.
             JournalTableModel& m = w.book().journal();
             m.setData(m.index(1, JournalTable::kCommentColumn), QStringLiteral("проба 7"));
         },
         false},
        {"удаление строки 2", [](Workspace& w) { w.deleteEntry(2); }, false},
        {"перенос строки 3 в архив", [](Workspace& w) { w.moveToArchive(3); }, false},
        {"удаление строки 1 архива", [](Workspace& w) { w.deleteArchived(1); }, false},
        {"создание калибровки",
         [](Workspace& w) { w.addCalibration(calibration(Aki, 1.2, QStringLiteral("A"))); }, true},
        {"изменение калибровки 1",
         [](Workspace& w) { w.replaceCalibration(1, calibration(Cetane, 1.3, QStringLiteral("Ц"))); },
         true},
        {"удаление калибровки 1", [](Workspace& w) { w.deleteCalibration(1); }, true},
        {"включение калибровки 2", [](Workspace& w) { w.toggleCalibration(2); }, false},
    };
    // A calibration switched on beforehand, which an edit and a delete must give back.
    workspace.toggleCalibration(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = snapshot();
        const QByteArray korBefore = korFile();
        const int steps = workspace.undoStack().count();
        c.act(workspace);
        const auto after = snapshot();
        ASSERT_NE(after, before);
        ASSERT_EQ(workspace.undoStack().count(), steps + 1);
        EXPECT_EQ(workspace.undoStack().undoText(), QString::fromUtf8(c.name));
        // kor.tab follows a change of the list, not a switch.
        EXPECT_EQ(korFile() != korBefore, c.writesKor);

        workspace.undo();
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(korFile(), korBefore);
        workspace.redo();
        EXPECT_EQ(snapshot(), after);
        EXPECT_EQ(korFile() != korBefore, c.writesKor);
    }
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
}

TEST_F(WorkspaceTest, WhatChangesNothingIsNoStep)
{
    const int steps = workspace.undoStack().count();
    workspace.deleteEntry(9);
    workspace.moveToArchive(0);
    workspace.deleteArchived(5);
    workspace.replaceCalibration(7, {});
    workspace.deleteCalibration(7);  // still writes kor.tab, as a delete always does
    workspace.editComment(1, workspace.book().journal().table().cell(1, JournalTable::kCommentColumn));
    workspace.addCalibration(calibration(Research, 0, QStringLiteral("не рассчитана")));
    const int afterAdd = workspace.undoStack().count();
    EXPECT_EQ(workspace.toggleCalibration(3), ToggleResult::NotComputed);
    EXPECT_EQ(afterAdd, steps + 1);
    EXPECT_EQ(workspace.undoStack().count(), afterAdd);
}

// A session that ends without its close (a crash, a kill, a dead display) leaves its log;
// the next start puts every change back and says so, once.
TEST_F(WorkspaceTest, ChangesOfASessionThatNeverClosedComeBackAtTheNextStart)
{
    // The log begins with the first change; a start that changes nothing makes none.
    const QString log = QDir(dir.path()).filePath(Workspace::kChangeLogFileName);
    EXPECT_FALSE(QFileInfo::exists(log));
    EXPECT_TRUE(workspace.changeLogPath().isEmpty());
    workspace.addEntry(Aki, QStringLiteral("87"), kWhen);
    EXPECT_EQ(workspace.changeLogPath(), log);
    workspace.editComment(4, QStringLiteral("проба 12"));
    workspace.moveToArchive(2);
    workspace.deleteEntry(1);
    workspace.deleteArchived(1);
    workspace.undo();  // the archive's first row back
    workspace.addEntry(Motor, QStringLiteral("78"), kWhen);
    workspace.flushChangeLog();
    const auto shown = snapshot();
    EXPECT_FALSE(workspace.changeLogPath().isEmpty());

    for (int start = 0; start < 2; ++start) {
        test::RecordingReporter again;
        Workspace next(dir.path());
        next.reportTo(&again);
        next.load();
        EXPECT_EQ(tableFileBytes(next.book().journal().table()), std::get<0>(shown));
        EXPECT_EQ(tableFileBytes(next.book().archive().table()), std::get<1>(shown));
        // Put back and written into the files by the first start: a second start after
        // another crash has nothing more to put back, and nothing comes back twice.
        if (start == 0)
            EXPECT_EQ(again.notices, QStringList{QStringLiteral("Восстановлено 7 изменений после аварийного завершения")});
        else
            EXPECT_TRUE(again.notices.isEmpty()) << again.notices.join(u'\n').toStdString();
        EXPECT_TRUE(again.messages.isEmpty()) << again.messages.join(u'\n').toStdString();
        next.flushChangeLog();
    }

    // A good close writes the files and drops the log: nothing to put back after it.
    {
        Workspace closing(dir.path());
        closing.reportTo(&errors);
        closing.load();
        EXPECT_TRUE(closing.saveAll());
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath(Workspace::kChangeLogFileName)));
    test::RecordingReporter after;
    Workspace last(dir.path());
    last.reportTo(&after);
    last.load();
    EXPECT_TRUE(after.notices.isEmpty());
    EXPECT_EQ(tableFileBytes(last.book().journal().table()), std::get<0>(shown));
}

// A file changed by someone else since the log began is not written over with the log's
// changes; the operator is told and the log kept.
TEST_F(WorkspaceTest, ALogIsNotPutOntoAFileThatChangedSince)
{
    workspace.addEntry(Aki, QStringLiteral("87"), kWhen);
    workspace.flushChangeLog();
    writeFile(QStringLiteral("data2.tab"), tableFileBytes(JournalTable()));
    test::RecordingReporter again;
    Workspace next(dir.path());
    next.reportTo(&again);
    next.load();
    EXPECT_TRUE(next.book().journal().table().isEmpty() || next.book().journal().table().rowCount() == 2);
    ASSERT_EQ(again.notices.size(), 1);
    EXPECT_TRUE(again.notices[0].startsWith(QStringLiteral("1 изменений"))) << again.notices[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(dir.path()).filePath(Workspace::kChangeLogFileName)));
}

// The history keeps every step with who, when, the row's "№" and its cells before and
// after; an edited, inserted or removed line is found; a broken history is never written
// over.
TEST_F(WorkspaceTest, EveryStepIsTracedInAChainThatShowsTampering)
{
    workspace.deleteEntry(2);
    workspace.undo();
    workspace.editComment(1, QStringLiteral("проба\tс табуляцией"));
    workspace.addCalibration(calibration(Aki, 1.2, QStringLiteral("A")));
    const QString path = QDir(dir.path()).filePath(ChangeHistory::kFileName);
    const QByteArray bytes = readWholeFile(path);
    const std::vector<ChangeHistory::Entry> entries = ChangeHistory::entries(bytes);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].step, QStringLiteral("удаление строки 2"));
    EXPECT_EQ(entries[0].table, QStringLiteral("журнал"));
    EXPECT_EQ(entries[0].number, QStringLiteral("2"));
    ASSERT_TRUE(entries[0].before);
    EXPECT_EQ((*entries[0].before)[3], QStringLiteral("92"));  // a deleted row keeps its cells
    EXPECT_FALSE(entries[0].after);
    EXPECT_EQ(entries[1].step, QStringLiteral("отмена: удаление строки 2"));
    EXPECT_TRUE(entries[1].after && !entries[1].before);
    EXPECT_EQ((*entries[2].after)[4], QStringLiteral("проба\tс табуляцией"));
    EXPECT_EQ(entries[3].table, QStringLiteral("калибровки"));
    EXPECT_EQ(entries[0].user, ChangeHistory::loginName());
    EXPECT_TRUE(QDateTime::fromString(entries[0].time, Qt::ISODate).isValid());
    EXPECT_EQ(verifyHistoryFolder(dir.path()).exitStatus, 0);
    EXPECT_TRUE(verifyHistoryFolder(dir.path()).text.contains(QStringLiteral("цела: записей 4")));

    const QList<QByteArray> lines = bytes.split('\n');
    const struct {
        const char* what;
        QByteArray bytes;
        int brokenLine;
    } tampered[] = {
        {"a cell edited", QByteArray(bytes).replace("92", "93"), 2},
        {"a line removed", QByteArray(bytes).replace(lines[2] + '\n', ""), 3},
        {"a line repeated", QByteArray(bytes).replace(lines[2] + '\n', lines[2] + '\n' + lines[2] + '\n'), 4},
        {"the last line cut", bytes.left(bytes.size() - 5), 5},
    };
    for (const auto& t : tampered) {
        SCOPED_TRACE(t.what);
        const ChangeHistory::Check check = ChangeHistory::verify(t.bytes);
        EXPECT_FALSE(check.whole);
        EXPECT_EQ(check.brokenLine, t.brokenLine);
    }

    // A broken history stays as it is; the trail goes on beside it and the operator is told.
    replaceFileAtomically(path, tampered[0].bytes);
    errors.notices.clear();
    Workspace next(dir.path());
    next.reportTo(&errors);
    next.load();
    next.addEntry(Research, QStringLiteral("95"), kWhen);
    EXPECT_EQ(readWholeFile(path), tampered[0].bytes);
    // (The fixture's session never closed: its changes are put back, and said so too.)
    EXPECT_EQ(errors.notices.filter(QStringLiteral("Новая история ведётся в файле")).size(), 1)
        << errors.notices.join(u'\n').toStdString();
    EXPECT_EQ(verifyHistoryFolder(dir.path()).exitStatus, 1);
}

// A real program killed right after its changes: they are on disk.
TEST_F(WorkspaceTest, AProcessKilledRightAfterItsChangesLosesNone)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Workspace session(dir.path());
        test::RecordingReporter quiet;
        session.reportTo(&quiet);
        session.load();
        for (int i = 0; i < 10; ++i)
            session.addEntry(Research, QString::number(90 + i), kWhen);
        session.flushChangeLog();
        const char done = 1;
        (void)!::write(ready[1], &done, 1);
        for (;;)
            ::pause();
    }
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ::close(ready[1]);

    test::RecordingReporter again;
    Workspace next(dir.path());
    next.reportTo(&again);
    next.load();
    const JournalTable& journal = next.book().journal().table();
    ASSERT_EQ(journal.rowCount(), 4 + 10);
    EXPECT_EQ(journal.cell(13, JournalTable::kValueColumn), QStringLiteral("99"));
    EXPECT_EQ(again.notices, QStringList{QStringLiteral("Восстановлено 10 изменений после аварийного завершения")});
}

}  // namespace
}  // namespace kv
