#include "measure/ui/system_correction_page.h"

#include "core/error_guard.h"
#include "core/errors.h"
#include "core/methods.h"
#include "core/number_format.h"
#include "device/instrument/instrument_link.h"
#include "device/instrument/report_codec.h"
#include "measure/calibration_form.h"
#include "measure/measurement_state.h"
#include "ui/labeled_edit.h"
#include "ui/mask_edit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <iterator>

namespace kv {

namespace {

const QString kInstrumentValue = QStringLiteral("Значение с октанометра");
const QString kRealValue = QStringLiteral("Реальное значение ОЧ");

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

// One reference fuel: the instrument's value with its "->" button, and the known number.
void fillReferenceGroup(QGroupBox* box, LabeledEdit* instrument, QPushButton* fetch,
                        QLabel* realLabel, MaskEdit* real)
{
    instrument->editLabel()->setText(kInstrumentValue);
    instrument->edit()->setText(QStringLiteral("0"));
    fetch->setText(QStringLiteral("->"));
    fetch->setFixedWidth(40);
    realLabel->setText(kRealValue);
    realLabel->setBuddy(real);
    real->setFixedWidth(80);

    auto* layout = new QGridLayout(box);
    layout->addWidget(fetch, 0, 0, Qt::AlignBottom);
    layout->addWidget(instrument, 0, 1);
    layout->addWidget(realLabel, 1, 1);
    layout->addWidget(real, 2, 1, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
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
    , m_groupBox1(makeGroup(this, QStringLiteral("GroupBox1"), QStringLiteral("Расчет коррекции")))
    , m_groupBox2(makeGroup(m_groupBox1, QStringLiteral("GroupBox2"),
                            QStringLiteral("Низкооктановый бензин")))
    , m_groupBox3(makeGroup(m_groupBox1, QStringLiteral("GroupBox3"),
                            QStringLiteral("Высокооктановый бензин")))
    , m_groupBox4(makeGroup(this, QStringLiteral("GroupBox4"),
                            QStringLiteral("Результат  калибровки")))
    , m_labeledEdit1(new LabeledEdit(m_groupBox2))
    , m_labeledEdit2(new LabeledEdit(m_groupBox3))
    , m_label2(new QLabel(m_groupBox2))
    , m_label3(new QLabel(m_groupBox3))
    , m_maskEdit1(new MaskEdit(m_groupBox2))
    , m_maskEdit2(new MaskEdit(m_groupBox3))
    , m_button1(new QPushButton(m_groupBox2))
    , m_button2(new QPushButton(m_groupBox3))
    , m_button3(new QPushButton(QStringLiteral("Save"), m_groupBox1))
    , m_button4(new QPushButton(QStringLiteral("system offset 0 (92)"), m_groupBox4))
    , m_correctionA(new QLabel(m_groupBox4))
    , m_correctionB(new QLabel(m_groupBox4))
{
    QFont bold = m_groupBox1->font();
    bold.setBold(true);
    m_groupBox1->setFont(bold);
    m_groupBox4->setToolTip(QStringLiteral("Результат калибровки"));

    m_labeledEdit1->setControlName(QStringLiteral("LabeledEdit1"));
    m_labeledEdit2->setControlName(QStringLiteral("LabeledEdit2"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_maskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    m_maskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button2->setObjectName(QStringLiteral("Button2"));
    m_button3->setObjectName(QStringLiteral("Button3"));
    m_button4->setObjectName(QStringLiteral("Button4"));

    fillReferenceGroup(m_groupBox2, m_labeledEdit1, m_button1, m_label2, m_maskEdit1);
    fillReferenceGroup(m_groupBox3, m_labeledEdit2, m_button2, m_label3, m_maskEdit2);
    m_button1->setToolTip(QStringLiteral("Получить значение с октанометра"));

    auto* calculation = new QGridLayout(m_groupBox1);
    calculation->addWidget(m_groupBox2, 0, 0);
    calculation->addWidget(m_groupBox3, 0, 1);
    calculation->addWidget(m_button3, 1, 0, 1, 2, Qt::AlignHCenter);

    m_correctionA->setObjectName(QStringLiteral("correctionALabel"));
    m_correctionB->setObjectName(QStringLiteral("correctionBLabel"));
    for (QLabel* label : {m_correctionA, m_correctionB}) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        label->setMinimumWidth(100);
    }
    auto* result = new QHBoxLayout(m_groupBox4);
    result->addWidget(m_button4);
    result->addSpacing(16);
    result->addWidget(m_correctionA);
    result->addWidget(m_correctionB);
    result->addStretch(1);

    const auto command = [this](QPushButton* button, void (SystemCorrectionPage::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { runGuarded(m_errors, [this, handler] { (this->*handler)(); }); });
    };
    command(m_button1, &SystemCorrectionPage::Button1Click);
    command(m_button2, &SystemCorrectionPage::Button2Click);
    command(m_button3, &SystemCorrectionPage::Button3Click);
    command(m_button4, &SystemCorrectionPage::Button4Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_groupBox1);
    layout->addWidget(m_groupBox4);
    layout->addStretch(1);

    // Tab goes through one reference fuel, then the other, as in the calibration dialog:
    // in creation order four numbers typed one after another would land as two readings
    // and two known values, and a single Save would write that wrong line into the
    // instrument.
    QWidget* const order[] = {m_button1, labeledEdit1(), m_maskEdit1, m_button2,
                              labeledEdit2(), m_maskEdit2, m_button3, m_button4};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLineEdit* SystemCorrectionPage::labeledEdit1()
{
    return m_labeledEdit1->edit();
}

QLineEdit* SystemCorrectionPage::labeledEdit2()
{
    return m_labeledEdit2->edit();
}

}  // namespace kv

namespace kv {

void SystemCorrectionPage::Button1Click()
{
    m_labeledEdit1->edit()->setText(m_state.resultText(Research));
}

void SystemCorrectionPage::Button2Click()
{
    m_labeledEdit2->edit()->setText(m_state.resultText(Research));
}

void SystemCorrectionPage::Button3Click()
{
    const double m2 = parseFloat(m_maskEdit2->maskText());
    const double m1 = parseFloat(m_maskEdit1->maskText());
    const double l2 = parseFloat(labeledEdit2()->text());
    const double l1 = parseFloat(labeledEdit1()->text());
    const CalibrationLine line = fitCalibrationLine(m1, m2, l1, l2);
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
