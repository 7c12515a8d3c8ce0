#pragma once
// DataFiles: the three data files, read into the models when the main window is created
// and written from them when it closes. Nothing is lost that the session did:
// - a file is written only when what it should hold differs from what it holds, so an
//   untouched file is never rewritten and one that can't be written doesn't hold the close;
// - a file that exists but can't be read is never written over; what the session added
//   to its table goes into a new file beside it;
// - a file read only up to damage is first copied whole beside itself;
// - a row moved to the archive stays in the journal's file until the archive's file has it;
// - every failure keeps the window open, so the operator can remove the cause and close
//   again.

#include "journal/journal_book.h"
#include "journal/journal_entry.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace kv {

class CalibrationListModel;
class ErrorReporter;
struct TCalibration;

class DataFiles {
public:
    // dataDirectory: where kor.tab, data.tab and data2.tab live.
    // The only code that opens the data files: the models turn their bytes into records
    // and back.
    DataFiles(QString dataDirectory, CalibrationListModel& calibrations, JournalBook& book,
              ErrorReporter& errors);

    const QString& dataDirectory() const { return m_directory; }
    QString dataFilePath(const QString& fileName) const;

    // Puts back the old content of data files whose rewrite in place was cut off, and
    // says so. Before anything is read.
    void restoreInterruptedSaves();

    // Each reads its file through the guard; a failure is shown and start-up goes on.
    void LoadCalibrations();
    void loadArchive();
    void loadJournal();

    // Writes what changed of the archive, the journal and the calibrations, in that order.
    // False when the window must stay open so that nothing is lost: a file that had to be
    // written could not be, or the data directory is gone and can't be made again.
    bool saveAll();

    // The calibrations page's save after a create, an edit or a delete, by the close's
    // rules: a kor.tab that could not be read is not written over (the close decides what
    // becomes of the list), nor is anything written into a missing directory that the
    // close would not make. Raises the file errors; the list keeps its state.
    void SaveCalibrations();

    // The name, beside the original, for what a session added to a file that could not
    // be read: "data2.tab" at 2026-12-08 14:30:05 gives "data2-20261208-143005.tab"; a
    // name already taken gets "-2", "-3", ... before the suffix.
    static QString keptFileName(const QString& directory, const QString& fileName,
                                const QDateTime& when);

    // Set for the per-user data directory: it is made again at close when it is missing
    // (it could not be made at start), and the close fails when that fails. Without it a
    // missing directory is reported at close when there is something to save.
    void setCreatesDirectory(bool creates) { m_createsDirectory = creates; }

    // Where the kept files take their date and time from (the system clock by default).
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // What a table's file holds as last read or written ("" for a file that could not be
    // read), for telling whether it is still the file a log of changes began from.
    QByteArray fingerprint(JournalBook::Table table) const;

    // False while kor.tab exists but could not be read (or was damaged and could not be
    // copied): its content must not be replaced by the list in memory.
    bool calibrationsWritable() const { return m_calibrationsWritable; }

private:
    // The data directory is missing and not one to make again.
    bool directoryGone() const;
    // Entries, moves, deletions, comments or calibrations made since the files were read
    // or last written; what a missing or damaged file needs doesn't count.
    bool sessionChangedSomething() const;
    // Reads one file's bytes; false when it exists but could not be read.
    bool read(const QString& fileName, QByteArray& bytes, qint64 maxSize);
    void loadTable(JournalBook::Table table, const QString& fileName, bool& readable);
    // After a load that stopped at damage: copies the file beside itself and says so.
    // False when no copy could be made; the file must then not be written over.
    bool keepDamaged(const QString& fileName, const QString& damaged);
    // Writes one table if it must be (its own bytes, or the journal with the rows moved
    // this session); for an unreadable file keeps what the session added. False when
    // that failed.
    bool saveTable(JournalBook::Table table, const QString& fileName, bool readable,
                   bool withMovedRows = false);
    std::optional<QByteArray> calibrationBytesToSave() const;
    const std::vector<TCalibration>& records() const;
    bool saveCalibrationsAtClose();
    // Writes bytes to a new file beside an unreadable one and notes it for the notice.
    bool keep(const QString& fileName, const QByteArray& bytes);

    QString m_directory;
    CalibrationListModel& m_calibrations;
    JournalBook& m_book;
    ErrorReporter& m_errors;
    Clock m_clock = systemClock();
    bool m_createsDirectory = false;
    bool m_archiveReadable = true;
    bool m_journalReadable = true;
    // The journal's file written with more than the table holds (the rows moved this
    // session put back): the fingerprint of those bytes.
    QByteArray m_journalMovedRowsFingerprint;
    bool m_calibrationsWritable = true;
    // kor.tab as last read or written, in the list's own form.
    size_t m_calibrationsHash = 0;
    bool m_calibrationsMustWrite = false;
    QStringList m_kept;
    // The side copy of each unreadable file, once made this session.
    QHash<QString, QString> m_keptPaths;
};

}  // namespace kv
