// The calibrations page's grid, and the reference fuels of the calibration dialog and
// the system correction page.

#include "app/workspace.h"
#include "core/methods.h"
#include "measure/calibration_store.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"
#include "recording_reporter.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

TCalibration record(int method, const QString& name)
{
    TCalibration r;
    r.method = method;
    r.setName(name);
    return r;
}

QStringList rowTexts(const QTableView* grid, int viewRow, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        texts << grid->model()->index(viewRow, c).data(role).toString();
    return texts;
}

// A calibrations page over a workspace of its own, its changes checked by Qt's model tester.
struct PageHost {
    QTemporaryDir dir;
    test::RecordingReporter errors;
    Workspace workspace{dir.path()};
    CalibrationsPage page{workspace.calibrations(), workspace, workspace.state(), errors};
    QAbstractItemModelTester tester{page.grid()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
    QTableView* grid = page.grid();
};

TEST(CalibrationsPageGrid, GridHasTheRecordsAndOneEmptyRowBelow)
{
    PageHost host;
    QTableView* grid = host.grid;
    Workspace& w = host.workspace;
    EXPECT_EQ(grid->objectName(), QStringLiteral("StringGrid3"));
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Метод"));
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(),
              QStringLiteral("Наименование"));
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);

    EXPECT_EQ(host.page.gridRowCount(), 2);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"", "", ""}));

    const QString longName = QString(50, u'ж');
    w.addCalibration(record(Research, QStringLiteral("АИ-92")));
    w.addCalibration(record(Cetane, longName));
    w.addCalibration(record(7, QStringLiteral("чужой метод")));
    EXPECT_EQ(host.page.gridRowCount(), 5);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"1", "Исследовательский метод", "АИ-92"}));
    EXPECT_EQ(rowTexts(grid, 1), (QStringList{"2", "Цетановое число", longName}));
    EXPECT_EQ(rowTexts(grid, 2), (QStringList{"3", "", "чужой метод"}));
    EXPECT_EQ(rowTexts(grid, 3), (QStringList{"", "", ""}));

    // After a deletion the rows behind are numbered anew and no stale row is left.
    w.deleteCalibration(1);
    w.deleteCalibration(1);
    EXPECT_EQ(host.page.gridRowCount(), 3);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"1", "", "чужой метод"}));
    EXPECT_EQ(rowTexts(grid, 1), (QStringList{"", "", ""}));
    // Taking both back puts them where they were.
    w.undo();
    w.undo();
    EXPECT_EQ(rowTexts(grid, 1), (QStringList{"2", "Цетановое число", longName}));
}

TEST(CalibrationsPageGrid, LastColumnTakesTheRestLessTen)
{
    PageHost host;
    CalibrationsPage& page = host.page;
    page.resize(600, 300);
    page.show();
    QTableView* grid = page.grid();
    page.fitColumnsAtCreate();
    EXPECT_EQ(grid->columnWidth(0), 64);
    EXPECT_EQ(grid->columnWidth(1), 150);
    EXPECT_EQ(grid->columnWidth(2), grid->width() - 10 - 214);

    grid->setColumnWidth(1, 100);
    page.resize(800, 300);
    page.fitColumnsAtResize();
    EXPECT_EQ(grid->columnWidth(1), 100);
    EXPECT_EQ(grid->columnWidth(2), grid->width() - 10 - 164);

    // Too narrow for the rest: the column stays narrow but usable.
    grid->setColumnWidth(1, 2000);
    page.fitColumnsAtResize();
    EXPECT_GT(grid->columnWidth(2), 0);
}

QString controlText(QWidget& root, const char* name)
{
    QObject* o = root.findChild<QObject*>(QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(o))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(o))
        return edit->text();
    if (auto* button = qobject_cast<QPushButton*>(o))
        return button->text();
    if (auto* box = qobject_cast<QGroupBox*>(o))
        return box->title();
    return QStringLiteral("<missing>");
}

TEST(CalibrationsPageGrid, OneLinePerCalibrationAndEveryCellReadableFromItsTip)
{
    PageHost host;
    QTableView* grid = host.grid;
    EXPECT_FALSE(grid->wordWrap());
    const QString longName = QStringLiteral("Эталон АИ-92 / АИ-98, весна, партия 17, лаборатория");
    host.workspace.addCalibration(record(Research, longName));
    EXPECT_EQ(rowTexts(grid, 0, Qt::ToolTipRole), rowTexts(grid, 0));
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        EXPECT_EQ(grid->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole),
                  grid->model()->headerData(c, Qt::Horizontal))
            << c;
    }
    EXPECT_EQ(rowTexts(grid, 0, Qt::ToolTipRole)[2], longName.left(50));
}

TEST(SystemCorrectionPageControls, ResultGroupWithItsBlanks)
{
    CalibrationListModel calibrations;
    MeasurementState state{calibrations};
    test::RecordingReporter errors;
    SystemCorrectionPage page(state, errors);
    // One blank in the hint, two in the caption.
    auto* result = page.findChild<QGroupBox*>(QStringLiteral("GroupBox4"));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->title(), QStringLiteral("Результат  калибровки"));
    EXPECT_EQ(result->toolTip(), QStringLiteral("Результат калибровки"));
    EXPECT_TRUE(result->isAncestorOf(page.button4()));
}

// The dialog and the page show the two reference fuels alike, with the caption names and
// the second hint their own, and Tab takes one fuel after the other: four numbers typed
// in a row must land as a reading and a known value of each fuel.
TEST(ReferenceFuels, BothWindowsNameThemAlikeAndTabGroupByGroup)
{
    const QString hint = QStringLiteral("Получить значение с октанометра");
    CalibrationListModel calibrations;
    MeasurementState state{calibrations};
    test::RecordingReporter errors;
    SystemCorrectionPage page(state, errors);
    TForm2 dialog;
    struct Case {
        QWidget* window;
        const char* knownCaptions[2];
        QString secondHint;
        const char* tabOrder;
    };
    const Case cases[] = {
        {&page, {"Label2", "Label3"}, QString(),
         "Button1 LabeledEdit1 MaskEdit1 Button2 LabeledEdit2 MaskEdit2 Button3 Button4"},
        {&dialog, {"Label1", "Label2"}, hint,
         "Button1 LabeledEdit1 MaskEdit1 Button2 LabeledEdit2 MaskEdit2 Button3 TrackBar1 "
         "Button5 Button4"},
    };
    for (const Case& c : cases) {
        QWidget& w = *c.window;
        SCOPED_TRACE(w.metaObject()->className());
        EXPECT_EQ(controlText(w, "GroupBox2"), QStringLiteral("Низкооктановый бензин"));
        EXPECT_EQ(controlText(w, "GroupBox3"), QStringLiteral("Высокооктановый бензин"));
        for (const char* caption : c.knownCaptions)
            EXPECT_EQ(controlText(w, caption), QStringLiteral("Реальное значение ОЧ"));
        for (const char* reading : {"LabeledEdit1", "LabeledEdit2"}) {
            EXPECT_EQ(controlText(w, reading), QStringLiteral("0"));
            EXPECT_EQ(controlText(w, (reading + QByteArray("Label")).constData()),
                      QStringLiteral("Значение с октанометра"));
        }
        auto* first = w.findChild<QPushButton*>(QStringLiteral("Button1"));
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->toolTip(), hint);
        EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("Button2"))->toolTip(), c.secondHint);

        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        first->setFocus();
        QStringList order{QApplication::focusWidget()->objectName()};
        const int stops = int(QString::fromLatin1(c.tabOrder).count(u' '));
        for (int i = 0; i < stops; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        EXPECT_EQ(order.join(u' ').toStdString(), c.tabOrder);
        w.hide();
    }
}

}  // namespace
}  // namespace kv
