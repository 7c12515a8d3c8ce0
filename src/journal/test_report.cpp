#include "journal/test_report.h"

#include "core/methods.h"

#include <QLocale>

namespace kv {

namespace {

QString factor(double value)
{
    // Three decimals, as the calibrations page shows factors, with the operator's separator.
    return QLocale().toString(value, 'f', 3);
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// A labelled line; a value left empty gets a line to write on.
QString field(const QString& label, const QString& value)
{
    return QStringLiteral("<p>%1: <b>%2</b></p>")
        .arg(label, value.isEmpty() ? QStringLiteral("______________________________") : escaped(value));
}

}  // namespace

QString reportCalibrationLine(int method, const QString& name, double slope, double offset)
{
    return QStringLiteral("%1: %2 (A = %3, B = %4)")
        .arg(methodName(method), name, factor(slope), factor(offset));
}

QString testReportHtml(const TestReport& report)
{
    QString html;
    html += QStringLiteral("<html><body>");
    html += QStringLiteral("<p align=center style=\"font-size:13pt\"><b>%1</b></p>")
                .arg(report.laboratory.isEmpty() ? QStringLiteral("&nbsp;") : escaped(report.laboratory));
    html += QStringLiteral("<p align=center style=\"font-size:16pt\"><b>%1 № %2</b></p>")
                .arg(kTestReportTitle, report.number.isEmpty() ? QStringLiteral("____") : escaped(report.number));
    html += QStringLiteral("<p align=center>от %1</p><br>").arg(report.date.toString(QStringLiteral("dd.MM.yyyy")));

    QString instrument = kJournalTitle;
    if (report.instrumentProduct.isEmpty() && report.instrumentSerial.isEmpty()) {
        instrument += QStringLiteral(" (не подключён при печати)");
    } else {
        if (!report.instrumentProduct.isEmpty())
            instrument += QStringLiteral(", ") + report.instrumentProduct;
        if (!report.instrumentSerial.isEmpty())
            instrument += QStringLiteral(", зав. № ") + report.instrumentSerial;
    }
    html += field(QStringLiteral("Средство измерений"), instrument);
    html += field(QStringLiteral("Системная коррекция"),
                  QStringLiteral("A = %1, B = %2").arg(factor(report.correctionA), factor(report.correctionB)));
    html += QStringLiteral("<p>Включённые калибровки: <b>%1</b></p>")
                .arg(report.calibrations.isEmpty() ? QStringLiteral("нет") : QString());
    if (!report.calibrations.isEmpty()) {
        html += QStringLiteral("<ul>");
        for (const QString& line : report.calibrations)
            html += QStringLiteral("<li>%1</li>").arg(escaped(line));
        html += QStringLiteral("</ul>");
    }

    html += QStringLiteral("<p><b>Результаты испытаний</b></p>");
    html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString& heading : kJournalHeadings)
        html += QStringLiteral("<th>%1</th>").arg(heading);
    html += QStringLiteral("</tr>");
    for (const JournalRow& row : report.rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row.cells)
            html += QStringLiteral("<td align=center>%1</td>").arg(escaped(cell));
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><br><br>");

    const QString signature = QStringLiteral("<p>%1: ____________________ / %2 /</p><br>");
    html += signature.arg(QStringLiteral("Испытания провёл"),
                          report.operatorName.isEmpty() ? QStringLiteral("____________________")
                                                        : escaped(report.operatorName));
    html += signature.arg(QStringLiteral("Руководитель лаборатории"), QStringLiteral("____________________"));
    html += QStringLiteral("</body></html>");
    return html;
}

}  // namespace kv
