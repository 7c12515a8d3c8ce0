#pragma once
// The print preview: the document's pages one under another, of which only those in view
// are painted, so a journal of thousands of pages opens as fast as one of a single page.
// It opens at least as large as the window it belongs to, at 100 %, on page 1.

#include <QAbstractScrollArea>
#include <QDialog>

class QLabel;
class QPrinter;
class QSpinBox;

namespace kv {

class JournalPrintDocument;
class ErrorReporter;

inline const QString kPrintPreviewTitle = QStringLiteral("Предварительный просмотр");
inline const QString kPrintFailedText = QStringLiteral("Не удалось напечатать страницы.");

class PrintPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PrintPageView(const JournalPrintDocument& document, QWidget* parent = nullptr);

    // 1 is the paper's own size on the screen.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // The page's width fills the view.
    void fitWidth();

    // 1-based: the page at the top of the view.
    int currentPage() const;
    void showPage(int page);

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

    const JournalPrintDocument& m_document;
    double m_zoom = 1;
    int m_painted = 0;
    int m_lastPage = 0;
};

class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // `printer` is where "Печать…" prints to; both must outlive the dialog.
    PrintPreviewDialog(const JournalPrintDocument& document, QPrinter& printer,
                       ErrorReporter& errors, QWidget* parent = nullptr);

    PrintPageView* pageView() const { return m_view; }

    // The print dialog, then the pages it asks for, with progress and Cancel.
    void printPages();

private:
    const JournalPrintDocument& m_document;
    QPrinter& m_printer;
    ErrorReporter& m_errors;
    PrintPageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
};

}  // namespace kv
