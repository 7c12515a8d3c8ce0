#pragma once
// The demo program: kv4410pc on the fake HID provider, with a virtual КВ-4410 plugged in
// and its front-panel window open beside the main window, so the program can be run and
// shown on a machine without the instrument.

#include "app/start_up.h"

#include <QObject>

#include <memory>

namespace kv {

class FakeHidPlatform;
class InstrumentWindow;
class TForm1;
class VirtualInstrument;

// What the demo adds to a started program: the virtual instrument, plugged at once, and
// its window. Lives until the event loop has ended; the platform must outlive it.
class DemoSession : public QObject {
    Q_OBJECT

public:
    // The sample the instrument holds at start: a common petrol, so the first reading
    // looks like one.
    static constexpr double kStartResearch = 92.0;

    // Plugs the instrument before the event loop runs, so the controller's first scan
    // already finds it, and shows the instrument window beside form.
    DemoSession(TForm1& form, FakeHidPlatform& platform, QObject* parent = nullptr);
    ~DemoSession() override;

    VirtualInstrument& instrument() const { return *m_instrument; }
    InstrumentWindow& window() const { return *m_window; }

private:
    void placeBeside(const TForm1& form);

    // The window refers to the instrument, so it goes first.
    std::unique_ptr<VirtualInstrument> m_instrument;
    std::unique_ptr<InstrumentWindow> m_window;
};

// The program variant of kv4410pc-demo: a FakeHidPlatform and a DemoSession.
ProgramVariant demoProgram();

}  // namespace kv
