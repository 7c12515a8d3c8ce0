// The calibrations page's grid, and the reference fuels of the calibration dialog and
// the system correction page.

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
#include <QTableWidget>
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

QStringList rowTexts(QTableWidget* grid, int viewRow)
{
    QStringList texts;
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QTableWidgetItem* item = grid->item(viewRow, c);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

TEST(CalibrationsPageGrid, GridHasTheRecordsAndOneEmptyRowBelow)
{
    MeasurementState state;
    CalibrationStore& store = state.calibrations();
    test::RecordingReporter errors;
    CalibrationsPage page(state, errors);
    QTableWidget* grid = page.grid();
    EXPECT_EQ(grid->objectName(), QStringLiteral("StringGrid3"));
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Метод"));
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(),
              QStringLiteral("Наименование"));
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);

    page.FillCalibrationGrid();
    EXPECT_EQ(page.gridRowCount(), 2);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"", "", ""}));

    const QString longName = QString(50, u'ж');
    store.AddCalibration(record(Research, QStringLiteral("АИ-92")));
    store.AddCalibration(record(Cetane, longName));
    store.AddCalibration(record(7, QStringLiteral("чужой метод")));
    page.FillCalibrationGrid();
    EXPECT_EQ(page.gridRowCount(), 5);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"1", "Исследовательский метод", "АИ-92"}));
    EXPECT_EQ(rowTexts(grid, 1), (QStringList{"2", "Цетановое число", longName}));
    EXPECT_EQ(rowTexts(grid, 2), (QStringList{"3", "", "чужой метод"}));
    EXPECT_EQ(rowTexts(grid, 3), (QStringList{"", "", ""}));

    // A refill after a deletion leaves no stale row behind.
    store.DeleteCalibration(1);
    store.DeleteCalibration(1);
    page.FillCalibrationGrid();
    EXPECT_EQ(page.gridRowCount(), 3);
    EXPECT_EQ(rowTexts(grid, 0), (QStringList{"1", "", "чужой метод"}));
    EXPECT_EQ(rowTexts(grid, 1), (QStringList{"", "", ""}));
}

TEST(CalibrationsPageGrid, LastColumnTakesTheRestLessTen)
{
    MeasurementState state;
    test::RecordingReporter errors;
    CalibrationsPage page(state, errors);
    page.resize(600, 300);
    page.show();
    QTableWidget* grid = page.grid();
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
    MeasurementState state;
    CalibrationStore& store = state.calibrations();
    test::RecordingReporter errors;
    CalibrationsPage page(state, errors);
    QTableWidget* grid = page.grid();
    EXPECT_FALSE(grid->wordWrap());
    const QString longName = QStringLiteral("Эталон АИ-92 / АИ-98, весна, партия 17, лаборатория");
    store.AddCalibration(record(Research, longName));
    page.FillCalibrationGrid();
    for (int c = 0; c < grid->columnCount(); ++c) {
        EXPECT_EQ(grid->item(0, c)->toolTip(), grid->item(0, c)->text()) << c;
        EXPECT_EQ(grid->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole),
                  grid->model()->headerData(c, Qt::Horizontal))
            << c;
    }
    EXPECT_EQ(grid->item(0, 1)->toolTip(), methodName(Research));
    EXPECT_EQ(grid->item(0, 2)->toolTip(), longName.left(50));
}

TEST(SystemCorrectionPageControls, ResultGroupWithItsBlanks)
{
    MeasurementState state;
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
    MeasurementState state;
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
