#pragma once
// DataFiles: the three data files of the main window, read when it is created and written
// when it closes. A file that exists but can't be read at start is never written over;
// what the session added to its table is kept in a new file beside it instead.

#include "journal/journal_entry.h"

#include <QString>
#include <QStringList>

namespace kv {

class ArchivePage;
struct CalibrationDamage;
class ErrorReporter;
class JournalPage;
class MeasurementState;

class DataFiles {
public:
    DataFiles(MeasurementState& state, ArchivePage& archive, JournalPage& journal,
              ErrorReporter& errors);

    // Each reads its file through the guard; a failure is shown and start-up goes on.
    void loadCalibrations();
    void loadArchive();
    void loadJournal();

    // Writes the archive, the journal and the calibrations, in that order; nothing when
    // the program's directory is gone (and is not one to make again). False when
    // the window must stay open so that nothing is lost: the journal or the calibrations
    // could not be written, or a session's additions to an unreadable file could not be
    // kept. One notice names the files that keep such additions.
    bool saveAll();

    // The calibrations page's save after a create, an edit or a delete, by the close's
    // rules: a kor.tab that could not be read is not written over (the close decides what
    // becomes of the list), nor is anything written into a missing directory that the
    // close would not make. Raises the file errors; the list keeps its state.
    void saveCalibrations();

    // The name, beside the original, for what a session added to a file that could not
    // be read: "data2.tab" at 2026-12-08 14:30:05 gives "data2-20261208-143005.tab"; a
    // name already taken gets "-2", "-3", ... before the suffix.
    static QString keptFileName(const QString& directory, const QString& fileName,
                                const QDateTime& when);

    // Set for the per-user data directory: it is made again at close when it is missing
    // (it could not be made at start), and the close fails when that fails. Without it a
    // missing directory means nothing is saved.
    void setCreatesDirectory(bool creates) { m_createsDirectory = creates; }

    // Where the kept files take their date and time from (the system clock by default).
    void setClock(Clock clock) { m_clock = std::move(clock); }

private:
    // The data directory is missing and not one to make again: nothing is saved.
    bool directoryGone() const;
    // Loads one file; false when it exists but could not be read.
    bool load(const QString& fileName, const std::function<void(const QString&)>& read);
    // After a load that stopped at damage: copies kor.tab beside itself and says so.
    // False when no copy could be made; the file must then not be written over.
    bool keepDamagedCalibrations(const CalibrationDamage& damage);
    // Saves one table, or for an unreadable file keeps what the session added; false when
    // that failed.
    bool save(const QString& fileName, bool readable, bool changed,
              const std::function<void(const QString&)>& write);

    MeasurementState& m_state;
    ArchivePage& m_archive;
    JournalPage& m_journal;
    ErrorReporter& m_errors;
    Clock m_clock = systemClock();
    bool m_createsDirectory = false;
    bool m_archiveReadable = true;
    bool m_journalReadable = true;
    QStringList m_kept;
};

}  // namespace kv
