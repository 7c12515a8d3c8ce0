#pragma once
// The print preview: the document's pages one under another, of which only those in view
// are painted, so a journal of thousands of pages opens as fast as one of a single page.
// It opens at least as large as the window it belongs to, at 100 %, on page 1. From it
// the operator prints, saves the pages as PDF, or changes paper and margins, after which
// the pages are laid out again and shown anew.

#include "journal/journal_table.h"

#include <QAbstractPrintDialog>
#include <QAbstractScrollArea>
#include <QDialog>
#include <QPageLayout>

#include <functional>

class QLabel;
class QPrinter;
class QSpinBox;

namespace kv {

class PagedDocument;
class ErrorReporter;

inline const QString kPrintPreviewTitle = QStringLiteral("Предварительный просмотр");
inline const QString kPrintFailedText = QStringLiteral("Не удалось напечатать страницы.");
inline const QString kPdfFailedText = QStringLiteral("Не удалось записать файл \"%1\".");
inline const QString kSelectionHeadNote = QStringLiteral("Отбор: выделенные строки");

class PrintPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PrintPageView(const PagedDocument& document, QWidget* parent = nullptr);

    // 1 is the paper's own size on the screen.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // The page's width fills the view.
    void fitWidth();

    // 1-based: the page at the top of the view.
    int currentPage() const;
    void showPage(int page);

    // The document was laid out again: its pages are shown anew, from `page` or as near as
    // there is one.
    void documentChanged(int page);

    // How many pages have been painted so far.
    int paintedPages() const { return m_painted; }

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double pixelsPerUnit() const;
    double pageWidth() const;
    double pageHeight() const;
    double pageStride() const;
    void updateScrollBars();

    const PagedDocument& m_document;
    double m_zoom = 1;
    int m_painted = 0;
    int m_lastPage = 0;
};

class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // The name to save the PDF under, or an empty text when the operator cancels.
    using FileChooser = std::function<QString(QWidget* parent)>;
    // Shows a printer's dialog on `printer` (the print dialog with `options` and pages
    // 1..pageCount, or the page setup) and answers whether the operator accepted it.
    using PrintDialogRunner = std::function<bool(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                                                 int pageCount, QWidget* parent)>;
    using PageSetupRunner = std::function<bool(QPrinter& printer, QWidget* parent)>;

    // `printer` is where "Печать…" prints to; `document` is laid out for its paper. Both
    // must outlive the dialog.
    PrintPreviewDialog(PagedDocument& document, QPrinter& printer, ErrorReporter& errors,
                       QWidget* parent = nullptr);

    PrintPageView* pageView() const { return m_view; }

    // The journal rows the operator selected, offered as the print dialog's "selection"
    // and then printed as a journal of their own. None (an empty table): not offered.
    void setSelection(JournalTable rows) { m_selection = std::move(rows); }

    // The print dialog, then the pages it asks for, with progress and Cancel.
    void printPages();
    // The file dialog, then every page as PDF on the previewed paper, with progress and
    // Cancel.
    void saveAsPdf();
    // The page setup dialog, then the pages laid out again for what it set.
    void setUpPage();

    static QString runPdfDialog(QWidget* parent);
    static bool runPrintDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                               int pageCount, QWidget* parent);
    static bool runPageSetupDialog(QPrinter& printer, QWidget* parent);

    // Tests put dialogs of their own in place.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setPrintDialog(PrintDialogRunner runner) { m_runPrintDialog = std::move(runner); }
    void setPageSetupDialog(PageSetupRunner runner) { m_runPageSetup = std::move(runner); }

private:
    // Lays the pages out again when the printer's paper, orientation or margins are no
    // longer those shown; false when the operator cancelled that (the printer then gets
    // the shown ones back).
    bool followPrinter();
    void showPageCount();

    PagedDocument& m_document;
    QPrinter& m_printer;
    ErrorReporter& m_errors;
    QPageLayout m_shownPaper;
    JournalTable m_selection;
    PrintPageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    FileChooser m_chooseFile = &PrintPreviewDialog::runPdfDialog;
    PrintDialogRunner m_runPrintDialog = &PrintPreviewDialog::runPrintDialog;
    PageSetupRunner m_runPageSetup = &PrintPreviewDialog::runPageSetupDialog;
};

}  // namespace kv
