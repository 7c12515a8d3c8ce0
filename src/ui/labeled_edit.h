#pragma once
// A one-line edit with its caption above it. The edit carries the control's name (so
// findChild<QLineEdit*>("LabeledEdit1") finds the text); the caption is "<name>Label".

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kv {

class LabeledEdit : public QWidget {
    Q_OBJECT

public:
    explicit LabeledEdit(QWidget* parent = nullptr);

    void setControlName(const QString& name);
    QLabel* editLabel() { return m_label; }
    QLineEdit* edit() { return m_edit; }

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
};

}  // namespace kv
