#pragma once
// The system correction page (TabSheet4's content, a service page): two reference petrols,
// each with the instrument's value and the known octane number, from which the correction
// of the research value is computed and written into the instrument.

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kv {

class LabeledEdit;
class MaskEdit;

class SystemCorrectionPage : public QWidget {
public:
    explicit SystemCorrectionPage(QWidget* parent = nullptr);

    QLineEdit* labeledEdit1();
    QLineEdit* labeledEdit2();
    MaskEdit* maskEdit1() { return m_maskEdit1; }
    MaskEdit* maskEdit2() { return m_maskEdit2; }
    QPushButton* button1() { return m_button1; }
    QPushButton* button2() { return m_button2; }
    QPushButton* button3() { return m_button3; }
    QPushButton* button4() { return m_button4; }

private:
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
};

}  // namespace kv
