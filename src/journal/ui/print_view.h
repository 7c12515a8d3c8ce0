#pragma once
// Web: the main window's HTML viewer, used only for printing. It shows the print page and,
// once the page has loaded, opens the print preview, one per page shown.

#include <QTextBrowser>

#include <functional>

class QTextDocument;

namespace kv {

class ErrorReporter;

inline const QString kPrintPreviewError = QStringLiteral("Error print page !");

class PrintView : public QTextBrowser {
public:
    // Opens the preview of the page and returns once it is closed; false when no
    // preview could be opened.
    using PreviewOpener = std::function<bool(QTextDocument& page, QWidget* parent)>;

    explicit PrintView(ErrorReporter& errors, QWidget* parent = nullptr);

    // A QPrintPreviewDialog on the default printer (or PDF output where there is none).
    static bool openPrintPreview(QTextDocument& page, QWidget* parent);

    // Shows the page file (code page 1251) and returns; WebNavigateComplete2 follows from
    // the event loop. Raises FileOpenError when the file can't be read.
    void navigate(const QString& path);

    // The page has loaded: the print preview, "Error print page !" when it can't be opened.
    void WebNavigateComplete2();

    void setPreviewOpener(PreviewOpener opener) { m_openPreview = std::move(opener); }

private:
    ErrorReporter& m_errors;
    PreviewOpener m_openPreview = &PrintView::openPrintPreview;
};

}  // namespace kv
