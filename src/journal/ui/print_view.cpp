#include "journal/ui/print_view.h"

#include "core/cp1251.h"
#include "core/error_guard.h"
#include "core/file_io.h"

#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace kv {

namespace {
constexpr int kPrintPointSize = 10;
}

PrintView::PrintView(ErrorReporter& errors, QWidget* parent)
    : QTextBrowser(parent)
    , m_errors(errors)
{
    setObjectName(QStringLiteral("Web"));
    setOpenLinks(false);
}

bool PrintView::openPrintPreview(QTextDocument& page, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printer.isValid())
        return false;
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&page](QPrinter* target) {
                         // The window's type is sized in pixels, which on a printer of
                         // 1200 dots an inch comes out a millimetre high; paper gets points.
                         std::unique_ptr<QTextDocument> copy(page.clone());
                         QFont font = copy->defaultFont();
                         font.setPointSize(kPrintPointSize);
                         copy->setDefaultFont(font);
                         copy->print(target);
                     });
    dialog.exec();
    return true;
}

void PrintView::navigate(const QString& path)
{
    // The page says it is windows-1251 in a meta line a viewer reading bytes would follow;
    // decoding it here makes the Cyrillic right whatever the viewer guesses.
    const QString html = fromCp1251(readWholeFile(path));
    document()->setMetaInformation(QTextDocument::DocumentUrl,
                                   QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString());
    setHtml(html);
    // The page has loaded when the event loop comes round, as a browser reports it.
    QTimer::singleShot(0, this, [this] { WebNavigateComplete2(); });
}

void PrintView::WebNavigateComplete2()
{
    runGuarded(m_errors, [this] {
        if (!m_openPreview || !m_openPreview(*document(), this))
            throw Error(kPrintPreviewError);
    });
}

}  // namespace kv
