// How the result box reads on a real desktop: the result labels on a dark palette, the
// trend strip's marks and the settled frame, seen from across the bench.

#include "app/reading_trend_view.h"
#include "app/result_box.h"
#include "app/result_label.h"
#include "app/result_panel.h"
#include "app/workspace.h"
#include "core/colour_contrast.h"
#include "core/methods.h"
#include "measure/measurement_state.h"
#include "measure/trend_feed.h"
#include "recording_reporter.h"

#include <QFontInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace kv::test {
namespace {

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    return dark;
}

Rgb rgbOf(const QColor& colour)
{
    return colour.rgb() & 0xFFFFFF;
}

// The settled green as drawn, antialiased edges included, on a light base.
bool greenish(const QColor& c)
{
    return c.green() - std::max(c.red(), c.blue()) > 60;
}

class DesktopLook : public testing::Test {
protected:
    void switchOnCalibrations()
    {
        for (int m = Research; m <= Cetane; ++m) {
            TCalibration calibration;
            calibration.method = m;
            calibration.slope = 1;
            calibration.setName(QStringLiteral("Э"));
            workspace.addCalibration(calibration);
            workspace.toggleCalibration(m);
        }
    }
    QColor labelColour(int method) const
    {
        return panel.resultLabel(method)->palette().color(QPalette::WindowText);
    }

    RecordingReporter errors;
    QTemporaryDir dir;  // the calibrations switched on are written to kor.tab
    Workspace workspace{dir.path()};
    MeasurementState& state = workspace.state();
    ResultPanel panel{state, errors};
};

// Black is the palette's text colour; red, green and blue stand out of the dark window.
TEST_F(DesktopLook, OnADarkPaletteEveryResultLabelStandsOutOfTheWindow)
{
    panel.setPalette(darkPalette());
    const struct {
        const char* what;
        bool diesel;
        bool calibrated;
    } cases[] = {
        {"petrol", false, false},
        {"diesel", true, false},
        {"calibrated petrol", false, true},
        {"calibrated diesel", true, true},
    };
    for (const auto& c : cases) {
        if (c.calibrated && state.calibrations().count() == 0)
            switchOnCalibrations();
        c.diesel ? state.selectDiesel() : state.selectPetrol();
        state.applyCount(8000);
        for (int m = Research; m <= Cetane; ++m) {
            EXPECT_GE(contrastRatio(rgbOf(labelColour(m)), 0x202020), kLeastLargeTextContrast)
                << c.what << " " << m;
        }
        const int shown = c.diesel ? Cetane : Research;
        if (!c.calibrated || shown == Cetane) {
            EXPECT_EQ(labelColour(shown), QColor(0xE0, 0xE0, 0xE0)) << c.what;
        }
    }
    EXPECT_EQ(labelColour(Research), QColor(255, 0, 0));  // readable as it is

    // Back on a light desktop the text colour follows.
    QPalette light = darkPalette();
    light.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
    light.setColor(QPalette::WindowText, QColor(0x10, 0x10, 0x10));
    panel.setPalette(light);
    EXPECT_EQ(labelColour(Cetane), QColor(0x10, 0x10, 0x10));
    EXPECT_EQ(labelColour(Aki), QColor(0, 0, 255));
}

TEST_F(DesktopLook, TheStripWaitsForAConnectedInstrumentsFirstReading)
{
    TrendFeed& feed = panel.trendFeed();
    const ReadingTrendView& view = *panel.trendView();
    EXPECT_EQ(view.markText(), QStringLiteral("Нет данных"));
    feed.instrumentChanged(true);
    EXPECT_EQ(view.markText(), QStringLiteral("Ожидание данных"));
    feed.follow(Motor);  // a new start, still connected
    EXPECT_EQ(view.markText(), QStringLiteral("Ожидание данных"));
    state.applyCount(8000);
    EXPECT_EQ(view.markText(), QString());
    feed.follow(Cetane);  // "*" in petrol mode: readings without a value
    state.applyCount(8000);
    EXPECT_EQ(view.markText(), QStringLiteral("Нет данных"));
    feed.instrumentChanged(false);
    EXPECT_EQ(view.markText(), QStringLiteral("Нет данных"));
}

// Settled: only the settled readings turn green, under a mark larger than the strip's text,
// and the result box gets a frame that is seen from two metres.
TEST_F(DesktopLook, TheSettledMarkIsBoldAndCoversOnlyTheSettledReadings)
{
    panel.trendFeed().instrumentChanged(true);
    for (int i = 0; i < 15; ++i)
        state.applyCount(quint16(7800 + 10 * i));  // the sample still moving
    for (int i = 0; i < ReadingTrend::kSettleCount; ++i)
        state.applyCount(8000);
    ASSERT_EQ(panel.trendView()->markText(), QStringLiteral("Стабильно"));

    ReadingTrendView& view = *panel.trendView();
    view.resize(300, 200);
    const QImage strip = view.grab().toImage();
    const int plotTop = 3 + QFontMetrics(view.settledMarkFont()).height() + 4;
    // The readings sit at the right of the strip, 2.4 pixels apart; the settled ten from
    // about x = 272 on.
    const int settledLeft = 6 + int((ReadingTrend::kCapacity - ReadingTrend::kSettleCount - 1) * 288.0 / 119);
    int greenBefore = 0;
    int greenIn = 0;
    int markTop = strip.height();
    int markBottom = -1;
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < strip.width(); ++x) {
            if (!greenish(strip.pixelColor(x, y)))
                continue;
            if (y < plotTop - 4) {
                markTop = std::min(markTop, y);
                markBottom = std::max(markBottom, y);
            } else if (x < settledLeft - 3) {
                ++greenBefore;
            } else {
                ++greenIn;
            }
        }
    }
    EXPECT_EQ(greenBefore, 0);
    EXPECT_GT(greenIn, 0);
    // The mark is set half as large again as the strip's text: its letters stand taller
    // than a whole line of it.
    EXPECT_TRUE(view.settledMarkFont().bold());
    EXPECT_GE(QFontInfo(view.settledMarkFont()).pixelSize(), 1.5 * QFontInfo(view.font()).pixelSize());
    EXPECT_GE(markBottom - markTop + 1, view.fontMetrics().height());

    ResultBox& box = *panel.resultBox();
    box.resize(329, 384);
    ASSERT_TRUE(box.settled());
    const QImage frame = box.grab().toImage();
    const int y = frame.height() / 2;
    int x = 0;
    while (x < frame.width() / 2 && !greenish(frame.pixelColor(x, y)))
        ++x;
    int width = 0;
    while (x + width < frame.width() && greenish(frame.pixelColor(x + width, y)))
        ++width;
    EXPECT_GE(width, 4);
}

}  // namespace
}  // namespace kv::test
