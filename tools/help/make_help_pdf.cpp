// Renders the manual (UTF-8 HTML) into a PDF: kv4410pc-helpdoc <manual.html> <out.pdf>.
// Runs on the offscreen platform at build time; needs no display. Two runs on one source
// give the same bytes: the hash seed is fixed (Qt writes the fonts in hash order) and, when
// SOURCE_DATE_EPOCH is set, the creation date is that time instead of the clock's.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHashSeed>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>

namespace {

// Qt's PDF writer stamps the clock's time; overwrite its digits in place, so no offset in
// the cross-reference table moves. The writer runs in UTC (see main), so the stamp is
// "D:YYYYMMDDHHmmSSZ".
bool stampCreationDate(const QString& path, qint64 epoch)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray pdf = file.readAll();
    const QByteArray key = "/CreationDate (D:";
    const qsizetype at = pdf.indexOf(key);
    const QByteArray stamp = QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC)
                                 .toString(QStringLiteral("yyyyMMddHHmmss"))
                                 .toLatin1();
    if (at < 0 || pdf.mid(at + key.size() + 14, 2) != "Z)")
        return false;
    pdf.replace(at + key.size(), stamp.size(), stamp);
    return file.seek(0) && file.write(pdf) == pdf.size();
}

}  // namespace

int main(int argc, char** argv)
{
    QHashSeed::setDeterministicGlobalSeed();
    bool epochOk = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&epochOk);
    if (epochOk)
        qputenv("TZ", "UTC");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: kv4410pc-helpdoc <manual.html> <out.pdf>\n";
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "cannot read " << args.at(1) << ": " << source.errorString()
                            << '\n';
        return 1;
    }
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    // Pictures are named relative to the manual, wherever the build runs this.
    document.setMetaInformation(QTextDocument::DocumentUrl,
                                QUrl::fromLocalFile(QFileInfo(args.at(1)).absoluteFilePath()).toString());
    document.setHtml(QString::fromUtf8(source.readAll()));

    QPdfWriter writer(args.at(2));
    writer.setTitle(QStringLiteral("Октанометр КВ-4410ПК: руководство пользователя"));
    writer.setCreator(QStringLiteral("kv4410pc"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 18, 18, 18), QPageLayout::Millimeter));
    writer.setResolution(300);
    document.print(&writer);

    if (QFile(args.at(2)).size() == 0) {
        QTextStream(stderr) << "cannot write " << args.at(2) << '\n';
        return 1;
    }
    if (epochOk && !stampCreationDate(args.at(2), epoch)) {
        QTextStream(stderr) << "cannot date " << args.at(2) << " from SOURCE_DATE_EPOCH\n";
        return 1;
    }
    return 0;
}
