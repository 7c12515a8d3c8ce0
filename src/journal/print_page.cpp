#include "journal/print_page.h"

#include "core/cp1251.h"
#include "core/file_io.h"

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

QByteArray printPageBytes(const JournalTable& table)
{
    QByteArray page;
    page.reserve(qsizetype(table.rowCount()) * 220 + 600);
    for (const char* line : kHead)
        appendLine(page, line ? QString::fromUtf8(line) : QStringLiteral("<title>") + kJournalTitle + QStringLiteral("</title>"));
    appendLine(page, QStringLiteral("<td align=center width=10><b>") + kJournalHeadings[0] + QStringLiteral("</b></td>"));
    for (std::size_t c = 1; c < kJournalHeadings.size(); ++c)
        appendLine(page, QStringLiteral("<td align=center><b>") + kJournalHeadings[c] + QStringLiteral("</b></td>"));
    appendLine(page, QStringLiteral("</tr>"));
    for (int r = 1; r < table.rowCount(); ++r) {
        page += "<tr>\r\n";
        appendCell(page, "<td align=center width=10>", table.cell(r, 0));
        for (int c = 1; c < JournalTable::kColumnCount; ++c)
            appendCell(page, "<td align=center>", table.cell(r, c));
        page += "</tr>\r\n";
    }
    for (const char* line : kTail)
        appendLine(page, QString::fromUtf8(line));
    return page;
}

QString buildPrintPage(const JournalTable& table, const QString& directory)
{
    const QString path = QDir(directory).absoluteFilePath(kPrintPageFileName);
    replaceFileAtomically(path, printPageBytes(table));
    return path;
}

}  // namespace kv
