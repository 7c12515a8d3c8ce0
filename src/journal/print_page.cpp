#include "journal/print_page.h"

#include "core/cp1251.h"
#include "core/file_io.h"

#include <QDir>

namespace kv {

namespace {

const char* const kHead[] = {
    "<html>",
    "<head>",
    "<title>Октанометр КВ-4410 ПК</title>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">",
    "</head>",
    "<body  text=\"#000000\">",
    "<table width=\"100%\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">",
    "<tr>",
    "<td align=center width=10><b>№</b></td>",
    "<td align=center><b>Дата</b></td>",
    "<td align=center><b>Метод</b></td>",
    "<td align=center><b>Значение</b></td>",
    "<td align=center><b>Комментарий</b></td>",
    "</tr>",
};
const char* const kTail[] = {"</table>", "</body>", "</html>"};

void appendLine(QString& page, QStringView line)
{
    page += line;
    page += QLatin1StringView("\r\n");
}

void appendCell(QString& page, QLatin1StringView open, const QString& text)
{
    page += open;
    page += text.toHtmlEscaped();
    page += QLatin1StringView("</td>\r\n");
}

}  // namespace

QByteArray printPageBytes(const JournalTable& table)
{
    QString page;
    page.reserve(qsizetype(table.rowCount()) * 220 + 600);
    for (const char* line : kHead)
        appendLine(page, QString::fromUtf8(line));
    for (int r = 1; r < table.rowCount(); ++r) {
        appendLine(page, u"<tr>");
        appendCell(page, QLatin1StringView("<td align=center width=10>"), table.cell(r, 0));
        for (int c = 1; c < JournalTable::kColumnCount; ++c)
            appendCell(page, QLatin1StringView("<td align=center>"), table.cell(r, c));
        appendLine(page, u"</tr>");
    }
    for (const char* line : kTail)
        appendLine(page, QString::fromUtf8(line));
    return toCp1251(page);
}

QString buildPrintPage(const JournalTable& table, const QString& directory)
{
    const QString path = QDir(directory).absoluteFilePath(kPrintPageFileName);
    replaceFileAtomically(path, printPageBytes(table));
    return path;
}

}  // namespace kv
