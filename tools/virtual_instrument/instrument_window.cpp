#include "instrument_window.h"

#include "virtual_instrument.h"

#include "device/instrument/report_codec.h"
#include "measure/reading_conversion.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <bit>
#include <cstring>

namespace kv {

namespace {

struct Preset {
    const char* caption;
    bool diesel;
    double value;
};

constexpr Preset kPresets[] = {
    {"АИ-80", false, 80.0},
    {"АИ-92", false, 92.0},
    {"АИ-95", false, 95.0},
    {"ДТ, ЦЧ 45", true, 45.0},
    {"ДТ, ЦЧ 51", true, 51.0},
};

float floatAt(const InstrumentModel& model, int address)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | model.memory(address + i);
    return std::bit_cast<float>(bits);
}

}  // namespace

InstrumentWindow::InstrumentWindow(VirtualInstrument& instrument, QWidget* parent)
    : QWidget(parent)
    , m_instrument(instrument)
{
    setWindowTitle(QStringLiteral("Виртуальный октанометр КВ-4410"));
    auto* layout = new QVBoxLayout(this);

    auto* connection = new QHBoxLayout;
    m_state = new QLabel(this);
    m_plugButton = new QPushButton(this);
    connect(m_plugButton, &QPushButton::clicked, this, [this] {
        if (m_instrument.plugged())
            m_instrument.unplug();
        else
            m_instrument.plug();
    });
    connection->addWidget(m_state, 1);
    connection->addWidget(m_plugButton);
    layout->addLayout(connection);

    auto* sample = new QGroupBox(QStringLiteral("Проба топлива"), this);
    auto* form = new QFormLayout(sample);
    m_research = new QDoubleSpinBox(sample);
    m_research->setRange(50.0, 103.0);
    m_research->setDecimals(1);
    m_research->setSingleStep(0.1);
    form->addRow(QStringLiteral("Исследовательское ОЧ:"), m_research);
    m_cetane = new QDoubleSpinBox(sample);
    m_cetane->setRange(33.5, 62.0);
    m_cetane->setDecimals(1);
    m_cetane->setSingleStep(0.1);
    form->addRow(QStringLiteral("Цетановое число:"), m_cetane);
    m_count = new QSpinBox(sample);
    m_count->setRange(0, 65535);
    form->addRow(QStringLiteral("Счёт периода:"), m_count);
    m_noise = new QSpinBox(sample);
    m_noise->setRange(0, 100);
    m_noise->setValue(m_instrument.model().noise());
    form->addRow(QStringLiteral("Шум, отсчётов:"), m_noise);
    auto* presets = new QHBoxLayout;
    for (const Preset& preset : kPresets) {
        auto* button = new QPushButton(QString::fromUtf8(preset.caption), sample);
        button->setToolTip(QStringLiteral("Новая проба: показания плавно придут к её значению"));
        connect(button, &QPushButton::clicked, this, [this, preset] {
            if (preset.diesel)
                pourCetane(preset.value);
            else
                pourResearch(preset.value);
        });
        presets->addWidget(button);
    }
    form->addRow(presets);
    layout->addWidget(sample);

    connect(m_research, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (!m_updating)
            chooseResearch(v);
    });
    connect(m_cetane, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (!m_updating)
            chooseCetane(v);
    });
    connect(m_count, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating)
            chooseCount(v);
    });
    connect(m_noise, &QSpinBox::valueChanged, this,
            [this](int v) { m_instrument.model().setNoise(v); });

    auto* memory = new QGroupBox(QStringLiteral("Память прибора, адреса 240–247"), this);
    auto* grid = new QGridLayout(memory);
    for (int i = 0; i < 8; ++i) {
        grid->addWidget(new QLabel(QString::number(kCorrectionAddressA + i), memory), 0, i, Qt::AlignCenter);
        m_memory[std::size_t(i)] = new QLabel(memory);
        m_memory[std::size_t(i)]->setObjectName(QStringLiteral("memory%1").arg(kCorrectionAddressA + i));
        m_memory[std::size_t(i)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(m_memory[std::size_t(i)], 1, i, Qt::AlignCenter);
    }
    m_correction = new QLabel(memory);
    grid->addWidget(m_correction, 2, 0, 1, 8);
    layout->addWidget(memory);
    layout->addStretch();

    m_instrument.onChanged = [this] { refresh(); };
    refresh();
}

bool InstrumentWindow::chooseResearch(double research)
{
    const auto count = InstrumentModel::countForResearch(research);
    if (!count)
        return false;
    chooseCount(*count);
    return true;
}

bool InstrumentWindow::chooseCetane(double cetane)
{
    const auto count = InstrumentModel::countForCetane(cetane);
    if (!count)
        return false;
    chooseCount(*count);
    return true;
}

bool InstrumentWindow::pourResearch(double research)
{
    const auto count = InstrumentModel::countForResearch(research);
    if (!count)
        return false;
    m_instrument.model().driftTo(*count);
    refresh();
    return true;
}

bool InstrumentWindow::pourCetane(double cetane)
{
    const auto count = InstrumentModel::countForCetane(cetane);
    if (!count)
        return false;
    m_instrument.model().driftTo(*count);
    refresh();
    return true;
}

void InstrumentWindow::chooseCount(int count)
{
    m_instrument.model().setPeriodCount(std::uint16_t(count));
    refresh();
}

void InstrumentWindow::refresh()
{
    m_updating = true;
    const bool plugged = m_instrument.plugged();
    m_state->setText(plugged ? QStringLiteral("Прибор подключён") : QStringLiteral("Прибор отключён"));
    m_plugButton->setText(plugged ? QStringLiteral("Отключить") : QStringLiteral("Подключить"));

    const InstrumentModel& model = m_instrument.model();
    m_count->setValue(model.periodCount());
    // The spin boxes follow what the sample reads as, also after a raw count was chosen.
    const double reduced = frequencyFromCount(model.periodCount()) / 5;
    m_research->setValue(researchFromFrequency(reduced));
    m_cetane->setValue(cetaneFromFrequency(reduced));

    for (int i = 0; i < 8; ++i)
        m_memory[std::size_t(i)]->setText(
            QStringLiteral("%1").arg(model.memory(kCorrectionAddressA + i), 2, 16, QLatin1Char('0')).toUpper());
    m_correction->setText(QStringLiteral("a = %1   b = %2")
                              .arg(double(floatAt(model, kCorrectionAddressA)), 0, 'g', 7)
                              .arg(double(floatAt(model, kCorrectionAddressB)), 0, 'g', 7));
    m_updating = false;
}

}  // namespace kv
