#include "journal/ui/print_preview_dialog.h"

#include "core/error_guard.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/paged_document.h"
#include "journal/ui/work_progress.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {
constexpr int kGap = 16;
constexpr double kZoomStep = 1.25;
constexpr double kMinimumZoom = 0.1;
constexpr double kMaximumZoom = 8;
}  // namespace

PrintPageView::PrintPageView(const PagedDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_document(document)
{
    setObjectName(QStringLiteral("PrintPageView"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    updateScrollBars();
}

double PrintPageView::pixelsPerUnit() const
{
    return m_zoom * logicalDpiX() / PagedDocument::kUnitsPerInch;
}

double PrintPageView::pageWidth() const
{
    return m_document.paperSize().width() * pixelsPerUnit();
}

double PrintPageView::pageHeight() const
{
    return m_document.paperSize().height() * pixelsPerUnit();
}

double PrintPageView::pageStride() const
{
    return pageHeight() + kGap;
}

void PrintPageView::updateScrollBars()
{
    const QSize view = viewport()->size();
    const double height = m_document.pageCount() * pageStride() + kGap;
    const double width = pageWidth() + 2 * kGap;
    verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(height)) - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(width)) - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
}

int PrintPageView::currentPage() const
{
    const int index = int((verticalScrollBar()->value() + 1) / pageStride());
    return std::clamp(index, 0, m_document.pageCount() - 1) + 1;
}

void PrintPageView::showPage(int page)
{
    page = std::clamp(page, 1, m_document.pageCount());
    verticalScrollBar()->setValue(int(std::lround((page - 1) * pageStride())));
}

void PrintPageView::setZoom(double zoom)
{
    // The page in view stays in view, at the same place.
    const double stride = pageStride();
    const double position = verticalScrollBar()->value() / stride;
    m_zoom = std::clamp(zoom, kMinimumZoom, kMaximumZoom);
    updateScrollBars();
    verticalScrollBar()->setValue(int(std::lround(position * pageStride())));
    viewport()->update();
}

void PrintPageView::fitWidth()
{
    const double paperPixels = m_document.paperSize().width() * logicalDpiX()
                               / PagedDocument::kUnitsPerInch;
    setZoom((viewport()->width() - 2 * kGap) / paperPixels);
}

void PrintPageView::documentChanged(int page)
{
    updateScrollBars();
    showPage(page);
    viewport()->update();
    m_lastPage = currentPage();
    emit currentPageChanged(m_lastPage);
}

void PrintPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const double scale = pixelsPerUnit();
    const double stride = pageStride();
    const int top = verticalScrollBar()->value();
    const double left = viewport()->width() > pageWidth() + 2 * kGap
                            ? (viewport()->width() - pageWidth()) / 2
                            : kGap - horizontalScrollBar()->value();
    const QRectF paper(QPointF(), m_document.paperSize());
    for (int i = std::max(0, int((top - kGap) / stride)); i < m_document.pageCount(); ++i) {
        const double y = kGap + i * stride - top;
        if (y > viewport()->height())
            break;
        const QRectF page(left, y, pageWidth(), pageHeight());
        if (!page.intersects(event->rect()))
            continue;
        painter.fillRect(page, Qt::white);
        painter.save();
        painter.translate(left, y);
        painter.scale(scale, scale);
        painter.setClipRect(paper);
        painter.setRenderHint(QPainter::TextAntialiasing);
        m_document.paintPage(painter, i);
        painter.restore();
        ++m_painted;
    }
}

void PrintPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PrintPageView::scrollContentsBy(int, int)
{
    viewport()->update();
    const int page = currentPage();
    if (page != m_lastPage) {
        m_lastPage = page;
        emit currentPageChanged(page);
    }
}

PrintPreviewDialog::PrintPreviewDialog(PagedDocument& document, QPrinter& printer,
                                       ErrorReporter& errors, QWidget* parent)
    : QDialog(parent)
    , m_document(document)
    , m_printer(printer)
    , m_errors(errors)
    , m_shownPaper(printer.pageLayout())
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(kPrintPreviewTitle);
    m_view = new PrintPageView(document, this);

    auto* bar = new QToolBar(this);
    const auto add = [this, bar](const char* name, const QString& text, auto slot) {
        QAction* action = bar->addAction(text);
        action->setObjectName(QLatin1StringView(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("printAction", QStringLiteral("Печать…"), [this] { printPages(); });
    add("pdfAction", QStringLiteral("Сохранить в PDF…"), [this] { saveAsPdf(); });
    add("pageSetupAction", QStringLiteral("Параметры страницы…"), [this] { setUpPage(); });
    bar->addSeparator();
    add("firstPageAction", QStringLiteral("Первая"), [this] { m_view->showPage(1); });
    add("previousPageAction", QStringLiteral("Назад"),
        [this] { m_view->showPage(m_view->currentPage() - 1); });
    m_pageBox = new QSpinBox(bar);
    m_pageBox->setObjectName(QStringLiteral("pageBox"));
    m_pageBox->setPrefix(QStringLiteral("Стр. "));
    m_pageBox->setKeyboardTracking(false);
    showPageCount();
    bar->addWidget(m_pageBox);
    add("nextPageAction", QStringLiteral("Вперёд"),
        [this] { m_view->showPage(m_view->currentPage() + 1); });
    add("lastPageAction", QStringLiteral("Последняя"),
        [this] { m_view->showPage(m_document.pageCount()); });
    bar->addSeparator();
    add("zoomOutAction", QStringLiteral("Мельче"), [this] { m_view->setZoom(m_view->zoom() / kZoomStep); });
    add("zoomInAction", QStringLiteral("Крупнее"), [this] { m_view->setZoom(m_view->zoom() * kZoomStep); });
    add("actualSizeAction", QStringLiteral("100 %"), [this] { m_view->setZoom(1); });
    add("fitWidthAction", QStringLiteral("По ширине"), [this] { m_view->fitWidth(); });
    bar->addSeparator();
    add("closeAction", QStringLiteral("Закрыть"), [this] { reject(); });

    connect(m_pageBox, &QSpinBox::valueChanged, m_view, &PrintPageView::showPage);
    connect(m_view, &PrintPageView::currentPageChanged, m_pageBox, [this](int page) {
        const QSignalBlocker block(m_pageBox);
        m_pageBox->setValue(page);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_view, 1);

    // Readable as it opens: no smaller than the window it previews for.
    QSize size(800, 600);
    if (parent)
        size = size.expandedTo(parent->window()->size());
    resize(size);
}

void PrintPreviewDialog::showPageCount()
{
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setRange(1, m_document.pageCount());
    m_pageBox->setSuffix(QStringLiteral(" из %1").arg(m_document.pageCount()));
    m_pageBox->setValue(m_view->currentPage());
}

QString PrintPreviewDialog::runPdfDialog(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Сохранить в PDF"));
    dialog.setObjectName(QStringLiteral("pdfDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("*.pdf"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool PrintPreviewDialog::runPrintDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                                        int pageCount, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(dialog.options() | options);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintPreviewDialog::runPageSetupDialog(QPrinter& printer, QWidget* parent)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintPreviewDialog::followPrinter()
{
    const QPageLayout paper = m_printer.pageLayout();
    if (paper.isEquivalentTo(m_shownPaper))
        return true;
    const int page = m_view->currentPage();
    bool laidOut = false;
    {
        WorkProgress progress(this, QStringLiteral("Печать"), QStringLiteral("Подготовка страниц…"));
        laidOut = m_document.layOutFor(paper, [&](int done, int total) { return progress.report(done, total); });
    }
    if (!laidOut) {
        m_printer.setPageLayout(m_shownPaper);
        return false;
    }
    m_shownPaper = paper;
    m_view->documentChanged(page);
    showPageCount();
    return true;
}

void PrintPreviewDialog::setUpPage()
{
    if (m_runPageSetup(m_printer, this))
        followPrinter();
}

void PrintPreviewDialog::printPages()
{
    const bool offerSelection = !m_selection.isEmpty();
    if (!offerSelection && m_printer.printRange() == QPrinter::Selection)
        m_printer.setPrintRange(QPrinter::AllPages);
    const QAbstractPrintDialog::PrintDialogOptions options =
        offerSelection ? QAbstractPrintDialog::PrintSelection : QAbstractPrintDialog::PrintDialogOptions();
    if (!m_runPrintDialog(m_printer, options, m_document.pageCount(), this) || !followPrinter())
        return;
    auto result = PagedDocument::PrintResult::Cancelled;
    const bool done = runGuarded(m_errors, [&] {
        WorkProgress progress(this, QStringLiteral("Печать"), QStringLiteral("Печать страниц…"));
        const PrintProgress report = [&progress](int step, int total) { return progress.report(step, total); };
        const PagedDocument* document = &m_document;
        std::unique_ptr<JournalPrintDocument> selected;
        if (offerSelection && m_printer.printRange() == QPrinter::Selection) {
            // The rows selected are a journal of their own, dated as the one previewed.
            const auto* journal = dynamic_cast<const JournalPrintDocument*>(&m_document);
            progress.setLabel(QStringLiteral("Подготовка страниц…"));
            selected = JournalPrintDocument::create(m_selection, m_printer.pageLayout(),
                                                    journal ? journal->printDate() : QDate::currentDate(),
                                                    kSelectionHeadNote, report);
            if (!selected)
                return;
            progress.setLabel(QStringLiteral("Печать страниц…"));
            document = selected.get();
        }
        result = document->print(m_printer, report);
    });
    if (!done)
        return;
    if (result == PagedDocument::PrintResult::Failed)
        runGuarded(m_errors, [] { throw Error(kPrintFailedText); });
    else if (result == PagedDocument::PrintResult::Printed)
        accept();
}

void PrintPreviewDialog::saveAsPdf()
{
    const QString fileName = m_chooseFile(this);
    if (fileName.isEmpty())
        return;
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setPageLayout(m_shownPaper);
    pdf.setOutputFileName(fileName);
    auto result = PagedDocument::PrintResult::Cancelled;
    if (!runGuarded(m_errors, [&] {
            WorkProgress progress(this, QStringLiteral("Сохранить в PDF"), QStringLiteral("Запись страниц…"));
            result = m_document.print(pdf, [&progress](int done, int total) { return progress.report(done, total); });
        }))
        return;
    if (result == PagedDocument::PrintResult::Failed)
        runGuarded(m_errors, [&] { throw Error(kPdfFailedText.arg(fileName)); });
}

}  // namespace kv
