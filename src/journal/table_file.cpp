#include "journal/table_file.h"

#include "core/cp1251.h"
#include "core/file_io.h"

#include <algorithm>

namespace kv {

namespace {
constexpr int kLinesPerRecord = 6;
}

QByteArray tableFileBytes(const JournalTable& table)
{
    qsizetype length = 0;
    for (int r = 1; r < table.rowCount(); ++r) {
        for (const QString& cell : table.row(r).cells)
            length += cell.size() + 2;
        length += 2;
    }
    QString text;
    text.reserve(length);
    const QLatin1StringView lineEnd("\r\n");
    for (int r = 1; r < table.rowCount(); ++r) {
        for (const QString& cell : table.row(r).cells) {
            text += cell;
            text += lineEnd;
        }
        text += lineEnd;
    }
    return toCp1251(text);
}

TableRead readTableBytes(JournalTable& table, QByteArrayView bytes)
{
    TableRead result;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        const QByteArrayView rest = bytes.sliced(nul);
        result.damaged = std::any_of(rest.begin(), rest.end(), [](char c) { return c != '\0'; });
        bytes = bytes.first(nul);
    }
    const QString text = fromCp1251(bytes);

    JournalRow record;
    int line = 0;
    bool first = true;
    bool partialHasText = false;
    const auto takeLine = [&](QStringView content) {
        partialHasText = partialHasText || !content.isEmpty();
        if (line < JournalTable::kColumnCount)
            record.cells[std::size_t(line)] =
                content.isEmpty() ? QStringLiteral(" ") : content.toString();
        if (++line < kLinesPerRecord)
            return;
        // A complete record: the first fills row 1 as it stands, the others are appended.
        if (first) {
            table.setRow(1, record);
            first = false;
        } else {
            table.appendData(record);
        }
        ++result.records;
        line = 0;
        partialHasText = false;
    };

    qsizetype start = 0;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar ch = text[i];
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            takeLine(QStringView(text).sliced(start, i - start));
            if (ch == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        takeLine(QStringView(text).sliced(start));
    if (line > 0 && partialHasText)
        result.damaged = true;
    return result;
}

TableRead loadTableFile(JournalTable& table, const QString& path)
{
    return readTableBytes(table, readWholeFile(path, kMaxTableFileSize));
}

void saveTableFile(const JournalTable& table, const QString& path)
{
    replaceFileAtomically(path, tableFileBytes(table));
}

}  // namespace kv
