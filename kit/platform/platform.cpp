// The shared part of the platform layer: the backend choice, start-up and reset. The rest of the
// shared part lives beside it, one file per concern (windows, the queue and timers, menus,
// surfaces); a backend only turns native events into queued messages and shows the pictures drawn
// there, so every backend behaves alike in everything the kit can observe.
#include "platform_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veldo::platform {

using namespace shared;

namespace shared {

PlatformState state;
volatile std::sig_atomic_t quit_signal_pending = 0;

// The browser build has no GTK backend: there the page is the default.
const Backend& default_backend() {
#ifdef __EMSCRIPTEN__
  return web_backend();
#else
  return gtk_backend();
#endif
}

const Backend& backend() {
  if (state.backend == nullptr)
    state.backend = &default_backend();
  return *state.backend;
}

} // namespace shared

bool select_backend(const char* name) {
  if (name == nullptr)
    return false;
  if (std::strcmp(name, default_backend().name) == 0)
    state.backend = &default_backend();
  else if (std::strcmp(name, "headless") == 0)
    state.backend = &headless_backend();
  else
    return false;
  return true;
}

const char* backend_name() {
  return backend().name;
}

void start_up() {
  if (state.started)
    return;
  char why[256] = "";
  if (!backend().start_up(why, static_cast<int>(sizeof why))) {
    std::fprintf(stderr, "%s\n", why[0] != '\0' ? why : "cannot connect to a display");
    std::exit(1);
  }
  state.started = true;
}

void reset() {
  if (state.backend != nullptr)
    state.backend->reset();
  release_surfaces();
  const Backend* chosen = state.backend;
  state = PlatformState();
  state.backend = chosen;
  quit_signal_pending = 0;
}

void on_display_lost(void (*handler)()) {
  state.display_lost_handler = handler;
}

void display_lost(const char* display_name) {
  std::fprintf(stderr, "veldo: lost the connection to the display %s; ending\n",
               display_name != nullptr ? display_name : "");
  std::fflush(stderr);
  if (state.display_lost_handler != nullptr)
    state.display_lost_handler();
  // The toolkit's own clean-up would talk to the display again, so none of it runs.
  std::_Exit(1);
}

void display_closing() {
  if (state.display_lost_handler != nullptr)
    state.display_lost_handler();
}

void screen_size(int* width, int* height) {
  int w = 0, h = 0;
  backend().screen_size(&w, &h);
  if (width != nullptr)
    *width = w;
  if (height != nullptr)
    *height = h;
}

} // namespace veldo::platform
