// The virtual instrument on the fake provider, driven by the real link.

#include "instrument_window.h"
#include "virtual_instrument.h"

#include "link_test_fixture.h"

#include <QLabel>
#include <QPushButton>

namespace kv::test {
namespace {

class VirtualInstrumentTest : public LinkTest {
protected:
    void SetUp() override
    {
        instrument.model().setNoise(0);
        instrument.model().setPeriodCount(8000);
        LinkTest::SetUp();
    }
    void TearDown() override
    {
        LinkTest::TearDown();
        EXPECT_TRUE(view.errors.isEmpty()) << view.errors.join(u'\n').toStdString();
    }

    VirtualInstrument instrument{platform};
};

TEST_F(VirtualInstrumentTest, AnswersPollsAndSendsResistorReportsOnly)
{
    instrument.plug();
    deliver();
    ASSERT_NE(link->currentDevice(), nullptr);
    EXPECT_TRUE(instrument.resistorTimer()->isActive());
    link->Timer1Timer();
    EXPECT_EQ(view.panel0, QStringLiteral("КВ-4410 (виртуальный)"));
    ASSERT_TRUE(runOneHandOver());  // the connect command is a poll too
    link->GetdataTimer();
    ASSERT_TRUE(runOneHandOver());
    EXPECT_EQ(view.counts, (std::vector<std::uint16_t>{8000, 8000}));

    instrument.sendResistorReport();
    ASSERT_TRUE(runOneHandOver());
    EXPECT_FALSE(view.panel2.isEmpty());
    EXPECT_EQ(view.counts.size(), 2u);
    EXPECT_EQ(platform.pendingInputCount(instrument.path()), 0);
}

TEST_F(VirtualInstrumentTest, WindowShowsMemoryAndPlugsAndUnplugs)
{
    InstrumentWindow window(instrument);
    EXPECT_EQ(window.plugButton()->text(), QStringLiteral("Подключить"));
    window.plugButton()->click();
    ASSERT_TRUE(instrument.plugged());
    EXPECT_EQ(window.plugButton()->text(), QStringLiteral("Отключить"));
    deliver();

    link->writeInstrumentByte(240, 0xEF);
    link->writeInstrumentByte(243, 0x3F);
    EXPECT_EQ(instrument.model().memory(240), 0xEF);
    EXPECT_EQ(window.memoryLabel(240)->text(), QStringLiteral("EF"));
    EXPECT_EQ(window.memoryLabel(243)->text(), QStringLiteral("3F"));

    EXPECT_TRUE(window.chooseResearch(92.0));
    EXPECT_EQ(instrument.model().periodCount(), *InstrumentModel::countForResearch(92.0));
    EXPECT_FALSE(window.chooseResearch(150.0));

    window.plugButton()->click();
    deliver();
    EXPECT_FALSE(instrument.plugged());
    EXPECT_EQ(link->currentDevice(), nullptr);
}

}  // namespace
}  // namespace kv::test
