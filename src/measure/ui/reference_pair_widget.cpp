#include "measure/ui/reference_pair_widget.h"

#include "core/errors.h"
#include "core/number_format.h"
#include "ui/labeled_edit.h"
#include "ui/mask_edit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <iterator>
#include <utility>

namespace kv {

namespace {

QString numbered(const char* stem, int number)
{
    return QString::fromLatin1(stem) + QString::number(number);
}

}  // namespace

ReferencePairWidget::ReferencePairWidget(const QString& lowCaptionName,
                                         const QString& highCaptionName, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("referencePair"));
    m_fuels[Low] = makeFuel(this, 1, QStringLiteral("Низкооктановый бензин"), lowCaptionName);
    m_fuels[High] = makeFuel(this, 2, QStringLiteral("Высокооктановый бензин"), highCaptionName);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_fuels[Low].group);
    layout->addWidget(m_fuels[High].group);

    QWidget* const order[] = {fetchButton(Low),  readingEdit(Low),  knownEdit(Low),
                              fetchButton(High), readingEdit(High), knownEdit(High)};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLineEdit* field : fields())
        field->installEventFilter(this);
}

std::array<QLineEdit*, 4> ReferencePairWidget::fields() const
{
    return {readingEdit(Low), knownEdit(Low), readingEdit(High), knownEdit(High)};
}

bool isPlainEnter(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
           && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool ReferencePairWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !isPlainEnter(*static_cast<QKeyEvent*>(event)))
        return QWidget::eventFilter(watched, event);
    const auto all = fields();
    const auto at = std::find(all.begin(), all.end(), watched);
    if (at == all.end())
        return QWidget::eventFilter(watched, event);
    if (at + 1 == all.end())
        emit lastFieldEntered();
    else
        (*(at + 1))->setFocus(Qt::TabFocusReason);  // as Tab: the next text selected
    return true;
}

QString ReferencePairWidget::focusFirstUnreadable()
{
    for (const Fuel fuel : {Low, High}) {
        const FuelControls& controls = m_fuels[fuel];
        const std::pair<QLineEdit*, QString> named[] = {
            {readingEdit(fuel), controls.reading->editLabel()->text()},
            {controls.known, controls.knownCaption->text()},
        };
        for (const auto& [field, caption] : named) {
            const QString text = field == controls.known ? controls.known->maskText()
                                                         : field->text();
            try {
                parseFloat(text);
            } catch (const ConvertError&) {
                QString fuelName = controls.group->title();
                if (!fuelName.isEmpty())
                    fuelName[0] = fuelName[0].toLower();
                field->setFocus(Qt::TabFocusReason);
                return caption + QStringLiteral(" (") + fuelName + QStringLiteral("): введите число");
            }
        }
    }
    return {};
}

ReferencePairWidget::FuelControls ReferencePairWidget::makeFuel(QWidget* parent, int number,
                                                                const QString& caption,
                                                                const QString& knownCaptionName)
{
    FuelControls fuel;
    fuel.group = new QGroupBox(caption, parent);
    fuel.group->setObjectName(numbered("GroupBox", number + 1));
    fuel.fetch = new QPushButton(QStringLiteral("->"), fuel.group);
    fuel.fetch->setObjectName(numbered("Button", number));
    // Enter in a field must not press "->": it would overwrite a typed reading.
    fuel.fetch->setAutoDefault(false);
    // A click only: a number typed after Tab must reach the next field, not a button.
    fuel.fetch->setFocusPolicy(Qt::ClickFocus);
    fuel.fetch->setToolTip(QStringLiteral("Получить значение с октанометра"));
    fuel.fetch->setFixedWidth(40);
    fuel.reading = new LabeledEdit(fuel.group);
    fuel.reading->setControlName(numbered("LabeledEdit", number));
    fuel.reading->editLabel()->setText(QStringLiteral("Значение с октанометра"));
    fuel.reading->edit()->setText(QStringLiteral("0"));
    auto* knownCaption = new QLabel(QStringLiteral("Реальное значение ОЧ"), fuel.group);
    knownCaption->setObjectName(knownCaptionName);
    fuel.knownCaption = knownCaption;
    fuel.known = new MaskEdit(fuel.group);
    fuel.known->setObjectName(numbered("MaskEdit", number));
    fuel.known->setFixedWidth(80);
    knownCaption->setBuddy(fuel.known);

    auto* layout = new QGridLayout(fuel.group);
    layout->addWidget(fuel.fetch, 0, 0, Qt::AlignBottom);
    layout->addWidget(fuel.reading, 0, 1);
    layout->addWidget(knownCaption, 1, 1);
    layout->addWidget(fuel.known, 2, 1, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    return fuel;
}

QLineEdit* ReferencePairWidget::readingEdit(Fuel fuel) const
{
    return m_fuels[fuel].reading->edit();
}

ReferenceTexts ReferencePairWidget::texts() const
{
    return {readingEdit(Low)->text(), knownEdit(Low)->maskText(), readingEdit(High)->text(),
            knownEdit(High)->maskText()};
}

void ReferencePairWidget::setTexts(const ReferenceTexts& texts)
{
    readingEdit(Low)->setText(texts.readingLow);
    knownEdit(Low)->setMaskText(texts.knownLow);
    readingEdit(High)->setText(texts.readingHigh);
    knownEdit(High)->setMaskText(texts.knownHigh);
}

}  // namespace kv
