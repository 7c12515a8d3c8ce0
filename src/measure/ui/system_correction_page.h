#pragma once
// The system correction page (TabSheet4's content, a service page): two reference petrols,
// each with the instrument's value and the known octane number, from which the correction
// of the research value is computed and written into the instrument.
//
// The "->" buttons copy the research result's text into their value fields, as the
// calibration dialog's do; the result group shows the pair last put into effect.

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

class ErrorReporter;
class InstrumentLink;
class MaskEdit;
class MeasurementState;
class ReferencePairWidget;

class SystemCorrectionPage : public QWidget {
    Q_OBJECT

public:
    // The state and the reporter must outlive the page.
    SystemCorrectionPage(MeasurementState& state, ErrorReporter& errors,
                         QWidget* parent = nullptr);

    // The link the commands go out through; without one they are computed but not sent.
    void setLink(InstrumentLink* link) { m_link = link; }

    void Button1Click();
    void Button2Click();
    // Reads the four fields, puts the correction into effect and writes it into the
    // instrument. A field that is no number is named in a notice and gets the focus;
    // equal readings or a pair a single-precision number can't carry raise. Either way
    // nothing changes and nothing is sent.
    void Button3Click();
    // Sends the fixed offset command.
    void Button4Click();

    // The controls by the names the rest of the program knows them by.
    QLineEdit* labeledEdit1() const;
    QLineEdit* labeledEdit2() const;
    MaskEdit* maskEdit1() const;
    MaskEdit* maskEdit2() const;
    QPushButton* button1() const;
    QPushButton* button2() const;
    QPushButton* button3() const { return m_saveButton; }
    QPushButton* button4() const { return m_fixedOffsetButton; }
    QLabel* correctionALabel() const { return m_correctionA; }
    QLabel* correctionBLabel() const { return m_correctionB; }

private:
    MeasurementState& m_state;
    ErrorReporter& m_errors;
    InstrumentLink* m_link = nullptr;
    QGroupBox* m_calculationGroup = nullptr;
    QGroupBox* m_resultGroup = nullptr;
    ReferencePairWidget* m_references = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_fixedOffsetButton = nullptr;
    QLabel* m_correctionA = nullptr;  // "a=..." of the pair last put into effect
    QLabel* m_correctionB = nullptr;
};

}  // namespace kv
