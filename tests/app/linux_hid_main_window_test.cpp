// The program on the Linux provider over an emulated instrument: udev finds it, the
// window connects and polls through the hidraw node, the instrument's answer becomes a
// reading, and an unplug and a replug are followed.

#include "linux_hid_test_support.h"

#include "app/main_window.h"
#include "app/workspace.h"
#include "app/result_label.h"
#include "app/result_panel.h"
#include "core/methods.h"
#include "device/hid/hid_device.h"
#include "device/instrument/instrument_link.h"
#include "ui/panel_status_bar.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

namespace kv::test {
namespace {

class LinuxHidMainWindow : public LinuxHidTest {
protected:
    void SetUp() override
    {
        LinuxHidTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(dir.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        for (const char* name : {"kor.tab", "data.tab", "data2.tab"})
            writeFile(QDir(dir.path()).filePath(QString::fromLatin1(name)), {});
    }
    void TearDown() override
    {
        form.reset();
        LinuxHidTest::TearDown();
    }

    EmulatedHidDevice& plugInstrument()
    {
        EmulatedHidDevice& device = bed->plug(emulatedInstrument());
        device.setAnswerer(pollAnswerer(count));
        return device;
    }
    bool settle(const std::function<bool()>& done)
    {
        return waitUntil([&] {
            form->hid().processHandOvers();
            return done();
        });
    }
    bool connected() const { return form->link().currentDevice() != nullptr; }
    QString label(int method) const { return form->resultPanel()->resultLabel(method)->text(); }
    QString panel(int i) const { return form->statusBar1()->panelText(i); }

    QTemporaryDir dir;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<TForm1> form;
    std::shared_ptr<std::atomic<std::uint16_t>> count = std::make_shared<std::atomic<std::uint16_t>>(8000);
    int readings = 0;
};

TEST_F(LinuxHidMainWindow, ConnectsPollsShowsTheReadingAndFollowsUnplugAndReplug)
{
    EmulatedHidDevice* instrument = &plugInstrument();
    workspace = std::make_unique<Workspace>(dir.path());
    form = std::make_unique<TForm1>(*workspace, *platform, &reporter);
    // The test delivers the link's timeouts itself; its timers still start and stop as
    // the link says, but fire nothing of their own.
    form->link().timer1().blockSignals(true);
    form->link().getdata().blockSignals(true);
    QObject::connect(&form->link(), &InstrumentLink::measurement, [this] { ++readings; });
    ASSERT_TRUE(settle([&] { return connected(); }));

    form->link().Timer1Timer();
    EXPECT_EQ(panel(0), QStringLiteral("KV-4410"));
    ASSERT_EQ(instrument->writeCount(), 1);
    QByteArray connect(64, '\0');
    connect[0] = char(0x80);
    connect[2] = char(0x0B);
    EXPECT_EQ(instrument->written()[0], connect);
    form->link().GetdataTimer();
    ASSERT_TRUE(settle([&] { return readings == 2; }));  // the connect is answered too
    EXPECT_EQ(label(Research), QStringLiteral("83,3"));
    EXPECT_EQ(label(Motor), QStringLiteral("78"));
    EXPECT_EQ(label(Aki), QStringLiteral("80,7"));

    bed->unplug(*instrument);
    ASSERT_TRUE(settle([&] { return !connected(); }));
    form->link().GetdataTimer();
    EXPECT_EQ(panel(0), QStringLiteral("Нет подключения"));

    instrument = &plugInstrument();
    ASSERT_TRUE(settle([&] { return connected(); }));
    ASSERT_TRUE(form->link().timer1().isActive());
    form->link().Timer1Timer();
    EXPECT_EQ(panel(0), QStringLiteral("KV-4410"));
    form->link().GetdataTimer();
    ASSERT_TRUE(settle([&] { return readings == 4; }));
    EXPECT_EQ(instrument->writeCount(), 2);
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.messages.join(u'\n').toStdString();
}

}  // namespace
}  // namespace kv::test
