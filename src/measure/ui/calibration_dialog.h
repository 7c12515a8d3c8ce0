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
class ReferencePairWidget;

class TForm2 : public QDialog {
    Q_OBJECT

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
    // Computes the coefficients (a failure shows a notice and keeps what was not assigned;
    // a field that is no number is named and gets the focus) and shows them; raises only
    // when they are too large to be shown.
    void Button3Click();
    // Button3Click, then closes with OK; stays open on a field that is no number and when
    // the coefficients can't be shown.
    void Button5Click();

protected:
    // Enter in the name or the method list goes on to the next field.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape leaves the dialog open once anything differs from its filling: only "Отмена"
    // and the close box discard what was typed.
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Reporter;

    void computeCoefficients();
    // Names the first field that is no number and puts the focus there; false when all read.
    bool refuseUnreadable();

    // Forwards to the reporter set, else shows boxes over the dialog; one object for the
    // dialog's life, so the guarded slots can hold it while the reporter behind it changes.
    std::unique_ptr<Reporter> m_errors;
    std::function<QString(int)> m_resultText;
    double m_slope = 0;
    double m_offset = 0;
    CalibrationForm m_filled;  // form() right after the last setForm

    QLineEdit* m_nameEdit = nullptr;
    QComboBox* m_methodList = nullptr;
    ReferencePairWidget* m_references = nullptr;
    QPushButton* m_computeButton = nullptr;
    QLabel* m_slopeLabel = nullptr;
    QLabel* m_offsetLabel = nullptr;
    QLabel* m_uncalibratedPreview = nullptr;
    QSlider* m_previewSlider = nullptr;
    QLabel* m_calibratedPreview = nullptr;
    QPushButton* m_computeAndStoreButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

}  // namespace kv
