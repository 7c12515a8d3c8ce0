#pragma once
// SIGTERM, SIGINT and SIGHUP (a shutdown, Ctrl+C in a terminal, a closed terminal) close
// the main window as its close command does, so the journal is saved instead of lost.
// The signal handler only writes a byte to a pipe; the close runs in the event loop.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kv {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // One instance at a time; it restores the former handlers when destroyed.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace kv
