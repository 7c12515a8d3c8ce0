// Figures for a journal of 100,000 rows handed on: the export to a workbook through the
// .xlsx workbook writer (every step and the save) and writing the print page
// (kv_print_bench measures printing itself), with the peak resident memory before and after.

#include "journal/journal_entry.h"
#include "journal/print_page.h"
#include "journal/spreadsheet_export.h"
#include "journal/xlsx_workbook_writer.h"
#include "sample_journal.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
