#include "app/workspace.h"

#include <QUndoCommand>

#include <algorithm>

namespace kv {

namespace {

// A change of the journal or the archive, already made when it is pushed.
class JournalCommand : public QUndoCommand {
public:
    JournalCommand(JournalBook& book, JournalChange change, const QString& text)
        : QUndoCommand(text)
        , m_book(book)
        , m_change(std::move(change))
    {
    }

    void redo() override
    {
        if (m_made)
            m_book.redo(m_change);
        m_made = true;
    }
    void undo() override { m_book.undo(m_change); }

private:
    JournalBook& m_book;
    JournalChange m_change;
    bool m_made = false;
};

// A change of the calibration list or of what is switched on, already made when pushed.
class CalibrationCommand : public QUndoCommand {
public:
    enum class Kind { Add, Replace, Delete, Toggle };

    struct Change {
        Kind kind = Kind::Toggle;
        int position = 0;
        TCalibration before;
        TCalibration after;
        std::array<std::int32_t, 4> activeBefore{};
        std::array<std::int32_t, 4> activeAfter{};
    };

    CalibrationCommand(CalibrationListModel& list, const Change& change, const QString& text)
        : QUndoCommand(text)
        , m_list(list)
        , m_change(change)
    {
    }

    // Whether kor.tab follows the step: switching on and off is not stored.
    bool changesList() const { return m_change.kind != Kind::Toggle; }

    void redo() override
    {
        if (!m_made) {
            m_made = true;
            return;
        }
        switch (m_change.kind) {
        case Kind::Add:
            m_list.insert(m_change.position, m_change.after);
            break;
        case Kind::Replace:
            m_list.replace(m_change.position, m_change.after);
            break;
        case Kind::Delete:
            m_list.remove(m_change.position);
            break;
        case Kind::Toggle:
            break;
        }
        m_list.setActiveEntries(m_change.activeAfter);
    }

    void undo() override
    {
        switch (m_change.kind) {
        case Kind::Add:
            m_list.remove(m_change.position);
            break;
        case Kind::Replace:
            m_list.replace(m_change.position, m_change.before);
            break;
        case Kind::Delete:
            m_list.insert(m_change.position, m_change.before);
            break;
        case Kind::Toggle:
            break;
        }
        m_list.setActiveEntries(m_change.activeBefore);
    }

private:
    CalibrationListModel& m_list;
    Change m_change;
    bool m_made = false;
};

const CalibrationCommand* calibrationStep(const QUndoStack& stack, int index)
{
    return dynamic_cast<const CalibrationCommand*>(stack.command(index));
}

}  // namespace

void Workspace::ForwardingReporter::showError(const QString& message)
{
    (target ? *target : static_cast<ErrorReporter&>(fallback)).showError(message);
}

void Workspace::ForwardingReporter::showNotice(const QString& message)
{
    (target ? *target : static_cast<ErrorReporter&>(fallback)).showNotice(message);
}

void Workspace::ForwardingReporter::showDetailedNotice(const QString& message, const QString& details)
{
    (target ? *target : static_cast<ErrorReporter&>(fallback)).showDetailedNotice(message, details);
}

Workspace::Workspace(const QString& dataDirectory, bool createsDirectory, QObject* parent)
    : QObject(parent)
    , m_files(dataDirectory, m_calibrations, m_book, m_errors)
{
    m_files.setCreatesDirectory(createsDirectory);
    // A comment typed into the journal's view is a change like any other.
    m_book.journal().setCommentEditor(
        [this](int row, const QString& text) { editComment(row, text); });
}

Workspace::~Workspace()
{
    // The commands refer to the models; they go first.
    m_undo.clear();
}

void Workspace::load()
{
    m_files.restoreInterruptedSaves();
    m_files.LoadCalibrations();
    m_files.loadArchive();
    m_files.loadJournal();
}

void Workspace::recordJournal(JournalChange change, const QString& text)
{
    if (change.isEmpty())
        return;
    m_undo.push(new JournalCommand(m_book, std::move(change), text));
    emit changed();
}

void Workspace::addEntry(Method method, const QString& value, const QDateTime& when)
{
    JournalChange change = m_book.addEntry(method, value, when);
    const int row = change.edits.front().row;
    recordJournal(std::move(change), QStringLiteral("запись строки %1").arg(row));
}

void Workspace::editComment(int row, const QString& text)
{
    recordJournal(m_book.setComment(row, text),
                  QStringLiteral("изменение комментария строки %1").arg(row));
}

void Workspace::deleteEntry(int row)
{
    recordJournal(m_book.deleteEntry(row), QStringLiteral("удаление строки %1").arg(row));
}

void Workspace::moveToArchive(int row)
{
    recordJournal(m_book.moveToArchive(row),
                  QStringLiteral("перенос строки %1 в архив").arg(row));
}

void Workspace::deleteArchived(int row)
{
    recordJournal(m_book.deleteArchived(row),
                  QStringLiteral("удаление строки %1 архива").arg(row));
}

void Workspace::addCalibration(const TCalibration& record)
{
    CalibrationCommand::Change change;
    change.kind = CalibrationCommand::Kind::Add;
    change.position = m_calibrations.store().count() + 1;
    change.after = record;
    change.activeBefore = change.activeAfter = m_calibrations.store().activeEntries();
    m_calibrations.add(record);
    m_undo.push(new CalibrationCommand(m_calibrations, change, QStringLiteral("создание калибровки")));
    afterCalibrationStep(true);
}

void Workspace::replaceCalibration(int position, const TCalibration& record)
{
    const CalibrationStore& store = m_calibrations.store();
    if (position < 1 || position > store.count())
        return;
    CalibrationCommand::Change change;
    change.kind = CalibrationCommand::Kind::Replace;
    change.position = position;
    change.before = store.at(position);
    change.after = record;
    change.activeBefore = store.activeEntries();
    m_calibrations.replace(position, record);
    change.activeAfter = store.activeEntries();
    m_undo.push(new CalibrationCommand(m_calibrations, change,
                                       QStringLiteral("изменение калибровки %1").arg(position)));
    afterCalibrationStep(true);
}

void Workspace::deleteCalibration(int position)
{
    const CalibrationStore& store = m_calibrations.store();
    // Nothing to delete still writes the file, as a delete always does.
    if (position >= 1 && position <= store.count()) {
        CalibrationCommand::Change change;
        change.kind = CalibrationCommand::Kind::Delete;
        change.position = position;
        change.before = store.at(position);
        change.activeBefore = store.activeEntries();
        m_calibrations.remove(position);
        change.activeAfter = store.activeEntries();
        m_undo.push(new CalibrationCommand(m_calibrations, change,
                                           QStringLiteral("удаление калибровки %1").arg(position)));
    }
    afterCalibrationStep(true);
}

ToggleResult Workspace::toggleCalibration(int position)
{
    const CalibrationStore& store = m_calibrations.store();
    CalibrationCommand::Change change;
    change.position = position;
    change.activeBefore = store.activeEntries();
    const ToggleResult result = m_calibrations.toggle(position);
    change.activeAfter = store.activeEntries();
    if (change.activeAfter != change.activeBefore) {
        const bool on = std::find(change.activeAfter.begin(), change.activeAfter.end(), position)
            != change.activeAfter.end();
        m_undo.push(new CalibrationCommand(
            m_calibrations, change,
            (on ? QStringLiteral("включение калибровки %1") : QStringLiteral("отключение калибровки %1"))
                .arg(position)));
        afterCalibrationStep(false);
    }
    return result;
}

void Workspace::afterCalibrationStep(bool listChanged)
{
    emit changed();
    if (listChanged)
        m_files.SaveCalibrations();
}

void Workspace::undo()
{
    if (!m_undo.canUndo())
        return;
    const CalibrationCommand* step = calibrationStep(m_undo, m_undo.index() - 1);
    m_undo.undo();
    if (step)
        afterCalibrationStep(step->changesList());
    else
        emit changed();
}

void Workspace::redo()
{
    if (!m_undo.canRedo())
        return;
    const CalibrationCommand* step = calibrationStep(m_undo, m_undo.index());
    m_undo.redo();
    if (step)
        afterCalibrationStep(step->changesList());
    else
        emit changed();
}

}  // namespace kv
