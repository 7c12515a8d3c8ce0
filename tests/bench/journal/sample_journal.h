#pragma once
// What the journal benchmarks share: a journal of the size a busy laboratory reaches, and
// the peak resident memory of the run.

#include "journal/journal_entry.h"
#include "journal/journal_table.h"

#include <QDateTime>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace kv::bench {

// rows entries a second apart, the four methods in turn, each with a comment.
inline void fillSampleJournal(JournalTable& table, int rows)
{
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 0));
    std::vector<JournalRow> entries;
    entries.reserve(std::size_t(rows));
    for (int r = 1; r <= rows; ++r) {
        JournalRow entry = makeEntry(r, start.addSecs(r), Method(1 + r % 4), QStringLiteral("92,4 (АИ-92 склад 3)"));
        entry.cells[JournalTable::kCommentColumn] = QStringLiteral("проба из бака %1").arg(r);
        entries.push_back(std::move(entry));
    }
    table = journalTableOf(entries);
}

// The resident memory now, in MiB.
inline double residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

inline double peakResidentMegabytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The peak resident memory counted again from now (the kernel's high-water mark, VmHWM), so
// that a benchmark's own setup (a journal built in memory, then written) is not its figure.
inline void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The peak since resetPeakResident(), in MiB.
inline double peakResidentSinceResetMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    double kib = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> kib;
            break;
        }
    }
    return kib / 1024.0;
}

}  // namespace kv::bench
