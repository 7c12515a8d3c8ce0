#include "journal/ui/test_report_dialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace kv {

namespace {
const QString kLaboratoryKey = QStringLiteral("report/laboratory");
const QString kOperatorKey = QStringLiteral("report/operator");
const QString kNumberKey = QStringLiteral("report/number");

// The number after the last one: one more when it ends in digits ("12" → "13",
// "П-7" → "П-8"), else the same.
QString nextNumber(const QString& last)
{
    qsizetype start = last.size();
    while (start > 0 && last[start - 1].isDigit())
        --start;
    if (start == last.size())
        return last.isEmpty() ? QStringLiteral("1") : last;
    bool ok = false;
    const qulonglong n = last.mid(start).toULongLong(&ok);
    return ok ? last.left(start) + QString::number(n + 1) : last;
}
}  // namespace

TestReportDialog::TestReportDialog(QSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_laboratory(new QLineEdit(this))
    , m_operator(new QLineEdit(this))
    , m_number(new QLineEdit(this))
    , m_date(new QDateEdit(QDate::currentDate(), this))
{
    setObjectName(QStringLiteral("TestReportForm"));
    setWindowTitle(kTestReportTitle);
    m_laboratory->setObjectName(QStringLiteral("laboratoryEdit"));
    m_operator->setObjectName(QStringLiteral("operatorEdit"));
    m_number->setObjectName(QStringLiteral("reportNumberEdit"));
    m_date->setObjectName(QStringLiteral("reportDateEdit"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_laboratory->setMinimumWidth(320);
    m_laboratory->setText(settings.value(kLaboratoryKey).toString());
    m_operator->setText(settings.value(kOperatorKey).toString());
    m_number->setText(nextNumber(settings.value(kNumberKey).toString()));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Лаборатория:"), m_laboratory);
    form->addRow(QStringLiteral("&Испытания провёл:"), m_operator);
    form->addRow(QStringLiteral("&Номер протокола:"), m_number);
    form->addRow(QStringLiteral("&Дата:"), m_date);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Просмотр"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TestReportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TestReportDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // The laboratory is typed once; after that the operator's name is what changes.
    (m_laboratory->text().isEmpty() ? m_laboratory : m_operator)->setFocus();
}

TestReport TestReportDialog::report() const
{
    TestReport report;
    report.laboratory = m_laboratory->text().trimmed();
    report.operatorName = m_operator->text().trimmed();
    report.number = m_number->text().trimmed();
    report.date = m_date->date();
    return report;
}

void TestReportDialog::accept()
{
    const TestReport typed = report();
    m_settings.setValue(kLaboratoryKey, typed.laboratory);
    m_settings.setValue(kOperatorKey, typed.operatorName);
    m_settings.setValue(kNumberKey, typed.number);
    QDialog::accept();
}

void setUpTestReportDocument(QTextDocument& document, const TestReport& report)
{
    QFont font = QGuiApplication::font();
    font.setPointSize(10);
    document.setDefaultFont(font);
    document.setHtml(testReportHtml(report));
}

void previewTestReport(const TestReport& report, QWidget* parent)
{
    QTextDocument document;
    setUpTestReportDocument(document, report);
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("TestReportPreview"));
    preview.setWindowTitle(kTestReportTitle + QStringLiteral(" № ") + report.number);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter* target) { document.print(target); });
    preview.exec();
}

}  // namespace kv
