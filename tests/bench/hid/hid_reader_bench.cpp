// Input reports through a fake device, the reader thread and the hand-over to a handler
// on the GUI thread: reports per second, reports lost, and how long a stop takes.

#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device_controller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

QByteArray numberedReport(quint32 n)
{
    QByteArray report(65, '\0');
    for (int i = 0; i < 4; ++i)
        report[1 + i] = char((n >> (8 * i)) & 0xFF);
    return report;
}

struct Tally {
    quint32 expected = 0;
    int received = 0;
    int gaps = 0;
};

// Feeds count reports, keeping at most depth queued, or in bursts at a fixed rate when
// ratePerSecond > 0; returns once the handler has seen them all (or 60 s passed).
double run(kv::FakeHidPlatform& platform, kv::THidDevice& device, const QString& path, int count,
           int depth, int ratePerSecond, Tally& tally)
{
    tally = {};
    QEventLoop loop;
    device.SetDataHandler([&](kv::THidDevice&, quint8, const quint8* data, quint16) {
        const quint32 n = quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16
                          | quint32(data[3]) << 24;
        if (n != tally.expected)
            tally.gaps += int(n - tally.expected);
        tally.expected = n + 1;
        ++tally.received;
        if (n + 1 == quint32(count))
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    std::thread producer([&] {
        const auto start = std::chrono::steady_clock::now();
        constexpr int burst = 20;
        for (int i = 0; i < count; ++i) {
            if (ratePerSecond > 0 && i % burst == 0) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(qint64(i) * 1000000 / ratePerSecond));
            } else if (ratePerSecond == 0) {
                while (platform.pendingInputCount(path) >= depth)
                    std::this_thread::yield();
            }
            platform.queueInput(path, numberedReport(quint32(i)));
        }
    });
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    producer.join();
    device.SetDataHandler(nullptr);
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    kv::FakeHidPlatform platform;
    kv::StderrReporter reporter;
    kv::THidDeviceController controller(platform, reporter);
    kv::FakeHidDeviceModel model;
    model.attributes = {0x04D8, 0x003F, 1};
    const QString path = platform.plug(model);
    QCoreApplication::sendPostedEvents();
    kv::THidDevice* device = nullptr;
    if (!controller.ClaimDevice(device))
        return 1;
    device->SetReadBufferCount(128);

    Tally tally;
    const int saturated = 50000;
    const double s1 = run(platform, *device, path, saturated, 100, 0, tally);
    std::printf("saturated:   %d reports in %.3f s = %.0f reports/s, received %d, lost %d\n",
                saturated, s1, saturated / s1, tally.received,
                tally.gaps + platform.droppedInputCount(path));

    const int paced = 10000;
    const int rate = 5000;
    const int droppedBefore = platform.droppedInputCount(path);
    const double s2 = run(platform, *device, path, paced, 0, rate, tally);
    std::printf("paced:       %d reports at %d/s in bursts of 20: %.0f reports/s, received %d, lost %d\n",
                paced, rate, paced / s2, tally.received,
                tally.gaps + platform.droppedInputCount(path) - droppedBefore);

    // A stop of an idle reader waiting in its 100 ms read.
    std::vector<double> stops;
    for (int i = 0; i < 20; ++i) {
        device->SetDataHandler([](kv::THidDevice&, quint8, const quint8*, quint16) {});
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + 7 * i % 60));
        QElapsedTimer clock;
        clock.start();
        device->SetDataHandler(nullptr);
        stops.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(stops.begin(), stops.end());
    double sum = 0;
    for (double s : stops)
        sum += s;
    std::printf("stop:        mean %.2f ms, max %.2f ms over %zu stops (read wait 100 ms)\n",
                sum / double(stops.size()), stops.back(), stops.size());
    controller.ReleaseDevice(device);
    return 0;
}
