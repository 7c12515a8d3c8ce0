#include "measure/ui/system_correction_page.h"

#include "core/error_guard.h"
#include "core/errors.h"
#include "core/methods.h"
#include "core/number_format.h"
#include "device/instrument/instrument_link.h"
#include "device/instrument/report_codec.h"
#include "measure/calibration_form.h"
#include "measure/measurement_state.h"
#include "measure/reference_pair.h"
#include "measure/ui/reference_pair_widget.h"
#include "ui/mask_edit.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

namespace {

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

// Whether v rounds to a finite single-precision number: below the midpoint between the
// largest float and 2^128.
bool fitsSingle(double v)
{
    return std::fabs(v) < 0x1.ffffffp127;
}

// A coefficient as the result group shows it: three decimals where they can be had.
QString correctionText(const QString& prefix, double v)
{
    try {
        return coefficientText(prefix, v);
    } catch (const Error&) {
        return prefix + formatGeneral(v);
    }
}

}  // namespace

SystemCorrectionPage::SystemCorrectionPage(MeasurementState& state, ErrorReporter& errors,
                                           QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_errors(errors)
    , m_calculationGroup(
          makeGroup(this, QStringLiteral("GroupBox1"), QStringLiteral("Расчет коррекции")))
    , m_resultGroup(
          makeGroup(this, QStringLiteral("GroupBox4"), QStringLiteral("Результат  калибровки")))
    , m_references(new ReferencePairWidget(QStringLiteral("Label2"), QStringLiteral("Label3"),
                                           m_calculationGroup))
    , m_saveButton(new QPushButton(QStringLiteral("Save"), m_calculationGroup))
    , m_fixedOffsetButton(new QPushButton(QStringLiteral("system offset 0 (92)"), m_resultGroup))
    , m_correctionA(new QLabel(m_resultGroup))
    , m_correctionB(new QLabel(m_resultGroup))
{
    QFont bold = m_calculationGroup->font();
    bold.setBold(true);
    m_calculationGroup->setFont(bold);
    m_resultGroup->setToolTip(QStringLiteral("Результат калибровки"));
    // Here only the first "->" carries the hint.
    m_references->fetchButton(ReferencePairWidget::High)->setToolTip(QString());
    m_saveButton->setObjectName(QStringLiteral("Button3"));
    m_fixedOffsetButton->setObjectName(QStringLiteral("Button4"));

    auto* calculation = new QVBoxLayout(m_calculationGroup);
    calculation->addWidget(m_references);
    calculation->addWidget(m_saveButton, 0, Qt::AlignHCenter);

    m_correctionA->setObjectName(QStringLiteral("correctionALabel"));
    m_correctionB->setObjectName(QStringLiteral("correctionBLabel"));
    for (QLabel* label : {m_correctionA, m_correctionB}) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        label->setMinimumWidth(100);
    }
    auto* result = new QHBoxLayout(m_resultGroup);
    result->addWidget(m_fixedOffsetButton);
    result->addSpacing(16);
    result->addWidget(m_correctionA);
    result->addWidget(m_correctionB);
    result->addStretch(1);

    connect(button1(), &QPushButton::clicked, this,
            guardedSlot(m_errors, this, &SystemCorrectionPage::Button1Click));
    connect(button2(), &QPushButton::clicked, this,
            guardedSlot(m_errors, this, &SystemCorrectionPage::Button2Click));
    connect(m_saveButton, &QPushButton::clicked, this,
            guardedSlot(m_errors, this, &SystemCorrectionPage::Button3Click));
    connect(m_fixedOffsetButton, &QPushButton::clicked, this,
            guardedSlot(m_errors, this, &SystemCorrectionPage::Button4Click));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_calculationGroup);
    layout->addWidget(m_resultGroup);
    layout->addStretch(1);

    // After the two fuels, Save: a single Save must never write a half-typed pair, so
    // Enter in the last field only takes the focus there, and Enter on a button presses it.
    setTabOrder(maskEdit2(), m_saveButton);
    setTabOrder(m_saveButton, m_fixedOffsetButton);
    for (QPushButton* button : {m_saveButton, m_fixedOffsetButton})
        button->setAutoDefault(true);
    connect(m_references, &ReferencePairWidget::lastFieldEntered, this,
            [this] { m_saveButton->setFocus(Qt::TabFocusReason); });
}

QLineEdit* SystemCorrectionPage::labeledEdit1() const
{
    return m_references->readingEdit(ReferencePairWidget::Low);
}

QLineEdit* SystemCorrectionPage::labeledEdit2() const
{
    return m_references->readingEdit(ReferencePairWidget::High);
}

MaskEdit* SystemCorrectionPage::maskEdit1() const
{
    return m_references->knownEdit(ReferencePairWidget::Low);
}

MaskEdit* SystemCorrectionPage::maskEdit2() const
{
    return m_references->knownEdit(ReferencePairWidget::High);
}

QPushButton* SystemCorrectionPage::button1() const
{
    return m_references->fetchButton(ReferencePairWidget::Low);
}

QPushButton* SystemCorrectionPage::button2() const
{
    return m_references->fetchButton(ReferencePairWidget::High);
}

void SystemCorrectionPage::Button1Click()
{
    labeledEdit1()->setText(m_state.resultText(Research));
}

void SystemCorrectionPage::Button2Click()
{
    labeledEdit2()->setText(m_state.resultText(Research));
}

void SystemCorrectionPage::Button3Click()
{
    // A field that can't be read is named and gets the focus; nothing is applied or sent.
    if (const QString notice = m_references->focusFirstUnreadable(); !notice.isEmpty()) {
        m_errors.showNotice(notice);
        return;
    }
    const CalibrationLine line = fitReferencePair(m_references->texts());
    // The instrument keeps single-precision numbers: a pair beyond them would be applied
    // here and written there as infinity.
    if (!fitsSingle(line.slope) || !fitsSingle(line.offset))
        throw InvalidOpError();
    m_state.setSystemCorrection({line.slope, line.offset});
    if (m_link)
        m_link->writeSystemCorrection(line.slope, line.offset);
    m_correctionA->setText(correctionText(QStringLiteral("a="), line.slope));
    m_correctionB->setText(correctionText(QStringLiteral("b="), line.offset));
}

void SystemCorrectionPage::Button4Click()
{
    if (m_link)
        m_link->SendCommand(fixedOffsetCommand());
}

}  // namespace kv
