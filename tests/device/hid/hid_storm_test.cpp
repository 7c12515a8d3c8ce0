// A short hot-plug storm on each provider: every cycle connects and reads, and nothing
// is left behind.

#include "hid_storm.h"

#include "emulated_hid_bed.h"

#include <gtest/gtest.h>

namespace kv::test {
namespace {

void expectClean(const StormFigures& figures)
{
    EXPECT_GE(figures.readings, figures.cycles);  // the poll timer may add some
    EXPECT_EQ(figures.errors, 0);
    EXPECT_EQ(figures.descriptorsAtEnd, figures.descriptorsAtCheckpoint);
}

TEST(HidStorm, FiveHundredPlugCyclesOnTheFakeProvider)
{
    expectClean(runFakeStorm(500, 100));
}

TEST(LinuxHidStorm, FiveHundredPlugCyclesOnTheEmulation)
{
    if (!EmulatedHidBed::available())
        GTEST_SKIP() << "needs the umockdev preload library (run under run-emulated)";
    expectClean(runEmulatedStorm(500, 100));
}

}  // namespace
}  // namespace kv::test
