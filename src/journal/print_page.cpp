#include "journal/print_page.h"

#include "core/cp1251.h"
#include "core/errors.h"

#include <QSaveFile>

#include <cerrno>

#include <QDir>

namespace kv {

namespace {

// The head up to the heading row; the title and the headings are the table's own.
const char* const kHead[] = {
    "<html>",
    "<head>",
    nullptr,  // the title
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">",
    "</head>",
    "<body  text=\"#000000\">",
    "<table width=\"100%\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">",
    "<tr>",
};
const char* const kTail[] = {"</table>", "</body>", "</html>"};

// The page goes straight into code page 1251 bytes, line by line: a text copy of a long
// journal's page would take twice its size again.
void appendLine(QByteArray& page, const QString& line)
{
    page += toCp1251(line);
    page += "\r\n";
}

void appendCell(QByteArray& page, const char* open, const QString& text)
{
    page += open;
    page += toCp1251(text.toHtmlEscaped());
    page += "</td>\r\n";
}

}  // namespace

bool writePrintPage(const JournalTable& table, const std::function<void(QByteArrayView)>& sink,
                    const PrintPageProgress& progress)
{
    // About 200 KB a piece: few writes, and the progress moves often enough.
    constexpr int kRowsPerPiece = 1000;
    QByteArray page;
    page.reserve(kRowsPerPiece * 220 + 600);
    for (const char* line : kHead)
        appendLine(page, line ? QString::fromUtf8(line) : QStringLiteral("<title>") + kJournalTitle + QStringLiteral("</title>"));
    appendLine(page, QStringLiteral("<td align=center width=10><b>") + kJournalHeadings[0] + QStringLiteral("</b></td>"));
    for (std::size_t c = 1; c < kJournalHeadings.size(); ++c)
        appendLine(page, QStringLiteral("<td align=center><b>") + kJournalHeadings[c] + QStringLiteral("</b></td>"));
    appendLine(page, QStringLiteral("</tr>"));
    const int rows = table.rowCount() - 1;
    for (int r = 1; r <= rows; ++r) {
        page += "<tr>\r\n";
        appendCell(page, "<td align=center width=10>", table.cell(r, 0));
        for (int c = 1; c < JournalTable::kColumnCount; ++c)
            appendCell(page, "<td align=center>", table.cell(r, c));
        page += "</tr>\r\n";
        if (r % kRowsPerPiece == 0) {
            sink(page);
            page.clear();
            if (progress && !progress(r, rows))
                return false;
        }
    }
    for (const char* line : kTail)
        appendLine(page, QString::fromUtf8(line));
    sink(page);
    return true;
}

QByteArray printPageBytes(const JournalTable& table)
{
    QByteArray page;
    page.reserve(qsizetype(table.rowCount()) * 220 + 600);
    writePrintPage(table, [&page](QByteArrayView piece) { page += piece; });
    return page;
}

QString buildPrintPage(const JournalTable& table, const QString& directory,
                       const PrintPageProgress& progress)
{
    const QString path = QDir(directory).absoluteFilePath(kPrintPageFileName);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileCreateError(path, file.errorString());
    const bool whole = writePrintPage(
        table,
        [&file, &path](QByteArrayView piece) {
            if (file.write(piece.data(), piece.size()) != piece.size())
                throw StreamWriteError(path, errno);
        },
        progress);
    if (!whole) {
        file.cancelWriting();
        return {};
    }
    if (!file.commit())
        throw StreamWriteError(path, errno);
    return path;
}

}  // namespace kv
