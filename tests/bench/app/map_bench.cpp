// Start-up as the operator sees it: from the start of a process to its window mapped on
// the X display, for the program and for the smallest Qt Widgets program (a label shown
// at its own size, which is Qt's first font lookup as in any window with a text; this
// benchmark started with --floor), alternated so that both see the same machine. Needs
// an X display: xvfb-run -a kv_map_bench PROGRAM [RUNS]
//
// The program is copied into a fresh folder with empty data files, as a new installation
// starts; a window of the splash type is timed apart from the main window.

#include <QApplication>
#include <QLabel>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// bare: a window of a set size, mapped before any text is measured (its label's font is
// first looked up when it paints, after the map).
int floorProgram(int argc, char** argv, bool bare)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("КВ-4410"));
    if (bare)
        label.resize(300, 100);
    label.show();
    return QApplication::exec();
}

class XDisplay {
public:
    XDisplay()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        m_windowType = atom("_NET_WM_WINDOW_TYPE");
        m_splashType = atom("_NET_WM_WINDOW_TYPE_SPLASH");
        xcb_flush(m_connection);
    }
    ~XDisplay() { xcb_disconnect(m_connection); }
    bool ok() const { return !xcb_connection_has_error(m_connection); }

    // Waits for a top-level window to be mapped; the time it came and whether it is a splash.
    bool waitForMap(double deadline, double& when, bool& splash)
    {
        while (nowMs() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
                poll(&fd, 1, 50);
                continue;
            }
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
            std::free(event);
            if (!mapped)
                continue;
            when = nowMs();
            splash = isSplash(window);
            return true;
        }
        return false;
    }

    void drain()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    bool isSplash(xcb_window_t window)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, m_windowType, XCB_ATOM_ATOM, 0, 8), nullptr);
        bool splash = false;
        if (reply) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
            splash = std::find(atoms, atoms + count, m_splashType) != atoms + count;
            std::free(reply);
        }
        return splash;
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_windowType = XCB_ATOM_NONE;
    xcb_atom_t m_splashType = XCB_ATOM_NONE;
};

struct Start {
    double firstWindow = -1;  // ms from fork to the first window of any kind
    double mainWindow = -1;   // ms from fork to the first window that is not a splash
};

Start timeStart(XDisplay& display, const std::vector<std::string>& command)
{
    display.drain();
    Start start;
    const double begun = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> args;
        for (const std::string& word : command)
            args.push_back(const_cast<char*>(word.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        std::_Exit(127);
    }
    double when = 0;
    bool splash = false;
    const double deadline = begun + 20000;
    while (start.mainWindow < 0 && display.waitForMap(deadline, when, splash)) {
        if (start.firstWindow < 0)
            start.firstWindow = when - begun;
        if (!splash)
            start.mainWindow = when - begun;
    }
    // The program closes on a termination signal as on its close command.
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return start;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double minimum(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--floor") == 0)
        return floorProgram(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "--bare-floor") == 0)
        return floorProgram(argc, argv, true);
    if (argc < 2) {
        std::fprintf(stderr, "usage: xvfb-run -a %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    XDisplay display;
    if (!display.ok()) {
        std::fprintf(stderr, "no X display (run under xvfb-run -a)\n");
        return 2;
    }

    namespace fs = std::filesystem;
    char folderTemplate[] = "/tmp/kv_map_bench.XXXXXX";
    if (!mkdtemp(folderTemplate))
        return 1;
    const fs::path folder(folderTemplate);
    const fs::path program = folder / fs::path(argv[1]).filename();
    fs::copy_file(argv[1], program);
    for (const char* name : {"kor.tab", "data.tab", "data2.tab"})
        std::fclose(std::fopen((folder / name).c_str(), "w"));
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::vector<double> floorTimes, bareTimes, firstTimes, mainTimes;
    for (int run = 0; run < runs; ++run) {
        const Start floor = timeStart(display, {self, "--floor"});
        const Start measured = timeStart(display, {program.string()});
        const Start bare = timeStart(display, {self, "--bare-floor"});
        if (floor.mainWindow < 0 || measured.mainWindow < 0 || bare.mainWindow < 0) {
            std::fprintf(stderr, "run %d: no window within 20 s\n", run + 1);
            fs::remove_all(folder);
            return 1;
        }
        floorTimes.push_back(floor.mainWindow);
        bareTimes.push_back(bare.mainWindow);
        firstTimes.push_back(measured.firstWindow);
        mainTimes.push_back(measured.mainWindow);
    }
    fs::remove_all(folder);

    std::printf("start to mapped window, alternated with the Qt floor (%d runs each)\n", runs);
    std::printf("  Qt floor, a label at its own size:     median %.1f ms, min %.1f ms\n", median(floorTimes),
                minimum(floorTimes));
    std::printf("  Qt floor, bare (no text before the map): median %.1f ms, min %.1f ms\n", median(bareTimes),
                minimum(bareTimes));
    std::printf("  program, first window (the splash):    median %.1f ms, min %.1f ms\n", median(firstTimes),
                minimum(firstTimes));
    std::printf("  program, main window:                  median %.1f ms, min %.1f ms\n", median(mainTimes),
                minimum(mainTimes));
    std::printf("  main window / floor: %.2f, / bare floor: %.2f (medians)\n",
                median(mainTimes) / median(floorTimes), median(mainTimes) / median(bareTimes));
    return 0;
}
