#include "measure/ui/reference_pair_widget.h"

#include "ui/labeled_edit.h"
#include "ui/mask_edit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <iterator>

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
    fuel.fetch->setToolTip(QStringLiteral("Получить значение с октанометра"));
    fuel.fetch->setFixedWidth(40);
    fuel.reading = new LabeledEdit(fuel.group);
    fuel.reading->setControlName(numbered("LabeledEdit", number));
    fuel.reading->editLabel()->setText(QStringLiteral("Значение с октанометра"));
    fuel.reading->edit()->setText(QStringLiteral("0"));
    auto* knownCaption = new QLabel(QStringLiteral("Реальное значение ОЧ"), fuel.group);
    knownCaption->setObjectName(knownCaptionName);
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
