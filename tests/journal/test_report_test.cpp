#include "journal/test_report.h"
#include "journal/ui/test_report_dialog.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(TestReport, SaysWhatTheResultDependsOnAndEscapesWhatWasTyped)
{
    TestReport report;
    report.laboratory = QStringLiteral("Лаборатория <№1> & Ко");
    report.operatorName = QStringLiteral("Петров");
    report.number = QStringLiteral("12");
    report.date = QDate(2026, 12, 10);
    report.rows.push_back({{QStringLiteral("5"), QStringLiteral("10.12.2026 09:00:00"), QStringLiteral("Моторный метод"),
                            QStringLiteral("83,2"), QStringLiteral("<script>")}});
    QString html = testReportHtml(report);
    for (const char* part : {"Лаборатория &lt;№1&gt; &amp; Ко", "Протокол испытаний № 12", "от 10.12.2026",
                             "(не подключён при печати)", "Включённые калибровки: <b>нет</b>",
                             "&lt;script&gt;", "83,2", "/ Петров /", "Руководитель лаборатории"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(part))) << part;
    EXPECT_FALSE(html.contains(QStringLiteral("<script>")));

    report.instrumentProduct = QStringLiteral("KV");
    report.instrumentSerial = QStringLiteral("0042");
    report.calibrations << reportCalibrationLine(1, QStringLiteral("Зима"), 1.02, -0.5);
    html = testReportHtml(report);
    EXPECT_TRUE(html.contains(QStringLiteral("Октанометр КВ-4410 ПК, KV, зав. № 0042")));
    EXPECT_TRUE(html.contains(QStringLiteral("Исследовательский метод: Зима (A = ")));
}

// The laboratory and the operator are typed once; the number goes on from the last one.
TEST(TestReportDialog, KeepsWhatWasTypedAndNumbersOn)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("kv.conf")), QSettings::IniFormat);
    const struct {
        const char* typed;
        const char* next;
    } numbers[] = {{"", "1"}, {"41", "42"}, {"П-9", "П-10"}, {"б/н", "б/н"}};
    for (const auto& n : numbers) {
        TestReportDialog first(settings);
        first.findChild<QLineEdit*>(QStringLiteral("laboratoryEdit"))->setText(QStringLiteral(" ЦЗЛ "));
        first.findChild<QLineEdit*>(QStringLiteral("operatorEdit"))->setText(QStringLiteral("Иванов"));
        first.findChild<QLineEdit*>(QStringLiteral("reportNumberEdit"))->setText(QString::fromUtf8(n.typed));
        first.accept();
        TestReportDialog next(settings);
        EXPECT_EQ(next.report().laboratory, QStringLiteral("ЦЗЛ"));
        EXPECT_EQ(next.report().operatorName, QStringLiteral("Иванов"));
        EXPECT_EQ(next.report().number, QString::fromUtf8(n.next)) << n.typed;
    }
}

}  // namespace
}  // namespace kv
