#include "measure/ui/calibration_dialog.h"

#include "core/error_guard.h"
#include "core/methods.h"
#include "core/number_format.h"
#include "measure/reference_pair.h"
#include "measure/ui/reference_pair_widget.h"
#include "ui/fonts.h"
#include "ui/labeled_edit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace kv {

namespace {

const QString kCannotCompute = QStringLiteral("Невозможно рассчитать по данным значениям !");
const QString kWrongData = QStringLiteral("Введены неверные данные для расчета коррекции");
constexpr int kNameRowPixels = 24;
constexpr int kCoefficientPixels = 16;
constexpr int kPreviewPixels = 27;
constexpr auto kLow = ReferencePairWidget::Low;
constexpr auto kHigh = ReferencePairWidget::High;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Enter on a button the operator reached by Tab presses it; Enter in a field goes on
    // to the next one (see eventFilter), so no field presses a button by itself.
    button->setAutoDefault(true);
    return button;
}

QFont sized(int pixels, bool bold)
{
    return familyFont(windowFamilies(), pixels, bold);
}

}  // namespace

class TForm2::Reporter : public ErrorReporter {
public:
    explicit Reporter(QWidget* owner)
        : m_owner(owner)
    {
    }
    void setTarget(ErrorReporter* target) { m_target = target; }

    void showError(const QString& message) override
    {
        if (m_target)
            m_target->showError(message);
        else
            QMessageBox::critical(m_owner, m_owner->windowTitle(), message);
    }
    void showNotice(const QString& message) override
    {
        if (m_target)
            m_target->showNotice(message);
        else
            QMessageBox::information(m_owner, m_owner->windowTitle(), message);
    }
    void showDetailedNotice(const QString& message, const QString& details) override
    {
        if (m_target)
            m_target->showDetailedNotice(message, details);
        else
            ErrorReporter::showDetailedNotice(message, details);
    }

private:
    QWidget* m_owner;
    ErrorReporter* m_target = nullptr;
};

TForm2::TForm2(QWidget* parent)
    : QDialog(parent)
    , m_errors(std::make_unique<Reporter>(this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(
        QStringLiteral("Калибровка по 2 известным значениям октанового(цетанового) числа"));
    setFont(sized(11, false));
    resize(505, 513);

    QLabel* nameCaption = makeLabel(this, "LabelName", QStringLiteral("Наименование"));
    nameCaption->setFont(sized(kNameRowPixels, false));
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("Edit1"));
    m_nameEdit->setFont(sized(kNameRowPixels, false));
    QLabel* methodCaption = makeLabel(this, "LabelMetod", QStringLiteral("Метод измерения"));
    methodCaption->setFont(sized(kNameRowPixels, false));
    m_methodList = new QComboBox(this);
    m_methodList->setObjectName(QStringLiteral("ComboBox1"));
    m_methodList->setEditable(false);
    for (int m = Research; m <= Cetane; ++m)
        m_methodList->addItem(methodName(m));
    m_methodList->setCurrentIndex(0);

    auto* groupBox1 = new QGroupBox(QStringLiteral("Расчет коррекции"), this);
    groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    groupBox1->setFont(sized(11, true));

    m_references = new ReferencePairWidget(QStringLiteral("Label1"), QStringLiteral("Label2"),
                                           groupBox1);
    for (const auto fuel : {kLow, kHigh}) {
        m_references->group(fuel)->setFont(sized(11, false));
        m_references->reading(fuel)->setFont(sized(11, true));
    }

    m_computeButton = makeButton(groupBox1, "Button3", QStringLiteral("Расчитать калибровку"));
    m_computeButton->setFont(sized(11, false));

    auto* groupBox4 = new QGroupBox(QStringLiteral("Результат  калибровки"), groupBox1);
    groupBox4->setObjectName(QStringLiteral("GroupBox4"));
    groupBox4->setToolTip(QStringLiteral("Результат калибровки"));
    groupBox4->setFont(sized(11, false));
    QPalette maroon = groupBox4->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    m_slopeLabel = makeLabel(groupBox4, "Label8", QString());
    m_offsetLabel = makeLabel(groupBox4, "Label9", QString());
    for (QLabel* label : {m_slopeLabel, m_offsetLabel}) {
        label->setFont(sized(kCoefficientPixels, true));
        label->setPalette(maroon);
    }
    m_uncalibratedPreview = makeLabel(groupBox4, "Label3", QStringLiteral("0.0"));
    m_calibratedPreview = makeLabel(groupBox4, "Label5", QStringLiteral("0.0"));
    for (QLabel* label : {m_uncalibratedPreview, m_calibratedPreview}) {
        label->setFont(sized(kPreviewPixels, true));
        label->setAlignment(Qt::AlignCenter);
    }
    m_previewSlider = new QSlider(Qt::Horizontal, groupBox4);
    m_previewSlider->setObjectName(QStringLiteral("TrackBar1"));
    m_previewSlider->setRange(0, 390);
    m_previewSlider->setValue(60);
    m_previewSlider->setTickPosition(QSlider::TicksBelow);
    m_previewSlider->setTickInterval(10);
    auto* label6 = makeLabel(groupBox4, "Label6", QStringLiteral("Значение без калибровки"));
    auto* label7 = makeLabel(groupBox4, "Label7", QStringLiteral("--------->"));
    label7->setFont(sized(kCoefficientPixels, true));
    auto* label4 = makeLabel(groupBox4, "Label4", QStringLiteral("Значение с калибровкой"));
    for (QLabel* label : {label6, label4})
        label->setAlignment(Qt::AlignCenter);

    m_computeAndStoreButton =
        makeButton(groupBox1, "Button5", QStringLiteral("Расчитать и записать"));
    m_cancelButton = makeButton(groupBox1, "Button4", QStringLiteral("Отмена"));
    for (QPushButton* button : {m_computeAndStoreButton, m_cancelButton})
        button->setFont(sized(11, false));

    auto* coefficients = new QHBoxLayout;
    coefficients->addWidget(m_slopeLabel, 1);
    coefficients->addWidget(m_offsetLabel, 1);
    auto* preview = new QGridLayout;
    preview->addWidget(m_uncalibratedPreview, 0, 0);
    preview->addWidget(m_previewSlider, 1, 0);
    preview->addWidget(label6, 2, 0);
    preview->addWidget(label7, 0, 1, Qt::AlignCenter);
    preview->addWidget(m_calibratedPreview, 0, 2);
    preview->addWidget(label4, 2, 2);
    preview->setColumnStretch(0, 3);
    preview->setColumnStretch(2, 2);
    auto* result = new QVBoxLayout(groupBox4);
    result->addLayout(coefficients);
    result->addLayout(preview);

    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(m_computeAndStoreButton);
    closing->addWidget(m_cancelButton);

    auto* calculation = new QVBoxLayout(groupBox1);
    calculation->addWidget(m_references);
    calculation->addWidget(m_computeButton, 0, Qt::AlignHCenter);
    calculation->addWidget(groupBox4);
    calculation->addLayout(closing);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameCaption);
    layout->addWidget(m_nameEdit);
    layout->addWidget(methodCaption);
    layout->addWidget(m_methodList);
    layout->addWidget(groupBox1, 1);

    ErrorReporter& errors = *m_errors;
    connect(m_references->fetchButton(kLow), &QPushButton::clicked, this,
            guardedSlot(errors, this, &TForm2::Button1Click));
    connect(m_references->fetchButton(kHigh), &QPushButton::clicked, this,
            guardedSlot(errors, this, &TForm2::Button2Click));
    connect(m_computeButton, &QPushButton::clicked, this,
            guardedSlot(errors, this, &TForm2::Button3Click));
    connect(m_computeAndStoreButton, &QPushButton::clicked, this,
            guardedSlot(errors, this, &TForm2::Button5Click));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Enter where no field or button takes it (the track bar) computes, which closes nothing.
    m_computeButton->setDefault(true);
    m_nameEdit->installEventFilter(this);
    m_methodList->installEventFilter(this);
    // After the four numbers the operator is one Enter away from storing them.
    connect(m_references, &ReferencePairWidget::lastFieldEntered, this,
            [this] { m_computeAndStoreButton->setFocus(Qt::TabFocusReason); });
    // Only the operator's choice: a filling runs ComboBox1Change itself.
    connect(m_methodList, &QComboBox::activated, this,
            guardedSlot(errors, this, &TForm2::ComboBox1Change));
    connect(m_previewSlider, &QSlider::valueChanged, this,
            guardedSlot(errors, this, &TForm2::TrackBar1Change));
}

TForm2::~TForm2() = default;

void TForm2::setErrorReporter(ErrorReporter* errors)
{
    m_errors->setTarget(errors);
}

void TForm2::setResultTexts(std::function<QString(int)> resultText)
{
    m_resultText = std::move(resultText);
}

int TForm2::chosenMethod() const
{
    return m_methodList->currentIndex() + 1;
}

void TForm2::setForm(const CalibrationForm& form)
{
    m_nameEdit->setText(form.name);
    {
        // A method outside 1..4 leaves no item chosen; the first one is shown instead.
        const QSignalBlocker blocker(m_methodList);
        m_methodList->setCurrentIndex(isMethod(form.method) ? form.method - 1 : 0);
    }
    m_references->setTexts({form.measuredLow, form.realLow, form.measuredHigh, form.realHigh});
    m_slope = form.slope;
    m_offset = form.offset;
    m_slopeLabel->setText(form.slopeText);
    m_offsetLabel->setText(form.offsetText);
    runGuarded(*m_errors, [this] { ComboBox1Change(); });
    m_filled = this->form();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isPlainEnter(*static_cast<QKeyEvent*>(event))) {
        QWidget* next = watched == m_nameEdit ? static_cast<QWidget*>(m_methodList)
                                              : m_references->readingEdit(kLow);
        next->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm2::refuseUnreadable()
{
    const QString notice = m_references->focusFirstUnreadable();
    if (notice.isEmpty())
        return false;
    m_errors->showNotice(notice);
    return true;
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel) && form() != m_filled) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

CalibrationForm TForm2::form() const
{
    CalibrationForm form;
    form.name = m_nameEdit->text();
    form.method = chosenMethod();
    const ReferenceTexts texts = m_references->texts();
    form.measuredLow = texts.readingLow;
    form.realLow = texts.knownLow;
    form.measuredHigh = texts.readingHigh;
    form.realHigh = texts.knownHigh;
    form.slope = m_slope;
    form.offset = m_offset;
    form.slopeText = m_slopeLabel->text();
    form.offsetText = m_offsetLabel->text();
    return form;
}

void TForm2::Button1Click()
{
    if (m_resultText)
        m_references->readingEdit(kLow)->setText(m_resultText(chosenMethod()));
}

void TForm2::Button2Click()
{
    if (m_resultText)
        m_references->readingEdit(kHigh)->setText(m_resultText(chosenMethod()));
}

void TForm2::SetupTrackBar()
{
    const TrackRange range = trackRangeFor(chosenMethod());
    // Read first: a reading that is no number leaves the track bar as it was.
    const int position = trackPositionFor(range, parseFloat(m_references->readingEdit(kLow)->text()));
    // The preview follows in ComboBox1Change, once, with any error reaching its caller.
    const QSignalBlocker blocker(m_previewSlider);
    m_previewSlider->setMinimum(range.minimum);
    m_previewSlider->setMaximum(range.maximum);
    m_previewSlider->setValue(position);
}

void TForm2::TrackBar1Change()
{
    const Preview preview =
        previewAt(trackRangeFor(chosenMethod()), m_previewSlider->value(), m_slope, m_offset);
    m_uncalibratedPreview->setText(formatGeneral(roundTo(preview.reading, 1)));
    m_calibratedPreview->setText(formatGeneral(roundTo(preview.calibrated, 1)));
}

void TForm2::ComboBox1Change()
{
    SetupTrackBar();
    TrackBar1Change();
}

void TForm2::computeCoefficients()
{
    const CalibrationLine line = fitReferencePair(m_references->texts());
    m_slope = line.slope;
    m_offset = line.offset;
    ComboBox1Change();
}

void TForm2::Button3Click()
{
    if (!refuseUnreadable()) {
        try {
            computeCoefficients();
        } catch (const std::exception&) {
            m_errors->showNotice(kCannotCompute);
        }
    }
    m_slopeLabel->setText(coefficientText(QStringLiteral("A="), m_slope));
    m_offsetLabel->setText(coefficientText(QStringLiteral("B="), m_offset));
}

void TForm2::Button5Click()
{
    // Closed with a field that can't be read, the dialog would hand back nothing to store
    // and lose what was typed: it stays open on that field.
    if (refuseUnreadable())
        return;
    try {
        Button3Click();
    } catch (const std::exception&) {
        m_errors->showNotice(kWrongData);
        return;
    }
    accept();
}

}  // namespace kv
