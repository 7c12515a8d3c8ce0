// One device: strings, capabilities, buffer counts, writes and the read wait.

#include "hid_test_support.h"

#include "device/hid/named_thread.h"

#include <pthread.h>

#include <cerrno>

namespace kv::test {
namespace {

class DeviceTest : public HidTest {
protected:
    THidDevice* plugAndClaim(const FakeHidDeviceModel& model)
    {
        path = platform.plug(model);
        deliver();
        return claim();
    }
    QString path;
};

TEST_F(DeviceTest, SerialNumberFollowsTheLanguageListRule)
{
    struct Case {
        const char* name;
        std::optional<QString> serial;
        std::optional<QString> languages;
        QString expected;
    };
    const QString english(QChar(0x0409));
    const QString twoLanguages = english + QChar(0x0419);
    const std::vector<Case> cases = {
        {"plain serial", QStringLiteral("SN0001"), english, QStringLiteral("SN0001")},
        {"serial is the language list", english, english, QString()},
        {"serial starts with the language list", english + QStringLiteral("X"), english, QString()},
        {"two languages, serial differs in the second", english + QChar(0x0420), twoLanguages,
         english + QChar(0x0420)},
        {"language list unreadable", QStringLiteral("SN0001"), std::nullopt, QString()},
        {"serial unreadable", std::nullopt, english, QString()},
        {"text after a NUL is dropped", QStringLiteral("AB") + QChar(0) + QStringLiteral("CD"), english,
         QStringLiteral("AB")},
        {"at most 254 characters", QString(300, u'7'), english, QString(254, u'7')},
    };
    for (const Case& c : cases) {
        FakeHidDeviceModel model = instrumentModel();
        model.serial = c.serial;
        model.languages = c.languages;
        THidDevice* device = plugAndClaim(model);
        EXPECT_EQ(device->SerialText(), c.expected) << c.name;
        controller->ReleaseDevice(device);
        platform.unplug(path);
        deliver();
    }
}

TEST_F(DeviceTest, StringsAndCapsNeedAccessAndAreCachedOnceRead)
{
    FakeHidDeviceModel model = instrumentModel();
    model.product = QString(300, u'P');
    model.outputReportLength = 9;
    path = platform.plug(model);
    deliver();
    THidDevice* listed = controller->device(0);
    EXPECT_TRUE(listed->ProductText().isEmpty());
    EXPECT_EQ(listed->QueryCaps().OutputReportByteLength, 0);

    THidDevice* device = claim();
    EXPECT_EQ(device->ProductText(), QString(254, u'P'));
    const HidCaps caps = device->QueryCaps();
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 9);
    EXPECT_EQ(caps.UsagePage, 0xFF00);
    EXPECT_EQ(platform.openHandleCount(), 0);  // requests close the handle again

    platform.unplug(path);
    deliver();
    EXPECT_EQ(device->ProductText(), QString(254, u'P'));
    EXPECT_EQ(device->QueryCaps().OutputReportByteLength, 9);
}

TEST_F(DeviceTest, ReadWaitAcceptsTenToTenThousand)
{
    THidDevice* device = plugAndClaim(instrumentModel());
    EXPECT_EQ(device->readWait(), 100);
    device->SetReadWait(5);
    device->SetReadWait(20000);
    device->SetReadWait(9);
    device->SetReadWait(10001);
    EXPECT_EQ(device->readWait(), 100);
    device->SetReadWait(10);
    EXPECT_EQ(device->readWait(), 10);
    device->SetReadWait(10000);
    EXPECT_EQ(device->readWait(), 10000);
}

TEST_F(DeviceTest, BufferCountsReadBackWhatTheDriverHas)
{
    THidDevice* device = plugAndClaim(instrumentModel());
    device->SetControlBufferCount(128);
    device->SetReadBufferCount(128);
    EXPECT_EQ(device->controlBufferCount(), 128);
    EXPECT_EQ(device->readBufferCount(), 128);
    device->SetReadBufferCount(1000);  // beyond what the driver takes
    EXPECT_EQ(device->readBufferCount(), 128);

    device->MarkAbsent();
    EXPECT_EQ(device->controlBufferCount(), 0);
    EXPECT_EQ(device->readBufferCount(), 0);
    device->SetControlBufferCount(64);
    EXPECT_EQ(device->controlBufferCount(), 0);
}

TEST_F(DeviceTest, WritesGoOutWholeAndFailuresCarryTheSystemCode)
{
    THidDevice* device = plugAndClaim(instrumentModel());
    const QByteArray command = reportBytes({0x55, 1, 2});
    qsizetype written = -1;
    ASSERT_TRUE(device->WriteReport(reinterpret_cast<const quint8*>(command.constData()),
                                    command.size(), written));
    EXPECT_EQ(written, 65);
    EXPECT_EQ(platform.writes(path), std::vector<QByteArray>({command}));

    FakeHidFailures failing;
    failing.write = EPIPE;
    platform.setFailures(path, failing);
    EXPECT_FALSE(device->WriteReport(reinterpret_cast<const quint8*>(command.constData()),
                                     command.size(), written));
    EXPECT_EQ(written, 0);
    EXPECT_EQ(device->lastWriteError(), EPIPE);
    EXPECT_FALSE(controller->errorText(EPIPE).isEmpty());

    platform.setFailures(path, {});
    device->MarkAbsent();
    EXPECT_FALSE(device->WriteReport(reinterpret_cast<const quint8*>(command.constData()),
                                     command.size(), written));
    EXPECT_EQ(device->lastWriteError(), ENODEV);
    EXPECT_EQ(platform.writes(path).size(), 1u);
}

TEST_F(DeviceTest, AWriteHookAnswersThroughTheReader)
{
    THidDevice* device = plugAndClaim(instrumentModel());
    platform.setWriteHook([this](const QString& p, const QByteArray& written) {
        platform.queueInput(p, reportBytes({quint8(written[1] + 1)}));
    });
    QByteArray answer;
    device->SetDataHandler([&](THidDevice&, quint8, const quint8* data, quint16 size) {
        answer = QByteArray(reinterpret_cast<const char*>(data), size);
    });
    const QByteArray command = reportBytes({0x36});
    qsizetype written = 0;
    ASSERT_TRUE(device->WriteReport(reinterpret_cast<const quint8*>(command.constData()),
                                    command.size(), written));
    ASSERT_TRUE(runOneHandOver());
    ASSERT_EQ(answer.size(), 64);
    EXPECT_EQ(quint8(answer[0]), 0x37);
}

class NameRecorder : public TNamedThread {
public:
    using TNamedThread::TNamedThread;
    ~NameRecorder() override { wait(); }
    QByteArray systemName;

protected:
    void run() override
    {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        systemName = name;
    }
};

TEST(NamedThread, NamesItselfAfterItsClassAndName)
{
    NameRecorder plain(QStringLiteral("THidDeviceReadThread"));
    EXPECT_EQ(plain.objectName(), "THidDeviceReadThread");
    NameRecorder named(QStringLiteral("Reader"), QStringLiteral("hid1"));
    EXPECT_EQ(named.objectName(), "Reader {hid1}");
    named.start();
    named.wait();
    EXPECT_EQ(named.systemName, "Reader {hid1}");
}

}  // namespace
}  // namespace kv::test
