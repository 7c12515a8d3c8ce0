// The calibrations page's grid, and the reference fuels of the calibration dialog and
// the system correction page.

#include "app/workspace.h"
#include "core/methods.h"
#include "measure/calibration_form.h"
#include "measure/calibration_store.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "measure/ui/system_correction_page.h"
#include "recording_reporter.h"
#include "ui/mask_edit.h"

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

#include <functional>
#include <utility>

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

// The two windows that show the reference fuels, side by side.
class ReferenceFuels : public testing::Test {
protected:
    ReferenceFuels() { dialog.setErrorReporter(&errors); }

    CalibrationListModel calibrations;
    MeasurementState state{calibrations};
    test::RecordingReporter errors;
    SystemCorrectionPage page{state, errors};
    TForm2 dialog;
};

// The dialog and the page show the two reference fuels alike, with the caption names and
// the second hint their own. Tab and Enter take one field after the other and skip "->":
// four numbers typed in a row land as a reading and a known value of each fuel, and the
// keys go on to the form's button, which Enter presses.
TEST_F(ReferenceFuels, BothWindowsNameThemAlikeAndTheKeyboardFillsThem)
{
    const QString hint = QStringLiteral("Получить значение с октанометра");
    struct Case {
        QWidget* window;
        const char* knownCaptions[2];
        QString secondHint;
        const char* tabOrder;
        const char* enterReaches;
        std::function<bool()> pressed;
    };
    const Case cases[] = {
        {&page, {"Label2", "Label3"}, QString(),
         "LabeledEdit1 MaskEdit1 LabeledEdit2 MaskEdit2 Button3 Button4", "Button3",
         [&] { return state.systemCorrection().a != 1.0; }},
        {&dialog, {"Label1", "Label2"}, hint,
         "LabeledEdit1 MaskEdit1 LabeledEdit2 MaskEdit2 Button3 TrackBar1 Button5 Button4",
         "Button5", [&] { return !dialog.findChild<QLabel*>("Label8")->text().isEmpty(); }},
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
        const auto focused = [] { return QApplication::focusWidget()->objectName(); };
        for (const Qt::Key next : {Qt::Key_Tab, Qt::Key_Return}) {
            SCOPED_TRACE(next);
            if (&w == &dialog)
                dialog.setForm(newCalibrationForm(Research));  // known values "0"
            auto* start = w.findChild<QLineEdit*>(QStringLiteral("LabeledEdit1"));
            start->setFocus(Qt::TabFocusReason);
            start->selectAll();  // as Tab leaves it, even when it had the focus already
            const QString typed[] = {"80", "82,0", "95", "96,0"};
            for (const QString& number : typed) {
                QTest::keyClicks(QApplication::focusWidget(), number);
                QTest::keyClick(QApplication::focusWidget(), next);
            }
            EXPECT_EQ(controlText(w, "LabeledEdit1") + u'|' +
                          w.findChild<MaskEdit*>("MaskEdit1")->maskText() + u'|' +
                          controlText(w, "LabeledEdit2") + u'|' +
                          w.findChild<MaskEdit*>("MaskEdit2")->maskText(),
                      QStringLiteral("80|82,0|95|96,0"));
            EXPECT_EQ(focused().toStdString(), next == Qt::Key_Tab ? "Button3" : c.enterReaches);
            EXPECT_FALSE(c.pressed());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_TRUE(c.pressed());
            EXPECT_TRUE(errors.messages.isEmpty() && errors.notices.isEmpty())
                << (errors.messages + errors.notices).join(u'|').toStdString();
            state.setSystemCorrection({1, 0});
            if (!w.isVisible()) {  // Button5 closed the dialog
                w.show();
                w.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
            }
        }

        w.findChild<QLineEdit*>(QStringLiteral("LabeledEdit1"))->setFocus(Qt::TabFocusReason);
        QStringList order{focused()};
        const int stops = int(QString::fromLatin1(c.tabOrder).count(u' '));
        for (int i = 0; i < stops; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << focused();
        }
        EXPECT_EQ(order.join(u' ').toStdString(), c.tabOrder);
        w.hide();
    }
}

// A field that can't be read is named by its caption and fuel and gets the focus; neither
// window computes, applies or closes with it.
TEST_F(ReferenceFuels, AFieldThatIsNoNumberIsNamedAndTakesTheFocus)
{
    const struct {
        const char* texts[4];
        const char* field;
        const char* notice;
    } cases[] = {
        {{"0", "", "0", "0"}, "MaskEdit1", "Реальное значение ОЧ (низкооктановый бензин)"},
        {{"80", "82,0", "95", ""}, "MaskEdit2", "Реальное значение ОЧ (высокооктановый бензин)"},
        {{"80.5", "82", "95", "96"}, "LabeledEdit1", "Значение с октанометра (низкооктановый бензин)"},
        {{"80", "82", "*", ""}, "LabeledEdit2", "Значение с октанометра (высокооктановый бензин)"},
    };
    const char* fields[] = {"LabeledEdit1", "MaskEdit1", "LabeledEdit2", "MaskEdit2"};
    const std::pair<QWidget*, const char*> actions[] = {
        {&page, "Button3"}, {&dialog, "Button3"}, {&dialog, "Button5"}};
    for (const auto& [window, button] : actions) {
        SCOPED_TRACE(button);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.field);
            if (window == &dialog)
                dialog.setForm(newCalibrationForm(Research));
            for (int i = 0; i < 4; ++i) {
                const QString text = QString::fromUtf8(c.texts[i]);
                if (auto* known = window->findChild<MaskEdit*>(fields[i]))
                    known->setMaskText(text);
                else
                    window->findChild<QLineEdit*>(fields[i])->setText(text);
            }
            errors.notices.clear();
            dialog.setResult(QDialog::Rejected);
            window->findChild<QPushButton*>(button)->click();
            EXPECT_EQ(errors.notices,
                      QStringList{QString::fromUtf8(c.notice) + QStringLiteral(": введите число")});
            const QWidget* focus = window->focusWidget();
            EXPECT_EQ(focus ? focus->objectName().toStdString() : "", c.field);
            EXPECT_EQ(state.systemCorrection().a, 1.0);
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            EXPECT_EQ(dialog.slope(), 0);
        }
        window->hide();
    }
    EXPECT_TRUE(errors.messages.isEmpty());
}

}  // namespace
}  // namespace kv
