#include "measure/ui/calibration_dialog.h"

#include "core/error_guard.h"
#include "core/methods.h"
#include "core/number_format.h"
#include "ui/fonts.h"
#include "ui/labeled_edit.h"
#include "ui/mask_edit.h"

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
const QString kFetchHint = QStringLiteral("Получить значение с октанометра");
constexpr int kNameRowPixels = 24;
constexpr int kCoefficientPixels = 16;
constexpr int kPreviewPixels = 27;

// Boxes over the dialog, for a dialog no main window has given its reporter.
class DialogBoxes : public ErrorReporter {
public:
    explicit DialogBoxes(QWidget* owner)
        : m_owner(owner)
    {
    }
    void showError(const QString& message) override
    {
        QMessageBox::critical(m_owner, m_owner->windowTitle(), message);
    }
    void showNotice(const QString& message) override
    {
        QMessageBox::information(m_owner, m_owner->windowTitle(), message);
    }

private:
    QWidget* m_owner;
};

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
    // Enter in a field must not press a button: "->" would overwrite a typed reading.
    button->setAutoDefault(false);
    return button;
}

QFont sized(int pixels, bool bold)
{
    return familyFont(windowFamilies(), pixels, bold);
}

// One reference fuel n (1 or 2) in GroupBox<n + 1>: "->" (Button<n>) beside the reading
// (LabeledEdit<n>), the known value (MaskEdit<n>, under Label<n>) below it.
struct ReferenceGroup {
    QGroupBox* box;
    QPushButton* fetch;
    QLineEdit* reading;
    MaskEdit* real;
};

ReferenceGroup referenceGroup(QWidget* parent, int n, const QString& caption)
{
    const auto name = [](const char* stem, int number) {
        return QString::fromLatin1(stem) + QString::number(number);
    };
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name("GroupBox", n + 1));
    box->setFont(sized(11, false));
    QPushButton* fetch = makeButton(box, name("Button", n), QStringLiteral("->"));
    fetch->setToolTip(kFetchHint);
    fetch->setFixedWidth(40);
    auto* reading = new LabeledEdit(box);
    reading->setControlName(name("LabeledEdit", n));
    reading->editLabel()->setText(QStringLiteral("Значение с октанометра"));
    reading->setFont(sized(11, true));
    reading->edit()->setText(QStringLiteral("0"));
    QLabel* realLabel = makeLabel(box, name("Label", n), QStringLiteral("Реальное значение ОЧ"));
    auto* real = new MaskEdit(box);
    real->setObjectName(name("MaskEdit", n));
    real->setFixedWidth(80);
    realLabel->setBuddy(real);

    auto* layout = new QGridLayout(box);
    layout->addWidget(fetch, 0, 0, Qt::AlignBottom);
    layout->addWidget(reading, 0, 1);
    layout->addWidget(realLabel, 1, 1);
    layout->addWidget(real, 2, 1, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    return {box, fetch, reading->edit(), real};
}

}  // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent)
    , m_ownErrors(std::make_unique<DialogBoxes>(this))
    , m_errors(m_ownErrors.get())
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(
        QStringLiteral("Калибровка по 2 известным значениям октанового(цетанового) числа"));
    setFont(sized(11, false));
    resize(505, 513);

    m_labelName = makeLabel(this, "LabelName", QStringLiteral("Наименование"));
    m_labelName->setFont(sized(kNameRowPixels, false));
    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setFont(sized(kNameRowPixels, false));
    m_labelMetod = makeLabel(this, "LabelMetod", QStringLiteral("Метод измерения"));
    m_labelMetod->setFont(sized(kNameRowPixels, false));
    m_comboBox1 = new QComboBox(this);
    m_comboBox1->setObjectName(QStringLiteral("ComboBox1"));
    m_comboBox1->setEditable(false);
    for (int m = Research; m <= Cetane; ++m)
        m_comboBox1->addItem(methodName(m));
    m_comboBox1->setCurrentIndex(0);

    auto* groupBox1 = new QGroupBox(QStringLiteral("Расчет коррекции"), this);
    groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    groupBox1->setFont(sized(11, true));

    const ReferenceGroup low = referenceGroup(groupBox1, 1, QStringLiteral("Низкооктановый бензин"));
    m_button1 = low.fetch;
    m_labeledEdit1 = low.reading;
    m_maskEdit1 = low.real;
    QGroupBox* groupBox2 = low.box;

    const ReferenceGroup high = referenceGroup(groupBox1, 2, QStringLiteral("Высокооктановый бензин"));
    m_button2 = high.fetch;
    m_labeledEdit2 = high.reading;
    m_maskEdit2 = high.real;
    QGroupBox* groupBox3 = high.box;

    m_button3 = makeButton(groupBox1, "Button3", QStringLiteral("Расчитать калибровку"));
    m_button3->setFont(sized(11, false));

    auto* groupBox4 = new QGroupBox(QStringLiteral("Результат  калибровки"), groupBox1);
    groupBox4->setObjectName(QStringLiteral("GroupBox4"));
    groupBox4->setToolTip(QStringLiteral("Результат калибровки"));
    groupBox4->setFont(sized(11, false));
    QPalette maroon = groupBox4->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    m_label8 = makeLabel(groupBox4, "Label8", QString());
    m_label9 = makeLabel(groupBox4, "Label9", QString());
    for (QLabel* label : {m_label8, m_label9}) {
        label->setFont(sized(kCoefficientPixels, true));
        label->setPalette(maroon);
    }
    m_label3 = makeLabel(groupBox4, "Label3", QStringLiteral("0.0"));
    m_label5 = makeLabel(groupBox4, "Label5", QStringLiteral("0.0"));
    for (QLabel* label : {m_label3, m_label5}) {
        label->setFont(sized(kPreviewPixels, true));
        label->setAlignment(Qt::AlignCenter);
    }
    m_trackBar1 = new QSlider(Qt::Horizontal, groupBox4);
    m_trackBar1->setObjectName(QStringLiteral("TrackBar1"));
    m_trackBar1->setRange(0, 390);
    m_trackBar1->setValue(60);
    m_trackBar1->setTickPosition(QSlider::TicksBelow);
    m_trackBar1->setTickInterval(10);
    auto* label6 = makeLabel(groupBox4, "Label6", QStringLiteral("Значение без калибровки"));
    auto* label7 = makeLabel(groupBox4, "Label7", QStringLiteral("--------->"));
    label7->setFont(sized(kCoefficientPixels, true));
    auto* label4 = makeLabel(groupBox4, "Label4", QStringLiteral("Значение с калибровкой"));
    for (QLabel* label : {label6, label4})
        label->setAlignment(Qt::AlignCenter);

    m_button5 = makeButton(groupBox1, "Button5", QStringLiteral("Расчитать и записать"));
    m_button4 = makeButton(groupBox1, "Button4", QStringLiteral("Отмена"));
    for (QPushButton* button : {m_button5, m_button4})
        button->setFont(sized(11, false));

    auto* coefficients = new QHBoxLayout;
    coefficients->addWidget(m_label8, 1);
    coefficients->addWidget(m_label9, 1);
    auto* preview = new QGridLayout;
    preview->addWidget(m_label3, 0, 0);
    preview->addWidget(m_trackBar1, 1, 0);
    preview->addWidget(label6, 2, 0);
    preview->addWidget(label7, 0, 1, Qt::AlignCenter);
    preview->addWidget(m_label5, 0, 2);
    preview->addWidget(label4, 2, 2);
    preview->setColumnStretch(0, 3);
    preview->setColumnStretch(2, 2);
    auto* result = new QVBoxLayout(groupBox4);
    result->addLayout(coefficients);
    result->addLayout(preview);

    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(m_button5);
    closing->addWidget(m_button4);

    auto* calculation = new QGridLayout(groupBox1);
    calculation->addWidget(groupBox2, 0, 0);
    calculation->addWidget(groupBox3, 0, 1);
    calculation->addWidget(m_button3, 1, 0, 1, 2, Qt::AlignHCenter);
    calculation->addWidget(groupBox4, 2, 0, 1, 2);
    calculation->addLayout(closing, 3, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_labelName);
    layout->addWidget(m_edit1);
    layout->addWidget(m_labelMetod);
    layout->addWidget(m_comboBox1);
    layout->addWidget(groupBox1, 1);

    connect(m_button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(m_button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(m_button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(m_button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
    connect(m_button4, &QPushButton::clicked, this, &QDialog::reject);
    // Only the operator's choice: a filling runs ComboBox1Change itself.
    connect(m_comboBox1, &QComboBox::activated, this,
            [this] { guarded([this] { ComboBox1Change(); }); });
    connect(m_trackBar1, &QSlider::valueChanged, this,
            [this] { guarded([this] { TrackBar1Change(); }); });
}

TForm2::~TForm2() = default;

void TForm2::setErrorReporter(ErrorReporter* errors)
{
    m_errors = errors ? errors : m_ownErrors.get();
}

void TForm2::setResultTexts(std::function<QString(int)> resultText)
{
    m_resultText = std::move(resultText);
}

ErrorReporter& TForm2::errors()
{
    return *m_errors;
}

void TForm2::guarded(const std::function<void()>& handler)
{
    runGuarded(errors(), handler);
}

int TForm2::chosenMethod() const
{
    return m_comboBox1->currentIndex() + 1;
}

void TForm2::setForm(const CalibrationForm& form)
{
    m_edit1->setText(form.name);
    {
        // A method outside 1..4 leaves no item chosen; the first one is shown instead.
        const QSignalBlocker blocker(m_comboBox1);
        m_comboBox1->setCurrentIndex(isMethod(form.method) ? form.method - 1 : 0);
    }
    m_labeledEdit1->setText(form.measuredLow);
    m_maskEdit1->setMaskText(form.realLow);
    m_labeledEdit2->setText(form.measuredHigh);
    m_maskEdit2->setMaskText(form.realHigh);
    m_slope = form.slope;
    m_offset = form.offset;
    m_label8->setText(form.slopeText);
    m_label9->setText(form.offsetText);
    guarded([this] { ComboBox1Change(); });
    m_filled = this->form();
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
    form.name = m_edit1->text();
    form.method = chosenMethod();
    form.measuredLow = m_labeledEdit1->text();
    form.realLow = m_maskEdit1->maskText();
    form.measuredHigh = m_labeledEdit2->text();
    form.realHigh = m_maskEdit2->maskText();
    form.slope = m_slope;
    form.offset = m_offset;
    form.slopeText = m_label8->text();
    form.offsetText = m_label9->text();
    return form;
}

void TForm2::Button1Click()
{
    if (m_resultText)
        m_labeledEdit1->setText(m_resultText(chosenMethod()));
}

void TForm2::Button2Click()
{
    if (m_resultText)
        m_labeledEdit2->setText(m_resultText(chosenMethod()));
}

void TForm2::SetupTrackBar()
{
    const TrackRange range = trackRangeFor(chosenMethod());
    // Read first: a reading that is no number leaves the track bar as it was.
    const int position = trackPositionFor(range, parseFloat(m_labeledEdit1->text()));
    // The preview follows in ComboBox1Change, once, with any error reaching its caller.
    const QSignalBlocker blocker(m_trackBar1);
    m_trackBar1->setMinimum(range.minimum);
    m_trackBar1->setMaximum(range.maximum);
    m_trackBar1->setValue(position);
}

void TForm2::TrackBar1Change()
{
    const Preview preview =
        previewAt(trackRangeFor(chosenMethod()), m_trackBar1->value(), m_slope, m_offset);
    m_label3->setText(formatGeneral(roundTo(preview.reading, 1)));
    m_label5->setText(formatGeneral(roundTo(preview.calibrated, 1)));
}

void TForm2::ComboBox1Change()
{
    SetupTrackBar();
    TrackBar1Change();
}

void TForm2::computeCoefficients()
{
    const double knownHigh = parseFloat(m_maskEdit2->maskText());
    const double knownLow = parseFloat(m_maskEdit1->maskText());
    const double readingHigh = parseFloat(m_labeledEdit2->text());
    const double readingLow = parseFloat(m_labeledEdit1->text());
    const CalibrationLine line = fitCalibrationLine(knownLow, knownHigh, readingLow, readingHigh);
    m_slope = line.slope;
    m_offset = line.offset;
    ComboBox1Change();
}

void TForm2::Button3Click()
{
    try {
        computeCoefficients();
    } catch (const std::exception&) {
        errors().showNotice(kCannotCompute);
    }
    m_label8->setText(coefficientText(QStringLiteral("A="), m_slope));
    m_label9->setText(coefficientText(QStringLiteral("B="), m_offset));
}

void TForm2::Button5Click()
{
    try {
        Button3Click();
    } catch (const std::exception&) {
        errors().showNotice(kWrongData);
        return;
    }
    accept();
}

}  // namespace kv
