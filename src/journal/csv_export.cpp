#include "journal/csv_export.h"

#include "core/file_io.h"

#include <QFileInfo>

namespace kv {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// Pieces of about this size go to the file: few writes, little memory.
constexpr qsizetype kPieceBytes = 1 << 20;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "-5", "+3", "92,4", "0.5": what a spreadsheet reads as a number, not a formula.
bool isPlainNumber(const QString& text)
{
    qsizetype at = (text.startsWith(u'-') || text.startsWith(u'+')) ? 1 : 0;
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < text.size() && isDigit(text[at]))
            ++at;
        return at > from;
    };
    if (!digits())
        return false;
    if (at < text.size() && (text[at] == u',' || text[at] == u'.')) {
        ++at;
        if (!digits())
            return false;
    }
    return at == text.size();
}

bool runsAsFormula(const QString& text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front()) && !isPlainNumber(text);
}

// Thrown through the rows when the operator cancels; never leaves the export.
struct Cancelled {};

}  // namespace

bool isCsvFileName(const QString& fileName)
{
    return QFileInfo(fileName).fileName().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QString csvField(const QString& text)
{
    QString field = runsAsFormula(text) ? u'\'' + text : text;
    const bool quoted = field.contains(u';') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n')
                        || (!field.isEmpty() && (isBlank(field.front()) || isBlank(field.back())));
    if (!quoted)
        return field;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QByteArray csvLine(const JournalRow& row)
{
    QString line;
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
        if (c > 0)
            line += u';';
        line += csvField(row.cells[c]);
    }
    line += QStringLiteral("\r\n");
    return line.toUtf8();
}

SpreadsheetExportResult exportGridToCsv(const JournalTable& table, const QString& fileName, BusyCursor& cursor,
                                        const ExportProgress& progress, const SaveWaiter& waitForSave)
{
    FileReplacement file(fileName);
    SpreadsheetExportResult result;
    bool hourglass = true;
    cursor.setHourglass();
    try {
        QByteArray piece = kByteOrderMark + csvLine(JournalRow{kJournalHeadings});
        const int rows = table.rowCount() - 1;
        for (int r = 1; r < table.rowCount(); ++r) {
            if (progress && r % kExportProgressStep == 0 && !progress(r - 1, rows))
                throw Cancelled();
            piece += csvLine(table.row(r));
            if (piece.size() >= kPieceBytes) {
                file.write(piece);
                piece.truncate(0);
            }
        }
        file.write(piece);
        if (progress && !progress(rows, rows))
            throw Cancelled();
        cursor.setDefault();
        hourglass = false;
        // Syncing a file of a hundred megabytes takes a while: on the saving thread.
        if (!runSave([&file](const ReplaceGate& gate) { return file.commit(gate); }, waitForSave))
            throw Cancelled();
    } catch (const Cancelled&) {
        result.cancelled = true;
    } catch (...) {
        if (hourglass)
            cursor.setDefault();
        throw;
    }
    if (hourglass)
        cursor.setDefault();
    return result;
}

}  // namespace kv
