// The virtual instrument on the fake provider, driven by the real link.

#include "instrument_window.h"
#include "virtual_instrument.h"

#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/instrument_link.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class View : public kv::InstrumentLinkView, public kv::ErrorReporter {
public:
    void SetLinkStatus(const QString& text) override { panel0 = text; }
    void showResistors(const QString& p2, const QString&) override { panel2 = p2; }
    void appendTrace(const QString&) override { ++traced; }
    void showMeasurement(std::uint16_t count) override { counts.push_back(count); }
    void showError(const QString& message) override { ADD_FAILURE() << message.toStdString(); }
    QString panel0, panel2;
    int traced = 0;
    std::vector<std::uint16_t> counts;
};

class VirtualInstrumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        instrument.model().setNoise(0);
        instrument.model().setPeriodCount(8000);
        controller = std::make_unique<kv::THidDeviceController>(platform, view);
        link = std::make_unique<kv::InstrumentLink>(*controller, view, timer1, getdata);
    }
    void TearDown() override
    {
        link.reset();
        controller.reset();
    }
    void deliver() { QCoreApplication::sendPostedEvents(); }
    bool runOneHandOver()
    {
        for (int i = 0; i < 50; ++i)
            if (controller->waitForHandOver(100))
                return controller->processHandOvers() > 0;
        return false;
    }

    kv::FakeHidPlatform platform;
    kv::VirtualInstrument instrument{platform};
    View view;
    QTimer timer1;
    QTimer getdata;
    std::unique_ptr<kv::THidDeviceController> controller;
    std::unique_ptr<kv::InstrumentLink> link;
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
    kv::InstrumentWindow window(instrument);
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
    EXPECT_EQ(instrument.model().periodCount(), *kv::InstrumentModel::countForResearch(92.0));
    EXPECT_FALSE(window.chooseResearch(150.0));

    window.plugButton()->click();
    deliver();
    EXPECT_FALSE(instrument.plugged());
    EXPECT_EQ(link->currentDevice(), nullptr);
}

}  // namespace
