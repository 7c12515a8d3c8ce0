#pragma once
// A printout of pages the program paints itself: what the print preview shows and prints.
// Pages are in units of 1/1200 inch with the origin at the paper's corner, painted only
// when asked for.

#include "journal/print_layout.h"

#include <QSizeF>

#include <functional>

class QPageLayout;
class QPainter;
class QPrinter;

namespace kv {

class PagedDocument {
public:
    static constexpr double kUnitsPerInch = 1200;

    enum class PrintResult { Printed, Cancelled, Failed };

    virtual ~PagedDocument() = default;

    virtual int pageCount() const = 0;
    // The whole sheet, in units.
    virtual QSizeF paperSize() const = 0;
    // Paints page `index` (0-based) with `painter` set to units, origin at the paper's corner.
    virtual void paintPage(QPainter& painter, int index) const = 0;
    // Lays the pages out again for other paper, orientation or margins. False when
    // `progress` answered false; the pages are then as they were.
    virtual bool layOutFor(const QPageLayout& paper, const PrintProgress& progress = {}) = 0;

    // Prints the printer's page range (all pages when it has none, or when it asks for
    // the selection). `progress` hears of each page and may cancel between pages. Output
    // to a file goes to a temporary file beside it first and takes the file's place only
    // once every page is written: a cancel or a failure leaves the earlier file, or none.
    // Raises as copyFileSafely when the finished file can't be put in place.
    PrintResult print(QPrinter& printer, const PrintProgress& progress = {}) const;

protected:
    // Paints the pages onto the printer; by default this document's pages as laid out.
    virtual PrintResult printPages(QPrinter& printer, const PrintProgress& progress) const;

    // The printer's page range of `count` pages, each painted by `paint` at the printer's
    // resolution on the full sheet.
    static PrintResult paintPages(QPrinter& printer, int count,
                                  const std::function<void(QPainter&, int index)>& paint,
                                  const PrintProgress& progress);
};

}  // namespace kv
