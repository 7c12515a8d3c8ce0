#pragma once
// The small window of the demo program that stands in for the instrument's front panel:
// plug and unplug it, choose its fuel sample, pour a new one whose readings drift to its
// value and settle, see its memory at 240 to 247.

#include <QWidget>

#include <array>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kv {

class VirtualInstrument;

class InstrumentWindow : public QWidget {
    Q_OBJECT

public:
    explicit InstrumentWindow(VirtualInstrument& instrument, QWidget* parent = nullptr);

    // Sets the sample to read as this research octane number (petrol) or cetane number
    // (diesel); false when the conversion tables don't reach it.
    bool chooseResearch(double research);
    bool chooseCetane(double cetane);
    void chooseCount(int count);
    // The same for a freshly poured sample: the readings drift there and settle (the
    // preset buttons do this).
    bool pourResearch(double research);
    bool pourCetane(double cetane);
    void refresh();

    QPushButton* plugButton() const { return m_plugButton; }
    QLabel* memoryLabel(int address) const { return m_memory[std::size_t(address - 240)]; }

private:
    VirtualInstrument& m_instrument;
    QPushButton* m_plugButton = nullptr;
    QLabel* m_state = nullptr;
    QDoubleSpinBox* m_research = nullptr;
    QDoubleSpinBox* m_cetane = nullptr;
    QSpinBox* m_count = nullptr;
    QSpinBox* m_noise = nullptr;
    QLabel* m_correction = nullptr;
    std::array<QLabel*, 8> m_memory{};
    bool m_updating = false;
};

}  // namespace kv
