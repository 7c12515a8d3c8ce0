#include "journal/ui/paged_document.h"

#include "core/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <algorithm>
#include <memory>

namespace kv {

namespace {

// Beside the file, so that a large printout is not held in a small temporary folder; in
// the temporary folder where the file's own allows none.
std::unique_ptr<QTemporaryFile> temporaryFor(const QString& path)
{
    const QFileInfo info(path);
    const QString name = QStringLiteral(".%1.kv4410pc-print-XXXXXX").arg(info.fileName());
    for (const QString& folder : {info.absolutePath(), QDir::tempPath()}) {
        auto file = std::make_unique<QTemporaryFile>(QDir(folder).filePath(name));
        if (file->open()) {
            file->close();
            return file;
        }
    }
    return nullptr;
}

}  // namespace

PagedDocument::PrintResult PagedDocument::print(QPrinter& printer, const PrintProgress& progress) const
{
    const QString target = printer.outputFileName();
    if (target.isEmpty())
        return printPages(printer, progress);
    const std::unique_ptr<QTemporaryFile> temporary = temporaryFor(target);
    if (!temporary)
        return PrintResult::Failed;
    printer.setOutputFileName(temporary->fileName());
    const PrintResult result = printPages(printer, progress);
    printer.setOutputFileName(target);
    // Through the safe save: the file keeps its mode, a link its target, and a failed
    // copy leaves the earlier file whole.
    if (result == PrintResult::Printed)
        copyFileSafely(temporary->fileName(), target);
    return result;
}

PagedDocument::PrintResult PagedDocument::printPages(QPrinter& printer, const PrintProgress& progress) const
{
    return paintPages(printer, pageCount(), [this](QPainter& painter, int index) { paintPage(painter, index); },
                      progress);
}

PagedDocument::PrintResult PagedDocument::paintPages(QPrinter& printer, int count,
                                                     const std::function<void(QPainter&, int)>& paint,
                                                     const PrintProgress& progress)
{
    printer.setFullPage(true);
    int from = printer.fromPage();
    int to = printer.toPage();
    if (printer.printRange() == QPrinter::Selection || from <= 0 || to <= 0) {
        from = 1;
        to = count;
    }
    to = std::min(to, count);

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::Failed;
    const double scale = printer.resolution() / kUnitsPerInch;
    for (int p = from; p <= to; ++p) {
        if (p > from && !printer.newPage()) {
            painter.end();
            return PrintResult::Failed;
        }
        painter.save();
        painter.scale(scale, scale);
        paint(painter, p - 1);
        painter.restore();
        if (progress && p < to && !progress(p - from + 1, to - from + 1)) {
            printer.abort();
            painter.end();
            return PrintResult::Cancelled;
        }
    }
    return painter.end() ? PrintResult::Printed : PrintResult::Failed;
}

}  // namespace kv
