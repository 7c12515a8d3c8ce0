#include "app/change_history.h"

#include "core/errors.h"
#include "core/file_io.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace kv {

namespace {

const QByteArray kHeader = QByteArrayLiteral("#kv4410pc-history 1");
// The largest history read: a busy lab's year is under 10 MB.
constexpr qint64 kMaxHistorySize = 512LL * 1024 * 1024;

QByteArray chainHash(const QByteArray& previous, const QByteArray& body)
{
    return QCryptographicHash::hash(previous + body, QCryptographicHash::Sha256).toHex().left(32);
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        default: out += ch;
        }
    }
    return out;
}

QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch != u'\\' || i + 1 == text.size()) {
            out += ch;
            continue;
        }
        const QChar next = text[++i];
        out += next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return out;
}

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}


void appendBytes(const QString& path, const QByteArray& bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0)
        throw FileCreateError(path, errno);
    const bool written = writeFully(fd, bytes);
    const int error = errno;
    ::close(fd);
    if (!written)
        throw StreamWriteError(path, error);
}

}  // namespace

const QString ChangeHistory::kFileName = QStringLiteral("history.log");

ChangeHistory::ChangeHistory(QString directory)
    : m_directory(std::move(directory))
    , m_path(QDir(m_directory).filePath(kFileName))
{
}

QString ChangeHistory::loginName()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER", QString::number(::getuid()));
}

QByteArray ChangeHistory::line(const Entry& entry, const QByteArray& previousHash, QByteArray* hash)
{
    QStringList fields = {entry.time, entry.user, entry.step, entry.table, entry.number,
                          QString(entry.before ? QStringLiteral("B") : QString())
                              + QString(entry.after ? QStringLiteral("A") : QString())};
    for (const auto& cells : {entry.before, entry.after})
        for (int c = 0; c < 5; ++c)
            fields << (cells ? (*cells)[std::size_t(c)] : QString());
    for (QString& field : fields)
        field = escaped(field);
    const QByteArray body = fields.join(u'\t').toUtf8();
    const QByteArray chained = chainHash(previousHash, body);
    if (hash)
        *hash = chained;
    return body + '\t' + chained + '\n';
}

ChangeHistory::Check ChangeHistory::verify(const QByteArray& bytes)
{
    Check check;
    const QList<QByteArray> lines = linesOf(bytes);
    if (lines.isEmpty() || !lines.first().startsWith(kHeader + '\t')) {
        check.whole = false;
        check.brokenLine = 1;
        check.reason = QStringLiteral("это не история изменений программы");
        return check;
    }
    QByteArray previous;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& text = lines[i];
        const qsizetype tab = text.lastIndexOf('\t');
        const QByteArray body = tab < 0 ? text : text.left(tab);
        const QByteArray hash = tab < 0 ? QByteArray() : text.mid(tab + 1);
        if (hash != chainHash(previous, body) || (i > 0 && body.count('\t') != 15)) {
            check.whole = false;
            check.brokenLine = i + 1;
            check.reason = QStringLiteral("строка изменена, вставлена или удалена");
            return check;
        }
        previous = hash;
        if (i > 0)
            ++check.lines;
    }
    if (!bytes.endsWith('\n')) {
        check.whole = false;
        check.brokenLine = int(lines.size());
        check.reason = QStringLiteral("последняя строка оборвана");
        return check;
    }
    check.lastHash = previous;
    return check;
}

std::vector<ChangeHistory::Entry> ChangeHistory::entries(const QByteArray& bytes)
{
    std::vector<Entry> result;
    const QList<QByteArray> lines = linesOf(bytes);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = QString::fromUtf8(lines[i]).split(u'\t');
        if (fields.size() != 17)
            continue;
        Entry entry;
        entry.time = unescaped(fields[0]);
        entry.user = unescaped(fields[1]);
        entry.step = unescaped(fields[2]);
        entry.table = unescaped(fields[3]);
        entry.number = unescaped(fields[4]);
        const auto cells = [&fields](int first) {
            std::array<QString, 5> c;
            for (int k = 0; k < 5; ++k)
                c[std::size_t(k)] = unescaped(fields[first + k]);
            return c;
        };
        if (fields[5].contains(u'B'))
            entry.before = cells(6);
        if (fields[5].contains(u'A'))
            entry.after = cells(11);
        result.push_back(std::move(entry));
    }
    return result;
}

void ChangeHistory::open(QString* notice)
{
    m_opened = true;
    if (!QFileInfo::exists(m_path)) {
        m_lastHash.clear();
        const QByteArray hash = chainHash({}, kHeader);
        appendBytes(m_path, kHeader + '\t' + hash + '\n');
        m_lastHash = hash;
        return;
    }
    const Check check = verify(readWholeFile(m_path, kMaxHistorySize));
    if (check.whole) {
        m_lastHash = check.lastHash;
        return;
    }
    // Never written over: the trail goes on in a new file beside it.
    const QString stem = QStringLiteral("history-%1").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString name = stem + QStringLiteral(".log");
    for (int n = 2; QFileInfo::exists(QDir(m_directory).filePath(name)); ++n)
        name = stem + u'-' + QString::number(n) + QStringLiteral(".log");
    const QString broken = m_path;
    m_path = QDir(m_directory).filePath(name);
    const QByteArray hash = chainHash({}, kHeader);
    appendBytes(m_path, kHeader + '\t' + hash + '\n');
    m_lastHash = hash;
    if (notice) {
        *notice = QStringLiteral("История изменений \"%1\" повреждена (строка %2: %3) и не будет "
                                 "изменена. Новая история ведётся в файле \"%4\".")
                      .arg(QDir::toNativeSeparators(broken))
                      .arg(check.brokenLine)
                      .arg(check.reason, QDir::toNativeSeparators(m_path));
    }
}

void ChangeHistory::append(const Entry& entry, QString* notice)
{
    // A workspace without a data folder (a page test's) keeps no history.
    if (m_directory.isEmpty())
        return;
    if (!m_opened)
        open(notice);
    QByteArray hash;
    const QByteArray text = line(entry, m_lastHash, &hash);
    appendBytes(m_path, text);
    m_lastHash = hash;
}

HistoryVerdict verifyHistoryFolder(const QString& directory)
{
    const QString path = QDir(directory).filePath(ChangeHistory::kFileName);
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path))
        return {QStringLiteral("Истории изменений \"%1\" нет.\n").arg(shown), 1};
    QByteArray bytes;
    try {
        bytes = readWholeFile(path, kMaxHistorySize);
    } catch (const Error& e) {
        return {e.message() + u'\n', 1};
    }
    const ChangeHistory::Check check = ChangeHistory::verify(bytes);
    if (!check.whole) {
        return {QStringLiteral("История изменений \"%1\" нарушена в строке %2: %3.\n")
                    .arg(shown)
                    .arg(check.brokenLine)
                    .arg(check.reason),
                1};
    }
    return {QStringLiteral("История изменений \"%1\" цела: записей %2.\n").arg(shown).arg(check.lines), 0};
}

}  // namespace kv
