#pragma once
// TForm2: the calibration dialog, computing a user calibration from two reference fuels.
// One instance lives from start to exit and is reused for every create and edit. The
// calibrations page fills it from a CalibrationForm (setForm) and reads it back (form());
// its controls carry their names as objectName.

#include "measure/calibration_form.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace kv {

class ErrorReporter;
class MaskEdit;

class TForm2 : public QDialog {
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Where errors and notices go; nullptr (the default): message boxes over the dialog.
    // The reporter must outlive the dialog or be replaced first.
    void setErrorReporter(ErrorReporter* errors);
    // The current text of the main window's result label of a method (1..4), which the
    // "->" buttons copy; unset, they copy nothing.
    void setResultTexts(std::function<QString(int method)> resultText);

    // Fills every field from the form, then runs ComboBox1Change (an error is shown).
    void setForm(const CalibrationForm& form);
    // The fields as they stand, with the dialog's own coefficients.
    CalibrationForm form() const;
    double slope() const { return m_slope; }
    double offset() const { return m_offset; }
    // The method of the chosen item, 1..4.
    int chosenMethod() const;

    void Button1Click();
    void Button2Click();
    void SetupTrackBar();
    void TrackBar1Change();
    void ComboBox1Change();
    // Computes the coefficients (a failure shows a notice and keeps what was not assigned)
    // and shows them; raises only when they are too large to be shown.
    void Button3Click();
    // Button3Click, then closes with OK; stays open when the coefficients can't be shown.
    void Button5Click();

protected:
    // Escape leaves the dialog open once anything differs from its filling: only "Отмена"
    // and the close box discard what was typed.
    void keyPressEvent(QKeyEvent* event) override;

private:
    ErrorReporter& errors();
    void computeCoefficients();
    void guarded(const std::function<void()>& handler);

    std::unique_ptr<ErrorReporter> m_ownErrors;
    ErrorReporter* m_errors = nullptr;
    std::function<QString(int)> m_resultText;
    double m_slope = 0;
    double m_offset = 0;
    CalibrationForm m_filled;  // form() right after the last setForm

    QLabel* m_labelName = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QLabel* m_labelMetod = nullptr;
    QComboBox* m_comboBox1 = nullptr;
    QPushButton* m_button1 = nullptr;
    QLineEdit* m_labeledEdit1 = nullptr;
    MaskEdit* m_maskEdit1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QLineEdit* m_labeledEdit2 = nullptr;
    MaskEdit* m_maskEdit2 = nullptr;
    QPushButton* m_button3 = nullptr;
    QLabel* m_label8 = nullptr;
    QLabel* m_label9 = nullptr;
    QLabel* m_label3 = nullptr;
    QSlider* m_trackBar1 = nullptr;
    QLabel* m_label5 = nullptr;
    QPushButton* m_button5 = nullptr;
    QPushButton* m_button4 = nullptr;
};

}  // namespace kv
