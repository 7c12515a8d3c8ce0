// Figures for the find bar on a long journal: each keystroke typed into the find field,
// from the key to the grid painted with the rows found (the filter runs on the window's
// thread), then the Escape that shows every row again.
//   kv_find_bench [ROWS...]     default 100000 and 1000000

#include "app/workspace.h"
#include "core/error_guard.h"
#include "journal/journal_book.h"
#include "journal/journal_filter_model.h"
#include "journal/table_file.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/find_bar.h"
#include "journal/ui/journal_page.h"
#include "sample_journal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

// The time from sending the key to the event queue running dry, the grid repainted.
double keystroke(QWidget* target, int key, const QString& text)
{
    QElapsedTimer clock;
    clock.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1e6;
}

void measure(int rows)
{
    kv::StderrReporter reporter;
    QWidget window;
    window.resize(917, 760);
    kv::Workspace workspace{QString()};
    kv::JournalBook& book = workspace.book();
    kv::ArchivePage archive(book, workspace, reporter, &window);
    kv::JournalPage journal(workspace.state(), book, workspace, reporter, &window);
    journal.resize(917, 760);
    {
        kv::JournalTable table;
        kv::bench::fillSampleJournal(table, rows);
        book.read(kv::JournalBook::Table::Journal, kv::tableFileBytes(table));
    }
    window.show();
    QApplication::processEvents();

    QLineEdit* edit = journal.findBar()->textEdit();
    edit->setFocus();
    const auto type = [&](const QString& word, const char* what) {
        std::vector<double> times;
        for (QChar c : word)
            times.push_back(keystroke(edit, c.isLetter() ? Qt::Key_A : Qt::Key_0, QString(c)));
        std::printf("%8d rows, typing %-12s per key: first %6.1f ms, worst %6.1f ms, last %6.1f ms, "
                    "%d rows found\n",
                    rows, what, times.front(), *std::max_element(times.begin(), times.end()),
                    times.back(), journal.shownRows().shownCount());
    };
    type(QStringLiteral("БАКА 4711"), "\"БАКА 4711\"");
    std::printf("%8d rows, Escape (every row back): %6.1f ms\n", rows, keystroke(edit, Qt::Key_Escape, {}));
    // Nothing matches: every cell of every row is looked at, at every key.
    type(QStringLiteral("щщщ"), "\"щщщ\"");
    std::printf("%8d rows, Escape (every row back): %6.1f ms\n", rows, keystroke(edit, Qt::Key_Escape, {}));
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};
    for (int rows : sizes)
        measure(rows);
    return 0;
}
