// The trend of one result label: the ring of readings, the spread of the last ones and the
// settled mark (pure), and the feed that fills it from the measuring state and starts it
// again whenever the scale may change.

#include "measure/measurement_state.h"
#include "measure/reading_trend.h"
#include "measure/trend_feed.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kv {
namespace {

using Reading = std::optional<double>;
constexpr Reading gap = std::nullopt;

ReadingTrend trendOf(const std::vector<Reading>& readings)
{
    ReadingTrend trend;
    for (const Reading& r : readings)
        trend.add(r);
    return trend;
}

std::vector<Reading> steady(int n, double v)
{
    return std::vector<Reading>(std::size_t(n), v);
}

TEST(ReadingTrend, KeepsTheNewestReadingsInOrderWithGaps)
{
    ReadingTrend trend;
    EXPECT_TRUE(trend.isEmpty());
    EXPECT_FALSE(trend.latest());
    EXPECT_FALSE(trend.minimum());
    for (int i = 0; i < ReadingTrend::kCapacity + 5; ++i)
        trend.add(i % 7 == 3 ? gap : Reading(i));
    ASSERT_EQ(trend.size(), ReadingTrend::kCapacity);
    EXPECT_EQ(trend.at(0), Reading(5));  // the five oldest went
    EXPECT_EQ(trend.at(trend.size() - 1), Reading(ReadingTrend::kCapacity + 4));
    EXPECT_EQ(trend.at(5), gap);  // reading 10 was a gap
    EXPECT_FALSE(trend.at(-1));
    EXPECT_FALSE(trend.at(trend.size()));
    EXPECT_EQ(trend.minimum(), Reading(5));
    EXPECT_EQ(trend.maximum(), Reading(ReadingTrend::kCapacity + 4));

    trend.clear();
    EXPECT_TRUE(trend.isEmpty());
    trend.add(gap);
    EXPECT_EQ(trend.size(), 1);
    EXPECT_FALSE(trend.minimum());  // gaps only: no scale
}

TEST(ReadingTrend, SettlesWhenTheLastReadingsSpreadByOneDigitAtMost)
{
    const int n = ReadingTrend::kSettleCount;
    struct Case {
        const char* what;
        std::vector<Reading> readings;
        Reading spread;
        bool settled;
    };
    auto with = [](std::vector<Reading> head, const std::vector<Reading>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::vector<Case> cases = {
        {"one too few", steady(n - 1, 92.0), gap, false},
        {"exactly enough", steady(n, 92.0), 0.0, true},
        {"one digit apart", with(steady(n - 1, 83.3), {83.2}), 0.1, true},
        {"one digit apart, other order", with({83.2}, steady(n - 1, 83.3)), 0.1, true},
        {"two digits apart", with(steady(n - 1, 83.3), {83.1}), 0.2, false},
        {"an older move is forgotten", with({70.0}, steady(n, 92.4)), 0.0, true},
        {"a gap among the last", with(steady(n, 92.0), {gap}), gap, false},
        {"a gap before the last", with({gap}, steady(n, 92.0)), 0.0, true},
        {"a new sample moves it", with(steady(2 * n, 92.0), {95.0}), 3.0, false},
    };
    for (const Case& c : cases) {
        const ReadingTrend trend = trendOf(c.readings);
        const Reading spread = trend.recentSpread();
        ASSERT_EQ(spread.has_value(), c.spread.has_value()) << c.what;
        if (spread) {
            EXPECT_NEAR(*spread, *c.spread, 1e-9) << c.what;
        }
        EXPECT_EQ(trend.settled(), c.settled) << c.what;
    }
}

// The trend takes the number a label shows, to its decimal, and nothing from "0" or "*".
TEST(ReadingTrend, TakesTheValueALabelShows)
{
    TCalibration calibration;
    calibration.method = Research;
    calibration.slope = 1.02;
    calibration.offset = -0.5;
    calibration.setName(QStringLiteral("Эталон-95 зимний"));
    CalibrationStore store;
    store.AddCalibration(calibration);
    store.ToggleCalibration(1);
    const CalibrationStore none;
    const struct {
        std::uint16_t count;
        bool diesel;
        const CalibrationStore& calibrations;
        int method;
        QString text;
        Reading value;
    } cases[] = {
        {8000, false, none, Research, QStringLiteral("83,3"), 83.3},
        {8000, false, none, Motor, QStringLiteral("78"), 78.0},
        {8000, false, store, Research, QStringLiteral("84,5 (Эталон-95 )"), 84.5},
        {9600, false, none, Research, QStringLiteral("0"), gap},  // outside the window
        {9600, false, store, Research, QStringLiteral("0"), gap},
        {8000, false, none, Cetane, QStringLiteral("*"), gap},    // not computed in this mode
    };
    for (const auto& c : cases) {
        const LabelDisplay label =
            computeReadingDisplay(c.count, c.diesel, {}, c.calibrations, u',').label(c.method);
        EXPECT_EQ(label.text, c.text);
        EXPECT_EQ(label.value, c.value) << c.text.toStdString();
    }
}

class TrendFeedTest : public testing::Test {
protected:
    void readings(int n, std::uint16_t count = 8000)
    {
        for (int i = 0; i < n; ++i)
            state.applyCount(count);
    }

    CalibrationListModel calibrations;
    MeasurementState state{calibrations};
    TrendFeed feed{state};
    QSignalSpy settled{&feed, &TrendFeed::settledChanged};
};

TEST_F(TrendFeedTest, FollowsTheSelectedMethodsLabelAndMarksItSettled)
{
    EXPECT_EQ(feed.followedMethod(), Research);
    readings(ReadingTrend::kSettleCount - 1);
    EXPECT_EQ(feed.trend().latest(), state.reading().label(Research).value);
    EXPECT_TRUE(settled.isEmpty());
    readings(1);
    ASSERT_EQ(settled.size(), 1);
    EXPECT_TRUE(settled.at(0).at(0).toBool());
    readings(1, 9000);  // another sample
    ASSERT_EQ(settled.size(), 2);
    EXPECT_FALSE(settled.at(1).at(0).toBool());

    // The cetane label reads "*" in petrol mode: gaps, never settled.
    feed.follow(Cetane);
    readings(ReadingTrend::kSettleCount);
    EXPECT_EQ(feed.trend().size(), ReadingTrend::kSettleCount);
    EXPECT_FALSE(feed.trend().minimum());
    EXPECT_FALSE(feed.trend().settled());
}

TEST_F(TrendFeedTest, StartsAgainWhenTheScaleMayChange)
{
    const struct {
        const char* what;
        std::function<void(MeasurementState&, TrendFeed&)> change;
        int followed;
    } cases[] = {
        {"diesel", [](MeasurementState& s, TrendFeed&) { s.selectDiesel(); }, Cetane},
        {"method", [](MeasurementState& s, TrendFeed&) { s.selectMethod(Motor); }, Motor},
        {"label picked", [](MeasurementState&, TrendFeed& f) { f.follow(Aki); }, Aki},
        {"calibrations", [this](MeasurementState&, TrendFeed&) { calibrations.add({}); }, Research},
        {"correction", [](MeasurementState& s, TrendFeed&) { s.setSystemCorrection({1.05, -3}); }, Research},
        {"unplugged", [](MeasurementState&, TrendFeed& f) { f.instrumentChanged(false); }, Research},
        {"plugged", [](MeasurementState&, TrendFeed& f) { f.instrumentChanged(true); }, Research},
    };
    for (const auto& c : cases) {
        state.selectPetrol();
        feed.follow(Research);
        readings(ReadingTrend::kSettleCount);
        ASSERT_TRUE(feed.trend().settled()) << c.what;
        settled.clear();
        c.change(state, feed);
        EXPECT_TRUE(feed.trend().isEmpty()) << c.what;
        EXPECT_EQ(feed.followedMethod(), c.followed) << c.what;
        ASSERT_EQ(settled.size(), 1) << c.what;
        EXPECT_FALSE(settled.at(0).at(0).toBool()) << c.what;
    }

    // Announcing the method already selected (a dropped label, the same menu item) or
    // picking the label already followed keeps the sample.
    state.selectPetrol();
    readings(3);
    state.selectMethod(Research);
    feed.follow(Research);
    EXPECT_EQ(feed.trend().size(), 3);
}

}  // namespace
}  // namespace kv
