#pragma once
// A one-sheet workbook built step by step: widths and fonts, formatted ranges, text
// cells, then saved under a name. Rows and columns count from 1, as a spreadsheet shows
// them. Each step raises kv::Error when it can't be carried out; the writer then still
// takes close and quit.

#include "journal/background_save.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kv {

enum class HorizontalAlignment { General, Left, Centre, Right };

// The cells from the first row and column to the last, both included.
struct CellRange {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;
    bool operator==(const CellRange&) const = default;
};

// What a range format sets; what it leaves unset stays as it was.
struct CellFormat {
    std::optional<int> fontSize;
    std::optional<bool> bold;
    std::optional<HorizontalAlignment> alignment;
    bool operator==(const CellFormat&) const = default;
};

class WorkbookWriter {
public:
    virtual ~WorkbookWriter() = default;

    // The most rows its sheet holds.
    virtual int maxRows() const = 0;
    // A new workbook of one sheet.
    virtual void create() = 0;
    // A column's width, in the spreadsheet's character units.
    virtual void setColumnWidth(int column, int width) = 0;
    // The type size of the columns given a width (and of those between them), beneath
    // any range format.
    virtual void setColumnsFontSize(int size) = 0;
    // Later formats over earlier ones, property by property.
    virtual void formatRange(const CellRange& range, const CellFormat& format) = 0;
    virtual void setCellText(int row, int column, const QString& text) = 0;
    // Writes the workbook out and, once it is whole and unless `mayReplace` (asked then,
    // once) calls it off, puts it in place as fileName; false when called off, the old file
    // then left as it was. May run on a thread of its own while no other call is made.
    virtual bool save(const QString& fileName, const ReplaceGate& mayReplace) = 0;
    // What was not saved is gone.
    virtual void close() = 0;
    // Lets go of whatever the writer still holds.
    virtual void quit() = 0;
};

// A writer for a workbook to be saved as `fileName` (its scratch files may go beside
// it); nullptr when none can be had.
using WorkbookWriterFactory = std::function<std::unique_ptr<WorkbookWriter>(const QString& fileName)>;

}  // namespace kv
