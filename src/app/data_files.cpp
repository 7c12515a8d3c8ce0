#include "app/data_files.h"

#include "app/program_constants.h"
#include "core/error_guard.h"
#include "core/file_io.h"
#include "journal/ui/archive_page.h"
#include "journal/ui/journal_page.h"
#include "measure/measurement_state.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {

// A table as the program starts it: one blank data row. Anything else was added.
bool isFreshTable(const JournalTable& table)
{
    return table.rowCount() == 2 && table.row(1) == JournalTable().row(1);
}

// "kor.tab.bak", or the first of "kor.tab.bak.2", "kor.tab.bak.3", ... not taken: an
// earlier copy may hold the only trace of records lost before.
QString backupFileName(const QString& path)
{
    const QString first = path + QStringLiteral(".bak");
    QString name = first;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = first + u'.' + QString::number(n);
    return name;
}

}  // namespace

DataFiles::DataFiles(MeasurementState& state, ArchivePage& archive, JournalPage& journal,
                     ErrorReporter& errors)
    : m_state(state)
    , m_archive(archive)
    , m_journal(journal)
    , m_errors(errors)
{
}

bool DataFiles::load(const QString& fileName, const std::function<void(const QString&)>& read)
{
    const QString path = m_state.dataFilePath(fileName);
    if (runGuarded(m_errors, [&] { read(path); }))
        return true;
    // A missing file is simply created at close; one that is there but unreadable keeps
    // its content.
    return !QFileInfo::exists(path);
}

void DataFiles::loadCalibrations()
{
    bool writable = load(kCalibrationFileName, [this](const QString& path) {
        m_state.calibrations().LoadCalibrations(path);
    });
    if (writable && m_state.calibrations().loadDamage())
        writable = keepDamagedCalibrations(*m_state.calibrations().loadDamage());
    m_state.setCalibrationsWritable(writable);
}

bool DataFiles::keepDamagedCalibrations(const CalibrationDamage& damage)
{
    // The close rewrites kor.tab with the records read, so whatever followed the damage
    // survives only in a copy made before that.
    const QString path = m_state.dataFilePath(kCalibrationFileName);
    const QString copy = backupFileName(path);
    const QString damaged = calibrationDamageText(QDir::toNativeSeparators(path), damage);
    if (!runGuarded(m_errors, [&] { copyFileSafely(path, copy); })) {
        m_errors.showNotice(damaged
                            + QStringLiteral("\nКопию файла сделать не удалось, поэтому он не будет "
                                             "перезаписан при закрытии."));
        return false;
    }
    m_errors.showNotice(damaged + QStringLiteral("\nКопия всего файла сохранена: ")
                        + QDir::toNativeSeparators(copy));
    return true;
}

void DataFiles::loadArchive()
{
    m_archiveReadable = load(kArchiveFileName, [this](const QString& path) { m_archive.loadFile(path); });
}

void DataFiles::loadJournal()
{
    m_journalReadable = load(kJournalFileName, [this](const QString& path) { m_journal.loadFile(path); });
}

QString DataFiles::keptFileName(const QString& directory, const QString& fileName,
                                const QDateTime& when)
{
    const QFileInfo file(fileName);
    const QString stem = file.completeBaseName() + u'-' + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = file.suffix().isEmpty() ? QString() : u'.' + file.suffix();
    const QDir dir(directory);
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = stem + u'-' + QString::number(n) + suffix;
    return dir.filePath(name);
}

bool DataFiles::save(const QString& fileName, bool readable, bool changed,
                     const std::function<void(const QString&)>& write)
{
    if (readable)
        return runGuarded(m_errors, [&] { write(m_state.dataFilePath(fileName)); });
    if (!changed)
        return true;
    const QString kept = keptFileName(m_state.dataDirectory(), fileName, m_clock());
    if (!runGuarded(m_errors, [&] { write(kept); }))
        return false;
    m_kept << QStringLiteral("%1 → %2").arg(fileName, QFileInfo(kept).fileName());
    return true;
}

bool DataFiles::directoryGone() const
{
    return !m_createsDirectory && !QDir(m_state.dataDirectory()).exists();
}

bool DataFiles::saveAll()
{
    if (directoryGone())
        return true;
    if (m_createsDirectory && !QDir(m_state.dataDirectory()).exists()) {
        const QString failure = createDirectories(m_state.dataDirectory());
        if (!failure.isEmpty()) {
            m_errors.showError(
                QStringLiteral("Cannot create directory \"%1\". %2").arg(m_state.dataDirectory(), failure));
            return false;
        }
    }
    m_kept.clear();
    // The archive's failure doesn't hold the window: its rows were in the file already
    // or came from the journal, which is still written.
    const bool archiveKept =
        save(kArchiveFileName, m_archiveReadable, !isFreshTable(m_archive.table()),
             [this](const QString& path) { m_archive.saveFile(path); });
    // From here a failed write keeps the window open, so nothing is lost and the operator
    // can close again once the cause is removed.
    bool closes = save(kJournalFileName, m_journalReadable, !isFreshTable(m_journal.table()),
                       [this](const QString& path) { m_journal.saveFile(path); });
    closes = closes
        && save(kCalibrationFileName, m_state.calibrationsWritable(),
                m_state.calibrations().count() > 0, [this](const QString& path) {
                    m_state.calibrations().SaveCalibrations(path);
                });
    if (!m_kept.isEmpty()) {
        m_errors.showNotice(
            QStringLiteral("Эти файлы не удалось прочитать при запуске, и они не перезаписаны. "
                           "Записи этого сеанса сохранены в новые файлы рядом с ними:\n")
            + m_kept.join(u'\n'));
    }
    return closes && (m_archiveReadable || archiveKept);
}

void DataFiles::saveCalibrations()
{
    if (!m_state.calibrationsWritable() || directoryGone())
        return;
    m_state.calibrations().SaveCalibrations(m_state.dataFilePath(kCalibrationFileName));
}

}  // namespace kv
