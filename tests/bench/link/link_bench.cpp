// The instrument link end to end, as the running program has it: a fake instrument ->
// its reader thread -> the hand-over, delivered by the real event loop -> the trace memo
// -> the conversion -> the result labels and the trend strip of a real main window, all
// shown. Prints figures:
//   - latency from queueInput to the labels being set, one report at a time;
//   - the sustained rate and the reports lost at 1,000 reports per second;
//   - resident memory every 10,000 reports up to 100,000;
//   - the cost of each step on the GUI thread, called directly.
//
// The moment the labels are set is seen from the GUI thread after each event it delivers
// (see ObservedApplication). Each report carries a count from a cycle whose AKI texts are
// all different, so every shown report changes the AKI label and its text tells which
// report it was.
//
// kv_link_bench [hidden] [quick] [seconds]: "hidden" keeps the trace page hidden, as for
// an operator; by default it is shown and current, as for a technician watching the
// trace. "quick" sends a tenth of the reports (a check that it runs, e.g. under a
// sanitizer). seconds: length of the 1 kHz run (10).

#include "app/workspace.h"
#include "app/main_window.h"
#include "core/error_guard.h"
#include "app/result_label.h"
#include "app/reading_trend_view.h"
#include "app/result_panel.h"
#include "ui/text_panel.h"
#include "device/instrument/instrument_link.h"
#include "measure/measurement_state.h"
#include "app/trace_page.h"
#include "core/methods.h"
#include "device/hid/fake_hid_platform.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_device_controller.h"
#include "device/instrument/report_codec.h"
#include "measure/reading_conversion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTracePageIndex = 4;

// A measurement report as the instrument sends it: report ID 0, code 0x37, the count
// little-endian, the rest zero.
QByteArray measurementReport(quint16 count)
{
    QByteArray report(65, '\0');
    report[1] = char(kv::kMeasurementCode);
    report[2] = char(count & 0xFF);
    report[3] = char(count >> 8);
    return report;
}

// Counts whose AKI label texts are pairwise different, in order of the count.
std::vector<quint16> distinctAkiCounts(const kv::MeasurementState& state, int wanted,
                                      QHash<QString, int>& index)
{
    std::vector<quint16> counts;
    for (int c = 1; c <= 0xFFFF && int(counts.size()) < wanted; ++c) {
        const kv::ReadingDisplay d = kv::computeReadingDisplay(
            quint16(c), state.dieselMode(), state.systemCorrection(), state.calibrations());
        const QString& text = d.label(kv::Aki).text;
        if (text == QLatin1String("0") || index.contains(text))
            continue;
        index.insert(text, int(counts.size()));
        counts.push_back(quint16(c));
    }
    return counts;
}

// What the GUI thread saw: for each change of the AKI label, when, and which report of
// the cycle it showed. Written by the GUI thread only; the feeder reads `shown`.
struct Observer {
    const kv::TextPanel* label = nullptr;
    const QHash<QString, int>* index = nullptr;
    QString lastText;
    std::vector<Clock::time_point> when;
    std::vector<int> which;
    std::atomic<int> shown{0};
    std::mutex mutex;
    std::condition_variable changed;

    void reset(int capacity)
    {
        when.assign(size_t(capacity), {});
        which.assign(size_t(capacity), -1);
        shown.store(0);
    }

    // Waits until at least n reports are shown; false after the time-out.
    bool waitFor(int n, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return shown.load() >= n; });
    }

    void check()
    {
        const QString text = label->text();
        if (text == lastText)
            return;
        const auto now = Clock::now();
        lastText = text;
        const int n = shown.load(std::memory_order_relaxed);
        if (n >= int(when.size()))
            return;
        when[size_t(n)] = now;
        which[size_t(n)] = index->value(text, -1);
        {
            std::lock_guard lock(mutex);
            shown.store(n + 1);
        }
        changed.notify_one();
    }
};

// QLabel sends no notification of its own when its text changes, so the labels are looked
// at after every event the GUI thread delivers: the hand-over of a report is one queued
// call, and once it returns the labels hold what the report set. The time taken is that
// of the return from the call (the label was set a few microseconds earlier, while the
// reader was being woken), so the figures err on the slow side. Looking costs one string
// comparison per event.
class ObservedApplication : public QApplication {
public:
    ObservedApplication(int& argc, char** argv)
        : QApplication(argc, argv)
    {
    }

    void observe(Observer* observer) { m_observer = observer; }

    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool result = QApplication::notify(receiver, event);
        if (m_observer && std::this_thread::get_id() == m_guiThread)
            m_observer->check();
        return result;
    }

private:
    Observer* m_observer = nullptr;
    std::thread::id m_guiThread = std::this_thread::get_id();
};

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
         + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Percentiles {
    double median = 0, p99 = 0, max = 0;
};

Percentiles percentiles(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size())))]; };
    return {at(0.5), at(0.99), v.back()};
}

// Runs the event loop while feed runs on a thread of its own; returns when it is done.
void runWithFeeder(const std::function<void()>& feed)
{
    QEventLoop loop;
    std::thread feeder([&] {
        feed();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    feeder.join();
}

double loadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    bool traceShown = true;
    bool quick = false;
    int sustainedSeconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "hidden") == 0)
            traceShown = false;
        else if (std::strcmp(argv[i], "quick") == 0)
            quick = true;
        else if (std::atoi(argv[i]) > 0)
            sustainedSeconds = std::atoi(argv[i]);
    }

    ObservedApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const char* name : {"kor.tab", "data.tab", "data2.tab"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
    }

    kv::StderrReporter errors;
    kv::FakeHidPlatform platform;
    kv::Workspace workspace(dir.path());
    kv::TForm1 form(workspace, platform, &errors);
    if (traceShown) {
        form.pageControl()->revealServicePages();
        form.pageControl()->setCurrentIndex(kTracePageIndex);
    }
    form.show();

    // The kernel's hidraw queue: 64 reports, whatever the link asks for.
    platform.setFixedInputQueueLength(64);
    kv::FakeHidDeviceModel model;
    model.attributes = {kv::kInstrumentVendorId, kv::kInstrumentProductId, 0x0100};
    model.product = QStringLiteral("QT-44 USB");
    const QString path = platform.plug(model);
    {
        QElapsedTimer waited;
        waited.start();
        while (!(form.link().currentDevice() && form.link().currentDevice()->readerRunning())
               && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!form.link().currentDevice() || !form.link().currentDevice()->readerRunning()) {
            std::fprintf(stderr, "the instrument was not taken by the link\n");
            return 1;
        }
    }

    QHash<QString, int> textIndex;
    const std::vector<quint16> cycle = distinctAkiCounts(workspace.state(), 400, textIndex);
    const int cycleLength = int(cycle.size());
    if (cycleLength < 3) {
        std::fprintf(stderr, "too few distinct AKI texts: %d\n", cycleLength);
        return 1;
    }
    // The label starts at "0", outside the cycle, so the first report changes it too.
    // Report i of a run is report sentBefore + i of the whole program, so a run never starts
    // with the text the previous one left.
    int sentBefore = 0;
    const auto cycleIndex = [&](int i) { return (sentBefore + i) % cycleLength; };
    const auto report = [&](int i) { return measurementReport(cycle[size_t(cycleIndex(i))]); };

    Observer observer;
    observer.label = form.resultPanel()->resultLabel(kv::Aki);
    observer.index = &textIndex;
    observer.lastText = observer.label->text();
    app.observe(&observer);
    // Reports handed over together set the labels several times within one event: each
    // setting is looked at as it happens (the labels follow the reading before this).
    QObject::connect(&workspace.state(), &kv::MeasurementState::readingChanged, &app,
                     [&observer] { observer.check(); });

    std::printf("instrument link end to end, trace page %s, %d-report cycle; load average %.2f, "
                "%u cores\n",
                traceShown ? "shown" : "hidden", cycleLength, loadAverage(),
                std::thread::hardware_concurrency());
    std::printf("VmRSS with the window shown and the instrument connected: %.1f MB\n",
                residentKiB() / 1024.0);
    const QWidget* strip = form.resultPanel()->trendView();
    std::printf("trend strip %s, %d x %d\n", strip->isVisible() ? "shown" : "NOT SHOWN",
                strip->width(), strip->height());

    // 1. Latency, one report at a time: the next goes once the previous is shown and the
    // pipeline has had a millisecond to settle.
    {
        const int reportCount = quick ? 300 : 3000;
        observer.reset(reportCount);
        std::vector<Clock::time_point> sent(static_cast<size_t>(reportCount));
        int timedOut = 0;
        runWithFeeder([&] {
            for (int i = 0; i < reportCount; ++i) {
                sent[size_t(i)] = Clock::now();
                platform.queueInput(path, report(i));
                if (!observer.waitFor(i + 1, std::chrono::seconds(2))) {
                    ++timedOut;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        std::vector<double> latency;
        int wrong = 0;
        for (int i = 0; i < observer.shown.load(); ++i) {
            latency.push_back(ms(observer.when[size_t(i)] - sent[size_t(i)]));
            if (observer.which[size_t(i)] != cycleIndex(i))
                ++wrong;
        }
        const Percentiles p = percentiles(latency);
        std::printf("latency, queueInput to labels set, %d reports one at a time:\n"
                    "  median %.3f ms, 99th percentile %.3f ms, max %.3f ms"
                    " (targets: < 2 ms, < 20 ms)\n",
                    int(latency.size()), p.median, p.p99, p.max);
        if (timedOut || wrong)
            std::printf("  NOT SHOWN: %d timed out, %d showed another report\n", timedOut, wrong);
        sentBefore += reportCount;
    }

    // 2. Sustained 1 kHz: the feeder paces each report to its own millisecond.
    {
        const int reports = sustainedSeconds * 1000;
        observer.reset(reports);
        std::vector<Clock::time_point> sent(static_cast<size_t>(reports));
        const int droppedBefore = platform.droppedInputCount(path);
        const double cpuBefore = cpuSeconds();
        // The steady state: from 30 % of the run on, when the trace holds all it keeps.
        const int steadyFrom = reports * 3 / 10;
        double cpuSteady = 0;
        Clock::time_point start;
        Clock::time_point steadyStart;
        Clock::time_point fed;
        runWithFeeder([&] {
            start = Clock::now();
            for (int i = 0; i < reports; ++i) {
                if (i == steadyFrom) {
                    cpuSteady = cpuSeconds();
                    steadyStart = Clock::now();
                }
                std::this_thread::sleep_until(start + std::chrono::microseconds(1000LL * i));
                sent[size_t(i)] = Clock::now();
                platform.queueInput(path, report(i));
            }
            fed = Clock::now();
            cpuSteady = cpuSeconds() - cpuSteady;
            // Whatever is still on its way gets a second to arrive.
            observer.waitFor(reports - platform.droppedInputCount(path) + droppedBefore,
                             std::chrono::seconds(1));
        });
        const double cpu = cpuSeconds() - cpuBefore;
        const int shown = observer.shown.load();
        const int dropped = platform.droppedInputCount(path) - droppedBefore;
        // Which reports were shown: the cycle index of each change, unwrapped.
        std::vector<double> latency;
        int expected = 0;
        int skipped = 0;
        for (int k = 0; k < shown; ++k) {
            const int which = observer.which[size_t(k)];
            const int gap = ((which - cycleIndex(expected)) + cycleLength) % cycleLength;
            skipped += gap;
            const int i = expected + gap;
            if (i < reports)
                latency.push_back(ms(observer.when[size_t(k)] - sent[size_t(i)]));
            expected = i + 1;
        }
        const Percentiles p = percentiles(latency);
        const double feedSeconds = std::chrono::duration<double>(fed - start).count();
        const double showSeconds =
            shown ? std::chrono::duration<double>(observer.when[size_t(shown - 1)] - start).count()
                  : 0;
        std::printf("sustained, %d reports paced at 1,000 per second:\n"
                    "  fed in %.3f s, last shown at %.3f s: %.0f reports per second shown\n"
                    "  lost %d: %d dropped by the device queue, %d queued but never shown"
                    " (%d gaps seen in the labels)\n"
                    "  latency under load: median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n"
                    "  process CPU time %.2f s (%.1f %% of one core); steady state, the last %.0f s: "
                    "%.1f %% of one core\n",
                    reports, feedSeconds, showSeconds, showSeconds > 0 ? shown / showSeconds : 0.0,
                    reports - shown, dropped, reports - shown - dropped, skipped, p.median, p.p99,
                    p.max, cpu, 100.0 * cpu / std::max(showSeconds, 1e-9),
                    std::chrono::duration<double>(fed - steadyStart).count(),
                    100.0 * cpuSteady / std::max(std::chrono::duration<double>(fed - steadyStart).count(), 1e-9));
        sentBefore += reports;
    }

    // 3. Memory over 100,000 reports, fed as fast as the link takes them without a drop
    // (never more than 32 waiting in the device queue).
    {
        const int reportCount = quick ? 10000 : 100000;
        const int step = reportCount / 10;
        constexpr int kDepth = 32;
        observer.reset(reportCount);
        const int droppedBefore = platform.droppedInputCount(path);
        std::vector<long> rss;
        rss.push_back(residentKiB());
        Clock::time_point start;
        Clock::time_point end;
        int stalled = 0;
        runWithFeeder([&] {
            start = Clock::now();
            for (int i = 0; i < reportCount; ++i) {
                if (i >= kDepth && !observer.waitFor(i - kDepth + 1, std::chrono::seconds(2))) {
                    stalled = i;
                    break;
                }
                platform.queueInput(path, report(i));
                if ((i + 1) % step == 0) {
                    observer.waitFor(i + 1, std::chrono::seconds(2));
                    rss.push_back(residentKiB());
                }
            }
            end = Clock::now();
        });
        const double seconds = std::chrono::duration<double>(end - start).count();
        std::printf("memory, %d reports as fast as they are shown (%.0f per second, %d dropped%s):\n"
                    "  VmRSS before: %.1f MB\n",
                    observer.shown.load(), observer.shown.load() / seconds,
                    platform.droppedInputCount(path) - droppedBefore, stalled ? ", STALLED" : "",
                    rss.front() / 1024.0);
        for (size_t k = 1; k < rss.size(); ++k)
            std::printf("  after %6zu: %.1f MB (%+.1f MB)\n", k * size_t(step), rss[k] / 1024.0,
                        (rss[k] - rss[k - 1]) / 1024.0);
        std::printf("  trace memo lines: %d\n", form.tracePage()->memo()->blockCount());
        sentBefore += reportCount;
    }

    app.observe(nullptr);

    // 4. The steps on the GUI thread alone, called directly: where the time of a report goes.
    {
        const int calls = quick ? 500 : 5000;
        const QByteArray sample = report(7);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(sample.constData());
        const std::span<const std::uint8_t> payload(bytes + 1, size_t(sample.size() - 1));
        const auto time = [&](const char* what, const std::function<void(int)>& step) {
            const auto t0 = Clock::now();
            for (int i = 0; i < calls; ++i)
                step(i);
            std::printf("  %-52s %8.2f us\n", what, 1000.0 * ms(Clock::now() - t0) / calls);
        };
        const auto handle = [&](int i) {
            const QByteArray r = report(i);
            form.link().hidDeviceData(*form.link().currentDevice(), 0,
                                      reinterpret_cast<const std::uint8_t*>(r.constData()) + 1,
                                      std::uint16_t(r.size() - 1));
        };
        std::printf("per report on the GUI thread (mean of %d direct calls):\n", calls);
        QString line = kv::TraceLine(0, payload);
        time("trace line text (TraceLine)", [&](int) { line = kv::TraceLine(0, payload); });
        time("append to the full memo (appendLine)", [&](int) { form.tracePage()->appendLine(line); });
        time("conversion alone (computeReadingDisplay)", [&](int i) {
            (void)kv::computeReadingDisplay(cycle[size_t(i % cycleLength)], false,
                                            workspace.state().systemCorrection(), workspace.state().calibrations());
        });
        time("conversion + labels (applyCount)",
             [&](int i) { workspace.state().applyCount(cycle[size_t(i % cycleLength)]); });
        time("whole handler (hidDeviceData)", handle);
        QWidget* trendView = form.resultPanel()->trendView();
        time("trend strip painted, 120 readings (repaint)", [&](int) { trendView->repaint(); });
        // What the event loop adds after each report: layout and painting of what changed.
        time("handler + one event loop pass (paint)", [&](int i) {
            handle(i);
            QApplication::processEvents();
        });
        time("the same without the trace line", [&](int i) {
            workspace.state().applyCount(cycle[size_t(i % cycleLength)]);
            QApplication::processEvents();
        });
        // A trace that gathers its lines and appends them 50 at a time (every 50 ms at
        // 1 kHz), so the memo lays out and repaints once per batch, not once per report.
        QStringList gathered;
        time("the same, trace lines appended 50 at a time", [&](int i) {
            gathered.append(kv::TraceLine(0, payload));
            workspace.state().applyCount(cycle[size_t(i % cycleLength)]);
            if (gathered.size() == 50) {
                form.tracePage()->appendLine(gathered.join(QLatin1Char('\n')));
                gathered.clear();
            }
            QApplication::processEvents();
        });

        // The memo's append alone, full, in the configurations worth comparing: the one
        // the trace page has (no wrapping), one that wraps at the widget's width, and lines
        // gathered and appended together, batch lines at a time.
        QPlainTextEdit* programMemo = form.tracePage()->memo();
        const auto memoAppend = [&](const char* what, QPlainTextEdit::LineWrapMode wrap,
                                    bool shown, int batch) {
            QPlainTextEdit memo;
            memo.setReadOnly(true);
            memo.setLineWrapMode(wrap);
            memo.setMaximumBlockCount(kv::TracePage::kMaxLines);
            memo.setFont(programMemo->font());
            memo.resize(programMemo->size());
            if (shown)
                memo.show();
            for (int i = 0; i < (quick ? 1000 : kv::TracePage::kMaxLines); ++i)
                memo.appendPlainText(line);
            QApplication::processEvents();
            QStringList lines;
            for (int i = 0; i < batch; ++i)
                lines.append(line);
            const auto t0 = Clock::now();
            for (int i = 0; i < calls; i += batch)
                memo.appendPlainText(lines.join(QLatin1Char('\n')));
            std::printf("  %-52s %8.2f us per line\n", what,
                        1000.0 * ms(Clock::now() - t0) / calls);
        };
        std::printf("the memo's append alone, %d lines of %d characters, full:\n",
                    kv::TracePage::kMaxLines, int(line.size()));
        memoAppend("no wrapping (as the trace page), hidden", QPlainTextEdit::NoWrap, false, 1);
        memoAppend("no wrapping (as the trace page), shown", QPlainTextEdit::NoWrap, true, 1);
        memoAppend("wrapping at the widget width, shown", QPlainTextEdit::WidgetWidth, true, 1);
        memoAppend("no wrapping, 10 lines per append, shown", QPlainTextEdit::NoWrap, true, 10);
        memoAppend("no wrapping, 100 lines per append, shown", QPlainTextEdit::NoWrap, true, 100);
    }
    return 0;
}
