// The journal and archive rules and what the book knows about changes since a file was read.

#include "core/methods.h"
#include "journal/journal_book.h"
#include "journal/journal_entry.h"
#include "journal/table_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace kv {
namespace {

const QDateTime kWhen(QDate(2026, 12, 9), QTime(10, 0, 0));

QByteArray fileOf(std::initializer_list<const char*> values)
{
    std::vector<JournalRow> rows;
    for (const char* value : values)
        rows.push_back(makeEntry(int(rows.size()) + 1, kWhen, Research, QString::fromUtf8(value)));
    return tableFileBytes(journalTableOf(rows));
}

using T = JournalBook::Table;

TEST(JournalBook, OnlyARealChangeAsksForAWrite)
{
    const struct {
        const char* what;
        std::function<void(JournalBook&)> act;
        bool journalWritten;
        bool archiveWritten;
    } cases[] = {
        {"nothing done", [](JournalBook&) {}, false, false},
        {"an entry", [](JournalBook& b) { b.addEntry(Motor, "83,1", kWhen); }, true, false},
        {"an entry made and deleted",
         [](JournalBook& b) { b.deleteEntry(b.addEntry(Motor, "83,1", kWhen).edits[0].row); }, false,
         false},
        {"a row moved", [](JournalBook& b) { b.moveToArchive(1); }, true, true},
        {"a comment typed",
         [](JournalBook& b) { b.setComment(1, QStringLiteral("проба")); }, true, false},
        {"marked unsaved (missing or damaged file)", [](JournalBook& b) { b.markUnsaved(T::Archive); },
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JournalBook book;
        book.read(T::Journal, fileOf({"91,8", "92"}));
        book.read(T::Archive, fileOf({"90"}));
        c.act(book);
        EXPECT_EQ(book.bytesToSave(T::Journal).has_value(), c.journalWritten);
        EXPECT_EQ(book.bytesToSave(T::Archive).has_value(), c.archiveWritten);
        // Once written, nothing more until the next change.
        for (T table : {T::Journal, T::Archive}) {
            if (const auto bytes = book.bytesToSave(table))
                book.markSaved(table, *bytes);
            EXPECT_FALSE(book.bytesToSave(table).has_value());
        }
    }
}

TEST(JournalBook, RowsMovedThisSessionAreTheArchivesTailAndGoBackToTheJournalOnDemand)
{
    JournalBook book;
    book.read(T::Journal, fileOf({"1", "2", "3", "4"}));
    book.read(T::Archive, fileOf({"a", "b"}));
    book.moveToArchive(1);    // "1"
    book.moveToArchive(1);    // "2"
    book.moveToArchive(1);    // "3"
    book.deleteArchived(1);   // "a", read from the file
    book.deleteArchived(3);   // "2", moved
    const std::vector<JournalRow> moved = book.movedThisSession();
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].cells[3], QStringLiteral("1"));
    EXPECT_EQ(moved[1].cells[3], QStringLiteral("3"));

    JournalTable journal;
    readTableBytes(journal, book.journalBytesWithMovedRows());
    ASSERT_EQ(journal.rowCount(), 4);
    EXPECT_EQ(journal.cell(1, 3), QStringLiteral("4"));
    EXPECT_EQ(journal.cell(2, 3), QStringLiteral("1"));
    EXPECT_EQ(journal.cell(3, 3), QStringLiteral("3"));

    // Emptied down to its blank row, the archive holds nothing moved.
    while (book.archive().table().rowCount() > 2)
        book.deleteArchived(1);
    book.deleteArchived(1);
    EXPECT_TRUE(book.movedThisSession().empty());
}

TEST(JournalBook, EntriesFollowTheTableRules)
{
    JournalBook book;
    // An empty journal's blank row takes the first entry; archiving an empty journal or
    // a row outside the table does nothing.
    EXPECT_TRUE(book.moveToArchive(1).isEmpty());
    EXPECT_EQ(book.addEntry(Cetane, "*", kWhen).edits[0].row, 1);
    EXPECT_EQ(book.addEntry(Research, "91,8 (Эталон)", kWhen).edits[0].row, 2);
    book.moveToArchive(7);
    EXPECT_EQ(book.archive().table().rowCount(), 2);
    book.moveToArchive(2);
    ASSERT_EQ(book.archive().table().rowCount(), 3);  // never into the archive's blank row
    EXPECT_EQ(book.archive().table().cell(2, 3), QStringLiteral("91,8 (Эталон)"));
    EXPECT_EQ(book.journal().table().rowCount(), 2);
}

// Every rule's change taken back leaves both files' bytes and the rows moved this session
// as they were, and made again, as the rule left them.
TEST(JournalBook, EveryChangeIsUndoneAndRedoneExactly)
{
    const struct {
        const char* what;
        std::function<JournalChange(JournalBook&)> act;
        const char* journal;
        const char* archive;
        bool firstMoved = false;  // the journal's first row moved to the archive before
    } cases[] = {
        {"entry into the blank row", [](JournalBook& b) { return b.addEntry(Aki, "87", kWhen); }, "", ""},
        {"entry", [](JournalBook& b) { return b.addEntry(Aki, "87", kWhen); }, "1 2", "a"},
        {"comment", [](JournalBook& b) { return b.setComment(2, "с\nпереносом"); }, "1 2", "a"},
        {"delete", [](JournalBook& b) { return b.deleteEntry(1); }, "1 2 3", "a"},
        {"delete the only row", [](JournalBook& b) { return b.deleteEntry(1); }, "1", "a"},
        {"to the archive", [](JournalBook& b) { return b.moveToArchive(2); }, "1 2 3", "a"},
        {"the last to the archive", [](JournalBook& b) { return b.moveToArchive(1); }, "1", ""},
        {"archive delete", [](JournalBook& b) { return b.deleteArchived(1); }, "1", "a b"},
        {"a moved row deleted", [](JournalBook& b) { return b.deleteArchived(2); }, "1 2", "a", true},
    };
    const auto file = [](const char* values) {
        std::vector<JournalRow> rows;
        for (const QString& value : QString::fromUtf8(values).split(u' ', Qt::SkipEmptyParts))
            rows.push_back(makeEntry(int(rows.size()) + 1, kWhen, Research, value));
        return tableFileBytes(journalTableOf(rows));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JournalBook book;
        book.read(T::Journal, file(c.journal));
        book.read(T::Archive, file(c.archive));
        if (c.firstMoved)
            book.moveToArchive(1);
        const auto state = [&book] {
            return std::tuple(tableFileBytes(book.journal().table()),
                              tableFileBytes(book.archive().table()), book.movedThisSession());
        };
        const auto before = state();
        const JournalChange change = c.act(book);
        ASSERT_FALSE(change.isEmpty());
        const auto after = state();
        ASSERT_NE(after, before);
        book.undo(change);
        EXPECT_EQ(state(), before);
        book.redo(change);
        EXPECT_EQ(state(), after);
    }
    // What changes nothing is no change: a blank row deleted, a comment typed as it was.
    JournalBook book;
    EXPECT_TRUE(book.deleteEntry(1).isEmpty());
    EXPECT_TRUE(book.deleteArchived(1).isEmpty());
    book.addEntry(Motor, "78", kWhen);
    EXPECT_TRUE(book.setComment(1, book.journal().table().cell(1, JournalTable::kCommentColumn)).isEmpty());
}

}  // namespace
}  // namespace kv
