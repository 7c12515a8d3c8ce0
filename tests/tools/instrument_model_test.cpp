#include "instrument_model.h"

#include "device/instrument/report_codec.h"
#include "measure/calibration_store.h"
#include "measure/reading_conversion.h"

#include <gtest/gtest.h>

namespace {

std::uint16_t countOf(const QByteArray& report)
{
    EXPECT_EQ(report.size(), kv::InstrumentModel::kReportLength);
    EXPECT_EQ(quint8(report[1]), kv::kMeasurementCode);
    return std::uint16_t(quint8(report[2]) + 256 * quint8(report[3]));
}

TEST(InstrumentModel, AnswersEveryPollWithANoisyMeasurement)
{
    kv::InstrumentModel model;
    model.setPeriodCount(8000);
    model.setNoise(3);
    const QByteArray poll = kv::EncodeCommand(kv::pollCommand(), 65);
    for (int i = 0; i < 200; ++i) {
        const auto answer = model.handleOutputReport(poll);
        ASSERT_TRUE(answer);
        const int count = countOf(*answer);
        EXPECT_GE(count, 7997);
        EXPECT_LE(count, 8003);
    }
    model.setNoise(0);
    EXPECT_EQ(countOf(*model.handleOutputReport(kv::EncodeCommand(kv::connectCommand(), 65))), 8000);
}

TEST(InstrumentModel, KeepsWrittenBytesAndAnswersNothingElse)
{
    kv::InstrumentModel model;
    const std::uint8_t bytes[] = {0xEF, 0xEE, 0x6E, 0x3F, 0xAB, 0xAA, 0xEA, 0x40};
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(model.handleOutputReport(
            kv::EncodeCommand(kv::writeByteCommand(std::uint8_t(240 + i), bytes[i]), 65)));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(model.memory(240 + i), bytes[i]);
    EXPECT_FALSE(model.handleOutputReport(kv::EncodeCommand(kv::afterWriteCommand(), 65)));
    EXPECT_FALSE(model.handleOutputReport(kv::EncodeCommand(kv::registerCommand(0x0A, 5), 65)));
    EXPECT_FALSE(model.handleOutputReport(QByteArray()));
}

TEST(InstrumentModel, CountsForTargetNumbersReadBackAsThoseNumbers)
{
    const kv::CalibrationStore none;
    for (double ron : {61.0, 80.0, 83.3, 92.5, 95.0, 99.0}) {
        const auto count = kv::InstrumentModel::countForResearch(ron);
        ASSERT_TRUE(count) << ron;
        const double reduced = kv::frequencyFromCount(*count) / 5;
        EXPECT_NEAR(kv::researchFromFrequency(reduced), ron, 0.05) << ron;
    }
    for (double cn : {34.0, 40.0, 45.0, 55.0}) {
        const auto count = kv::InstrumentModel::countForCetane(cn);
        ASSERT_TRUE(count) << cn;
        EXPECT_NEAR(kv::cetaneFromFrequency(kv::frequencyFromCount(*count) / 5), cn, 0.05);
    }
    EXPECT_FALSE(kv::InstrumentModel::countForResearch(120));
    EXPECT_FALSE(kv::InstrumentModel::countForCetane(10));
}

TEST(InstrumentModel, ResistorReportsStayInRange)
{
    kv::InstrumentModel model;
    for (int i = 0; i < 500; ++i) {
        const QByteArray r = model.resistorReport();
        ASSERT_EQ(r.size(), 65);
        EXPECT_EQ(quint8(r[1]), kv::kResistorCode);
    }
}

}  // namespace

namespace {

TEST(InstrumentModel, APouredSampleDriftsToItsCountAndStaysThere)
{
    kv::InstrumentModel model;
    model.setNoise(0);
    model.setPeriodCount(8000);
    model.driftTo(8300);
    EXPECT_EQ(model.periodCount(), 8300);
    const QByteArray poll = kv::EncodeCommand(kv::pollCommand(), 65);
    int previous = 8000;
    int steps = 0;
    while (model.drifting() && steps++ < 100) {
        const int count = countOf(*model.handleOutputReport(poll));
        EXPECT_GT(count, previous - 1);  // never back
        EXPECT_LE(count, 8300);
        previous = count;
    }
    EXPECT_GT(steps, 10);  // a drift, not a jump
    EXPECT_LT(steps, 100);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(countOf(*model.handleOutputReport(poll)), 8300);
    // A chosen count reads at once.
    model.setPeriodCount(8100);
    EXPECT_FALSE(model.drifting());
    EXPECT_EQ(countOf(*model.handleOutputReport(poll)), 8100);
}

}  // namespace
