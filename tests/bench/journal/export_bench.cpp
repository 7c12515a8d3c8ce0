// Figures for a journal of 100,000 rows handed on: the export to a workbook through the
// .xlsx workbook writer (every step and the save) and writing the print page
// (kv_print_bench measures printing itself), with the peak resident memory before and after;
// the CSV export of 100,000 and 1,000,000 rows; and, for a million rows to a workbook and to
// CSV, the longest the window's thread goes without handling events (target: 200 ms).

#include "journal/csv_export.h"
#include "journal/journal_entry.h"
#include "journal/print_page.h"
#include "journal/spreadsheet_export.h"
#include "journal/xlsx_workbook_writer.h"
#include "sample_journal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 100000;

QTemporaryDir* benchDir = nullptr;
kv::JournalTable* journal = nullptr;

class NoCursor : public kv::BusyCursor {
public:
    void setHourglass() override {}
    void setDefault() override {}
};

QString workbookPath()
{
    return benchDir->filePath(QStringLiteral("журнал.xls"));
}

void BM_ExportToWorkbook(benchmark::State& state)
{
    NoCursor cursor;
    for (auto _ : state)
        kv::exportGridToSpreadsheet(*journal, workbookPath(), &kv::createXlsxWorkbookWriter, cursor);
}
BENCHMARK(BM_ExportToWorkbook)->Unit(benchmark::kMillisecond);

// Cancelled with 99.5 % of the rows written: what the operator waits for after Cancel is
// the part past the export above's share of rows.
void BM_ExportCancelledNearTheEnd(benchmark::State& state)
{
    NoCursor cursor;
    const QString file = benchDir->filePath(QStringLiteral("отменён.xlsx"));
    for (auto _ : state)
        kv::exportGridToSpreadsheet(*journal, file, &kv::createXlsxWorkbookWriter, cursor,
                                    [](int done, int total) { return done < total - 1000; });
}
BENCHMARK(BM_ExportCancelledNearTheEnd)->Unit(benchmark::kMillisecond);

void BM_BuildPrintPage(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kv::buildPrintPage(*journal, benchDir->path()));
}
BENCHMARK(BM_BuildPrintPage)->Unit(benchmark::kMillisecond);

// The longest stretch the window's thread goes without handling events during the export
// of a million rows, the save included: what the operator sees as a window that doesn't
// repaint. Every progress report handles the events waiting, as the progress dialog does,
// and a 10 ms heartbeat timer counts as handled events too.
class EventGaps {
public:
    EventGaps()
    {
        m_clock.start();
        QObject::connect(&m_heartbeat, &QTimer::timeout, [this] { beat(); });
        m_heartbeat.start(10);
    }
    void beat()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    double longestMs()
    {
        beat();
        return double(m_longest) / 1e6;
    }

private:
    QElapsedTimer m_clock;
    QTimer m_heartbeat;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

const kv::JournalTable& millionRows()
{
    static const kv::JournalTable table = [] {
        kv::JournalTable t;
        kv::bench::fillSampleJournal(t, 1000000);
        return t;
    }();
    return table;
}

// A journal of `rows` rows, built once.
const kv::JournalTable& journalOf(int rows)
{
    if (rows == kRows)
        return *journal;
    return millionRows();
}

void BM_ExportToCsv(benchmark::State& state)
{
    NoCursor cursor;
    const kv::JournalTable& table = journalOf(int(state.range(0)));
    const QString file = benchDir->filePath(QStringLiteral("журнал.csv"));
    for (auto _ : state)
        kv::exportGridToCsv(table, file, cursor);
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_ExportToCsv)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The export as the window runs it: every report handles the events waiting, and the save
// runs on its own thread while an event loop waits for it.
void BM_LongestEventGap(benchmark::State& state)
{
    const bool csv = state.range(0) != 0;
    NoCursor cursor;
    const kv::JournalTable& table = millionRows();
    const QString file = benchDir->filePath(csv ? QStringLiteral("миллион.csv") : QStringLiteral("миллион.xlsx"));
    double longest = 0;
    for (auto _ : state) {
        EventGaps gaps;
        const auto report = [&gaps](int, int) {
            QCoreApplication::processEvents();
            gaps.beat();
            return true;
        };
        const auto wait = [](kv::BackgroundSave& save) { kv::waitInEventLoop(save); };
        if (csv)
            kv::exportGridToCsv(table, file, cursor, report, wait);
        else
            kv::exportGridToSpreadsheet(table, file, &kv::createXlsxWorkbookWriter, cursor, report, wait);
        longest = std::max(longest, gaps.longestMs());
    }
    state.counters["longest_gap_ms"] = longest;
}
BENCHMARK(BM_LongestEventGap)
    ->ArgName("csv")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    benchDir = &dir;
    kv::JournalTable table;
    kv::bench::fillSampleJournal(table, kRows);
    journal = &table;
    const double before = kv::bench::peakResidentMegabytes();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("rows: %d, workbook: %lld bytes, print page: %lld bytes\n", kRows,
                static_cast<long long>(QFileInfo(workbookPath()).size()),
                static_cast<long long>(QFileInfo(dir.filePath(kv::kPrintPageFileName)).size()));
    std::printf("peak resident memory: %.1f MB with the journal built, %.1f MB after the runs\n",
                before, kv::bench::peakResidentMegabytes());
    return 0;
}
