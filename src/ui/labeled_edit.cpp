#include "ui/labeled_edit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kv {

LabeledEdit::LabeledEdit(QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
    , m_edit(new QLineEdit(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    m_label->setBuddy(m_edit);
}

void LabeledEdit::setControlName(const QString& name)
{
    setObjectName(name + QStringLiteral("Box"));
    m_edit->setObjectName(name);
    m_label->setObjectName(name + QStringLiteral("Label"));
}

}  // namespace kv
