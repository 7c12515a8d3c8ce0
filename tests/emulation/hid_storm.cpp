#include "hid_storm.h"

#include "emulated_hid_bed.h"
#include "event_wait.h"

#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"
#include "device/hid/linux_hid_platform.h"
#include "device/instrument/instrument_link.h"

#include <QElapsedTimer>
#include <QFile>

#include <unistd.h>

#include <stdexcept>

namespace kv::test {

namespace {

class CountingReporter : public ErrorReporter {
public:
    void showError(const QString&) override { ++count; }
    int count = 0;
};

// The program's side: controller and link, counting readings.
struct Program {
    explicit Program(HidPlatform& platform) : controller(platform, reporter), link(controller, reporter)
    {
        QObject::connect(&link, &InstrumentLink::measurement, [this] { ++readings; });
    }
    bool settle(const std::function<bool()>& done)
    {
        return waitUntil([&] {
            controller.processHandOvers();
            return done();
        }, 10000);
    }
    bool connected() const { return link.currentDevice() != nullptr; }

    CountingReporter reporter;
    THidDeviceController controller;
    InstrumentLink link;
    int readings = 0;
};

void require(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(what);
}

// The emulation closes its side of a node's connection a moment after the program has
// closed its own: count once the number is back where it started, or after 10 s.
int settledDescriptorCount(int start)
{
    waitUntil([start] { return openDescriptorCount() == start; }, 10000);
    return openDescriptorCount();
}

template <typename Cycle>
StormFigures run(Program& program, int cycles, int checkpoint, Cycle cycle)
{
    StormFigures figures;
    // Before any node is opened nothing is on its way to being closed.
    QCoreApplication::sendPostedEvents();  // the first pass
    const int start = openDescriptorCount();
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= cycles; ++i) {
        cycle();
        if (i == checkpoint) {
            figures.rssAtCheckpointKb = residentKb();
            figures.descriptorsAtCheckpoint = settledDescriptorCount(start);
        }
    }
    figures.seconds = double(timer.elapsed()) / 1000;
    figures.cycles = cycles;
    figures.readings = program.readings;
    figures.errors = program.reporter.count;
    figures.rssAtEndKb = residentKb();
    figures.descriptorsAtEnd = settledDescriptorCount(start);
    return figures;
}

}  // namespace

long residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

StormFigures runFakeStorm(int cycles, int checkpoint)
{
    FakeHidPlatform platform;
    platform.setWriteHook([&platform](const QString& path, const QByteArray& report) {
        if (report.size() > 1 && quint8(report[1]) == 0x80)
            platform.queueInput(path, QByteArray(1, '\0') + measurementInput(8000));
    });
    Program program(platform);
    return run(program, cycles, checkpoint, [&] {
        const QString path = platform.plug({{0x04D8, 0x003F, 1}, QStringLiteral("KV-4410"), {}});
        const int before = program.readings;
        require(program.settle([&] { return program.connected(); }), "no connection");
        program.link.Timer1Timer();
        require(program.settle([&] { return program.readings > before; }), "no reading");
        platform.unplug(path);
        require(program.settle([&] { return !program.connected(); }), "unplug not seen");
    });
}

StormFigures runEmulatedStorm(int cycles, int checkpoint)
{
    EmulatedHidBed bed;
    // The testbed keeps a descriptor from its first removal on: spent before counting.
    bed.unplug(bed.plug(emulatedInstrument()));
    LinuxHidPlatform platform;
    Program program(platform);
    auto count = std::make_shared<std::atomic<std::uint16_t>>(8000);
    return run(program, cycles, checkpoint, [&] {
        EmulatedHidDevice& instrument = bed.plug(emulatedInstrument());
        instrument.setAnswerer(pollAnswerer(count));
        const int before = program.readings;
        require(program.settle([&] { return program.connected(); }), "no connection");
        program.link.Timer1Timer();
        require(program.settle([&] { return program.readings > before; }), "no reading");
        bed.unplug(instrument);
        require(program.settle([&] { return !program.connected(); }), "unplug not seen");
    });
}

}  // namespace kv::test
