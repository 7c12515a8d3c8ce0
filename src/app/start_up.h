#pragma once
// Program start: the splash, the windows in their order, the event loop.

namespace kv {

// Returns when the main window has closed.
int runApplication(int& argc, char** argv);

}  // namespace kv
