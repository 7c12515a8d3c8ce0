#pragma once
// Asks for what a test report carries beside the rows: the laboratory and the operator
// (typed once, kept in the user's settings), the report's number (the last one plus one
// by default) and date.

#include "journal/test_report.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QSettings;
class QTextDocument;

namespace kv {

class TestReportDialog : public QDialog {
    Q_OBJECT

public:
    // `settings` must outlive the dialog; what was typed goes there when accepted.
    explicit TestReportDialog(QSettings& settings, QWidget* parent = nullptr);

    // The laboratory, operator, number and date as typed.
    TestReport report() const;

    void accept() override;

private:
    QSettings& m_settings;
    QLineEdit* m_laboratory = nullptr;
    QLineEdit* m_operator = nullptr;
    QLineEdit* m_number = nullptr;
    QDateEdit* m_date = nullptr;
};

// The report set as rich text in the type it is printed in.
void setUpTestReportDocument(QTextDocument& document, const TestReport& report);
// The report's print preview, from which it is printed or saved as PDF.
void previewTestReport(const TestReport& report, QWidget* parent);

}  // namespace kv
