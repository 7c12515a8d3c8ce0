#include "journal/xlsx_workbook_writer.h"

#include "core/errors.h"
#include "core/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <tuple>

#include <unistd.h>
#include <vector>

namespace kv {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr qsizetype kMaxCellText = 32767;

void apply(CellFormat& under, const CellFormat& over)
{
    if (over.fontSize)
        under.fontSize = over.fontSize;
    if (over.bold)
        under.bold = over.bold;
    if (over.alignment)
        under.alignment = over.alignment;
}

uint8_t lxwAlignment(HorizontalAlignment alignment)
{
    switch (alignment) {
    case HorizontalAlignment::Left: return LXW_ALIGN_LEFT;
    case HorizontalAlignment::Centre: return LXW_ALIGN_CENTER;
    case HorizontalAlignment::Right: return LXW_ALIGN_RIGHT;
    case HorizontalAlignment::General: break;
    }
    return LXW_ALIGN_NONE;
}

class XlsxWorkbookWriter final : public WorkbookWriter {
public:
    explicit XlsxWorkbookWriter(QString target) : m_target(std::move(target)) {}
    ~XlsxWorkbookWriter() override { discard(); }
    XlsxWorkbookWriter(const XlsxWorkbookWriter&) = delete;
    XlsxWorkbookWriter& operator=(const XlsxWorkbookWriter&) = delete;

    int maxRows() const override { return kMaxRows; }

    void create() override
    {
        discard();
        // Beside the target where it can be, on the disk the workbook goes to, so a full
        // temporary folder doesn't fail an export to a roomy disk.
        m_scratch.emplace(QFileInfo(m_target).absolutePath() + QStringLiteral("/.kv4410pc-xlsx-XXXXXX"));
        if (!m_scratch->isValid())
            m_scratch.emplace(QDir::tempPath() + QStringLiteral("/kv4410pc-xlsx-XXXXXX"));
        if (!m_scratch->isValid())
            failSaving(0, QStringLiteral("No scratch folder: %1").arg(m_scratch->errorString()));
        m_scratchPath = QFile::encodeName(m_scratch->path());
        lxw_workbook_options options{};
        // Each row is written out and freed as the next begins.
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_scratchPath.data();
        errno = 0;
        m_book = workbook_new_opt(QFile::encodeName(scratchFile()).constData(), &options);
        if (m_book)
            m_sheet = workbook_add_worksheet(m_book, "Лист1");
        if (!m_sheet)
            failSaving(errno, QStringLiteral("the workbook could not be started"));
    }

    void setColumnWidth(int column, int width) override
    {
        sheet();
        if (column < 1 || column > kMaxColumns || width < 0 || width > 255)
            throw Error(QStringLiteral("No width %1 for column %2").arg(width).arg(column));
        m_widths[column] = width;
    }

    void setColumnsFontSize(int size) override
    {
        sheet();
        checkFontSize(size);
        m_columnsFormat.fontSize = size;
    }

    void formatRange(const CellRange& range, const CellFormat& format) override
    {
        if (range.firstRow > range.lastRow || range.firstColumn > range.lastColumn)
            throw Error(QStringLiteral("A range runs backwards"));
        checkCell(range.firstRow, range.firstColumn);
        checkCell(range.lastRow, range.lastColumn);
        if (format.fontSize)
            checkFontSize(*format.fontSize);
        advanceTo(range.firstRow);
        m_ranges.push_back({range, format});
    }

    void setCellText(int row, int column, const QString& text) override
    {
        checkCell(row, column);
        if (text.size() > kMaxCellText)
            throw Error(QStringLiteral("A text of over %1 characters at row %2, column %3")
                            .arg(kMaxCellText).arg(row).arg(column));
        advanceTo(row);
        m_texts[column] = text;
    }

    bool save(const QString& fileName, const ReplaceGate& mayReplace) override
    {
        sheet();
        try {
            finishRows();
            writeColumns();
            checkRowsFile(true);
            // The file is written here; its zip and file errors leave the system's code
            // in errno.
            errno = 0;
            const lxw_error error = workbook_close(m_book);
            const int errorCode = errno;
            m_book = nullptr;
            m_sheet = nullptr;
            check(error, errorCode);
            return putInPlace(fileName, mayReplace);
        } catch (const StreamWriteError& e) {
            throw FileCreateError(fileName, e.errorCode() != 0 ? systemErrorText(e.errorCode())
                                                               : e.message());
        }
    }

    void close() override { discard(); }
    void quit() override { discard(); }

private:
    struct PendingRange {
        CellRange range;
        CellFormat format;
    };

    QString scratchFile() const { return m_scratch->filePath(QStringLiteral("book.xlsx")); }

    lxw_worksheet* sheet() const
    {
        if (!m_sheet)
            throw Error(QStringLiteral("No workbook is open"));
        return m_sheet;
    }

    // The scratch workbook is thrown away with its folder; the writer can start anew.
    void discard()
    {
        if (m_book) {
            // The library has no way to drop a workbook but writing it: emptied first,
            // the rows written so far don't hold up a Cancel by being packed for nothing.
            if (FILE* rows = m_sheet ? m_sheet->optimize_tmpfile : nullptr) {
                std::fflush(rows);
                if (::ftruncate(::fileno(rows), 0) == 0)
                    std::rewind(rows);
            }
            workbook_close(m_book);
        }
        m_book = nullptr;
        m_sheet = nullptr;
        m_scratch.reset();
        m_widths.clear();
        m_columnsFormat = {};
        m_row = 0;
        m_texts.clear();
        m_ranges.clear();
        m_formats.clear();
    }

    // The finished scratch workbook through the safe save, a piece at a time: a workbook
    // of a million rows is tens of megabytes.
    bool putInPlace(const QString& fileName, const ReplaceGate& mayReplace) const
    {
        QFile scratch(scratchFile());
        if (!scratch.open(QIODevice::ReadOnly))
            failSaving(0, scratch.errorString());
        FileReplacement placed(fileName);
        constexpr qint64 kPiece = 1 << 20;
        while (!scratch.atEnd()) {
            const QByteArray piece = scratch.read(kPiece);
            if (piece.isEmpty())
                failSaving(0, scratch.errorString());
            placed.write(piece);
        }
        return placed.commit(mayReplace);
    }

    [[noreturn]] void failSaving(int errorCode, const QString& otherwise) const
    {
        throw FileCreateError(m_target, errorCode != 0 ? systemErrorText(errorCode) : otherwise);
    }

    void check(lxw_error error, int errorCode = 0) const
    {
        if (error != LXW_NO_ERROR)
            failSaving(errorCode, QString::fromUtf8(lxw_strerror(error)));
    }

    // The library writes finished rows to a scratch file and doesn't look whether that
    // worked: rows lost to a full disk would make a workbook that lacks them.
    // Checked after each row, errno still holds the failed write's cause.
    void checkRowsFile(bool flush = false) const
    {
        int errorCode = errno;
        if (flush && std::fflush(m_sheet->optimize_tmpfile) != 0)
            errorCode = errno;
        if (std::ferror(m_sheet->optimize_tmpfile))
            failSaving(errorCode, QStringLiteral("the rows could not be written"));
    }

    static void checkCell(int row, int column)
    {
        if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
            throw Error(QStringLiteral("No cell at row %1, column %2").arg(row).arg(column));
    }

    static void checkFontSize(int size)
    {
        if (size < 1 || size > 409)
            throw Error(QStringLiteral("No type size %1").arg(size));
    }

    // Makes `row` the row being gathered, writing out the rows before it.
    void advanceTo(int row)
    {
        sheet();
        if (row < m_row)
            throw Error(QStringLiteral("Row %1 is written out already").arg(row));
        while (m_row < row) {
            writeRow();
            // Rows no range reaches are skipped at once.
            m_row = m_ranges.empty() ? row : m_row + 1;
        }
    }

    void finishRows()
    {
        writeRow();
        while (!m_ranges.empty()) {
            ++m_row;
            writeRow();
        }
    }

    // The gathered row: its texts and every cell a range reaches, each in the columns'
    // format overlaid with the ranges' formats in the order given.
    void writeRow()
    {
        std::map<int, CellFormat> cells;
        for (const PendingRange& p : m_ranges)
            if (p.range.firstRow <= m_row && m_row <= p.range.lastRow)
                for (int c = p.range.firstColumn; c <= p.range.lastColumn; ++c)
                    apply(cells[c], p.format);
        for (const auto& entry : m_texts)
            cells.try_emplace(entry.first);
        const auto row = lxw_row_t(m_row - 1);
        for (const auto& [column, over] : cells) {
            CellFormat f = m_columnsFormat;
            apply(f, over);
            const auto text = m_texts.find(column);
            if (text == m_texts.end()) {
                check(worksheet_write_blank(m_sheet, row, lxw_col_t(column - 1), format(f)));
            } else {
                const QByteArray utf8 = text->second.toUtf8();
                check(worksheet_write_string(m_sheet, row, lxw_col_t(column - 1), utf8.constData(), format(f)));
            }
        }
        checkRowsFile();
        m_texts.clear();
        std::erase_if(m_ranges, [this](const PendingRange& p) { return p.range.lastRow <= m_row; });
    }

    lxw_format* format(const CellFormat& f)
    {
        if (f == CellFormat{})
            return nullptr;
        const auto key = std::make_tuple(f.fontSize.value_or(0), f.bold.value_or(false),
                                         f.alignment.value_or(HorizontalAlignment::General));
        if (const auto it = m_formats.find(key); it != m_formats.end())
            return it->second;
        lxw_format* format = workbook_add_format(m_book);
        if (f.fontSize)
            format_set_font_size(format, *f.fontSize);
        if (f.bold.value_or(false))
            format_set_bold(format);
        if (f.alignment)
            format_set_align(format, lxwAlignment(*f.alignment));
        m_formats.emplace(key, format);
        return format;
    }

    // The columns with a width of their own, each in the columns' format, and those
    // between them. No further: a formatted column counts in the sheet's extent, and a
    // reader that trusts the extent would take every row as 16384 cells wide. Set once the
    // rows are out, so that no row is walked across the formatted columns as it is written.
    void writeColumns()
    {
        lxw_format* columns = format(m_columnsFormat);
        int last = 0;
        for (const auto& [column, width] : m_widths) {
            for (int c = last + 1; c < column; ++c)
                check(worksheet_set_column(m_sheet, lxw_col_t(c - 1), lxw_col_t(c - 1), LXW_DEF_COL_WIDTH, columns));
            check(worksheet_set_column(m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), width, columns));
            last = column;
        }
    }

    QString m_target;
    std::optional<QTemporaryDir> m_scratch;
    QByteArray m_scratchPath;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    std::map<int, int> m_widths;
    CellFormat m_columnsFormat;
    int m_row = 0;  // the row being gathered; 0 before the first
    std::map<int, QString> m_texts;
    std::vector<PendingRange> m_ranges;  // in the order given
    std::map<std::tuple<int, bool, HorizontalAlignment>, lxw_format*> m_formats;
};

}  // namespace

}  // namespace kv

// The module's one entry (xlsx_module.cpp loads it): a new writer, the caller's to delete.
extern "C" Q_DECL_EXPORT kv::WorkbookWriter* kv4410pc_create_xlsx_writer(const QString& fileName)
{
    return new kv::XlsxWorkbookWriter(fileName);
}
