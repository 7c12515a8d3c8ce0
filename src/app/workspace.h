#pragma once
// Workspace: what a session keeps. It owns the measurement state, the journal book, the
// calibration list and the data files they are read from and written to, and it is the
// one path every change to saved data takes: each change (an entry, a comment, a delete,
// a move to the archive, a calibration created, edited, deleted or switched) is one named
// step on its undo stack, so that it can be taken back and made again.
//
// Start-up makes it and hands it to the main window; tests and tools make one without a
// window. Its failures (a file that can't be read or written) go to the reporter it is
// told, standard error until then.

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
    // is shown and the rest goes on.
    void load();
    // The close's save; false when the window must stay open (see DataFiles::saveAll).
    bool saveAll() { return m_files.saveAll(); }

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
    // After a change of the calibration list (not of a switched-on state): the file.
    void afterCalibrationStep(bool listChanged);

    ForwardingReporter m_errors;
    CalibrationListModel m_calibrations;
    MeasurementState m_state{m_calibrations};
    JournalBook m_book;
    DataFiles m_files;
    QUndoStack m_undo;
};

}  // namespace kv
