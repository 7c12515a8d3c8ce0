#include "demo_session.h"

#include "instrument_window.h"
#include "virtual_instrument.h"

#include "app/main_window.h"
#include "ui/panel_status_bar.h"
#include "device/hid/fake_hid_platform.h"

#include <QScreen>

#include <algorithm>

#include <stdexcept>

namespace kv {

namespace {

constexpr int kWindowGap = 8;

}  // namespace

DemoSession::DemoSession(TForm1& form, FakeHidPlatform& platform, QObject* parent)
    : QObject(parent)
    , m_instrument(std::make_unique<VirtualInstrument>(platform))
    , m_window(std::make_unique<InstrumentWindow>(*m_instrument))
{
    m_window->chooseResearch(kStartResearch);
    m_instrument->plug();
    // The instrument's window is an accessory: closing the main window ends the program.
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    m_window->adjustSize();
    placeBeside(form);
    m_window->show();
}

DemoSession::~DemoSession()
{
    m_instrument->onChanged = nullptr;
}

void DemoSession::placeBeside(const TForm1& form)
{
    const QRect main = form.frameGeometry();
    const QRect screen = form.screen()->availableGeometry();
    const QSize size = m_window->frameGeometry().size();
    int x = main.right() + kWindowGap;
    int y = main.top();
    if (x + size.width() > screen.right()) {
        // No room beside it: against the screen's right edge, low over the journal's
        // empty rows, clear of the result labels, the tabs, the tool bar and the status bar.
        x = screen.right() - size.width();
        y = form.geometry().top() + form.statusBar1()->geometry().top() - size.height()
            - kWindowGap;
    }
    m_window->move(std::max(x, screen.left()), std::max(y, screen.top()));
}

ProgramVariant demoProgram()
{
    ProgramVariant variant;
    variant.applicationName = QStringLiteral("kv4410pc-demo");
    variant.desktopFileName = QStringLiteral("org.kv4410pc.OctanometerDemo");
    variant.makePlatform = [] { return std::make_unique<FakeHidPlatform>(); };
    variant.afterWindowsCreated = [](TForm1& form,
                                     HidPlatform& platform) -> std::unique_ptr<QObject> {
        auto* fake = dynamic_cast<FakeHidPlatform*>(&platform);
        if (fake == nullptr)
            throw std::logic_error("the demo runs on the fake HID provider");
        return std::make_unique<DemoSession>(form, *fake);
    };
    return variant;
}

}  // namespace kv
