#include "app/data_files.h"

#include "app/program_constants.h"
#include "core/error_guard.h"
#include "core/file_io.h"
#include "journal/table_file.h"
#include "measure/calibration_list_model.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <new>

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

bool existsOrDangles(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

DataFiles::DataFiles(QString dataDirectory, CalibrationListModel& calibrations, JournalBook& book,
                     ErrorReporter& errors)
    : m_directory(std::move(dataDirectory))
    , m_calibrations(calibrations)
    , m_book(book)
    , m_errors(errors)
{
}

QString DataFiles::dataFilePath(const QString& fileName) const
{
    return QDir(m_directory).filePath(fileName);
}

void DataFiles::restoreInterruptedSaves()
{
    for (const InterruptedRewrite& rewrite : restoreInterruptedRewrites()) {
        const QString file = QDir::toNativeSeparators(rewrite.path);
        if (rewrite.failure.isEmpty()) {
            m_errors.showNotice(QStringLiteral("Запись файла \"%1\" была прервана. "
                                               "Восстановлено его прежнее содержимое.")
                                    .arg(file));
        } else {
            m_errors.showError(QStringLiteral("Запись файла \"%1\" была прервана, и вернуть его прежнее "
                                              "содержимое не удалось: %2. Копия прежнего содержимого "
                                              "осталась в папке \"%3\".")
                                   .arg(file, rewrite.failure,
                                        QDir::toNativeSeparators(rollbackDirectory())));
        }
    }
}

bool DataFiles::read(const QString& fileName, QByteArray& bytes, qint64 maxSize)
{
    const QString path = dataFilePath(fileName);
    if (runGuarded(m_errors, [&] { bytes = readWholeFile(path, maxSize); }))
        return true;
    // A missing file is simply created at close; one that is there but unreadable keeps
    // its content.
    return false;
}

void DataFiles::LoadCalibrations()
{
    const QString path = dataFilePath(kCalibrationFileName);
    QByteArray bytes;
    if (!read(kCalibrationFileName, bytes, kMaxCalibrationFileSize)) {
        m_calibrationsHash = qHash(serializeCalibrations(records()));
        m_calibrationsWritable = !existsOrDangles(path);
        m_calibrationsMustWrite = true;
        return;
    }
    const CalibrationParse parsed = m_calibrations.readBytes(bytes);
    m_calibrationsHash = qHash(serializeCalibrations(records()));
    if (parsed.damaged) {
        m_calibrationsWritable = keepDamaged(
            kCalibrationFileName,
            calibrationDamageText(QDir::toNativeSeparators(path), parsed.damage));
        m_calibrationsMustWrite = true;
    }
}

const std::vector<TCalibration>& DataFiles::records() const
{
    return m_calibrations.store().calibrations();
}

bool DataFiles::keepDamaged(const QString& fileName, const QString& damaged)
{
    // The close rewrites the file with the records read, so whatever followed the damage
    // survives only in a copy made before that.
    const QString path = dataFilePath(fileName);
    const QString copy = backupFileName(path);
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

void DataFiles::loadTable(JournalBook::Table table, const QString& fileName, bool& readable)
{
    QByteArray bytes;
    if (!read(fileName, bytes, kMaxTableFileSize)) {
        readable = !existsOrDangles(dataFilePath(fileName));
        m_book.markUnsaved(table);
        return;
    }
    TableRead result;
    try {
        result = m_book.read(table, bytes);
    } catch (const std::bad_alloc&) {
        // A file larger than this computer can hold: refused whole, never written over.
        bytes = QByteArray();
        readable = false;
        m_book.markUnsaved(table);
        m_errors.showError(QStringLiteral("Файл \"%1\" слишком велик: для его записей не хватает памяти. "
                                          "Таблица открыта пустой, файл не будет изменён.")
                               .arg(QDir::toNativeSeparators(dataFilePath(fileName))));
        return;
    }
    if (!result.damaged)
        return;
    const QString path = QDir::toNativeSeparators(dataFilePath(fileName));
    readable = keepDamaged(
        fileName, result.records > 0
                      ? QStringLiteral("Файл \"%1\" повреждён после записи %2: следующие записи не прочитаны.")
                            .arg(path)
                            .arg(result.records)
                      : QStringLiteral("Файл \"%1\" повреждён: ни одна запись не прочитана.").arg(path));
    m_book.markUnsaved(table);
}

QByteArray DataFiles::fingerprint(JournalBook::Table table) const
{
    const bool readable = table == JournalBook::Table::Journal ? m_journalReadable : m_archiveReadable;
    if (!readable)
        return {};
    if (table == JournalBook::Table::Journal && !m_journalMovedRowsFingerprint.isEmpty())
        return m_journalMovedRowsFingerprint;
    return m_book.savedFingerprint(table);
}

void DataFiles::loadArchive()
{
    loadTable(JournalBook::Table::Archive, kArchiveFileName, m_archiveReadable);
}

void DataFiles::loadJournal()
{
    loadTable(JournalBook::Table::Journal, kJournalFileName, m_journalReadable);
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

bool DataFiles::keep(const QString& fileName, const QByteArray& bytes)
{
    // One side copy per session: a close tried again rewrites the same one.
    QString& kept = m_keptPaths[fileName];
    if (kept.isEmpty())
        kept = keptFileName(m_directory, fileName, m_clock());
    if (!runGuarded(m_errors, [&] { replaceFileAtomically(kept, bytes); }))
        return false;
    m_kept << QStringLiteral("%1 → %2").arg(fileName, QFileInfo(kept).fileName());
    return true;
}

bool DataFiles::saveTable(JournalBook::Table table, const QString& fileName, bool readable,
                          bool withMovedRows)
{
    if (!readable) {
        if (isFreshTable(m_book.model(table).table()) && !withMovedRows)
            return true;
        return keep(fileName, withMovedRows ? m_book.journalBytesWithMovedRows()
                                            : tableFileBytes(m_book.model(table).table()));
    }
    std::optional<QByteArray> bytes =
        withMovedRows ? m_book.journalBytesWithMovedRows() : m_book.bytesToSave(table);
    // A file gone since it was read (deleted, its folder made again empty) is written
    // back: the session holds its content and nothing else does.
    if (!bytes && !existsOrDangles(dataFilePath(fileName)) && !isFreshTable(m_book.model(table).table()))
        bytes = tableFileBytes(m_book.model(table).table());
    if (!bytes)
        return true;
    if (!runGuarded(m_errors, [&] { replaceFileAtomically(dataFilePath(fileName), *bytes); }))
        return false;
    if (withMovedRows) {
        m_book.markUnsaved(table);  // the file holds more than the table now
        m_journalMovedRowsFingerprint = JournalBook::fingerprintOf(*bytes);
    } else {
        m_book.markSaved(table, *bytes);
        if (table == JournalBook::Table::Journal)
            m_journalMovedRowsFingerprint.clear();
    }
    return true;
}

std::optional<QByteArray> DataFiles::calibrationBytesToSave() const
{
    QByteArray bytes = serializeCalibrations(records());
    if (!m_calibrationsMustWrite && qHash(bytes) == m_calibrationsHash)
        return std::nullopt;
    return bytes;
}

bool DataFiles::saveCalibrationsAtClose()
{
    std::optional<QByteArray> bytes = calibrationBytesToSave();
    if (!bytes && !records().empty() && !existsOrDangles(dataFilePath(kCalibrationFileName)))
        bytes = serializeCalibrations(records());
    if (!bytes)
        return true;
    if (!m_calibrationsWritable) {
        if (records().empty())
            return true;
        return keep(kCalibrationFileName, *bytes);
    }
    if (!runGuarded(m_errors, [&] {
            replaceFileAtomically(dataFilePath(kCalibrationFileName), *bytes);
        }))
        return false;
    m_calibrationsHash = qHash(*bytes);
    m_calibrationsMustWrite = false;
    return true;
}

bool DataFiles::directoryGone() const
{
    return !m_createsDirectory && !QDir(m_directory).exists();
}

bool DataFiles::sessionChangedSomething() const
{
    using T = JournalBook::Table;
    return m_book.changedBySession(T::Archive) || m_book.changedBySession(T::Journal)
        || qHash(serializeCalibrations(records())) != m_calibrationsHash;
}

bool DataFiles::saveAll()
{
    const QString directory = m_directory;
    if (!QDir(directory).exists()) {
        if (!m_createsDirectory) {
            // Moved or deleted while the program ran: its files went with it, and this
            // session's work lives only here now.
            if (!sessionChangedSomething())
                return true;
            m_errors.showError(QStringLiteral("Папка с файлами данных \"%1\" не найдена: журнал, архив и "
                                              "калибровки этого сеанса не сохранены. Верните папку на "
                                              "место и закройте программу ещё раз.")
                                   .arg(QDir::toNativeSeparators(directory)));
            return false;
        }
        const QString failure = createDirectories(directory);
        if (!failure.isEmpty()) {
            m_errors.showError(
                QStringLiteral("Cannot create directory \"%1\". %2").arg(directory, failure));
            return false;
        }
    }
    m_kept.clear();
    using T = JournalBook::Table;
    // The archive first: a row moved there this session leaves the journal's file only
    // once the archive's file holds it.
    const bool archiveSaved = saveTable(T::Archive, kArchiveFileName, m_archiveReadable);
    const bool keepMovedRows = !archiveSaved && !m_book.movedThisSession().empty();
    // A failure of the archive doesn't stop the journal and the calibrations from being
    // written; one of the journal stops the close there, as any failed step does.
    const bool journalSaved = saveTable(T::Journal, kJournalFileName, m_journalReadable, keepMovedRows);
    const bool calibrationsSaved = journalSaved && saveCalibrationsAtClose();
    if (!m_kept.isEmpty()) {
        m_errors.showNotice(
            QStringLiteral("Эти файлы не удалось прочитать при запуске, и они не перезаписаны. "
                           "Записи этого сеанса сохранены в новые файлы рядом с ними:\n")
            + m_kept.join(u'\n'));
    }
    return archiveSaved && journalSaved && calibrationsSaved;
}

void DataFiles::SaveCalibrations()
{
    if (!m_calibrationsWritable || directoryGone())
        return;
    const QByteArray bytes = serializeCalibrations(records());
    replaceFileAtomically(dataFilePath(kCalibrationFileName), bytes);
    m_calibrationsHash = qHash(bytes);
    m_calibrationsMustWrite = false;
}

}  // namespace kv
