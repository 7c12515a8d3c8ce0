// Figures for printing a long journal, each size in a process of its own, the peak memory
// counted from the moment the journal is in place (its building is the benchmark's, not the
// print's):
//   preview: from the print button to a preview showing page 1 (tmp1.html written, pages
//            laid out, the dialog open and painted), the resident memory before, at the
//            peak and after the preview closed and the allocator handed back what it can;
//   pdf:     every page printed to a PDF file;
//   word:    the pages laid out when one comment holds an 88-character word without a
//            blank (a network path, a link), beside the same journal without it.
// Run without arguments for 1,000, 20,000 and 100,000 rows (the word case for the first
// two); "--rows N --mode preview|pdf|word" measures one.

#include "app/workspace.h"
#include "core/error_guard.h"
#include "journal/table_file.h"
#include "core/file_io.h"
#include "journal/journal_book.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/print_preview_dialog.h"
#include "journal/ui/print_view.h"
#include "measure/measurement_state.h"
#include "sample_journal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

void waitUntil(const std::function<bool()>& done)
{
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

int measurePreview(int rows)
{
    QTemporaryDir dir;
    {
        kv::JournalTable table;
        kv::bench::fillSampleJournal(table, rows);
        kv::saveTableFile(table, dir.filePath(QStringLiteral("data2.tab")));
    }
    kv::StderrReporter reporter;
    QWidget window;
    window.resize(917, 760);
    kv::Workspace workspace(dir.path());
    kv::JournalBook& book = workspace.book();
    kv::ArchivePage archive(book, workspace, reporter, &window);
    kv::JournalPage journal(workspace.state(), book, workspace, reporter, &window);
    journal.resize(917, 760);
    book.read(kv::JournalBook::Table::Journal, kv::readWholeFile(dir.filePath(QStringLiteral("data2.tab"))));
    kv::PrintView web(reporter, &window);
    journal.setPrintView(&web);
    journal.setPrintDirectory(dir.path());
    window.show();
    QApplication::processEvents();
    ::malloc_trim(0);
    const double before = kv::bench::residentMegabytes();
    kv::bench::resetPeakResident();

    QElapsedTimer clock;
    double seconds = 0;
    int pages = 0;
    bool shown = false;
    // The preview as the program opens it, closed once page 1 has been painted.
    web.setPreviewOpener([&](kv::JournalPrintDocument& document, const kv::JournalTable& selection, QWidget* parent) {
        QPrinter printer(QPrinter::HighResolution);
        kv::PrintView::setUpPrinter(printer);
        kv::PrintPreviewDialog dialog(document, printer, reporter, parent);
        dialog.setSelection(selection);
        dialog.show();
        waitUntil([&] { return dialog.pageView()->paintedPages() > 0; });
        seconds = double(clock.nsecsElapsed()) / 1e9;
        pages = document.pageCount();
        return shown = true;
    });
    clock.start();
    journal.findChild<QToolButton*>(QStringLiteral("printBut"))->click();
    waitUntil([&] { return shown; });
    const double peak = kv::bench::peakResidentSinceResetMegabytes();
    QApplication::processEvents();
    ::malloc_trim(0);
    std::printf("preview %7d rows: %6.2f s, %5d pages, resident %6.1f MB before, peak %6.1f MB, "
                "%6.1f MB after close\n",
                rows, seconds, pages, before, peak, kv::bench::residentMegabytes());
    return 0;
}

int measurePdf(int rows)
{
    QTemporaryDir dir;
    kv::JournalTable table;
    kv::bench::fillSampleJournal(table, rows);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    kv::PrintView::setUpPrinter(printer);
    printer.setOutputFileName(dir.filePath(QStringLiteral("journal.pdf")));
    ::malloc_trim(0);
    const double before = kv::bench::residentMegabytes();
    kv::bench::resetPeakResident();
    QElapsedTimer clock;
    clock.start();
    const auto document = kv::JournalPrintDocument::create(table, printer.pageLayout(), QDate::currentDate());
    const double layout = double(clock.nsecsElapsed()) / 1e9;
    const bool printed = document->print(printer) == kv::JournalPrintDocument::PrintResult::Printed;
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("pdf     %7d rows: %6.2f s (%.2f s laying out), %5d pages, %lld bytes%s, resident %6.1f MB "
                "before, peak %6.1f MB\n",
                rows, seconds, layout, document->pageCount(),
                static_cast<long long>(QFileInfo(printer.outputFileName()).size()),
                printed ? "" : " FAILED", before, kv::bench::peakResidentSinceResetMegabytes());
    return printed ? 0 : 1;
}

int measureLongWord(int rows)
{
    kv::JournalTable table;
    kv::bench::fillSampleJournal(table, rows);
    QPrinter printer(QPrinter::HighResolution);
    kv::PrintView::setUpPrinter(printer);
    const QDate date = QDate::currentDate();
    const int plainPages = kv::JournalPrintDocument::create(table, printer.pageLayout(), date)->pageCount();
    table.setCell(rows / 2, kv::JournalTable::kCommentColumn,
                  QStringLiteral("\\\\lab-server\\octane\\") + QString(68, u'_'));
    QElapsedTimer clock;
    clock.start();
    const auto document = kv::JournalPrintDocument::create(table, printer.pageLayout(), date);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("word    %7d rows: %6.2f s laying out, %5d pages (%d without the word)\n", rows, seconds,
                document->pageCount(), plainPages);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QStringList args = QApplication::arguments();
    const int rowsAt = int(args.indexOf(QStringLiteral("--rows")));
    const int modeAt = int(args.indexOf(QStringLiteral("--mode")));
    if (rowsAt > 0 && modeAt > 0 && modeAt + 1 < args.size() && rowsAt + 1 < args.size()) {
        const int rows = args[rowsAt + 1].toInt();
        const QString mode = args[modeAt + 1];
        if (mode == QStringLiteral("word"))
            return measureLongWord(rows);
        return mode == QStringLiteral("pdf") ? measurePdf(rows) : measurePreview(rows);
    }
    int failures = 0;
    for (const char* mode : {"preview", "pdf", "word"})
        for (int rows : {1000, 20000, 100000}) {
            if (QByteArrayView(mode) == "word" && rows > 20000)
                continue;
            QProcess run;
            run.setProcessChannelMode(QProcess::ForwardedChannels);
            run.start(QApplication::applicationFilePath(),
                      {QStringLiteral("--rows"), QString::number(rows), QStringLiteral("--mode"),
                       QString::fromLatin1(mode)});
            run.waitForFinished(-1);
            failures += run.exitCode() != 0;
        }
    return failures == 0 ? 0 : 1;
}
