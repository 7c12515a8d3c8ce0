#include "journal/ui/find_bar.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

namespace kv {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent)
    , m_text(new QLineEdit(this))
    , m_period(new QCheckBox(QStringLiteral("Период:"), this))
    , m_from(new QDateEdit(this))
    , m_to(new QDateEdit(this))
    , m_count(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    m_text->setObjectName(QStringLiteral("findEdit"));
    m_text->setPlaceholderText(QStringLiteral("Найти (Ctrl+F)"));
    m_text->installEventFilter(this);
    m_period->setObjectName(QStringLiteral("periodCheck"));
    m_from->setObjectName(QStringLiteral("dateFrom"));
    m_to->setObjectName(QStringLiteral("dateTo"));
    const QDate today = QDate::currentDate();
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setEnabled(false);
        edit->setDate(today);
    }
    m_from->setDate(QDate(today.year(), today.month(), 1));
    m_count->setObjectName(QStringLiteral("foundLabel"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(4);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_period);
    layout->addWidget(m_from);
    layout->addWidget(new QLabel(QStringLiteral("–"), this));
    layout->addWidget(m_to);
    layout->addWidget(m_count);

    // Ctrl+F wherever the focus is while this bar is on the screen.
    auto* find = new QShortcut(QKeySequence::Find, this, this, &FindBar::focusText);
    find->setContext(Qt::WindowShortcut);

    // The clear button shows only over a text; it comes with the first one, as its icon
    // costs a look through the icon themes that a start need not wait for.
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty() && !m_text->isClearButtonEnabled())
            m_text->setClearButtonEnabled(true);
    });
    connect(m_text, &QLineEdit::textChanged, this, &FindBar::filterChanged);
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        emit filterChanged();
    });
    for (QDateEdit* edit : {m_from, m_to}) {
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (m_period->isChecked())
                emit filterChanged();
        });
    }
    showCounts(0, 0);
}

RowFilter FindBar::filter() const
{
    RowFilter filter;
    filter.text = m_text->text();
    if (m_period->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    return filter;
}

void FindBar::clear()
{
    {
        // One change for the two.
        const QSignalBlocker block(this);
        m_text->clear();
        m_period->setChecked(false);
    }
    emit filterChanged();
}

void FindBar::showCounts(int shown, int total)
{
    m_count->setText(QStringLiteral("Найдено: %1 из %2").arg(shown).arg(total));
    m_count->setVisible(filter().isActive());
}

void FindBar::focusText()
{
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            clear();
            emit done();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit done();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kv
