#pragma once
// Web: where a print request goes once the print page is written. When the event loop
// comes round, as a viewer reports a page loaded, it lays the journal out in pages and
// opens the print preview: one preview per request.
//
// The pages are made from the rows the page was written from, not by reading the page
// back: the page is a function of those rows, and printedText() gives each cell as a
// browser shows it from the page.

#include "journal/journal_table.h"

#include <QObject>

#include <functional>

class QPrinter;
class QWidget;

namespace kv {

class ErrorReporter;
class JournalPrintDocument;

inline const QString kPrintPreviewError = QStringLiteral("Error print page !");

class PrintView : public QObject {
    Q_OBJECT
public:
    // Opens the preview of the document, offering `selection` (the rows the operator
    // selected; empty: none) to print instead, and returns once it is closed; false when
    // no preview could be opened. The document may be laid out again meanwhile.
    using PreviewOpener = std::function<bool(JournalPrintDocument& document, const JournalTable& selection,
                                             QWidget* parent)>;
    // An opener that needs neither the selection nor to lay the pages out again.
    using DocumentOpener = std::function<bool(const JournalPrintDocument& document, QWidget* parent)>;

    // The preview and the progress of the work before it open over `window`.
    PrintView(ErrorReporter& errors, QWidget* window);

    // The printer a preview prints to (PDF output where there is none), with margins of
    // kDefaultMarginMillimetres until the operator sets others.
    static void setUpPrinter(QPrinter& printer);
    // The preview dialog on such a printer.
    static bool openPrintPreview(JournalPrintDocument& document, const JournalTable& selection,
                                 ErrorReporter& errors, QWidget* parent);

    // Takes the rows the print page was written from, those of them the operator selected
    // (offered as the print dialog's selection) and a note for the pages' head (the filter
    // the rows were chosen by), and returns; WebNavigateComplete2 follows from the event
    // loop.
    void navigate(const JournalTable& page, const JournalTable& selection = {}, const QString& headNote = {});

    // The page has loaded: the pages laid out (with progress and Cancel when it takes a
    // while), then the preview, or "Error print page !" when it can't be opened.
    void WebNavigateComplete2(const JournalTable& page, const JournalTable& selection = {},
                              const QString& headNote = {});

    void setPreviewOpener(PreviewOpener opener) { m_openPreview = std::move(opener); }
    void setPreviewOpener(DocumentOpener opener);

private:
    ErrorReporter& m_errors;
    QWidget* m_window;
    PreviewOpener m_openPreview;
};

}  // namespace kv
