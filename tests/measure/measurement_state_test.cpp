// The shared measuring state: fuel mode, method selection and the reading shown, with
// the signals the pages follow.

#include "measure/measurement_state.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kv {
namespace {

class MeasurementStateTest : public testing::Test {
protected:
    QStringList texts() const
    {
        QStringList list;
        for (int m = Research; m <= Cetane; ++m)
            list << state.resultText(m);
        return list;
    }

    CalibrationListModel calibrations;
    MeasurementState state{calibrations};
};

TEST_F(MeasurementStateTest, StartsInPetrolModeWithMethodOneAndTheStartTexts)
{
    EXPECT_FALSE(state.dieselMode());
    EXPECT_EQ(state.selectedMethod(), Research);
    EXPECT_EQ(texts(), (QStringList{"0", "0", "0", "*"}));
    EXPECT_FALSE(state.lastPeriodCount());
    EXPECT_EQ(state.systemCorrection().a, 1.0);
    EXPECT_EQ(state.systemCorrection().b, 0.0);
    EXPECT_EQ(state.resultText(0), QString());
    EXPECT_EQ(state.resultText(5), QString());
}

TEST_F(MeasurementStateTest, FuelButtonsSetTheModeAndTheirMethod)
{
    QSignalSpy modes(&state, &MeasurementState::fuelModeChanged);
    QSignalSpy methods(&state, &MeasurementState::methodChanged);

    state.selectDiesel();
    EXPECT_TRUE(state.dieselMode());
    EXPECT_EQ(state.selectedMethod(), Cetane);
    state.selectMethod(Aki);
    state.selectPetrol();
    EXPECT_FALSE(state.dieselMode());
    EXPECT_EQ(state.selectedMethod(), Research);
    // Petrol again: the mode stays, the method goes back to 1.
    state.selectMethod(Motor);
    state.selectPetrol();
    EXPECT_EQ(state.selectedMethod(), Research);

    ASSERT_EQ(modes.count(), 2);
    EXPECT_TRUE(modes[0][0].toBool());
    EXPECT_FALSE(modes[1][0].toBool());
    QList<int> announced;
    for (const auto& args : methods)
        announced << args[0].toInt();
    EXPECT_EQ(announced, (QList<int>{Cetane, Aki, Research, Motor, Research}));
}

TEST_F(MeasurementStateTest, MenuChoicesNeverChangeTheModeAndOddNumbersAreIgnored)
{
    QSignalSpy methods(&state, &MeasurementState::methodChanged);
    state.selectDiesel();
    for (int m : {Research, Motor, Aki, Cetane}) {
        state.selectMethod(m);
        EXPECT_EQ(state.selectedMethod(), m);
        EXPECT_TRUE(state.dieselMode());
    }
    const auto before = methods.count();
    for (int odd : {0, 5, -1}) {
        state.selectMethod(odd);
        EXPECT_EQ(state.selectedMethod(), Cetane);
    }
    EXPECT_EQ(methods.count(), before);
}

TEST_F(MeasurementStateTest, ACountIsConvertedInTheModeOfTheMomentAndAnnounced)
{
    QSignalSpy readings(&state, &MeasurementState::readingChanged);
    state.applyCount(8000);
    EXPECT_EQ(texts(), (QStringList{"83,3", "78", "80,7", "*"}));
    EXPECT_EQ(state.reading().panel1, QStringLiteral("8000 = 24000 = 4800"));
    ASSERT_EQ(state.lastPeriodCount(), std::optional<std::uint16_t>(8000));

    // A mode switch changes nothing shown until the next count.
    state.selectDiesel();
    EXPECT_EQ(texts(), (QStringList{"83,3", "78", "80,7", "*"}));
    state.applyCount(8000);
    EXPECT_EQ(texts(), (QStringList{"*", "*", "*", "36,7"}));

    ASSERT_EQ(readings.count(), 2);
    EXPECT_EQ(readings[1][0].value<ReadingDisplay>().label(Cetane).text, QStringLiteral("36,7"));
}

TEST_F(MeasurementStateTest, TheCorrectionAndASwitchedOnCalibrationApplyFromTheNextCount)
{
    state.applyCount(8000);
    state.setSystemCorrection({0.9333333333333333, 7.333333333333333});
    EXPECT_EQ(state.resultText(Research), QStringLiteral("83,3"));
    state.applyCount(8000);
    EXPECT_EQ(state.resultText(Research), QStringLiteral("85,1"));

    TCalibration calibration;
    calibration.method = Motor;
    calibration.slope = 1;
    calibration.offset = 2;
    calibration.setName(QStringLiteral("Эталон АИ-92"));
    QSignalSpy changed(&state, &MeasurementState::calibrationsChanged);
    calibrations.add(calibration);
    ASSERT_EQ(calibrations.toggle(1), ToggleResult::Done);
    EXPECT_EQ(changed.count(), 2);  // the list, then the switch
    state.applyCount(8000);
    // Motor follows the corrected research value (79,1), then its calibration adds 2.
    EXPECT_EQ(state.resultText(Motor), QStringLiteral("81,1 (Эталон АИ-)"));
}

}  // namespace
}  // namespace kv
