// The system correction page over the instrument link on the fake provider: what Save
// puts into effect, the bytes it writes, and what it refuses before sending anything.

#include "link_test_fixture.h"
#include "recording_reporter.h"

#include "measure/measurement_state.h"
#include "measure/ui/system_correction_page.h"
#include "ui/mask_edit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>

namespace kv::test {
namespace {

QByteArray command(std::initializer_list<std::pair<int, quint8>> bytes)
{
    QByteArray out(65, '\0');
    for (auto [index, value] : bytes)
        out[index] = char(value);
    return out;
}

class SystemCorrectionPageTest : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        page.setLink(link.get());
    }
    void plugInstrument()
    {
        path = platform.plug(fakeInstrument());
        deliver();
        link->Timer1Timer();
        platform.clearWrites(path);
    }
    void type(const QString& l1, const QString& m1, const QString& l2, const QString& m2)
    {
        page.labeledEdit1()->setText(l1);
        page.maskEdit1()->setMaskText(m1);
        page.labeledEdit2()->setText(l2);
        page.maskEdit2()->setMaskText(m2);
    }
    std::size_t writes() { return path.isEmpty() ? 0 : platform.writes(path).size(); }

    CalibrationListModel calibrations;

    MeasurementState state{calibrations};
    RecordingReporter errors;
    SystemCorrectionPage page{state, errors};
    QString path;
};

TEST_F(SystemCorrectionPageTest, SaveAppliesTheCorrectionThenWritesElevenCommands)
{
    plugInstrument();
    bool pollingDuringWrites = false;
    bool appliedBeforeSending = true;
    platform.setWriteHook([&](const QString&, const QByteArray&) {
        pollingDuringWrites = pollingDuringWrites || getdata().isActive();
        appliedBeforeSending = appliedBeforeSending && state.systemCorrection().a != 1.0;
    });
    type(QStringLiteral("80"), QStringLiteral("82,0"), QStringLiteral("95"), QStringLiteral("96,0"));
    page.button3()->click();
    platform.setWriteHook(nullptr);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'|').toStdString();
    EXPECT_FALSE(pollingDuringWrites);
    EXPECT_TRUE(appliedBeforeSending);
    EXPECT_TRUE(getdata().isActive());

    const std::array<quint8, 8> bytes = {0xEF, 0xEE, 0x6E, 0x3F, 0xAB, 0xAA, 0xEA, 0x40};
    const auto& sent = platform.writes(path);
    ASSERT_EQ(sent.size(), 11u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(sent[std::size_t(i)],
                  command({{2, 9}, {3, quint8(240 + i)}, {4, bytes[std::size_t(i)]}}))
            << i;
    EXPECT_EQ(sent[8], command({{2, 11}, {3, 240}}));
    EXPECT_EQ(sent[9], command({{2, 5}, {3, 15}}));
    EXPECT_EQ(sent[10], command({{2, 5}, {3, 16}}));

    state.applyCount(8000);
    EXPECT_EQ(state.reading().label(Research).text, QStringLiteral("85,1"));
    EXPECT_EQ(page.correctionALabel()->text(), QStringLiteral("a=0,933"));
    EXPECT_EQ(page.correctionBLabel()->text(), QStringLiteral("b=7,333"));
    // The texts stay as typed; a second Save sends the same eleven again.
    EXPECT_EQ(page.maskEdit1()->maskText(), QStringLiteral("82,0"));
    page.button3()->click();
    EXPECT_EQ(writes(), 22u);

    // Readings equal to the known values: the identity.
    platform.clearWrites(path);
    type(QStringLiteral("82"), QStringLiteral("82"), QStringLiteral("96"), QStringLiteral("96"));
    page.button3()->click();
    const std::array<quint8, 8> identity = {0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(quint8(platform.writes(path)[std::size_t(i)][4]), identity[std::size_t(i)]) << i;
}

TEST_F(SystemCorrectionPageTest, WhatCantBeComputedChangesNothingAndSendsNothing)
{
    plugInstrument();
    getdata().stop();
    // The start texts: the empty mask is no number, and the notice names it.
    page.button3()->click();
    EXPECT_EQ(errors.notices,
              QStringList{QStringLiteral("Реальное значение ОЧ (низкооктановый бензин): введите число")});

    type(QStringLiteral("80"), QStringLiteral("82"), QStringLiteral("80"), QStringLiteral("96"));
    page.button3()->click();
    type(QStringLiteral("80"), QStringLiteral("82"), QStringLiteral("80"), QStringLiteral("82"));
    page.button3()->click();
    // a and b both beyond single precision: 14 / 1e-300.
    type(QStringLiteral("0"), QStringLiteral("82"), QStringLiteral("1e-300"), QStringLiteral("96"));
    page.button3()->click();
    type(QStringLiteral("80.5"), QStringLiteral("82"), QStringLiteral("95"), QStringLiteral("96"));
    page.button3()->click();
    EXPECT_EQ(errors.messages, (QStringList{QStringLiteral("Floating point division by zero"),
                                            QStringLiteral("Invalid floating point operation"),
                                            QStringLiteral("Invalid floating point operation")}));
    EXPECT_EQ(errors.notices.last(),
              QStringLiteral("Значение с октанометра (низкооктановый бензин): введите число"));
    EXPECT_EQ(writes(), 0u);
    EXPECT_FALSE(getdata().isActive());
    EXPECT_EQ(state.systemCorrection().a, 1.0);
    EXPECT_EQ(state.systemCorrection().b, 0.0);
    EXPECT_TRUE(page.correctionALabel()->text().isEmpty());
}

TEST_F(SystemCorrectionPageTest, WithoutAnInstrumentTheCorrectionStillAppliesAndPollingResumes)
{
    link->stop();
    int notices = 0;
    QObject::connect(link.get(), &InstrumentLink::linkStatusChanged, [&](const QString& text) {
        notices += text == QStringLiteral("Нет подключения");
    });
    // A flat pair (a = 0) is applied and sent all the same.
    type(QStringLiteral("80"), QStringLiteral("90"), QStringLiteral("95"), QStringLiteral("90"));
    page.button3()->click();
    EXPECT_EQ(notices, 11);
    EXPECT_EQ(state.systemCorrection().a, 0.0);
    EXPECT_EQ(state.systemCorrection().b, 90.0);
    EXPECT_TRUE(getdata().isActive());
}

TEST_F(SystemCorrectionPageTest, FixedOffsetAndArrows)
{
    plugInstrument();
    page.button4()->click();
    ASSERT_EQ(writes(), 1u);
    EXPECT_EQ(platform.writes(path)[0], command({{2, 5}, {3, 10}, {4, 5}}));

    state.applyCount(8000);
    const QString research = state.reading().label(Research).text;
    page.button1()->click();
    page.button2()->click();
    EXPECT_EQ(page.labeledEdit1()->text(), research);
    EXPECT_EQ(page.labeledEdit2()->text(), research);
}

}  // namespace
}  // namespace kv::test
