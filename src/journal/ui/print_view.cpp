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
    , m_openPreview([this](JournalPrintDocument& document, const JournalTable& selection, QWidget* parent) {
        return openPrintPreview(document, selection, m_errors, parent);
    })
{
    setObjectName(QStringLiteral("Web"));
}

void PrintView::setPreviewOpener(DocumentOpener opener)
{
    m_openPreview = [opener = std::move(opener)](JournalPrintDocument& document, const JournalTable&,
                                                 QWidget* parent) { return opener(document, parent); };
}

void PrintView::setUpPrinter(QPrinter& printer)
{
    // A printer's own margins are its unprintable edges, a few millimetres; the pages have
    // always had wider ones.
    const double margin = kDefaultMarginMillimetres;
    printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
}

bool PrintView::openPrintPreview(JournalPrintDocument& document, const JournalTable& selection,
                                 ErrorReporter& errors, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printer.isValid())
        return false;
    setUpPrinter(printer);
    PrintPreviewDialog dialog(document, printer, errors, parent);
    dialog.setSelection(selection);
    dialog.exec();
    return true;
}

void PrintView::navigate(const JournalTable& page, const JournalTable& selection, const QString& headNote)
{
    // The rows as they are now: entries made before the preview opens are the next
    // page's.
    QTimer::singleShot(0, this, [this, page, selection, headNote] {
        WebNavigateComplete2(page, selection, headNote);
    });
}

void PrintView::WebNavigateComplete2(const JournalTable& page, const JournalTable& selection,
                                     const QString& headNote)
{
    runGuarded(m_errors, [&] {
        std::unique_ptr<JournalPrintDocument> document;
        {
            WorkProgress progress(m_window, QStringLiteral("Печать"),
                                  QStringLiteral("Подготовка страниц…"));
            QPrinter printer(QPrinter::HighResolution);
            setUpPrinter(printer);
            document = JournalPrintDocument::create(
                page, printer.pageLayout(), QDate::currentDate(), headNote,
                [&progress](int done, int total) { return progress.report(done, total); });
        }
        if (!document)  // cancelled
            return;
        if (!m_openPreview || !m_openPreview(*document, selection, m_window))
            throw Error(kPrintPreviewError);
    });
}

}  // namespace kv
