#pragma once
// "Протокол испытаний": the laboratory's report of the samples chosen in the journal or the
// archive, with what the result depends on at the time it is printed (the instrument, the
// system correction, the calibrations switched on) and lines for the signatures. Made as
// rich text, which the print view sets on paper.

#include "journal/journal_table.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace kv {

inline const QString kTestReportTitle = QStringLiteral("Протокол испытаний");

struct TestReport {
    QString laboratory;
    QString operatorName;
    QString number;
    QDate date;
    std::vector<JournalRow> rows;
    // The instrument's product text and serial number, empty when none is connected.
    QString instrumentProduct;
    QString instrumentSerial;
    // The system correction's factors.
    double correctionA = 1;
    double correctionB = 0;
    // One line for each calibration switched on: "метод: имя (A = …, B = …)".
    QStringList calibrations;
};

// A calibration's line of the report.
QString reportCalibrationLine(int method, const QString& name, double slope, double offset);

// The report as HTML, every text of the operator's escaped.
QString testReportHtml(const TestReport& report);

}  // namespace kv
