#include "journal/table_file.h"

#include "core/cp1251.h"
#include "core/file_io.h"

#include <algorithm>
#include <array>
#include <vector>

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
    // Encoded cell by cell into the bytes: a text of the whole file first would cost
    // twice its size again. One byte per character, whatever the character.
    QByteArray bytes;
    bytes.reserve(length);
    for (int r = 1; r < table.rowCount(); ++r) {
        for (const QString& cell : table.row(r).cells) {
            appendCp1251(bytes, cell);
            bytes += "\r\n";
        }
        bytes += "\r\n";
    }
    return bytes;
}

namespace {

// Cells a journal repeats (the method, a value, a comment) are decoded once and shared:
// a million rows then hold one copy of each, not a million.
class CellCache {
public:
    QString cell(QByteArrayView bytes)
    {
        if (bytes.size() > kLongest)
            return fromCp1251(bytes);
        for (const Entry& entry : m_entries) {
            if (entry.bytes == bytes)
                return entry.text;
        }
        Entry& entry = m_entries[m_next];
        m_next = (m_next + 1) % kEntries;
        entry = {bytes, fromCp1251(bytes)};
        return entry.text;
    }

private:
    static constexpr qsizetype kLongest = 80;
    static constexpr std::size_t kEntries = 8;
    struct Entry {
        QByteArrayView bytes;
        QString text;
    };
    std::array<Entry, kEntries> m_entries{};
    std::size_t m_next = 0;
};

}  // namespace

TableRead readTableBytes(JournalTable& table, QByteArrayView bytes)
{
    TableRead result;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        const QByteArrayView rest = bytes.sliced(nul);
        result.damaged = std::any_of(rest.begin(), rest.end(), [](char c) { return c != '\0'; });
        bytes = bytes.first(nul);
    }

    // Decoded line by line, straight from the bytes: a text copy of the whole file first
    // would cost twice its size again.
    std::vector<JournalRow> records;
    records.reserve(std::size_t(std::count(bytes.begin(), bytes.end(), '\n') / kLinesPerRecord + 1));
    // Columns 0 and 1 (the number, the date) differ from row to row.
    std::array<CellCache, JournalTable::kColumnCount> caches;
    const QString blank = QStringLiteral(" ");
    JournalRow record;
    int line = 0;
    bool partialHasText = false;
    const auto takeLine = [&](QByteArrayView content) {
        partialHasText = partialHasText || !content.isEmpty();
        if (line < JournalTable::kColumnCount) {
            QString& cell = record.cells[std::size_t(line)];
            if (content.isEmpty())
                cell = blank;
            else if (line < JournalTable::kMethodColumn)
                cell = fromCp1251(content);
            else
                cell = caches[std::size_t(line)].cell(content);
        }
        if (++line < kLinesPerRecord)
            return;
        records.push_back(std::move(record));
        record = {};
        line = 0;
        partialHasText = false;
    };

    const char* const begin = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char ch = begin[i];
        if (ch == '\r' || ch == '\n') {
            takeLine(bytes.sliced(start, i - start));
            if (ch == '\r' && i + 1 < size && begin[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        takeLine(bytes.sliced(start));
    if (line > 0 && partialHasText)
        result.damaged = true;
    result.records = int(records.size());
    // Each cell came from one line, cut at the first NUL: nothing in it to make single.
    table.takeReadRows(std::move(records));
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
