#include "app/workspace.h"

#include "core/file_io.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
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
    const JournalChange& change() const { return m_change; }

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
    const Change& change() const { return m_change; }

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

const JournalCommand* journalStep(const QUndoStack& stack, int index)
{
    return dynamic_cast<const JournalCommand*>(stack.command(index));
}

const QString kJournalName = QStringLiteral("журнал");
const QString kArchiveName = QStringLiteral("архив");

// The history's view of a journal step: the row's cells before and after, and its "№".
ChangeHistory::Entry historyEntry(const JournalChange& change)
{
    ChangeHistory::Entry entry;
    bool journal = false;
    bool archive = false;
    for (const RowEdit& edit : change.edits) {
        (edit.table == JournalSide::Journal ? journal : archive) = true;
        if (edit.before && !entry.before)
            entry.before = edit.before->cells;
        if (edit.after && !entry.after)
            entry.after = edit.after->cells;
    }
    entry.table = journal && archive ? kJournalName + QStringLiteral(" → ") + kArchiveName
                                     : journal ? kJournalName : kArchiveName;
    // The row's "№" as it stands after the step (a new entry's, not the blank row's it took).
    entry.number = entry.after ? (*entry.after)[0] : entry.before ? (*entry.before)[0] : QString();
    return entry;
}

std::array<QString, 5> calibrationCells(int position, const TCalibration& record)
{
    return {QString::number(position), methodName(record.method), record.nameText(),
            QStringLiteral("A=%1").arg(record.slope, 0, 'g', 17),
            QStringLiteral("B=%1").arg(record.offset, 0, 'g', 17)};
}

// The log's records: a journal step made or taken back, or a table's file written whole
// (what the file then holds).
enum class RecordKind : quint8 { Step = 1, Rebase = 2 };

QDataStream& operator<<(QDataStream& out, const JournalRow& row)
{
    for (const QString& cell : row.cells)
        out << cell;
    return out;
}

QDataStream& operator>>(QDataStream& in, JournalRow& row)
{
    for (QString& cell : row.cells)
        in >> cell;
    return in;
}

QDataStream& operator<<(QDataStream& out, const std::optional<JournalRow>& row)
{
    out << row.has_value();
    if (row)
        out << *row;
    return out;
}

QDataStream& operator>>(QDataStream& in, std::optional<JournalRow>& row)
{
    bool present = false;
    in >> present;
    row.reset();
    if (present) {
        JournalRow cells;
        in >> cells;
        row = cells;
    }
    return in;
}

QByteArray stepRecord(const JournalChange& change, bool forwards)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint8(RecordKind::Step) << forwards << qint32(change.archiveRowsReadBefore)
        << qint32(change.archiveRowsReadAfter) << quint32(change.edits.size());
    for (const RowEdit& edit : change.edits)
        out << quint8(edit.table) << qint32(edit.row) << edit.before << edit.after;
    return bytes;
}

QByteArray rebaseRecord(JournalSide table, const QByteArray& fingerprint)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint8(RecordKind::Rebase) << quint8(table) << fingerprint;
    return bytes;
}

QByteArray baseRecord(const QByteArray& journal, const QByteArray& archive)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << journal << archive;
    return bytes;
}

struct LoggedStep {
    JournalChange change;
    bool forwards = true;
};

// One record read back; nothing for bytes that are no record of ours.
struct ReadRecord {
    RecordKind kind = RecordKind::Step;
    LoggedStep step;
    JournalSide table = JournalSide::Journal;
    QByteArray fingerprint;
};

std::optional<ReadRecord> readRecord(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint8 kind = 0;
    in >> kind;
    ReadRecord record;
    if (kind == quint8(RecordKind::Step)) {
        record.kind = RecordKind::Step;
        qint32 before = 0;
        qint32 after = 0;
        quint32 count = 0;
        in >> record.step.forwards >> before >> after >> count;
        record.step.change.archiveRowsReadBefore = before;
        record.step.change.archiveRowsReadAfter = after;
        for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            RowEdit edit;
            quint8 table = 0;
            qint32 row = 0;
            in >> table >> row >> edit.before >> edit.after;
            edit.table = table == quint8(JournalSide::Archive) ? JournalSide::Archive : JournalSide::Journal;
            edit.row = row;
            record.step.change.edits.push_back(std::move(edit));
        }
    } else if (kind == quint8(RecordKind::Rebase)) {
        record.kind = RecordKind::Rebase;
        quint8 table = 0;
        in >> table >> record.fingerprint;
        record.table = table == quint8(JournalSide::Archive) ? JournalSide::Archive : JournalSide::Journal;
    } else {
        return std::nullopt;
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return record;
}

// The part of a change that falls on one table.
JournalChange sideOf(const JournalChange& change, JournalSide table, int archiveRowsRead)
{
    JournalChange part;
    for (const RowEdit& edit : change.edits)
        if (edit.table == table)
            part.edits.push_back(edit);
    const bool archive = table == JournalSide::Archive;
    part.archiveRowsReadBefore = archive ? change.archiveRowsReadBefore : archiveRowsRead;
    part.archiveRowsReadAfter = archive ? change.archiveRowsReadAfter : archiveRowsRead;
    return part;
}

// Whether the table is as the edit found it, so that making it again is sound.
bool fits(const JournalTable& table, const RowEdit& edit, bool forwards)
{
    const std::optional<JournalRow>& from = forwards ? edit.before : edit.after;
    if (!from)
        return edit.row >= 1 && edit.row <= table.rowCount();
    return table.isDataRow(edit.row) && table.row(edit.row) == *from;
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
    , m_history(dataDirectory)
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

const QString Workspace::kChangeLogFileName = QStringLiteral("kv4410pc.changes");

void Workspace::load()
{
    m_files.restoreInterruptedSaves();
    m_files.LoadCalibrations();
    m_files.loadArchive();
    m_files.loadJournal();
    recoverAndStartLog();
}

QString Workspace::fallbackLogPath() const
{
    // A folder the user may not write keeps its log in the per-user state folder, one per
    // data folder.
    const QString folder = QFileInfo(rollbackDirectory()).path() + QStringLiteral("/changes");
    const QByteArray digest = QCryptographicHash::hash(
        QFile::encodeName(QDir(m_files.dataDirectory()).absolutePath()), QCryptographicHash::Sha1);
    return folder + u'/' + QString::fromLatin1(digest.toHex()) + QStringLiteral(".changes");
}

void Workspace::recoverAndStartLog()
{
    using T = JournalSide;
    const QString beside = m_files.dataFilePath(kChangeLogFileName);
    const QString fallback = fallbackLogPath();
    QString leftPath;
    std::optional<ChangeLog::Content> left;
    for (const QString& path : {beside, fallback}) {
        if (!runGuarded(m_errors, [&] { left = ChangeLog::read(path); }))
            left.reset();
        if (left) {
            leftPath = path;
            break;
        }
    }

    const QByteArray journalNow = m_files.fingerprint(T::Journal);
    const QByteArray archiveNow = m_files.fingerprint(T::Archive);
    int restored = 0;
    int notFitting = 0;
    if (left) {
        // Each table's changes apply from the last point its file was known to hold: the
        // log's start, or a later write of the whole file.
        QByteArray journalBase;
        QByteArray archiveBase;
        {
            QDataStream in(left->base);
            in.setVersion(QDataStream::Qt_6_0);
            in >> journalBase >> archiveBase;
        }
        bool journalOn = !journalNow.isEmpty() && journalBase == journalNow;
        bool archiveOn = !archiveNow.isEmpty() && archiveBase == archiveNow;
        for (const QByteArray& bytes : left->records) {
            const std::optional<ReadRecord> record = readRecord(bytes);
            if (!record)
                break;
            if (record->kind == RecordKind::Rebase) {
                const bool matches = record->fingerprint == (record->table == T::Journal ? journalNow : archiveNow);
                (record->table == T::Journal ? journalOn : archiveOn) = matches;
                continue;
            }
            // A record counts as put back when any of its tables took it, as not fitting
            // when none did and one refused it.
            bool applied = false;
            bool refused = false;
            for (const T table : {T::Journal, T::Archive}) {
                const JournalChange part = sideOf(record->step.change, table, m_book.archiveRowsRead());
                if (part.isEmpty())
                    continue;
                bool& on = table == T::Journal ? journalOn : archiveOn;
                const JournalTable& rows = m_book.model(table).table();
                const bool forwards = record->step.forwards;
                // Each edit must find the row as it was made on; else the file is not what
                // the log says it was, and nothing more of it is put back.
                on = on && std::all_of(part.edits.begin(), part.edits.end(),
                                       [&](const RowEdit& edit) { return fits(rows, edit, forwards); });
                if (!on) {
                    refused = true;
                    continue;
                }
                forwards ? m_book.redo(part) : m_book.undo(part);
                applied = true;
            }
            restored += applied ? 1 : 0;
            notFitting += !applied && refused ? 1 : 0;
        }
    }

    // What was put back goes into the files at once, so that a new log can begin from
    // them; the old log goes then, or is kept aside when it held changes that did not fit.
    // Where the files can't be written the old log goes on (its base still theirs).
    bool resume = false;
    QString keptLog;
    if (left && (restored > 0 || notFitting > 0)) {
        resume = !m_files.saveAll();
        if (!resume && notFitting > 0) {
            keptLog = QFileInfo(leftPath).path() + QStringLiteral("/kv4410pc-")
                + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))
                + QStringLiteral(".changes");
            if (!QFile::rename(leftPath, keptLog))
                keptLog = leftPath;
        }
    }
    const QByteArray journalBase = m_files.fingerprint(T::Journal);
    const QByteArray archiveBase = m_files.fingerprint(T::Archive);
    if (!left) {
        // Nothing to put back: the log begins with the first change, so that a start (and
        // a session that changes nothing) waits for no file to be made and flushed.
        m_pendingLogBase = baseRecord(journalBase, archiveBase);
        m_loggedJournal = journalBase;
        m_loggedArchive = archiveBase;
        return;
    }
    startLog(leftPath, resume, keptLog, baseRecord(journalBase, archiveBase));
    m_loggedJournal = resume ? journalNow : journalBase;
    m_loggedArchive = resume ? archiveNow : archiveBase;
    if (resume) {
        logRebase(T::Archive);
        logRebase(T::Journal);
    }
    if (restored > 0)
        m_errors.showNotice(
            QStringLiteral("Восстановлено %1 изменений после аварийного завершения").arg(restored));
    if (notFitting > 0)
        m_errors.showNotice(QStringLiteral("%1 изменений из журнала изменений не восстановлено: "
                                           "файлы данных изменились после них. Журнал изменений "
                                           "сохранён в файле \"%2\".")
                                .arg(notFitting)
                                .arg(QDir::toNativeSeparators(keptLog.isEmpty() ? leftPath : keptLog)));
}

void Workspace::startLog(const QString& leftPath, bool resume, const QString& keptLog, const QByteArray& base)
{
    const QString beside = m_files.dataFilePath(kChangeLogFileName);
    const QString fallback = fallbackLogPath();
    bool started = false;
    QString failure;
    for (const QString& path : {beside, fallback}) {
        if (path == fallback && !runGuarded(m_errors, [&] {
                const QString made = createDirectories(QFileInfo(fallback).path());
                if (!made.isEmpty())
                    throw FileCreateError(QFileInfo(fallback).path(), made);
            }))
            break;
        try {
            if (resume && path == leftPath)
                m_log.resume(path);
            else
                m_log.start(path, base);
            started = true;
            if (path != leftPath && !leftPath.isEmpty() && !resume && keptLog.isEmpty())
                QFile::remove(leftPath);
            break;
        } catch (const Error& e) {
            failure = e.message();
        }
    }
    if (!started)
        reportLogFailure(failure);
}

void Workspace::startPendingLog()
{
    if (m_pendingLogBase.isEmpty())
        return;
    startLog(QString(), false, QString(), std::exchange(m_pendingLogBase, QByteArray()));
}

void Workspace::reportLogFailure(const QString& failure)
{
    if (m_logFailureShown)
        return;
    m_logFailureShown = true;
    m_errors.showError(QStringLiteral("Изменения не удаётся сразу записывать на диск (%1). Они будут "
                                      "сохранены при закрытии программы.")
                           .arg(failure));
}

void Workspace::trace(ChangeHistory::Entry entry)
{
    const QDateTime now = QDateTime::currentDateTime();
    entry.time = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    entry.user = ChangeHistory::loginName();
    QString notice;
    try {
        m_history.append(entry, &notice);
    } catch (const Error& e) {
        if (!m_historyFailureShown)
            m_errors.showError(QStringLiteral("Изменение сделано, но в историю изменений не записано: %1")
                                   .arg(e.message()));
        m_historyFailureShown = true;
    }
    if (!notice.isEmpty())
        m_errors.showNotice(notice);
}

void Workspace::logJournal(const JournalChange& change, bool forwards)
{
    startPendingLog();
    if (!m_log.isOpen())
        return;
    m_log.append(stepRecord(change, forwards));
    const QString failure = m_log.takeFailure();
    if (!failure.isEmpty())
        reportLogFailure(failure);
}

void Workspace::logRebase(JournalSide table)
{
    QByteArray& logged = table == JournalSide::Journal ? m_loggedJournal : m_loggedArchive;
    const QByteArray now = m_files.fingerprint(table);
    if (now == logged)
        return;
    startPendingLog();
    if (!m_log.isOpen())
        return;
    logged = now;
    m_log.append(rebaseRecord(table, now));
}

bool Workspace::saveAll()
{
    const bool saved = m_files.saveAll();
    if (saved) {
        m_pendingLogBase.clear();
        m_log.flush();
        m_log.remove();
    } else {
        // What reached its file needs no putting back after a crash.
        logRebase(JournalSide::Archive);
        logRebase(JournalSide::Journal);
    }
    return saved;
}

void Workspace::recordJournal(JournalChange change, const QString& text)
{
    if (change.isEmpty())
        return;
    logJournal(change, true);
    ChangeHistory::Entry entry = historyEntry(change);
    entry.step = text;
    trace(std::move(entry));
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
    afterCalibrationStep(true, true);
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
    afterCalibrationStep(true, true);
}

void Workspace::deleteCalibration(int position)
{
    const CalibrationStore& store = m_calibrations.store();
    // Nothing to delete still writes the file, as a delete always does.
    const bool deletes = position >= 1 && position <= store.count();
    if (deletes) {
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
    afterCalibrationStep(true, deletes);
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
        afterCalibrationStep(false, true);
    }
    return result;
}

namespace {

// The history's view of a calibration step; taken back, before and after change places.
ChangeHistory::Entry historyEntry(const CalibrationCommand& command, bool forwards, const QString& prefix)
{
    using Kind = CalibrationCommand::Kind;
    const CalibrationCommand::Change& c = command.change();
    ChangeHistory::Entry entry;
    entry.step = prefix + command.text();
    entry.table = QStringLiteral("калибровки");
    entry.number = QString::number(c.position);
    if (c.kind == Kind::Replace || c.kind == Kind::Delete)
        entry.before = calibrationCells(c.position, c.before);
    if (c.kind == Kind::Add || c.kind == Kind::Replace)
        entry.after = calibrationCells(c.position, c.after);
    if (!forwards)
        std::swap(entry.before, entry.after);
    return entry;
}

ChangeHistory::Entry historyEntry(const JournalCommand& command, bool forwards, const QString& prefix)
{
    ChangeHistory::Entry entry = historyEntry(command.change());
    entry.step = prefix + command.text();
    if (!forwards)
        std::swap(entry.before, entry.after);
    return entry;
}

}  // namespace

void Workspace::afterCalibrationStep(bool listChanged, bool pushed)
{
    if (const CalibrationCommand* step = calibrationStep(m_undo, m_undo.index() - 1); step && pushed)
        trace(historyEntry(*step, true, {}));
    emit changed();
    if (listChanged)
        m_files.SaveCalibrations();
}

void Workspace::undo()
{
    step(false);
}

void Workspace::redo()
{
    step(true);
}

void Workspace::step(bool forwards)
{
    if (forwards ? !m_undo.canRedo() : !m_undo.canUndo())
        return;
    // The step made again is the one at the stack's index; the one taken back, before it.
    const int index = forwards ? m_undo.index() : m_undo.index() - 1;
    const CalibrationCommand* calibration = calibrationStep(m_undo, index);
    const JournalCommand* journal = journalStep(m_undo, index);
    const QString prefix = forwards ? QStringLiteral("повтор: ") : QStringLiteral("отмена: ");
    if (journal) {
        logJournal(journal->change(), forwards);
        trace(historyEntry(*journal, forwards, prefix));
    } else if (calibration) {
        trace(historyEntry(*calibration, forwards, prefix));
    }
    forwards ? m_undo.redo() : m_undo.undo();
    emit changed();
    if (calibration && calibration->changesList())
        m_files.SaveCalibrations();
}

}  // namespace kv
