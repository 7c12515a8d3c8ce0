// Figures for a journal of 100,000 rows: reading and writing its file, showing it in the
// journal page, and the peak resident memory of the whole run.

#include "app/workspace.h"
#include "core/error_guard.h"
#include "core/file_io.h"
#include "journal/journal_book.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"
#include "sample_journal.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRows = 100000;

QTemporaryDir* benchDir = nullptr;

QString journalPath()
{
    return benchDir->filePath(QStringLiteral("data2.tab"));
}

void writeJournalFile()
{
    kv::JournalTable table;
    kv::bench::fillSampleJournal(table, kRows);
    kv::saveTableFile(table, journalPath());
}

void BM_LoadTableFile(benchmark::State& state)
{
    for (auto _ : state) {
        kv::JournalTable table;
        kv::loadTableFile(table, journalPath());
        benchmark::DoNotOptimize(table.rowCount());
    }
}
BENCHMARK(BM_LoadTableFile)->Unit(benchmark::kMillisecond);

void BM_SaveTableFile(benchmark::State& state)
{
    kv::JournalTable table;
    kv::loadTableFile(table, journalPath());
    const QString out = benchDir->filePath(QStringLiteral("saved.tab"));
    for (auto _ : state)
        kv::saveTableFile(table, out);
}
BENCHMARK(BM_SaveTableFile)->Unit(benchmark::kMillisecond);

// A fresh page each time, as at start: the file is read, the model reset and the view laid
// out and painted once with the last rows in sight.
void BM_LoadAndShow(benchmark::State& state)
{
    kv::StderrReporter reporter;
    for (auto _ : state) {
        kv::Workspace workspace{QString()};  // no files: the pages' tables only
        kv::JournalBook& book = workspace.book();
        kv::ArchivePage archive(book, workspace, reporter);
        kv::JournalPage journal(workspace.state(), book, workspace, reporter);
        journal.resize(900, 600);
        journal.show();
        journal.fitColumnsAtCreate();
        book.read(kv::JournalBook::Table::Journal, kv::readWholeFile(journalPath()));
        journal.grid()->scrollToBottom();
        journal.grid()->viewport()->repaint();
        QApplication::processEvents();
        benchmark::DoNotOptimize(journal.table().rowCount());
    }
}
BENCHMARK(BM_LoadAndShow)->Unit(benchmark::kMillisecond);

// One entry at the end of a long journal: must not cost a pass over all rows.
void BM_EntryIntoLongJournal(benchmark::State& state)
{
    kv::StderrReporter reporter;
    kv::Workspace workspace{QString()};
    kv::JournalBook& book = workspace.book();
    kv::ArchivePage archive(book, workspace, reporter);
    kv::JournalPage journal(workspace.state(), book, workspace, reporter);
    journal.resize(900, 600);
    journal.show();
    book.read(kv::JournalBook::Table::Journal, kv::readWholeFile(journalPath()));
    for (auto _ : state) {
        journal.writeButClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_EntryIntoLongJournal)->Unit(benchmark::kMicrosecond);

}  // namespace

// One change as the operator makes it, on the GUI thread: an entry through the page into a
// journal of state.range(0) rows, then its deletion, each with its step on the undo stack,
// its record handed to the change log's writer and its line in the change history.
void BM_ChangeThroughTheWorkspace(benchmark::State& state)
{
    QTemporaryDir dir;
    {
        kv::JournalTable table;
        kv::bench::fillSampleJournal(table, int(state.range(0)));
        kv::saveTableFile(table, dir.filePath(QStringLiteral("data2.tab")));
        for (const char* name : {"data.tab", "kor.tab"})
            kv::replaceFileAtomically(dir.filePath(QString::fromLatin1(name)), {});
    }
    kv::StderrReporter reporter;
    kv::Workspace workspace(dir.path());
    workspace.reportTo(&reporter);
    workspace.load();
    kv::JournalPage journal(workspace.state(), workspace.book(), workspace, reporter);
    journal.resize(900, 600);
    journal.show();
    QApplication::processEvents();
    for (auto _ : state) {
        journal.writeButClick();
        journal.DelButClick();
        QApplication::processEvents();
    }
    workspace.flushChangeLog();
    state.counters["changes"] = benchmark::Counter(double(state.iterations() * 2));
}
BENCHMARK(BM_ChangeThroughTheWorkspace)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    benchDir = &dir;
    writeJournalFile();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("file: %lld bytes, %d rows\n", static_cast<long long>(QFileInfo(journalPath()).size()),
                kRows);
    std::printf("peak resident memory: %.1f MB\n", kv::bench::peakResidentMegabytes());
    return 0;
}
