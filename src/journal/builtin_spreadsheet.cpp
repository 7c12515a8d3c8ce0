#include "journal/builtin_spreadsheet.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "journal/spreadsheet_export.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <tuple>

namespace kv {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// A range format touches each of its cells; the export's ranges are a row wide. A
// range larger than this is refused rather than filling memory.
constexpr qint64 kMaxRangeCells = qint64(1) << 20;

// The properties a call sets; unset ones leave what lies below.
struct FormatDelta {
    std::optional<int> size;
    std::optional<bool> bold;
    std::optional<int> alignment;

    void apply(const FormatDelta& over)
    {
        if (over.size)
            size = over.size;
        if (over.bold)
            bold = over.bold;
        if (over.alignment)
            alignment = over.alignment;
    }
    bool operator==(const FormatDelta&) const = default;
};

struct Cell {
    std::optional<AutomationValue> value;
    int format = 0;  // index into SheetData::formats; 0 is "nothing set"
};

struct SheetData {
    QString name;
    std::vector<std::vector<Cell>> rows;  // rows[r - 1][c - 1]
    std::map<int, double> widths;         // column -> width
    std::optional<double> defaultWidth;
    FormatDelta allColumns;
    std::map<int, FormatDelta> columnFormats;
    std::vector<FormatDelta> formats{FormatDelta{}};

    int formatIndex(const FormatDelta& f)
    {
        const auto it = std::find(formats.begin(), formats.end(), f);
        if (it != formats.end())
            return int(it - formats.begin());
        formats.push_back(f);
        return int(formats.size()) - 1;
    }

    Cell& cell(int row, int column)
    {
        if (int(rows.size()) < row)
            rows.resize(row);
        std::vector<Cell>& cells = rows[row - 1];
        if (int(cells.size()) < column)
            cells.resize(column);
        return cells[column - 1];
    }

    void formatCell(Cell& target, const FormatDelta& delta)
    {
        FormatDelta f = formats[target.format];
        f.apply(delta);
        target.format = formatIndex(f);
    }
};

struct WorkbookData {
    std::vector<std::shared_ptr<SheetData>> sheets;
    QString savedName;
};

struct ApplicationData {
    int sheetsInNewWorkbook = 3;
    std::vector<std::shared_ptr<WorkbookData>> workbooks;
    bool quit = false;
};

[[noreturn]] void fail(const QString& text)
{
    throw Error(text);
}

[[noreturn]] void unknownName(const QString& object, const QString& name, CallKind kind)
{
    static const char* const kinds[] = {"read", "set", "called"};
    fail(QStringLiteral("%1 has no %2 that can be %3")
             .arg(object, name, QLatin1StringView(kinds[int(kind)])));
}

int intArg(const AutomationArgs& args, std::size_t i, const QString& name)
{
    if (i < args.size()) {
        if (const int* v = std::get_if<int>(&args[i]))
            return *v;
        if (const bool* b = std::get_if<bool>(&args[i]))
            return *b ? -1 : 0;
        if (const QString* s = std::get_if<QString>(&args[i])) {
            bool ok = false;
            const int v = s->toInt(&ok);
            if (ok)
                return v;
        }
    }
    fail(QStringLiteral("%1: argument %2 is not a number").arg(name).arg(i + 1));
}

bool boolArg(const AutomationArgs& args, std::size_t i, const QString& name)
{
    if (i < args.size()) {
        if (const bool* b = std::get_if<bool>(&args[i]))
            return *b;
        if (const int* v = std::get_if<int>(&args[i]))
            return *v != 0;
    }
    fail(QStringLiteral("%1: argument %2 is not a Boolean").arg(name).arg(i + 1));
}

QString stringArg(const AutomationArgs& args, std::size_t i, const QString& name)
{
    if (i < args.size())
        if (const QString* s = std::get_if<QString>(&args[i]))
            return *s;
    fail(QStringLiteral("%1: argument %2 is not a string").arg(name).arg(i + 1));
}

void expectArgs(const AutomationArgs& args, std::size_t count, const QString& name)
{
    if (args.size() != count)
        fail(QStringLiteral("%1: %2 arguments given, %3 expected")
                 .arg(name).arg(args.size()).arg(count));
}

bool is(const QString& name, const char* expected)
{
    return sameDispatchName(name, QLatin1StringView(expected));
}

// "B2" -> (2, 2); false for anything that is not one cell inside the sheet.
bool parseCell(QStringView text, int& row, int& column)
{
    qsizetype i = 0;
    column = 0;
    while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128) {
        column = column * 26 + (text[i].toUpper().unicode() - 'A' + 1);
        if (column > kMaxColumns)
            return false;
        ++i;
    }
    if (i == 0 || i == text.size())
        return false;
    bool ok = false;
    row = text.mid(i).toInt(&ok);
    for (qsizetype j = i; j < text.size(); ++j)
        if (!text[j].isDigit())
            return false;
    return ok && row >= 1 && row <= kMaxRows;
}

struct Area {
    int firstRow, firstColumn, lastRow, lastColumn;
};

Area parseAddress(const QString& address)
{
    const QStringList parts = address.trimmed().split(u':');
    Area a{};
    const bool ok = parts.size() <= 2
        && parseCell(parts[0], a.firstRow, a.firstColumn)
        && parseCell(parts.value(parts.size() - 1), a.lastRow, a.lastColumn);
    if (!ok)
        fail(QStringLiteral("Range: \"%1\" is not a cell address").arg(address));
    if (a.firstRow > a.lastRow)
        std::swap(a.firstRow, a.lastRow);
    if (a.firstColumn > a.lastColumn)
        std::swap(a.firstColumn, a.lastColumn);
    return a;
}

// The alignment values 1 to 7 and the named constants for the same (centre -4108, left
// -4131, right -4152, justify -4130) as 1 to 7.
int alignmentValue(int value)
{
    switch (value) {
    case -4108: return 3;
    case -4131: return 2;
    case -4152: return 4;
    case -4130: return 6;
    default: break;
    }
    if (value < 1 || value > 7)
        fail(QStringLiteral("Unable to set the HorizontalAlignment property of the Range class"));
    return value;
}

// Whatever a Font object changes lands here.
class FontTarget {
public:
    virtual ~FontTarget() = default;
    virtual void applyFont(const FormatDelta& delta) = 0;
};

class FontObject : public AutomationObject {
public:
    explicit FontObject(std::shared_ptr<FontTarget> target) : m_target(std::move(target)) {}

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        FormatDelta delta;
        if (kind == CallKind::Put && is(name, "Size")) {
            expectArgs(args, 1, name);
            const int size = intArg(args, 0, name);
            if (size < 1 || size > 409)
                fail(QStringLiteral("Unable to set the Size property of the Font class"));
            delta.size = size;
        } else if (kind == CallKind::Put && is(name, "Bold")) {
            expectArgs(args, 1, name);
            delta.bold = boolArg(args, 0, name);
        } else {
            unknownName(QStringLiteral("Font"), name, kind);
        }
        m_target->applyFont(delta);
        return nullptr;
    }

private:
    std::shared_ptr<FontTarget> m_target;
};

class RangeObject : public AutomationObject, public FontTarget,
                    public std::enable_shared_from_this<RangeObject> {
public:
    RangeObject(std::shared_ptr<SheetData> sheet, Area area)
        : m_sheet(std::move(sheet)), m_area(area)
    {
        const qint64 cells = qint64(area.lastRow - area.firstRow + 1)
            * (area.lastColumn - area.firstColumn + 1);
        if (cells > kMaxRangeCells)
            fail(QStringLiteral("Range: too many cells to format"));
    }

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (kind != CallKind::Put && is(name, "Font") && args.empty())
            return std::make_shared<FontObject>(shared_from_this());
        if (kind == CallKind::Put && is(name, "HorizontalAlignment")) {
            expectArgs(args, 1, name);
            FormatDelta delta;
            delta.alignment = alignmentValue(intArg(args, 0, name));
            applyFont(delta);
            return nullptr;
        }
        if (kind == CallKind::Put && is(name, "Value")) {
            expectArgs(args, 1, name);
            for (int r = m_area.firstRow; r <= m_area.lastRow; ++r)
                for (int c = m_area.firstColumn; c <= m_area.lastColumn; ++c)
                    m_sheet->cell(r, c).value = args[0];
            return nullptr;
        }
        unknownName(QStringLiteral("Range"), name, kind);
    }

    void applyFont(const FormatDelta& delta) override
    {
        for (int r = m_area.firstRow; r <= m_area.lastRow; ++r)
            for (int c = m_area.firstColumn; c <= m_area.lastColumn; ++c)
                m_sheet->formatCell(m_sheet->cell(r, c), delta);
    }

private:
    std::shared_ptr<SheetData> m_sheet;
    Area m_area;
};

// Whole columns first..last; all of the sheet's columns when first is 1 and last is the
// sheet's last.
class ColumnsObject : public AutomationObject, public FontTarget,
                      public std::enable_shared_from_this<ColumnsObject> {
public:
    ColumnsObject(std::shared_ptr<SheetData> sheet, int first, int last)
        : m_sheet(std::move(sheet)), m_first(first), m_last(last)
    {
    }

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (kind != CallKind::Put && is(name, "Columns")) {
            if (args.empty())
                return shared_from_this();
            expectArgs(args, 1, name);
            const int index = intArg(args, 0, name);
            if (index < 1 || index > m_last - m_first + 1)
                fail(QStringLiteral("Columns: no column %1").arg(index));
            const int column = m_first + index - 1;
            return std::make_shared<ColumnsObject>(m_sheet, column, column);
        }
        if (kind != CallKind::Put && is(name, "Font") && args.empty())
            return std::make_shared<FontObject>(shared_from_this());
        if (kind == CallKind::Put && is(name, "ColumnWidth")) {
            expectArgs(args, 1, name);
            const int width = intArg(args, 0, name);
            if (width < 0 || width > 255)
                fail(QStringLiteral("Unable to set the ColumnWidth property of the Range class"));
            if (isAll()) {
                m_sheet->defaultWidth = width;
                m_sheet->widths.clear();
            } else {
                for (int c = m_first; c <= m_last; ++c)
                    m_sheet->widths[c] = width;
            }
            return nullptr;
        }
        unknownName(QStringLiteral("Columns"), name, kind);
    }

    void applyFont(const FormatDelta& delta) override
    {
        if (isAll()) {
            m_sheet->allColumns.apply(delta);
            for (auto& [column, format] : m_sheet->columnFormats)
                format.apply(delta);
        } else {
            for (int c = m_first; c <= m_last; ++c)
                m_sheet->columnFormats[c].apply(delta);
        }
        // The cells already in these columns take the change too.
        for (std::vector<Cell>& cells : m_sheet->rows)
            for (int c = m_first; c <= std::min(m_last, int(cells.size())); ++c)
                m_sheet->formatCell(cells[c - 1], delta);
    }

private:
    bool isAll() const { return m_first == 1 && m_last == kMaxColumns; }

    std::shared_ptr<SheetData> m_sheet;
    int m_first;
    int m_last;
};

class SheetObject : public AutomationObject {
public:
    explicit SheetObject(std::shared_ptr<SheetData> sheet) : m_sheet(std::move(sheet)) {}

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (kind != CallKind::Put && is(name, "Columns")) {
            auto all = std::make_shared<ColumnsObject>(m_sheet, 1, kMaxColumns);
            return args.empty() ? all : all->invoke(name, kind, args);
        }
        if (kind != CallKind::Put && is(name, "Range")) {
            if (args.empty() || args.size() > 2)
                expectArgs(args, 1, name);
            Area area = parseAddress(stringArg(args, 0, name));
            if (args.size() == 2) {
                const Area last = parseAddress(stringArg(args, 1, name));
                area = {std::min(area.firstRow, last.firstRow),
                        std::min(area.firstColumn, last.firstColumn),
                        std::max(area.lastRow, last.lastRow),
                        std::max(area.lastColumn, last.lastColumn)};
            }
            return std::make_shared<RangeObject>(m_sheet, area);
        }
        if (is(name, "Cells")) {
            const bool put = kind == CallKind::Put;
            expectArgs(args, put ? 3 : 2, name);
            const int row = intArg(args, 0, name);
            const int column = intArg(args, 1, name);
            if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
                fail(QStringLiteral("Cells: no cell at row %1, column %2").arg(row).arg(column));
            if (!put)
                return std::make_shared<RangeObject>(m_sheet, Area{row, column, row, column});
            if (const QString* text = std::get_if<QString>(&args[2]); text && text->size() > 32767)
                fail(QStringLiteral("Cells: a text of over 32767 characters at row %1, column %2")
                         .arg(row).arg(column));
            m_sheet->cell(row, column).value = args[2];
            return nullptr;
        }
        unknownName(QStringLiteral("Worksheet"), name, kind);
    }

private:
    std::shared_ptr<SheetData> m_sheet;
};

// What stopped a save of `target`, the file the operator chose: the system's text where
// there is one, else the given text.
[[noreturn]] void failSaving(const QString& target, int errorCode, const QString& otherwise)
{
    throw FileCreateError(target, errorCode != 0 ? systemErrorText(errorCode) : otherwise);
}

// Writes the workbook with libxlsxwriter into `path`, its own temporary files into
// `scratchDir`; failures name `target`.
class XlsxWriter {
public:
    XlsxWriter(const QString& path, const QString& scratchDir, const QString& target)
        : m_scratchDir(QFile::encodeName(scratchDir))
        , m_target(target)
    {
        lxw_workbook_options options{};
        // Rows go out in order, so each is written and freed as the next begins.
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_scratchDir.data();
        const QByteArray name = QFile::encodeName(path);
        errno = 0;
        m_book = workbook_new_opt(name.constData(), &options);
        if (!m_book)
            failSaving(m_target, errno, QStringLiteral("the workbook could not be started"));
    }
    ~XlsxWriter()
    {
        if (m_book)
            workbook_close(m_book);  // a failed save: the scratch file is thrown away
    }
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    void writeSheet(const SheetData& sheet)
    {
        const QByteArray name = sheet.name.toUtf8();
        lxw_worksheet* ws = workbook_add_worksheet(m_book, name.constData());
        if (!ws)
            fail(QStringLiteral("SaveAs: the sheet \"%1\" could not be added").arg(sheet.name));
        const int last = writeColumns(ws, sheet);
        for (int r = 0; r < int(sheet.rows.size()); ++r) {
            const std::vector<Cell>& cells = sheet.rows[r];
            for (int c = 0; c < int(cells.size()); ++c)
                writeCell(ws, sheet, r, c, cells[c]);
        }
        writeRestOfColumns(ws, sheet, last);
    }

    void close()
    {
        // The file is written here; its zip and file errors leave the system's code in
        // errno.
        errno = 0;
        const lxw_error error = workbook_close(m_book);
        const int errorCode = errno;
        m_book = nullptr;
        check(error, errorCode);
    }

private:
    void check(lxw_error error, int errorCode = 0) const
    {
        if (error != LXW_NO_ERROR)
            failSaving(m_target, errorCode, QString::fromUtf8(lxw_strerror(error)));
    }

    FormatDelta columnBase(const SheetData& sheet, int column) const
    {
        FormatDelta base = sheet.allColumns;
        if (const auto it = sheet.columnFormats.find(column); it != sheet.columnFormats.end())
            base.apply(it->second);
        return base;
    }

    lxw_format* format(const FormatDelta& f)
    {
        if (!f.size && !f.bold && !f.alignment)
            return nullptr;
        const auto key = std::make_tuple(f.size.value_or(0), f.bold.value_or(false),
                                         f.alignment.value_or(0));
        if (const auto it = m_formats.find(key); it != m_formats.end())
            return it->second;
        lxw_format* format = workbook_add_format(m_book);
        if (f.size)
            format_set_font_size(format, *f.size);
        if (f.bold.value_or(false))
            format_set_bold(format);
        if (f.alignment)
            format_set_align(format, alignment(*f.alignment));
        m_formats.emplace(key, format);
        return format;
    }

    static uint8_t alignment(int value)
    {
        switch (value) {
        case 2: return LXW_ALIGN_LEFT;
        case 3: return LXW_ALIGN_CENTER;
        case 4: return LXW_ALIGN_RIGHT;
        case 5: return LXW_ALIGN_FILL;
        case 6: return LXW_ALIGN_JUSTIFY;
        case 7: return LXW_ALIGN_CENTER_ACROSS;
        default: return LXW_ALIGN_NONE;
        }
    }

    // Columns that differ from the rest one by one; returns the last of them.
    int writeColumns(lxw_worksheet* ws, const SheetData& sheet)
    {
        int last = 0;
        for (const auto& entry : sheet.widths)
            last = std::max(last, entry.first);
        for (const auto& entry : sheet.columnFormats)
            last = std::max(last, entry.first);
        const double rest = sheet.defaultWidth.value_or(LXW_DEF_COL_WIDTH);
        for (int c = 1; c <= last; ++c) {
            const auto width = sheet.widths.find(c);
            check(worksheet_set_column(ws, lxw_col_t(c - 1), lxw_col_t(c - 1),
                                       width != sheet.widths.end() ? width->second : rest,
                                       format(columnBase(sheet, c))));
        }
        return last;
    }

    // Set after the rows: a formatted stretch out to the last column widens the sheet's
    // extent, and each row written after it would be walked across all 16384 columns.
    void writeRestOfColumns(lxw_worksheet* ws, const SheetData& sheet, int last)
    {
        lxw_format* rest = format(sheet.allColumns);
        if (last < kMaxColumns && (sheet.defaultWidth || rest))
            check(worksheet_set_column(ws, lxw_col_t(last), lxw_col_t(kMaxColumns - 1),
                                       sheet.defaultWidth.value_or(LXW_DEF_COL_WIDTH), rest));
    }

    void writeCell(lxw_worksheet* ws, const SheetData& sheet, int r, int c, const Cell& cell)
    {
        FormatDelta f = columnBase(sheet, c + 1);
        f.apply(sheet.formats[cell.format]);
        lxw_format* fmt = format(f);
        const auto row = lxw_row_t(r);
        const auto column = lxw_col_t(c);
        if (!cell.value) {
            if (cell.format != 0)
                check(worksheet_write_blank(ws, row, column, fmt));
            return;
        }
        if (const QString* text = std::get_if<QString>(&*cell.value)) {
            const QByteArray utf8 = text->toUtf8();
            check(worksheet_write_string(ws, row, column, utf8.constData(), fmt));
        } else if (const bool* b = std::get_if<bool>(&*cell.value)) {
            check(worksheet_write_boolean(ws, row, column, *b, fmt));
        } else {
            check(worksheet_write_number(ws, row, column, std::get<int>(*cell.value), fmt));
        }
    }

    QByteArray m_scratchDir;
    QString m_target;
    lxw_workbook* m_book = nullptr;
    std::map<std::tuple<int, bool, int>, lxw_format*> m_formats;
};

void saveWorkbook(const WorkbookData& book, const QString& path)
{
    // The workbook is made whole in a scratch folder, then put in place by the safe save:
    // a failure on the way leaves the old file, or none, never half a workbook. The
    // folder lies beside the target where it can, on the disk the workbook goes to, so a
    // full temporary folder doesn't fail an export to a roomy disk.
    std::optional<QTemporaryDir> scratch;
    scratch.emplace(QFileInfo(path).absolutePath() + QStringLiteral("/.kv4410pc-xlsx-XXXXXX"));
    if (!scratch->isValid())
        scratch.emplace(QDir::tempPath() + QStringLiteral("/kv4410pc-xlsx-XXXXXX"));
    if (!scratch->isValid())
        failSaving(path, 0, QStringLiteral("No scratch folder: %1").arg(scratch->errorString()));
    const QString scratchFile = scratch->filePath(QStringLiteral("book.xlsx"));
    try {
        {
            XlsxWriter writer(scratchFile, scratch->path(), path);
            for (const auto& sheet : book.sheets)
                writer.writeSheet(*sheet);
            writer.close();
        }
        replaceFileAtomically(path, readWholeFile(scratchFile));
    } catch (const StreamWriteError& e) {
        failSaving(path, e.errorCode(), e.message());
    }
}

class WorkbookObject : public AutomationObject {
public:
    WorkbookObject(std::shared_ptr<ApplicationData> app, std::shared_ptr<WorkbookData> book)
        : m_app(std::move(app)), m_book(std::move(book))
    {
    }

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (kind != CallKind::Put && (is(name, "Sheets") || is(name, "Worksheets"))) {
            expectArgs(args, 1, name);
            const int index = intArg(args, 0, name);
            if (index < 1 || index > int(m_book->sheets.size()))
                fail(QStringLiteral("Sheets: no sheet %1").arg(index));
            return std::make_shared<SheetObject>(m_book->sheets[index - 1]);
        }
        if (kind == CallKind::Method && is(name, "SaveAs")) {
            if (args.empty())
                expectArgs(args, 1, name);
            const QString path = stringArg(args, 0, name);
            if (path.isEmpty())
                fail(QStringLiteral("SaveAs: no file name"));
            saveWorkbook(*m_book, path);
            m_book->savedName = path;
            return nullptr;
        }
        if (kind == CallKind::Method && is(name, "Close")) {
            if (!args.empty() && boolArg(args, 0, name) && !m_book->savedName.isEmpty())
                saveWorkbook(*m_book, m_book->savedName);
            std::erase(m_app->workbooks, m_book);
            return nullptr;
        }
        unknownName(QStringLiteral("Workbook"), name, kind);
    }

private:
    std::shared_ptr<ApplicationData> m_app;
    std::shared_ptr<WorkbookData> m_book;
};

AutomationObjectPtr workbookAt(const std::shared_ptr<ApplicationData>& app,
                               const AutomationArgs& args, const QString& name)
{
    expectArgs(args, 1, name);
    const int index = intArg(args, 0, name);
    if (index < 1 || index > int(app->workbooks.size()))
        fail(QStringLiteral("Workbooks: no workbook %1").arg(index));
    return std::make_shared<WorkbookObject>(app, app->workbooks[index - 1]);
}

class WorkbooksObject : public AutomationObject {
public:
    explicit WorkbooksObject(std::shared_ptr<ApplicationData> app) : m_app(std::move(app)) {}

    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (kind == CallKind::Method && is(name, "Add")) {
            expectArgs(args, 0, name);
            auto book = std::make_shared<WorkbookData>();
            for (int i = 1; i <= m_app->sheetsInNewWorkbook; ++i) {
                auto sheet = std::make_shared<SheetData>();
                sheet->name = QStringLiteral("Лист%1").arg(i);
                book->sheets.push_back(std::move(sheet));
            }
            m_app->workbooks.push_back(book);
            return std::make_shared<WorkbookObject>(m_app, book);
        }
        if (kind != CallKind::Put && is(name, "Item"))
            return workbookAt(m_app, args, name);
        unknownName(QStringLiteral("Workbooks"), name, kind);
    }

private:
    std::shared_ptr<ApplicationData> m_app;
};

class ApplicationObject : public AutomationObject {
public:
    AutomationObjectPtr invoke(const QString& name, CallKind kind, const AutomationArgs& args) override
    {
        if (m_app->quit)
            fail(QStringLiteral("The spreadsheet application has quit"));
        if (kind == CallKind::Put && is(name, "SheetsInNewWorkBook")) {
            expectArgs(args, 1, name);
            const int count = intArg(args, 0, name);
            if (count < 1 || count > 255)
                fail(QStringLiteral("Unable to set the SheetsInNewWorkbook property of the Application class"));
            m_app->sheetsInNewWorkbook = count;
            return nullptr;
        }
        if (kind != CallKind::Put && is(name, "Workbooks")) {
            if (args.empty())
                return std::make_shared<WorkbooksObject>(m_app);
            return workbookAt(m_app, args, name);
        }
        if (kind == CallKind::Method && is(name, "Quit")) {
            m_app->workbooks.clear();
            m_app->quit = true;
            return nullptr;
        }
        unknownName(QStringLiteral("Application"), name, kind);
    }

private:
    std::shared_ptr<ApplicationData> m_app = std::make_shared<ApplicationData>();
};

}  // namespace

AutomationObjectPtr createBuiltinSpreadsheet()
{
    return std::make_shared<ApplicationObject>();
}

AutomationFactory builtinSpreadsheetFactory()
{
    return [](const QString& programId) -> AutomationObjectPtr {
        if (!sameDispatchName(programId, kSpreadsheetProgramId))
            return nullptr;
        return createBuiltinSpreadsheet();
    };
}

}  // namespace kv
