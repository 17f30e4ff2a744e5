// A stand-in for the desktop backend until it is built: it reports that there is no desktop, so
// a program that asks for one ends with a clear message while the headless platform works.
#include "../backend.h"

#include <cstdio>

namespace veldo::platform {

namespace {

bool start_up(char* why, int why_size) {
  std::snprintf(why, static_cast<size_t>(why_size), "VELDO: GTK backend not built");
  return false;
}
void reset() {}
void screen_size(int* width, int* height) {
  *width = 0;
  *height = 0;
}
void window_created(Window, const WindowDesc&) {}
void window_shown(Window, bool) {}
void window_destroyed(Window) {}
void menu_changed(Window) {}
void present(Window) {}
void set_timer(Window, int, int) {}
void kill_timer(Window, int) {}
void poll() {}
void wait() {}
void install_quit_on_signals() {}

const Backend gtk = {"gtk",
                     start_up,
                     reset,
                     screen_size,
                     window_created,
                     window_shown,
                     window_destroyed,
                     menu_changed,
                     present,
                     set_timer,
                     kill_timer,
                     poll,
                     wait,
                     install_quit_on_signals};

} // namespace

const Backend& gtk_backend() {
  return gtk;
}

} // namespace veldo::platform
