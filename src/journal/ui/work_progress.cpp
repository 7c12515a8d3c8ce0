#include "journal/ui/work_progress.h"

#include <QProgressDialog>

namespace kv {

WorkProgress::WorkProgress(QWidget* parent, const QString& title, const QString& label)
    : m_dialog(std::make_unique<QProgressDialog>(label, kProgressCancelText, 0, 1, parent))
{
    m_dialog->setObjectName(QStringLiteral("WorkProgress"));
    m_dialog->setWindowTitle(title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(kShowAfterMs);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setValue(0);
    // Queued: the handler may change the dialog, whose button is still in its click.
    QObject::connect(
        m_dialog.get(), &QProgressDialog::canceled, m_dialog.get(),
        [this] {
            if (m_onCancel)
                m_onCancel();
        },
        Qt::QueuedConnection);
}

WorkProgress::~WorkProgress() = default;

bool WorkProgress::report(int done, int total)
{
    if (m_dialog->maximum() != total)
        m_dialog->setMaximum(total);
    // A modal dialog handles the events waiting, so windows repaint and Cancel is heard.
    m_dialog->setValue(done);
    return !m_dialog->wasCanceled();
}

// The work goes on without the event loop until the next report, so a dialog on screen
// is brought up to date at once.
void WorkProgress::setLabel(const QString& label)
{
    m_dialog->setLabelText(label);
    if (m_dialog->isVisible())
        m_dialog->repaint();
}

void WorkProgress::setCancellable(bool cancellable)
{
    m_dialog->setCancelButtonText(cancellable ? kProgressCancelText : QString());
    if (m_dialog->isVisible())
        m_dialog->repaint();
}

void WorkProgress::show()
{
    m_dialog->show();
    m_dialog->repaint();
}

bool WorkProgress::cancelled() const
{
    return m_dialog->wasCanceled();
}

}  // namespace kv
