// A million rows held by the main window: the time from constructing it (which reads the
// files) to the end of its first event loop iteration, its resident memory then, one
// entry, the close that writes both files, and the freeing after it.
//   kv_million_bench [ROWS]      default 1,000,000 in the journal, 1,000 in the archive
// The files are written by a child process, so the figures are the window's alone.

#include "app/main_window.h"
#include "app/workspace.h"
#include "core/error_guard.h"
#include "core/file_io.h"
#include "device/hid/fake_hid_platform.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"
#include "sample_journal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace {

void writeTable(const QString& path, int rows, const QString& comment)
{
    std::vector<kv::JournalRow> entries;
    entries.reserve(std::size_t(rows));
    const QDateTime start(QDate(2026, 1, 8), QTime(8, 0));
    for (int r = 1; r <= rows; ++r) {
        kv::JournalRow entry = kv::makeEntry(r, start.addSecs(r * 30), kv::Method(1 + r % 4),
                                             QString::number(80 + r % 200 / 10.0, 'f', 1).replace(u'.', u','));
        entry.cells[kv::JournalTable::kCommentColumn] = r % 3 ? QString() : comment.arg(r);
        entries.push_back(std::move(entry));
    }
    kv::saveTableFile(kv::journalTableOf(entries), path);
}

double since(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    if (const pid_t writer = ::fork(); writer == 0) {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        writeTable(dir.filePath(QStringLiteral("data2.tab")), rows, QStringLiteral("проба из бака %1"));
        writeTable(dir.filePath(QStringLiteral("data.tab")), 1000, QStringLiteral("архив, партия %1"));
        kv::replaceFileAtomically(dir.filePath(QStringLiteral("kor.tab")), QByteArray());
        std::_Exit(0);
    } else {
        int status = 0;
        ::waitpid(writer, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return 1;
    }

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    kv::StderrReporter errors;
    kv::FakeHidPlatform platform;
    const double before = kv::bench::residentMegabytes();
    QElapsedTimer clock;
    clock.start();
    auto workspace = std::make_unique<kv::Workspace>(dir.path());
    auto form = std::make_unique<kv::TForm1>(*workspace, platform, &errors);
    form->show();
    QApplication::processEvents();
    const double open = since(clock);
    const double resident = kv::bench::residentMegabytes();
    const double peak = kv::bench::peakResidentMegabytes();
    ::malloc_trim(0);
    const double trimmed = kv::bench::residentMegabytes();

    workspace->state().applyCount(8000);
    clock.restart();
    form->journalPage()->writeButClick();
    QApplication::processEvents();
    const double entry = since(clock);

    clock.restart();
    form->close();
    const double close = since(clock);
    clock.restart();
    form.reset();
    workspace.reset();
    const double freeing = since(clock);

    std::printf("%d rows in the journal, 1000 in the archive (file %.1f MB)\n", rows,
                double(QFileInfo(dir.filePath(QStringLiteral("data2.tab"))).size()) / 1e6);
    std::printf("  open (construct, read, show, first event loop iteration): %.3f s\n", open);
    std::printf("  resident after opening: %.1f MiB (%.1f MiB before; %.1f MiB once the allocator has handed "
                "back what it can), peak %.1f MiB\n",
                resident, before, trimmed, peak);
    std::printf("  one entry: %.1f ms\n", entry * 1000);
    std::printf("  close, both files written: %.3f s; freeing the window and the tables after it: %.3f s\n",
                close, freeing);
    return 0;
}
