#pragma once
// Workspace: what a session keeps. It owns the measurement state, the journal book, the
// calibration list and the data files they are read from and written to, and it is the
// one path every change to saved data takes: each change (an entry, a comment, a delete,
// a move to the archive, a calibration created, edited, deleted or switched) is one named
// step on its undo stack, so that it can be taken back and made again.
//
// Every change to the journal and the archive is on disk at once, in a log of changes
// beside the data files (ChangeLog); the close writes the files whole and drops the log,
// and a start after a crash puts the logged changes back onto the files. The calibration
// list is written to kor.tab after each of its changes, as the page always did.
//
// Start-up makes it and hands it to the main window; tests and tools make one without a
// window. Its failures (a file that can't be read or written) go to the reporter it is
// told, standard error until then.

#include "app/change_history.h"
#include "app/change_log.h"
#include "app/data_files.h"
#include "core/error_guard.h"
#include "journal/journal_book.h"
#include "journal/journal_edits.h"
#include "measure/calibration_edits.h"
#include "measure/calibration_list_model.h"
#include "measure/measurement_state.h"

#include <QObject>
#include <QUndoStack>

namespace kv {

class Workspace : public QObject, public JournalEdits, public CalibrationEdits {
    Q_OBJECT

public:
    // dataDirectory: where kor.tab, data.tab and data2.tab live. createsDirectory: the
    // folder is made again at close when it is missing (the per-user folder).
    explicit Workspace(const QString& dataDirectory, bool createsDirectory = false,
                       QObject* parent = nullptr);
    ~Workspace() override;

    // Where failures are shown from now on; nullptr: standard error.
    void reportTo(ErrorReporter* reporter) { m_errors.target = reporter; }
    ErrorReporter& errors() { return m_errors; }

    MeasurementState& state() { return m_state; }
    const MeasurementState& state() const { return m_state; }
    const JournalBook& book() const { return m_book; }
    // The book's models for the views; their content changes only through this class.
    JournalBook& book() { return m_book; }
    const CalibrationListModel& calibrations() const { return m_calibrations; }
    DataFiles& files() { return m_files; }
    QUndoStack& undoStack() { return m_undo; }

    // Puts back what an interrupted save left, then reads the three files; each failure
    // is shown and the rest goes on. Then puts back the changes a session that did not
    // close left in its log, and starts logging this session's.
    void load();
    // The close's save; false when the window must stay open (see DataFiles::saveAll).
    // Once the files hold everything, the log of changes goes.
    bool saveAll();

    // Where the log of changes is kept: beside the data files, or in the per-user state
    // folder where none can be made there. Empty when it could not be started.
    QString changeLogPath() const { return m_log.isOpen() ? m_log.path() : QString(); }
    // The change history being kept (history.log, or the one started beside a broken one).
    QString historyPath() const { return m_history.path(); }
    // Waits until every change made is on disk (tests, and the close).
    void flushChangeLog() { m_log.flush(); }

    // The log's name in the data folder.
    static const QString kChangeLogFileName;

    // JournalEdits.
    void addEntry(Method method, const QString& value, const QDateTime& when) override;
    void editComment(int row, const QString& text) override;
    void deleteEntry(int row) override;
    void moveToArchive(int row) override;
    void deleteArchived(int row) override;

    // CalibrationEdits.
    void addCalibration(const TCalibration& record) override;
    void replaceCalibration(int position, const TCalibration& record) override;
    void deleteCalibration(int position) override;
    ToggleResult toggleCalibration(int position) override;

    // The undo stack's steps, with what each step needs done after it (kor.tab written
    // again after a calibration list change); raise the file errors.
    void undo();
    void redo();

signals:
    // A change was made, taken back or made again.
    void changed();

private:
    struct ForwardingReporter : ErrorReporter {
        void showError(const QString& message) override;
        void showNotice(const QString& message) override;
        void showDetailedNotice(const QString& message, const QString& details) override;
        ErrorReporter* target = nullptr;
        StderrReporter fallback;
    };

    void recordJournal(JournalChange change, const QString& text);
    // Makes the next step again (forwards) or takes the last one back.
    void step(bool forwards);
    // Logs a journal step made (forwards) or taken back; tells once when logging fails.
    void logJournal(const JournalChange& change, bool forwards);
    void logRebase(JournalSide table);
    // The log left by a session that did not close: its changes put back where the file is
    // still the one it began from; then this session's log started or continued.
    void recoverAndStartLog();
    // Begins a log at the data folder (or the per-user fallback), or goes on with the one
    // left at leftPath when `resume`; reports when neither can be had.
    void startLog(const QString& leftPath, bool resume, const QString& keptLog, const QByteArray& base);
    void startPendingLog();
    QString fallbackLogPath() const;
    void reportLogFailure(const QString& failure);
    // Adds the step to the change history; a failure is told once and changes nothing else.
    void trace(ChangeHistory::Entry entry);
    // After a change of the calibration list (not of a switched-on state): the file.
    void afterCalibrationStep(bool listChanged, bool pushed);

    ForwardingReporter m_errors;
    CalibrationListModel m_calibrations;
    MeasurementState m_state{m_calibrations};
    JournalBook m_book;
    DataFiles m_files;
    QUndoStack m_undo;
    ChangeLog m_log;
    // The base a log not yet begun will start from (empty once it has begun, or when a
    // log left by the last session goes on).
    QByteArray m_pendingLogBase;
    // The fingerprints logged last for the journal and the archive.
    QByteArray m_loggedJournal;
    QByteArray m_loggedArchive;
    bool m_logFailureShown = false;
    ChangeHistory m_history;
    bool m_historyFailureShown = false;
};

}  // namespace kv
