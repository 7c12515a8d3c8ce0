// Renders the manual (UTF-8 HTML) into a PDF: kv4410pc-helpdoc <manual.html> <out.pdf>.
// Runs on the offscreen platform at build time; needs no display.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>

int main(int argc, char** argv)
{
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
    return 0;
}
