// Файл → История изменений… with a year of a busy laboratory (20,000 changes): the size of
// history.log, the time to verify it, from constructing the dialog to its first paint, and
// one keystroke of the filter. Prints figures; not a test. kv_history_bench [CHANGES].

#include "app/change_history.h"
#include "app/history_dialog.h"
#include "core/file_io.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    QApplication app(argc, argv);

    // Mostly entries and comments, every tenth a delete: each line holds the full cells.
    QTemporaryDir dir;
    const QString path = dir.filePath(kv::ChangeHistory::kFileName);
    kv::ChangeHistory history(dir.path());
    QByteArray bytes;
    QByteArray hash;
    const QDateTime start(QDate(2026, 1, 9), QTime(8, 0), QTimeZone(3 * 3600));
    for (int i = 1; i <= changes; ++i) {
        kv::ChangeHistory::Entry e;
        e.time = start.addSecs(i * 1500).toString(Qt::ISODate);
        e.user = QStringLiteral("laborant");
        e.table = QStringLiteral("журнал");
        e.number = QString::number(i);
        const std::array<QString, 5> row = {QString::number(i), start.addSecs(i * 1500).toString("dd.MM.yyyy hh:mm:ss"),
                                            QStringLiteral("Исследовательский"), QStringLiteral("92,4"),
                                            QStringLiteral("проба %1, АИ-92, партия 2026-%2").arg(i).arg(i % 400)};
        if (i % 10 == 0) {
            e.step = QStringLiteral("удаление строки %1").arg(i);
            e.before = row;
        } else if (i % 3 == 0) {
            e.step = QStringLiteral("комментарий строки %1").arg(i);
            std::array<QString, 5> old = row;
            old[4] = QStringLiteral(" ");
            e.before = old;
            e.after = row;
        } else {
            e.step = QStringLiteral("запись строки %1").arg(i);
            e.after = row;
        }
        if (i == 1) {  // the file's header as the program writes it, then lines like its own
            history.append(e);
            bytes = kv::readWholeFile(path);
            hash = kv::ChangeHistory::verify(bytes).lastHash;
            continue;
        }
        QByteArray next;
        bytes += kv::ChangeHistory::line(e, hash, &next);
        hash = next;
    }
    kv::replaceFileAtomically(path, bytes);

    QElapsedTimer timer;
    timer.start();
    const bool whole = kv::ChangeHistory::verify(kv::readWholeFile(path)).whole;
    const double verifyMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    kv::HistoryDialog dialog(path);
    dialog.show();
    (void)dialog.grab();  // the first paint, as the window shows it
    QCoreApplication::processEvents();
    const double openMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    dialog.filter()->setText(QStringLiteral("удаление"));
    (void)dialog.grab();
    const double filterMs = timer.nsecsElapsed() / 1e6;

    std::printf("history of %d changes: %.2f MB, chain %s\n", changes, bytes.size() / 1e6, whole ? "whole" : "BROKEN");
    std::printf("verify: %.1f ms\n", verifyMs);
    std::printf("dialog to first paint: %.1f ms\n", openMs);
    std::printf("filter keystroke (\"удаление\", %d shown) to paint: %.1f ms\n", dialog.shownCount(), filterMs);
    return 0;
}
