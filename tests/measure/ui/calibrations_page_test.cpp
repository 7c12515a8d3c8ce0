// The calibrations page's commands through its tool bar, with the dialog worked by a
// runner in place of the operator, and the marks of switched-on calibrations as drawn.

#include "app/workspace.h"
#include "core/colour_contrast.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/methods.h"
#include "measure/calibration_store.h"
#include "measure/measurement_state.h"
#include "measure/ui/calibration_dialog.h"
#include "measure/ui/calibrations_page.h"
#include "recording_reporter.h"
#include "ui/mask_edit.h"

#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace kv {
namespace {

TCalibration record(int method, double slope, const QString& name)
{
    TCalibration r;
    r.method = method;
    r.slope = slope;
    r.offset = 1;
    r.measuredLow = 80;
    r.realLow = 82;
    r.measuredHigh = 95;
    r.realHigh = 96.5;
    r.setName(name);
    return r;
}

class CalibrationsPageTest : public ::testing::Test {
protected:
    CalibrationsPageTest()
    {
        workspace.reportTo(&errors);
        page.setCalibrationDialog(&dialog);
        dialog.setErrorReporter(&errors);
        page.setDialogRunner([this](TForm2& d) {
            ++dialogRuns;
            shown = d.form();
            if (work)
                work(d);
            return d.result() == QDialog::Accepted;
        });
    }

    const CalibrationStore& store() { return workspace.calibrations().store(); }
    // The records kor.tab holds.
    std::vector<TCalibration> saved() const { return parseCalibrations(readWholeFile(korPath())); }
    QString korPath() const { return QDir(dir.path()).filePath(QStringLiteral("kor.tab")); }
    void press(const char* name)
    {
        auto* button = page.findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    QString cell(int row, int column) { return index(row, column).data().toString(); }
    // The method whose mark the delegate draws on row `row`.
    int mark(int row) { return index(row, 0).data(CalibrationListModel::MarkRole).toInt(); }
    QModelIndex index(int row, int column) { return page.grid()->model()->index(row - 1, column); }
    void add(const TCalibration& r) { workspace.addCalibration(r); }
    template <typename T>
    static T* control(TForm2& d, const char* name)
    {
        return d.findChild<T*>(QString::fromLatin1(name));
    }
    // What the operator does in a dialog that computes and stores a line.
    static void computeAndStore(TForm2& d, const QString& name, const QString& readingLow)
    {
        control<QLineEdit>(d, "Edit1")->setText(name);
        control<QLineEdit>(d, "LabeledEdit1")->setText(readingLow);
        control<MaskEdit>(d, "MaskEdit1")->setMaskText(QStringLiteral("82"));
        control<QLineEdit>(d, "LabeledEdit2")->setText(QStringLiteral("95"));
        control<MaskEdit>(d, "MaskEdit2")->setMaskText(QStringLiteral("96"));
        d.setResult(QDialog::Rejected);
        control<QPushButton>(d, "Button5")->click();
    }

    QTemporaryDir dir;
    test::RecordingReporter errors;
    Workspace workspace{dir.path()};
    MeasurementState& state = workspace.state();
    TForm2 dialog;
    CalibrationsPage page{workspace.calibrations(), workspace, state, errors};
    std::function<void(TForm2&)> work;
    CalibrationForm shown;
    int dialogRuns = 0;
};

TEST_F(CalibrationsPageTest, CreateStoresTheDialogsCalibrationAndSavesIt)
{
    state.selectMethod(Aki);
    work = [](TForm2& d) { computeAndStore(d, QStringLiteral("Эталон АИ"), QStringLiteral("80")); };
    press("BitBtn1");
    EXPECT_EQ(shown.method, Aki);
    EXPECT_EQ(shown.measuredLow, QStringLiteral("0"));
    EXPECT_TRUE(shown.slopeText.isEmpty());
    ASSERT_EQ(store().count(), 1);
    EXPECT_EQ(store().at(1).method, Aki);
    EXPECT_DOUBLE_EQ(store().at(1).slope, 14.0 / 15.0);
    EXPECT_EQ(store().at(1).realHigh, 96);
    EXPECT_EQ(page.gridRowCount(), 3);
    EXPECT_EQ(cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(1, 1), methodName(Aki));
    EXPECT_EQ(cell(1, 2), QStringLiteral("Эталон АИ"));
    EXPECT_EQ(QFileInfo(korPath()).size(), 4 + 264);

    // Cancelled: nothing changes, nothing is written.
    work = [](TForm2& d) { control<QPushButton>(d, "Button4")->click(); };
    press("BitBtn1");
    EXPECT_EQ(store().count(), 1);
    EXPECT_EQ(saved().size(), 1u);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(CalibrationsPageTest, CreateIsRefusedWhileACalibrationIsOnAndEditIsNot)
{
    add(record(Motor, 1.1, QStringLiteral("М")));
    press("BitBtn4");
    press("BitBtn1");
    EXPECT_EQ(errors.notices,
              QStringList{QStringLiteral("Перед созданием  необходимо отключить все включенные калибровки")});
    EXPECT_EQ(dialogRuns, 0);

    work = [](TForm2& d) {
        control<QLineEdit>(d, "Edit1")->setText(QStringLiteral("М2"));
        d.accept();
    };
    emit page.grid()->doubleClicked(index(1, 2));  // a double click edits
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_EQ(shown.realHigh, QStringLiteral("96,5"));
    EXPECT_EQ(shown.slopeText, QStringLiteral("A=1,1"));
    EXPECT_EQ(store().at(1).nameText(), QStringLiteral("М2"));
    EXPECT_EQ(store().at(1).slope, 1.1);
    EXPECT_EQ(store().activeCalibration(Motor), 1);  // same method: still on
    ASSERT_EQ(saved().size(), 1u);
    EXPECT_EQ(saved()[0].nameText(), QStringLiteral("М2"));
}

TEST_F(CalibrationsPageTest, EqualReadingsStoreTheFormerCoefficients)
{
    work = [](TForm2& d) { computeAndStore(d, QStringLiteral("ровно"), QStringLiteral("95")); };
    press("BitBtn1");
    ASSERT_EQ(store().count(), 1);
    EXPECT_EQ(store().at(1).slope, 0);
    EXPECT_EQ(store().at(1).offset, 0);
    press("BitBtn4");  // can't be switched on
    EXPECT_EQ(errors.notices.last(), QStringLiteral("Калибровка не рассчитана !"));

    // In an edit the record keeps the coefficients it had.
    workspace.replaceCalibration(1, record(Research, 2.5, QStringLiteral("ровно")));
    press("BitBtn2");
    EXPECT_EQ(store().at(1).slope, 2.5);
    EXPECT_EQ(store().at(1).offset, 1);
}

TEST_F(CalibrationsPageTest, AFieldThatIsNoNumberStoresNothing)
{
    add(record(Research, 1.1, QStringLiteral("И")));
    press("BitBtn4");
    const QByteArray before = readWholeFile(korPath());
    work = [](TForm2& d) {
        control<QComboBox>(d, "ComboBox1")->setCurrentIndex(1);
        control<QLineEdit>(d, "LabeledEdit1")->setText(QStringLiteral("84,5 (И)"));
        d.setResult(QDialog::Rejected);
        control<QPushButton>(d, "Button5")->click();
    };
    press("BitBtn2");
    // The dialog stays open on the field; had it closed, the reading would fail.
    EXPECT_EQ(errors.notices,
              QStringList{QStringLiteral("Значение с октанометра (низкооктановый бензин): введите число")});
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(store().at(1).method, Research);
    EXPECT_EQ(store().at(1).measuredLow, 80);
    EXPECT_EQ(store().activeCalibration(Research), 1);
    EXPECT_EQ(readWholeFile(korPath()), before);

    work = [](TForm2& d) {
        control<QLineEdit>(d, "LabeledEdit2")->setText(QStringLiteral("x"));
        d.accept();
    };
    press("BitBtn4");  // off again, so create may run
    press("BitBtn1");
    EXPECT_EQ(store().count(), 1);
    EXPECT_EQ(readWholeFile(korPath()), before);
}

TEST_F(CalibrationsPageTest, TheEmptyLastRowDoesNothingButDeleteStillSaves)
{
    press("BitBtn2");
    press("BitBtn4");
    EXPECT_EQ(dialogRuns, 0);
    EXPECT_TRUE(errors.notices.isEmpty());
    press("BitBtn3");
    EXPECT_TRUE(QFileInfo::exists(korPath()));
    EXPECT_EQ(QFileInfo(korPath()).size(), 0);
    EXPECT_EQ(page.gridRowCount(), 2);
}

TEST_F(CalibrationsPageTest, MarksFollowSwitchingDeletionAndAMethodChange)
{
    add(record(Research, 1.0, QStringLiteral("И1")));
    add(record(Research, 1.0, QStringLiteral("И2")));
    add(record(Motor, 1.0, QStringLiteral("М")));
    add(record(Aki, 1.0, QStringLiteral("A")));
    QSignalSpy rebuilt(page.grid()->model(), &QAbstractItemModel::modelReset);

    page.setCurrentGridRow(1);
    press("BitBtn4");
    EXPECT_EQ(mark(1), Research);
    // Switching repaints; the grid is not rebuilt.
    EXPECT_TRUE(rebuilt.isEmpty());
    page.setCurrentGridRow(2);
    press("BitBtn4");
    EXPECT_EQ(mark(1), 0);
    EXPECT_EQ(mark(2), Research);
    press("BitBtn4");
    EXPECT_EQ(mark(2), 0);
    press("BitBtn4");

    // An edit that changes the method takes the mark away.
    work = [](TForm2& d) {
        control<QComboBox>(d, "ComboBox1")->setCurrentIndex(Cetane - 1);
        d.accept();
    };
    press("BitBtn2");
    EXPECT_EQ(store().at(2).method, Cetane);
    EXPECT_EQ(mark(2), 0);
    EXPECT_EQ(page.currentGridRow(), 2);  // kept over the refill

    // Deleting a marked calibration leaves its method without one.
    page.setCurrentGridRow(3);
    press("BitBtn4");
    EXPECT_EQ(mark(3), Motor);
    press("BitBtn3");
    EXPECT_EQ(store().activeCalibration(Motor), 0);
    EXPECT_EQ(mark(3), 0);
    EXPECT_EQ(page.currentGridRow(), 3);
    EXPECT_EQ(cell(3, 2), QStringLiteral("A"));
}

TEST_F(CalibrationsPageTest, MarksAreDrawnInTheFourColours)
{
    for (int m = Research; m <= Cetane; ++m)
        add(record(m, 1.0, methodName(m)));
    add(record(Research, 1.0, QStringLiteral("не включена")));
    for (int row = 1; row <= 4; ++row) {
        page.setCurrentGridRow(row);
        press("BitBtn4");
    }
    page.setCurrentGridRow(6);  // no selection over the marks
    page.resize(500, 300);
    page.fitColumnsAtCreate();
    const auto colourAt = [&](const QImage& image, int row, int column) {
        const QRect rect = page.grid()->visualRect(page.grid()->model()->index(row - 1, column));
        return image.pixelColor(rect.right() - 3, rect.bottom() - 3);
    };
    const QImage image = page.grid()->viewport()->grab().toImage();
    EXPECT_EQ(colourAt(image, 1, 0), QColor(255, 0, 0));
    EXPECT_EQ(colourAt(image, 2, 0), QColor(0, 128, 0));
    EXPECT_EQ(colourAt(image, 3, 0), QColor(0, 0, 255));
    EXPECT_EQ(colourAt(image, 4, 0), QColor(0, 0, 0));
    EXPECT_NE(colourAt(image, 5, 0), QColor(255, 0, 0));
    EXPECT_NE(colourAt(image, 1, 1), QColor(255, 0, 0));  // only the "№" cell

    // On a dark desktop black is the text colour and every mark stands out of the grid.
    QPalette dark = page.grid()->palette();
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    page.grid()->setPalette(dark);
    const QImage onDark = page.grid()->viewport()->grab().toImage();
    EXPECT_EQ(colourAt(onDark, 4, 0), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(colourAt(onDark, 1, 0), QColor(255, 0, 0));  // readable as it is
    for (int row = 1; row <= 4; ++row)
        EXPECT_GE(contrastRatio(colourAt(onDark, row, 0).rgb() & 0xFFFFFF, 0x202020), 3.0) << row;
}

TEST_F(CalibrationsPageTest, AFailedSaveIsShownAndTheListKeepsTheChange)
{
    test::blockWithDirectory(korPath());
    work = [](TForm2& d) { computeAndStore(d, QStringLiteral("Э"), QStringLiteral("80")); };
    press("BitBtn1");
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].startsWith(QStringLiteral("Cannot create file \"")))
        << errors.messages[0].toStdString();
    EXPECT_EQ(store().count(), 1);
    EXPECT_EQ(cell(1, 2), QStringLiteral("Э"));
}

}  // namespace
}  // namespace kv
