#pragma once
// Work that may take a while on the window's thread (laying out or printing pages,
// exporting rows): a window-modal progress dialog with Cancel, shown only once the work
// has run about half a second, so short work flashes nothing. While it is up the dialog
// lets the windows repaint.

#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace kv {

inline const QString kProgressCancelText = QStringLiteral("Отмена");

class WorkProgress {
public:
    WorkProgress(QWidget* parent, const QString& title, const QString& label);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // (steps done, steps in all); false once Cancel was pressed. Fits PrintProgress.
    bool report(int done, int total);
    void setLabel(const QString& label);
    // Work past the point of no return takes the Cancel button away.
    void setCancellable(bool cancellable);
    // Puts the dialog (back) on screen at once: Cancel takes it away, but work that
    // must wind down first keeps its window blocked meanwhile.
    void show();
    bool cancelled() const;
    // Runs `handler` from the event loop just after Cancel is pressed, for work that is
    // told rather than asked at its next report (work on a thread of its own); an empty
    // handler ends that.
    void setOnCancel(std::function<void()> handler) { m_onCancel = std::move(handler); }

    // How long the work runs before the dialog shows.
    static constexpr int kShowAfterMs = 500;

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    std::function<void()> m_onCancel;
};

}  // namespace kv
