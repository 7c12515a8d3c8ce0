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
class LabeledEdit;
class MaskEdit;
class MeasurementState;

class SystemCorrectionPage : public QWidget {
public:
    // The state and the reporter must outlive the page.
    SystemCorrectionPage(MeasurementState& state, ErrorReporter& errors,
                         QWidget* parent = nullptr);

    // The link the commands go out through; without one they are computed but not sent.
    void setLink(InstrumentLink* link) { m_link = link; }

    void Button1Click();
    void Button2Click();
    // Reads the four fields, puts the correction into effect and writes it into the
    // instrument. A field that is no number, equal readings or a pair a single-precision
    // number can't carry raise before anything changes or is sent.
    void Button3Click();
    // Sends the fixed offset command.
    void Button4Click();

    QLineEdit* labeledEdit1();
    QLineEdit* labeledEdit2();
    MaskEdit* maskEdit1() { return m_maskEdit1; }
    MaskEdit* maskEdit2() { return m_maskEdit2; }
    QPushButton* button1() { return m_button1; }
    QPushButton* button2() { return m_button2; }
    QPushButton* button3() { return m_button3; }
    QPushButton* button4() { return m_button4; }
    QLabel* correctionALabel() { return m_correctionA; }
    QLabel* correctionBLabel() { return m_correctionB; }

private:
    MeasurementState& m_state;
    ErrorReporter& m_errors;
    InstrumentLink* m_link = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QGroupBox* m_groupBox2 = nullptr;
    QGroupBox* m_groupBox3 = nullptr;
    QGroupBox* m_groupBox4 = nullptr;
    LabeledEdit* m_labeledEdit1 = nullptr;
    LabeledEdit* m_labeledEdit2 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    MaskEdit* m_maskEdit1 = nullptr;
    MaskEdit* m_maskEdit2 = nullptr;
    QPushButton* m_button1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QPushButton* m_button3 = nullptr;
    QPushButton* m_button4 = nullptr;
    QLabel* m_correctionA = nullptr;
    QLabel* m_correctionB = nullptr;
};

}  // namespace kv
