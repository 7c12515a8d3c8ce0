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

#include <functional>
#include <tuple>

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

}  // namespace
}  // namespace kv
