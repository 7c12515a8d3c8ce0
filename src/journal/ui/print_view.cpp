#include "journal/ui/print_view.h"

#include "core/error_guard.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/print_preview_dialog.h"
#include "journal/ui/work_progress.h"

#include <QDate>
#include <QPrinter>
#include <QTimer>

#include <memory>

namespace kv {

PrintView::PrintView(ErrorReporter& errors, QWidget* window)
    : QObject(window)
    , m_errors(errors)
    , m_window(window)
    , m_openPreview([this](const JournalPrintDocument& document, QWidget* parent) {
        return openPrintPreview(document, m_errors, parent);
    })
{
    setObjectName(QStringLiteral("Web"));
}

void PrintView::setUpPrinter(QPrinter& printer)
{
    // A printer's own margins are its unprintable edges, a few millimetres; the pages have
    // always had wider ones.
    const double margin = kDefaultMarginMillimetres;
    printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
}

bool PrintView::openPrintPreview(const JournalPrintDocument& document, ErrorReporter& errors,
                                 QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printer.isValid())
        return false;
    setUpPrinter(printer);
    PrintPreviewDialog dialog(document, printer, errors, parent);
    dialog.exec();
    return true;
}

void PrintView::navigate(const JournalTable& page)
{
    // The rows as they are now: entries made before the preview opens are the next
    // page's.
    QTimer::singleShot(0, this, [this, page] { WebNavigateComplete2(page); });
}

void PrintView::WebNavigateComplete2(const JournalTable& page)
{
    runGuarded(m_errors, [this, &page] {
        std::unique_ptr<JournalPrintDocument> document;
        {
            WorkProgress progress(m_window, QStringLiteral("Печать"),
                                  QStringLiteral("Подготовка страниц…"));
            QPrinter printer(QPrinter::HighResolution);
            setUpPrinter(printer);
            document = JournalPrintDocument::create(
                page, printer.pageLayout(), QDate::currentDate(), {},
                [&progress](int done, int total) { return progress.report(done, total); });
        }
        if (!document)  // cancelled
            return;
        if (!m_openPreview || !m_openPreview(*document, m_window))
            throw Error(kPrintPreviewError);
    });
}

}  // namespace kv
