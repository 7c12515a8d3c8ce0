#include "journal/table_file.h"

#include "core/cp1251.h"
#include "core/file_io.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
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

// Cells a journal repeats are decoded once and shared: a million rows then hold one copy
// of each, not a million. The method and the value take few texts, all of them kept
// (keyed by views into the file's bytes, which outlive the read); a comment repeats, if at
// all, from one row to the next, so only the last few are looked at.
class CellCache {
public:
    explicit CellCache(bool everyText) : m_everyText(everyText) {}

    QString cell(QByteArrayView bytes)
    {
        if (bytes.size() > kLongest)
            return fromCp1251(bytes);
        for (const Recent& recent : m_recent) {
            if (recent.bytes == bytes)
                return recent.text;
        }
        QString text;
        const std::string_view key(bytes.data(), std::size_t(bytes.size()));
        if (!m_everyText) {
            text = fromCp1251(bytes);
        } else if (const auto found = m_cells.find(key); found != m_cells.end()) {
            text = found->second;
        } else {
            text = fromCp1251(bytes);
            if (m_cells.size() < kMostCells)
                m_cells.emplace(key, text);
        }
        m_recent[m_next] = {bytes, text};
        m_next = (m_next + 1) % m_recent.size();
        return text;
    }

private:
    static constexpr qsizetype kLongest = 48;
    static constexpr std::size_t kMostCells = 1 << 16;
    struct Recent {
        QByteArrayView bytes;
        QString text;
    };
    bool m_everyText;
    std::array<Recent, 4> m_recent{};
    std::size_t m_next = 0;
    std::unordered_map<std::string_view, QString> m_cells;
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
    // The method, the value and the comment; the number and the date differ from row to row.
    std::array<CellCache, 3> caches{CellCache(true), CellCache(true), CellCache(false)};
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
                cell = caches[std::size_t(line - JournalTable::kMethodColumn)].cell(content);
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
