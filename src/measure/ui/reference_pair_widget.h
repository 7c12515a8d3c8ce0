#pragma once
// The two reference fuels side by side, as the calibration dialog and the system
// correction page both show them: GroupBox2 "Низкооктановый бензин" and GroupBox3
// "Высокооктановый бензин", each with "->" (Button1, Button2) beside the instrument's
// value (LabeledEdit1, LabeledEdit2, text "0") and the known value (MaskEdit1, MaskEdit2)
// under its caption "Реальное значение ОЧ". Tab goes through the low fuel, then the high
// one: four numbers typed one after another then land where they belong. The "->" buttons
// take focus by a click only, so Tab never carries a number into a button. Enter in a
// field goes on to the next one, and from the last it signals lastFieldEntered.
//
// The widget computes nothing and connects nothing: its window connects the "->" buttons
// to its own handlers and reads texts() into fitReferencePair.

#include "measure/reference_pair.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

// Return or the keypad's Enter, without a modifier: the forms' "next field" key.
bool isPlainEnter(const QKeyEvent& key);

class LabeledEdit;
class MaskEdit;

class ReferencePairWidget : public QWidget {
    Q_OBJECT

public:
    enum Fuel { Low, High };

    // The captions over the known values are named differently in the two windows
    // (Label1 and Label2 in the dialog), so the window names them.
    ReferencePairWidget(const QString& lowCaptionName, const QString& highCaptionName,
                        QWidget* parent = nullptr);

    ReferenceTexts texts() const;
    // The known values go in through their masks ("92,5", " 5,5" or "0").
    void setTexts(const ReferenceTexts& texts);

    QGroupBox* group(Fuel fuel) const { return m_fuels[fuel].group; }
    QPushButton* fetchButton(Fuel fuel) const { return m_fuels[fuel].fetch; }
    // The instrument's value with its caption; readingEdit is the field itself.
    LabeledEdit* reading(Fuel fuel) const { return m_fuels[fuel].reading; }
    QLineEdit* readingEdit(Fuel fuel) const;
    MaskEdit* knownEdit(Fuel fuel) const { return m_fuels[fuel].known; }

    // Puts the focus on the first of the four fields, in Tab order, whose text is no
    // number and gives the notice that names it by its caption and fuel ("Реальное
    // значение ОЧ (высокооктановый бензин): введите число"); empty when all four read.
    QString focusFirstUnreadable();

signals:
    // Enter in the high fuel's known value, the last of the four fields.
    void lastFieldEntered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct FuelControls {
        QGroupBox* group = nullptr;
        QPushButton* fetch = nullptr;
        LabeledEdit* reading = nullptr;
        QLabel* knownCaption = nullptr;
        MaskEdit* known = nullptr;
    };
    // The four fields in Tab order.
    std::array<QLineEdit*, 4> fields() const;
    static FuelControls makeFuel(QWidget* parent, int number, const QString& caption,
                                 const QString& knownCaptionName);

    FuelControls m_fuels[2];
};

}  // namespace kv
