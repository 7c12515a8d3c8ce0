// Start-up figures with a journal and an archive of 100,000 rows each: the time from
// constructing the main window (which loads the three files) through showing it to the
// end of the first event loop iteration, and the peak resident memory of the process.
//
// The files are written by a child process first, so the parent's peak memory is that
// of the start-up alone. Run on the offscreen platform: kv_app_startup_bench [runs].

#include "app/workspace.h"
#include "app/main_window.h"
#include "core/file_io.h"
#include "core/error_guard.h"
#include "device/hid/fake_hid_platform.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRows = 100000;

void writeTable(const QString& path, const QString& comment)
{
    std::vector<kv::JournalRow> rows;
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 0));
    for (int r = 1; r <= kRows; ++r) {
        kv::JournalRow entry = kv::makeEntry(r, start.addSecs(r), kv::Method(1 + r % 4),
                                             QStringLiteral("92,4 (АИ-92 эталон)"));
        entry.cells[kv::JournalTable::kCommentColumn] = comment.arg(r);
        rows.push_back(entry);
    }
    kv::saveTableFile(kv::journalTableOf(rows), path);
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const pid_t writer = fork();
    if (writer == 0) {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        writeTable(dir.filePath(QStringLiteral("data2.tab")), QStringLiteral("проба из бака %1"));
        writeTable(dir.filePath(QStringLiteral("data.tab")), QStringLiteral("архив, партия %1"));
        kv::replaceFileAtomically(dir.filePath(QStringLiteral("kor.tab")), QByteArray());
        std::_Exit(0);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    kv::StderrReporter errors;
    kv::FakeHidPlatform platform;
    std::vector<double> times;
    long firstPeak = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        {
            kv::Workspace workspace(dir.path());
            kv::TForm1 form(workspace, platform, &errors);
            form.show();
            QApplication::processEvents();
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (run == 0)
                firstPeak = peakResidentKiB();
        }
        QApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    QElapsedTimer loadClock;
    loadClock.start();
    kv::JournalTable journal;
    kv::loadTableFile(journal, dir.filePath(QStringLiteral("data2.tab")));
    const double loadMs = double(loadClock.nsecsElapsed()) / 1e6;
    std::printf("main window start-up, journal and archive of %d rows each (%d runs)\n", kRows,
                runs);
    std::printf("  construct + show + first event loop iteration: min %.1f ms, median %.1f ms, "
                "max %.1f ms\n",
                times.front(), times[times.size() / 2], times.back());
    std::printf("  of which reading one table file alone: %.1f ms\n", loadMs);
    std::printf("  peak resident memory after the first start-up: %.1f MB\n", firstPeak / 1024.0);
    std::printf("  peak resident memory after all runs: %.1f MB\n", peakResidentKiB() / 1024.0);
    return 0;
}
