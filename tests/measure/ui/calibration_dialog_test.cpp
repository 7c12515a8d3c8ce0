// The calibration dialog driven through its controls: filling, "->", the track bar's
// preview, computing, computing and storing, and the ways it closes.

#include "core/methods.h"
#include "measure/calibration_form.h"
#include "measure/ui/calibration_dialog.h"
#include "recording_reporter.h"
#include "ui/mask_edit.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

namespace kv {
namespace {

const QString kCannotCompute = QStringLiteral("Невозможно рассчитать по данным значениям !");

class CalibrationDialogTest : public ::testing::Test {
protected:
    CalibrationDialogTest()
    {
        dialog.setErrorReporter(&errors);
        dialog.setResultTexts([this](int method) { return results[method - 1]; });
    }

    template <typename T>
    T* control(const char* name)
    {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) { return control<QLabel>(name)->text(); }
    void click(const char* name) { control<QPushButton>(name)->click(); }
    QSlider* trackBar() { return control<QSlider>("TrackBar1"); }
    void typeReferences(const QString& readingLow, const QString& knownLow,
                        const QString& readingHigh, const QString& knownHigh)
    {
        control<QLineEdit>("LabeledEdit1")->setText(readingLow);
        control<MaskEdit>("MaskEdit1")->setMaskText(knownLow);
        control<QLineEdit>("LabeledEdit2")->setText(readingHigh);
        control<MaskEdit>("MaskEdit2")->setMaskText(knownHigh);
    }
    // The operator picks an item of the method list.
    void chooseMethod(int method)
    {
        QComboBox* box = control<QComboBox>("ComboBox1");
        box->setCurrentIndex(method - 1);
        emit box->activated(method - 1);
    }

    test::RecordingReporter errors;
    std::array<QString, 4> results = {QStringLiteral("84,2"), QStringLiteral("76,9"),
                                      QStringLiteral("80,6"), QStringLiteral("*")};
    TForm2 dialog;
};

TEST_F(CalibrationDialogTest, ANewCalibrationOpensEmptyWithThePreviewAtItsBase)
{
    EXPECT_EQ(dialog.windowTitle(),
              QStringLiteral("Калибровка по 2 известным значениям октанового(цетанового) числа"));
    EXPECT_EQ(control<QComboBox>("ComboBox1")->count(), 4);
    EXPECT_EQ(control<QComboBox>("ComboBox1")->itemText(2), QStringLiteral("Антидетонационный к.(AKI)"));
    EXPECT_EQ(control<QGroupBox>("GroupBox4")->title(), QStringLiteral("Результат  калибровки"));

    dialog.setForm(newCalibrationForm(Motor));
    EXPECT_EQ(dialog.chosenMethod(), Motor);
    EXPECT_EQ(control<QLineEdit>("LabeledEdit1")->text(), QStringLiteral("0"));
    EXPECT_EQ(control<MaskEdit>("MaskEdit1")->maskText(), QStringLiteral(" 0, "));
    EXPECT_TRUE(text("Label8").isEmpty());
    EXPECT_TRUE(text("Label9").isEmpty());
    EXPECT_EQ(trackBar()->value(), 0);
    EXPECT_EQ(trackBar()->maximum(), 400);
    EXPECT_EQ(text("Label3"), QStringLiteral("60"));
    EXPECT_EQ(text("Label5"), QStringLiteral("0"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(CalibrationDialogTest, ComputesTheLineAndPreviewsIt)
{
    dialog.setForm(newCalibrationForm(Research));
    typeReferences(QStringLiteral("80"), QStringLiteral("82"), QStringLiteral("95"),
                   QStringLiteral("96"));
    click("Button3");
    EXPECT_EQ(text("Label8"), QStringLiteral("A=0,933"));
    EXPECT_EQ(text("Label9"), QStringLiteral("B=7,333"));
    EXPECT_EQ(trackBar()->value(), 200);  // the low reading, 80
    EXPECT_EQ(text("Label5"), QStringLiteral("82"));
    trackBar()->setValue(250);
    EXPECT_EQ(text("Label3"), QStringLiteral("85"));
    EXPECT_EQ(text("Label5"), QStringLiteral("86,7"));

    // The cetane item previews 33.0 to 60.0.
    chooseMethod(Cetane);
    EXPECT_EQ(trackBar()->maximum(), 270);
    EXPECT_EQ(trackBar()->value(), 270);
    EXPECT_EQ(text("Label3"), QStringLiteral("60"));

    click("Button5");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CalibrationForm form = dialog.form();
    EXPECT_DOUBLE_EQ(form.slope, 14.0 / 15.0);
    EXPECT_EQ(form.method, Cetane);
    EXPECT_EQ(form.realHigh, QStringLiteral("96, "));
    EXPECT_TRUE(errors.messages.isEmpty() && errors.notices.isEmpty());
}

TEST_F(CalibrationDialogTest, EqualReadingsKeepTheCoefficientsAndStillClose)
{
    CalibrationForm edited = newCalibrationForm(Research);
    edited.slope = 1.5;
    edited.offset = -2;
    edited.slopeText = QStringLiteral("A=1,5");
    edited.offsetText = QStringLiteral("B=-2");
    dialog.setForm(edited);
    EXPECT_EQ(text("Label8"), QStringLiteral("A=1,5"));
    typeReferences(QStringLiteral("80"), QStringLiteral("82"), QStringLiteral("80"),
                   QStringLiteral("96"));
    click("Button3");
    EXPECT_EQ(errors.notices, QStringList{kCannotCompute});
    EXPECT_EQ(dialog.slope(), 1.5);
    EXPECT_EQ(dialog.offset(), -2);
    EXPECT_EQ(text("Label8"), QStringLiteral("A=1,5"));

    // A new calibration closes with 0 and 0 all the same.
    dialog.setForm(newCalibrationForm(Research));
    errors.notices.clear();
    click("Button5");
    EXPECT_EQ(errors.notices, QStringList{kCannotCompute});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.form().slope, 0);
    EXPECT_EQ(text("Label8"), QStringLiteral("A=0"));
}

TEST_F(CalibrationDialogTest, ArrowCopiesTheChosenMethodsResultExactly)
{
    dialog.setForm(newCalibrationForm(Aki));
    click("Button2");
    EXPECT_EQ(control<QLineEdit>("LabeledEdit2")->text(), QStringLiteral("80,6"));

    // A calibrated text carries the name; in petrol mode the cetane label shows "*".
    results[Research - 1] = QStringLiteral("85,1 (Эталон АИ)");
    chooseMethod(Research);
    click("Button2");
    EXPECT_EQ(control<QLineEdit>("LabeledEdit2")->text(), QStringLiteral("85,1 (Эталон АИ)"));
    chooseMethod(Cetane);
    const int position = trackBar()->value();
    click("Button1");
    EXPECT_EQ(control<QLineEdit>("LabeledEdit1")->text(), QStringLiteral("*"));
    click("Button3");
    EXPECT_EQ(errors.notices,
              QStringList{QStringLiteral("Значение с октанометра (низкооктановый бензин): введите число")});

    // Another method while the reading is no number: the conversion error, nothing moves.
    chooseMethod(Motor);
    EXPECT_EQ(errors.messages,
              QStringList{QStringLiteral("'*' is not a valid floating point value")});
    EXPECT_EQ(trackBar()->value(), position);
    EXPECT_EQ(trackBar()->maximum(), 270);
}

TEST_F(CalibrationDialogTest, CoefficientsTooLargeToShowKeepTheDialogOpen)
{
    dialog.setForm(newCalibrationForm(Research));
    // 14 / 1e-15: beyond 2^63 x 0.001.
    typeReferences(QStringLiteral("0"), QStringLiteral("82"), QStringLiteral("0,000000000000001"),
                   QStringLiteral("96"));
    click("Button3");
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("Invalid floating point operation")});
    EXPECT_TRUE(errors.notices.isEmpty());
    EXPECT_DOUBLE_EQ(dialog.slope(), 1.4e16);  // held

    dialog.setResult(QDialog::Rejected);
    click("Button5");
    EXPECT_EQ(errors.notices,
              QStringList{QStringLiteral("Введены неверные данные для расчета коррекции")});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(CalibrationDialogTest, CancelAndTheCloseBoxCloseWithoutOk)
{
    dialog.setForm(newCalibrationForm(Research));
    QTimer::singleShot(0, &dialog, [this] {
        typeReferences(QStringLiteral("80"), QStringLiteral("82"), QStringLiteral("95"),
                       QStringLiteral("96"));
        click("Button3");
        click("Button4");
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    QTimer::singleShot(0, &dialog, [this] { dialog.close(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    QTimer::singleShot(0, &dialog, [this] { click("Button5"); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

// Escape closes a dialog as it was filled; once anything was typed or chosen, only
// "Отмена" and the close box discard it.
TEST_F(CalibrationDialogTest, EscapeKeepsWhatWasTyped)
{
    const std::function<void()> edits[] = {
        [] {},
        [this] { QTest::keyClicks(control<QLineEdit>("Edit1"), QStringLiteral("Mix")); },
        [this] { chooseMethod(Cetane); },
        [this] { QTest::keyClicks(control<QLineEdit>("LabeledEdit2"), QStringLiteral("5")); },
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        SCOPED_TRACE(i);
        dialog.setForm(newCalibrationForm(Research));
        dialog.show();
        edits[i]();
        QTest::keyClick(control<QLineEdit>("Edit1"), Qt::Key_Escape);
        EXPECT_EQ(dialog.isVisible(), i > 0);
        dialog.hide();
    }
}

// Tab and Enter alone: Enter goes from field to field, from the last to "Расчитать и
// записать", and presses it.
TEST_F(CalibrationDialogTest, TheKeyboardAloneCreatesACalibration)
{
    dialog.setForm(newCalibrationForm(Research));
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    control<QLineEdit>("Edit1")->setFocus(Qt::TabFocusReason);
    const auto type = [](const QString& text, Qt::Key key) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), key);
    };
    type(QStringLiteral("AI-92"), Qt::Key_Return);
    type(QString(), Qt::Key_Down);  // the next method in the list
    type(QString(), Qt::Key_Return);
    for (const char* number : {"80", "82,0", "95", "96,0"})
        type(QString::fromLatin1(number), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QPushButton>("Button5"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CalibrationForm form = dialog.form();
    EXPECT_EQ(form.name, QStringLiteral("AI-92"));
    EXPECT_EQ(form.method, Motor);
    EXPECT_EQ(form.realLow + u'|' + form.realHigh, QStringLiteral("82,0|96,0"));
    EXPECT_DOUBLE_EQ(form.slope, 14.0 / 15.0);
    EXPECT_TRUE(errors.messages.isEmpty() && errors.notices.isEmpty());
}

// Under a point locale the known values take a point and the line is computed.
TEST(CalibrationDialogLocale, PointLocaleComputes)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        test::RecordingReporter errors;
        TForm2 dialog;
        dialog.setErrorReporter(&errors);
        dialog.setForm(newCalibrationForm(Research));
        auto* known = dialog.findChild<MaskEdit*>(QStringLiteral("MaskEdit2"));
        ASSERT_NE(known, nullptr);
        known->setFocus();
        known->setCursorPosition(0);
        QTest::keyClicks(known, QStringLiteral("96"));
        dialog.findChild<MaskEdit*>(QStringLiteral("MaskEdit1"))->setMaskText(QStringLiteral("82.0"));
        dialog.findChild<QLineEdit*>(QStringLiteral("LabeledEdit1"))->setText(QStringLiteral("80"));
        dialog.findChild<QLineEdit*>(QStringLiteral("LabeledEdit2"))->setText(QStringLiteral("95"));
        dialog.Button3Click();
        EXPECT_TRUE(errors.notices.isEmpty()) << errors.notices.join(u'|').toStdString();
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Label8"))->text(),
                  QStringLiteral("A=0.933"));
    }
    QLocale::setDefault(saved);
}

}  // namespace
}  // namespace kv
