#include "core/cp1251.h"
#include "core/file_io.h"
#include "journal/journal_entry.h"
#include "journal/print_page.h"
#include "journal/ui/journal_print_document.h"
#include "journal/ui/paged_document.h"
#include "journal/ui/print_preview_dialog.h"
#include "journal/ui/print_view.h"
#include "journal/ui/work_progress.h"
#include "recording_reporter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <gtest/gtest.h>

namespace kv {
namespace {

const QDate kPrintDate(2026, 12, 9);

JournalTable sampleRows(int count)
{
    std::vector<JournalRow> rows;
    const QDateTime start(QDate(2026, 12, 8), QTime(8, 0));
    for (int r = 1; r <= count; ++r) {
        JournalRow entry = makeEntry(r, start.addSecs(r), Method(1 + r % 4), QStringLiteral("92,4 (АИ-92 склад 3)"));
        entry.cells[JournalTable::kCommentColumn] = QStringLiteral("проба из бака %1").arg(r);
        rows.push_back(entry);
    }
    return journalTableOf(rows);
}

QPageLayout a4()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
}

std::unique_ptr<JournalPrintDocument> documentOf(const JournalTable& rows)
{
    return JournalPrintDocument::create(rows, a4(), kPrintDate);
}

QString printedRow(const JournalTable& rows, int r)
{
    QStringList cells;
    for (int c = 0; c < JournalTable::kColumnCount; ++c)
        cells << rows.cell(r, c);
    return cells.join(QStringLiteral(" | "));
}

class PrintDocument : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        longRows = new JournalTable(sampleRows(100000));
        longJournal = documentOf(*longRows).release();
    }
    static void TearDownTestSuite()
    {
        delete longJournal;
        delete longRows;
    }
    static inline JournalTable* longRows = nullptr;
    static inline JournalPrintDocument* longJournal = nullptr;
};

// Every row on one line with its number whole, and about as many pages as the rows fill.
TEST_F(PrintDocument, PagesAreAsManyAsTheRowsNeed)
{
    const auto document = documentOf(sampleRows(5000));
    const PrintLayout& layout = document->layout();
    double rowsHeight = 0;
    for (int r = 1; r <= 5000; ++r) {
        ASSERT_EQ(layout.rowLines(r), 1) << r;
        rowsHeight += layout.rowHeight(r);
    }
    const double perPage = layout.geometry().height - layout.rowHeight(0);
    const int needed = int(std::ceil(rowsHeight / perPage));
    EXPECT_GE(document->pageCount(), needed);
    EXPECT_LE(document->pageCount(), needed * 1.1);
}

// Page 1 and a later page as printed: title, heading, whole rows in order, the print date
// and "Стр. x из y".
TEST_F(PrintDocument, PagesCarryHeadingTitleDateAndPageNumber)
{
    const JournalTable rows = sampleRows(200);
    const auto document = documentOf(rows);
    ASSERT_GE(document->pageCount(), 3);
    int next = 1;
    for (int p = 0; p < document->pageCount(); ++p) {
        QStringList expected = {QStringLiteral("Октанометр КВ-4410 ПК"),
                                QStringLiteral("№ | Дата | Метод | Значение | Комментарий")};
        for (int r = document->layout().page(p).firstRow; r < document->layout().page(p).endRow; ++r)
            expected << printedRow(rows, next++);
        expected << QStringLiteral("09.12.2026 | Стр. %1 из %2").arg(p + 1).arg(document->pageCount());
        ASSERT_EQ(document->pageText(p), expected) << p;
    }
    EXPECT_EQ(next, 201);
}

// Records each text painted on it with the pen's colour.
class InkRecorder : public QPaintDevice, QPaintEngine {
public:
    QList<std::pair<QString, QColor>> texts;

    QPaintEngine* paintEngine() const override { return const_cast<InkRecorder*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & DirtyPen)
            m_ink = state.pen().color();
    }
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts.push_back({item.text(), m_ink}); }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    Type type() const override { return User; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        return metric == PdmDepth ? 32 : metric == PdmWidth || metric == PdmHeight ? 10000 : 100;
    }

private:
    QColor m_ink;
};

QStringList greyTexts(const JournalPrintDocument& document, int page)
{
    InkRecorder device;
    QPainter painter(&device);
    document.paintPage(painter, page);
    painter.end();
    QStringList grey;
    for (const auto& [text, ink] : device.texts)
        if (ink == QColor(0x80, 0x80, 0x80))
            grey << text;
    return grey;
}

// A long comment starts where its row falls and goes on over the next page, which repeats
// the row's number, date, method and value in grey under "(продолжение)".
TEST_F(PrintDocument, ALongCommentGoesOnOverThePage)
{
    JournalTable rows = sampleRows(60);
    rows.setCell(40, JournalTable::kCommentColumn, QString(QStringLiteral("слово ")).repeated(600));
    const auto document = documentOf(rows);
    int next = 0;
    while (next < document->pageCount() && document->layout().page(next).firstLine == 0)
        ++next;
    ASSERT_GT(next, 0);
    ASSERT_LT(next, document->pageCount());
    const QStringList before = document->pageText(next - 1);
    const QStringList after = document->pageText(next);
    ASSERT_EQ(document->layout().page(next - 1).endLine, document->layout().page(next).firstLine);
    EXPECT_GT(document->layout().page(next - 1).endRow - document->layout().page(next - 1).firstRow, 1);
    QStringList repeated;
    for (int c = 0; c < JournalTable::kCommentColumn; ++c)
        repeated << rows.cell(40, c);
    EXPECT_TRUE(before[before.size() - 2].startsWith(repeated.join(" | ") + QStringLiteral(" | слово")));
    EXPECT_TRUE(after[2].startsWith(repeated.join(" | ") + QStringLiteral(" | (продолжение) слово")));
    EXPECT_TRUE(greyTexts(*document, next - 1).isEmpty());
    EXPECT_EQ(greyTexts(*document, next), repeated << QStringLiteral("(продолжение)"));
}

// The last page of a journal far longer than a painter's coordinates reach has its rows,
// in its text and in ink.
TEST_F(PrintDocument, LastPageOfALongJournalCarriesItsRows)
{
    const int last = longJournal->pageCount() - 1;
    EXPECT_EQ(longJournal->layout().page(last).endRow, 100001);
    EXPECT_TRUE(longJournal->pageText(last).contains(printedRow(*longRows, 100000)));

    QImage image(827, 1170, QImage::Format_RGB32);  // A4 at 100 dots an inch
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(100 / JournalPrintDocument::kUnitsPerInch, 100 / JournalPrintDocument::kUnitsPerInch);
    longJournal->paintPage(painter, last);
    painter.end();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    const int rowsOnPage = 100001 - longJournal->layout().page(last).firstRow;
    EXPECT_GT(dark, rowsOnPage * 200);
}

// Printed to a file, the pages asked for; a cancel between pages stops the printing.
TEST_F(PrintDocument, PrintsThePrintersPageRange)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("journal.pdf")));
    printer.setPageLayout(a4());
    const int count = longJournal->pageCount();
    printer.setFromTo(count - 1, count);
    int reports = 0;
    EXPECT_EQ(longJournal->print(printer, [&](int, int total) { return ++reports && total == 2; }),
              JournalPrintDocument::PrintResult::Printed);
    EXPECT_EQ(reports, 1);
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.readAll().count("/Type /Page\n"), 2);

    printer.setFromTo(1, 3);
    EXPECT_EQ(longJournal->print(printer, [](int, int) { return false; }),
              JournalPrintDocument::PrintResult::Cancelled);
}

// The preview opens no smaller than its window, at 100 %, on page 1, and paints only the
// pages in view, however many there are.
TEST_F(PrintDocument, PreviewOpensReadableAndPaintsOnlyWhatIsInView)
{
    QWidget window;
    window.resize(1000, 800);
    QPrinter printer;
    test::RecordingReporter reporter;
    PrintPreviewDialog dialog(*longJournal, printer, reporter, &window);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("PrintPreview"));
    EXPECT_GE(dialog.width(), 1000);
    EXPECT_GE(dialog.height(), 800);
    dialog.show();
    dialog.grab();
    PrintPageView* view = dialog.pageView();
    EXPECT_EQ(view->zoom(), 1);
    EXPECT_EQ(view->currentPage(), 1);
    EXPECT_GE(view->paintedPages(), 1);
    EXPECT_LE(view->paintedPages(), 2);

    dialog.findChild<QAction*>(QStringLiteral("lastPageAction"))->trigger();
    dialog.grab();
    EXPECT_EQ(view->currentPage(), longJournal->pageCount());
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("pageBox"))->value(), longJournal->pageCount());
    EXPECT_LE(view->paintedPages(), 4);

    dialog.findChild<QSpinBox*>(QStringLiteral("pageBox"))->setValue(7);
    EXPECT_EQ(view->currentPage(), 7);
    dialog.findChild<QAction*>(QStringLiteral("fitWidthAction"))->trigger();
    EXPECT_GT(view->zoom(), 1);
    EXPECT_EQ(view->currentPage(), 7);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

int pdfPages(const QString& path)
{
    QFile pdf(path);
    return pdf.open(QIODevice::ReadOnly) ? int(pdf.readAll().count("/Type /Page\n")) : -1;
}

// Printed to a file, the pages go to a temporary file that takes the file's place only
// when complete: a cancel leaves the earlier file, or none, and no temporary behind.
TEST(PrintToFile, ReplacesTheFileOnlyWhenComplete)
{
    const auto document = documentOf(sampleRows(200));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("журнал.pdf"));
    for (const bool earlier : {false, true})
        for (const bool cancel : {true, false}) {
            QFile::remove(path);
            if (earlier) {
                QFile old(path);
                ASSERT_TRUE(old.open(QIODevice::WriteOnly));
                old.write("earlier");
            }
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPageLayout(a4());
            EXPECT_EQ(document->print(printer, [cancel](int, int) { return !cancel; }),
                      cancel ? PagedDocument::PrintResult::Cancelled : PagedDocument::PrintResult::Printed);
            EXPECT_EQ(printer.outputFileName(), path);
            const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            EXPECT_EQ(left, !cancel || earlier ? QStringList{QStringLiteral("журнал.pdf")} : QStringList{})
                << earlier << cancel;
            if (!cancel) {
                EXPECT_EQ(pdfPages(path), document->pageCount());
            } else if (earlier) {
                EXPECT_EQ(readWholeFile(path), "earlier");
            }
        }
}

// A head note stands at the right of every page's head; margins come from the paper, 12 mm
// where it has none.
TEST(JournalPrintDocument, HeadNoteAndMarginsAreThePapers)
{
    const JournalTable rows = sampleRows(200);
    const auto plain = documentOf(rows);
    const auto noted = JournalPrintDocument::create(rows, a4(), kPrintDate, QStringLiteral("Отбор: АИ-92"));
    for (int p : {0, noted->pageCount() - 1})
        EXPECT_EQ(noted->pageText(p)[0], QStringLiteral("Октанометр КВ-4410 ПК | Отбор: АИ-92"));
    EXPECT_EQ(plain->pageText(0)[0], QStringLiteral("Октанометр КВ-4410 ПК"));

    // Qt gives the paper's size in hundredths of an inch.
    const double millimetre = PagedDocument::kUnitsPerInch / 25.4;
    const PrintGeometry& byDefault = plain->layout().geometry();
    EXPECT_NEAR(byDefault.width, (210 - 24) * millimetre, 5);
    const QPageLayout wide(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(30, 20, 10, 20),
                           QPageLayout::Millimeter);
    const auto margined = JournalPrintDocument::create(rows, wide, kPrintDate);
    EXPECT_NEAR(margined->layout().geometry().width, (210 - 40) * millimetre, 5);
    EXPECT_NEAR(margined->layout().geometry().height, byDefault.height - 16 * millimetre, 1);
}

// A one-page printout of another kind, through the same preview.
class OnePage : public PagedDocument {
public:
    int pageCount() const override { return 1; }
    QSizeF paperSize() const override { return m_size; }
    void paintPage(QPainter& painter, int) const override { painter.drawText(QPointF(600, 600), QStringLiteral("отчёт")); }
    bool layOutFor(const QPageLayout& paper, const PrintProgress& = {}) override
    {
        m_size = paper.fullRect(QPageLayout::Inch).size() * kUnitsPerInch;
        return true;
    }

private:
    QSizeF m_size;
};

class Preview : public testing::Test {
protected:
    Preview()
    {
        PrintView::setUpPrinter(printer);
        printer.setPageLayout(a4WithMargins());
        journal = JournalPrintDocument::create(sampleRows(200), printer.pageLayout(), kPrintDate);
    }
    static QPageLayout a4WithMargins()
    {
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                           QPageLayout::Millimeter);
    }
    void trigger(PrintPreviewDialog& dialog, const char* action)
    {
        dialog.findChild<QAction*>(QLatin1StringView(action))->trigger();
    }

    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    test::RecordingReporter reporter;
    std::unique_ptr<JournalPrintDocument> journal;
};

// "Сохранить в PDF…" writes every page, of any kind of document, without the print
// dialog; no name chosen, nothing written.
TEST_F(Preview, SavesEveryPageAsPdf)
{
    OnePage report;
    report.layOutFor(a4WithMargins());
    for (PagedDocument* document : {static_cast<PagedDocument*>(journal.get()), static_cast<PagedDocument*>(&report)}) {
        PrintPreviewDialog dialog(*document, printer, reporter);
        dialog.setPrintDialog([](QPrinter&, auto, int, QWidget*) {
            ADD_FAILURE() << "the print dialog";
            return false;
        });
        QString chosen;
        dialog.setFileChooser([&chosen](QWidget*) { return chosen; });
        EXPECT_EQ(dialog.findChild<QAction*>(QStringLiteral("pdfAction"))->text(), QStringLiteral("Сохранить в PDF…"));
        trigger(dialog, "pdfAction");
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
        chosen = dir.filePath(QStringLiteral("pages.pdf"));
        trigger(dialog, "pdfAction");
        EXPECT_EQ(pdfPages(chosen), document->pageCount());
        QFile::remove(chosen);
    }
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// Paper, orientation or margins set in the page setup or the print dialog lay the pages
// out again and the preview shows them; a page setup cancelled changes nothing.
TEST_F(Preview, FollowsThePaperChosen)
{
    PrintPreviewDialog dialog(*journal, printer, reporter);
    auto* pageBox = dialog.findChild<QSpinBox*>(QStringLiteral("pageBox"));
    const int portraitPages = journal->pageCount();
    bool accept = false;
    dialog.setPageSetupDialog([&accept](QPrinter& p, QWidget*) {
        if (accept)
            p.setPageOrientation(QPageLayout::Landscape);
        return accept;
    });
    trigger(dialog, "pageSetupAction");
    EXPECT_EQ(journal->pageCount(), portraitPages);
    accept = true;
    trigger(dialog, "pageSetupAction");
    EXPECT_GT(journal->paperSize().width(), journal->paperSize().height());
    EXPECT_GT(journal->pageCount(), portraitPages);
    EXPECT_EQ(pageBox->maximum(), journal->pageCount());
    EXPECT_EQ(pageBox->suffix(), QStringLiteral(" из %1").arg(journal->pageCount()));

    const QString path = dir.filePath(QStringLiteral("a5.pdf"));  // landscape still
    dialog.setPrintDialog([&path](QPrinter& p, QAbstractPrintDialog::PrintDialogOptions options, int, QWidget*) {
        EXPECT_FALSE(options.testFlag(QAbstractPrintDialog::PrintSelection));
        p.setPageSize(QPageSize(QPageSize::A5));
        p.setOutputFileName(path);
        return true;
    });
    trigger(dialog, "printAction");
    EXPECT_NEAR(journal->paperSize().height(), 148 / 25.4 * PagedDocument::kUnitsPerInch, 5);
    EXPECT_EQ(pageBox->maximum(), journal->pageCount());
    EXPECT_EQ(pdfPages(path), journal->pageCount());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// With rows selected, the print dialog offers the selection, and chosen, those rows are
// printed as a journal of their own.
TEST_F(Preview, PrintsTheSelection)
{
    PrintPreviewDialog dialog(*journal, printer, reporter);
    dialog.setSelection(sampleRows(3));
    const QString path = dir.filePath(QStringLiteral("selection.pdf"));
    dialog.setPrintDialog([&path](QPrinter& p, QAbstractPrintDialog::PrintDialogOptions options, int, QWidget*) {
        EXPECT_TRUE(options.testFlag(QAbstractPrintDialog::PrintSelection));
        p.setPrintRange(QPrinter::Selection);
        p.setOutputFileName(path);
        return true;
    });
    trigger(dialog, "printAction");
    ASSERT_GT(journal->pageCount(), 1);
    EXPECT_EQ(pdfPages(path), 1);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// Each request gives one preview, from the event loop, of the rows with the head note
// asked for, offering the rows selected.
TEST(PrintView, CarriesTheSelectionAndHeadNoteToThePreview)
{
    QWidget window;
    test::RecordingReporter reporter;
    PrintView web(reporter, &window);
    QStringList seen;
    web.setPreviewOpener([&seen](JournalPrintDocument& document, const JournalTable& selection, QWidget*) {
        seen << document.pageText(0)[0]
             << (selection.isEmpty() ? QStringLiteral("-") : QString::number(selection.rowCount() - 1));
        return true;
    });
    web.navigate(sampleRows(5), sampleRows(2), QStringLiteral("Отбор: АИ-92"));
    web.navigate(sampleRows(5));
    EXPECT_TRUE(seen.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Октанометр КВ-4410 ПК | Отбор: АИ-92"), QStringLiteral("2"),
                                 QStringLiteral("Октанометр КВ-4410 ПК"), QStringLiteral("-")}));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

// The pages are made from the rows, not from tmp1.html; they print what an HTML viewer
// shows of the page: each cell decoded from code page 1251, unescaped, blanks collapsed.
TEST(PrintedText, IsWhatAnHtmlViewerShowsOfThePage)
{
    JournalTable table;
    table.setRowCount(3);
    table.setRow(1, JournalRow{{"1", "  a \t b ", "<b>x</b> & y", QStringLiteral("\"q\" ∑ 日本"),
                                QStringLiteral("€ № ё")}});
    QTextDocument page;
    page.setHtml(fromCp1251(printPageBytes(table)));
    QTextTable* shown = nullptr;
    for (auto it = page.rootFrame()->begin(); !shown && !it.atEnd(); ++it)
        shown = qobject_cast<QTextTable*>(it.currentFrame());
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->rows(), 3);
    for (int r = 1; r <= 2; ++r)
        for (int c = 0; c < JournalTable::kColumnCount; ++c) {
            const QTextTableCell cell = shown->cellAt(r, c);
            QTextCursor text = cell.firstCursorPosition();
            text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            // The viewer keeps a blank at a cell's end, which shows nothing.
            QString seen = text.selectedText();
            if (seen.endsWith(u' '))
                seen.chop(1);
            EXPECT_EQ(printedText(table.cell(r, c)), seen) << r << ", " << c;
        }
}

TEST(WorkProgress, CancelIsHeardAtTheNextReport)
{
    QWidget window;
    WorkProgress progress(&window, QStringLiteral("Печать"), QStringLiteral("Подготовка страниц…"));
    auto* dialog = window.findChild<QProgressDialog*>(QStringLiteral("WorkProgress"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->findChild<QPushButton*>(), nullptr);
    EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), QStringLiteral("Отмена"));
    EXPECT_TRUE(progress.report(1, 10));
    dialog->cancel();
    EXPECT_FALSE(progress.report(2, 10));
    progress.setCancellable(false);
    EXPECT_EQ(dialog->findChild<QPushButton*>(), nullptr);
}

}  // namespace
}  // namespace kv
