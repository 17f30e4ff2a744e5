// The browser backend: the page's canvas, menu bar and log panel, timers on the browser's clock,
// and input from the page.
//
// The shared part of the platform layer owns the queue, the window records, the menu model, the
// timers' bookkeeping and every picture; this backend hands the page what to show (the pictures,
// the menu model) and turns what the page reports into queued messages. Its page side is
// library_veldo.js; the keyboard comes through Emscripten's HTML5 events.
//
// The program runs on the page's only thread, so it must give that thread back whenever it waits:
// wait() sleeps through Asyncify until the next timer deadline or until input arrives, and the
// browser runs its events, paints and timers meanwhile. A program that never waits (a script
// played back at full speed) still gives the browser a turn every few frames from poll().
#include "../backend.h"
#include "web_keys.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The page side (library_veldo.js).
extern "C" {
int veldo_web_start();
void veldo_web_window_created(int window, int fixed, const char* title, int width, int height);
void veldo_web_window_shown(int window, int visible);
void veldo_web_window_destroyed(int window);
void veldo_web_set_menu(int window, const char* model);
void veldo_web_show_picture(int window, const uint8_t* rgba, int width, int height);
int veldo_web_menu_open();
// Gives the thread back to the browser until performance.now() reaches `until_ms` (never, for a
// negative value) or input arrives, whichever comes first.
void veldo_web_sleep(double until_ms);
// Ends the sleep once the code that queued a message has returned.
void veldo_web_wake();
// Keeps the script file in the page's storage when it has changed since it was last kept.
void veldo_web_keep_script();
}

namespace veldo::platform {
namespace {

// The log window's size follows from a screen this size: the kit makes it as wide as the screen
// and a third of its height high, which here gives the 25 lines of the log and a small margin.
constexpr int SCREEN_WIDTH = 601;
constexpr int LOG_LINES = 25;
constexpr int LOG_MARGIN = 6;
// While the program never waits, the browser still gets a turn this often, to paint and to take
// input (the Run menu, a key that stops the playback).
constexpr double YIELD_PERIOD_MS = 50.0;

struct WebWindow {
  bool fixed = false;
  bool picture_changed = false;
  std::vector<uint8_t> rgba; // the picture as the page's canvas takes it
};

std::map<Window, WebWindow> web_windows;

// ---- Timers ------------------------------------------------------------------------------------

// A timer keeps its first start and period and falls due on the deadlines start + n * period,
// skipping any it missed, so a late wake-up never makes the following ticks late as well.
struct Timer {
  Window window;
  int id;
  double start_ms;
  double period_ms;
  double due_ms;
  bool paused = false;
};

std::vector<Timer> timers;
double last_yield_ms = 0.0;

Timer* find_timer(Window window, int id) {
  for (Timer& timer : timers)
    if (timer.window == window && timer.id == id)
      return &timer;
  return nullptr;
}

// The first deadline of the timer's schedule after `now_ms`.
double next_deadline(const Timer& timer, double now_ms) {
  const double periods_done = std::floor((now_ms - timer.start_ms) / timer.period_ms) + 1.0;
  return timer.start_ms + periods_done * timer.period_ms;
}

void post_due_timers() {
  const double now = emscripten_get_now();
  for (Timer& timer : timers)
    if (!timer.paused && now >= timer.due_ms) {
      timer.due_ms = next_deadline(timer, now);
      post_timer_message(timer.window, timer.id);
    }
}

// The earliest deadline of a running timer, or -1 when none runs.
double earliest_deadline() {
  double earliest = -1.0;
  for (const Timer& timer : timers)
    if (!timer.paused && (earliest < 0.0 || timer.due_ms < earliest))
      earliest = timer.due_ms;
  return earliest;
}

void web_set_timer(Window window, int id, int period_ms) {
  const double now = emscripten_get_now();
  Timer* timer = find_timer(window, id);
  if (timer == nullptr) {
    timers.push_back(Timer{window, id, 0.0, 0.0, 0.0});
    timer = &timers.back();
  }
  timer->start_ms = now;
  timer->period_ms = period_ms;
  timer->due_ms = now + period_ms;
  timer->paused = false;
}

void web_kill_timer(Window window, int id) {
  std::erase_if(timers, [window, id](const Timer& timer) {
    return timer.window == window && timer.id == id;
  });
}

// Resumed, a timer falls due at the next deadline of its old schedule.
void web_pause_timer(Window window, int id, bool paused) {
  Timer* timer = find_timer(window, id);
  if (timer == nullptr || timer->paused == paused)
    return;
  timer->paused = paused;
  if (!paused)
    timer->due_ms = next_deadline(*timer, emscripten_get_now());
}

// ---- Pictures ----------------------------------------------------------------------------------

// Hands the page every picture that changed since it was last shown. The page shows nothing new
// until the program gives the thread back, so this runs just before it does.
void show_changed_pictures() {
  for (auto& [window, web] : web_windows) {
    if (!web.picture_changed)
      continue;
    web.picture_changed = false;
    cairo_surface_t* picture = window_surface(window);
    if (picture == nullptr)
      continue;
    cairo_surface_flush(picture);
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    const uint8_t* data = cairo_image_surface_get_data(picture);
    // Cairo keeps each pixel as a native-endian 0xXXRRGGBB word; the canvas takes R, G, B, A bytes.
    web.rgba.resize(static_cast<size_t>(width) * height * 4);
    uint8_t* out = web.rgba.data();
    for (int y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
      for (int x = 0; x < width; ++x, out += 4) {
        const uint32_t pixel = row[x];
        out[0] = static_cast<uint8_t>(pixel >> 16);
        out[1] = static_cast<uint8_t>(pixel >> 8);
        out[2] = static_cast<uint8_t>(pixel);
        out[3] = 0xFF;
      }
    }
    veldo_web_show_picture(window, web.rgba.data(), width, height);
  }
}

// Everything the page should have before the program stops to wait, then the wait itself.
void give_thread_back(double until_ms) {
  show_changed_pictures();
  veldo_web_keep_script();
  veldo_web_sleep(until_ms);
  last_yield_ms = emscripten_get_now();
}

// ---- Keys --------------------------------------------------------------------------------------

// The window the keyboard talks to: the graphics window, as long as it lives (the log window
// hands its keys to it anyway).
Window keyboard_window() {
  for (const auto& [window, web] : web_windows)
    if (web.fixed)
      return window;
  return web_windows.empty() ? 0 : web_windows.begin()->first;
}

// Every key but Alt and the keys pressed with it is the kit's, as on the desktop; Alt goes to the
// page, which opens the Run menu with Alt+R.
EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* event, void*) {
  const Window window = keyboard_window();
  const std::string key = event->key;
  if (window == 0 || event->altKey || key == "Alt" || key == "AltGraph" || veldo_web_menu_open())
    return EM_FALSE;
  const unsigned code = web_keys::key_code(event->key, event->code);
  if (type == EMSCRIPTEN_EVENT_KEYDOWN)
    post_key_down(window, code, web_keys::key_character(event->key));
  else
    post_message(window, WM_KEYUP, code, 0);
  veldo_web_wake();
  return web_keys::keep_from_browser(event->key, event->code, event->ctrlKey, event->altKey)
             ? EM_TRUE
             : EM_FALSE;
}

// ---- The menu model, for the page
// ----------------------------------------------------------------

void append_json_string(std::string* out, const char* text) {
  *out += '"';
  for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte == '"' || byte == '\\') {
      *out += '\\';
      *out += static_cast<char>(byte);
    } else if (byte < 0x20) {
      static const char HEX[] = "0123456789abcdef";
      *out += "\\u00";
      *out += HEX[byte >> 4];
      *out += HEX[byte & 15];
    } else {
      *out += static_cast<char>(byte);
    }
  }
  *out += '"';
}

// The menu and its popups as JSON: [{"text": "&Run", "id": 0, "flags": 16, "items": [...]}, ...].
void describe_menu(Menu menu, int depth, std::string* out) {
  *out += '[';
  const int count = menu_item_count(menu);
  for (int i = 0; i < count; ++i) {
    const MenuItemView view = menu_item(menu, i);
    if (i > 0)
      *out += ',';
    *out += "{\"text\":";
    append_json_string(out, view.text);
    const bool popup = (view.flags & MF_POPUP) != 0;
    *out += ",\"flags\":" + std::to_string(view.flags);
    *out += ",\"id\":" + std::to_string(popup ? 0 : view.id);
    if (popup && depth < 8) {
      *out += ",\"items\":";
      describe_menu(static_cast<Menu>(view.id), depth + 1, out);
    }
    *out += '}';
  }
  *out += ']';
}

// ---- The backend's operations
// --------------------------------------------------------------------

bool web_start_up(char* why, int why_size) {
  if (!veldo_web_start()) {
    std::snprintf(why, static_cast<size_t>(why_size), "the page has no canvas for the program");
    return false;
  }
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
  last_yield_ms = emscripten_get_now();
  return true;
}

void web_reset() {
  timers.clear();
  for (const auto& [window, web] : web_windows)
    veldo_web_window_destroyed(window);
  web_windows.clear();
}

void web_screen_size(int* width, int* height) {
  *width = SCREEN_WIDTH;
  *height = 3 * (LOG_LINES * fixed_font_line_height() + LOG_MARGIN);
}

void web_window_created(Window window, const WindowDesc& desc) {
  WebWindow& web = web_windows[window];
  web.fixed = desc.style == WindowStyle::Fixed;
  veldo_web_window_created(window, web.fixed ? 1 : 0, desc.title, desc.width, desc.height);
}

void web_window_shown(Window window, bool visible) {
  if (web_windows.count(window) != 0)
    veldo_web_window_shown(window, visible ? 1 : 0);
}

void web_window_destroyed(Window window) {
  std::erase_if(timers, [window](const Timer& timer) { return timer.window == window; });
  if (web_windows.erase(window) != 0)
    veldo_web_window_destroyed(window);
}

void web_menu_changed(Window window) {
  std::string model;
  const Menu bar = window_menu(window);
  if (bar != 0)
    describe_menu(bar, 0, &model);
  else
    model = "[]";
  veldo_web_set_menu(window, model.c_str());
}

void web_present(Window window) {
  auto found = web_windows.find(window);
  if (found != web_windows.end())
    found->second.picture_changed = true;
}

// While the Run menu is open the program stands still, as on the desktop: the pumping step that
// finds it open returns only once it has closed. The tick that fell due meanwhile comes once.
void web_poll() {
  if (veldo_web_menu_open()) {
    show_changed_pictures();
    while (veldo_web_menu_open())
      give_thread_back(-1.0);
  }
  post_due_timers();
  if (emscripten_get_now() - last_yield_ms >= YIELD_PERIOD_MS)
    give_thread_back(0.0);
}

void web_wait() {
  for (;;) {
    post_due_timers();
    if (!queue_empty() && !veldo_web_menu_open())
      return;
    give_thread_back(veldo_web_menu_open() ? -1.0 : earliest_deadline());
  }
}

void web_quit_on_signals(bool) {}

} // namespace

const Backend& web_backend() {
  static const Backend backend = {
      .name = "web",
      .start_up = web_start_up,
      .reset = web_reset,
      .screen_size = web_screen_size,
      .window_created = web_window_created,
      .window_shown = web_window_shown,
      .window_destroyed = web_window_destroyed,
      .menu_changed = web_menu_changed,
      .present = web_present,
      .set_timer = web_set_timer,
      .kill_timer = web_kill_timer,
      .pause_timer = web_pause_timer,
      .poll = web_poll,
      .wait = web_wait,
      .quit_on_signals = web_quit_on_signals,
  };
  return backend;
}

} // namespace veldo::platform

// ---- What the page calls -----------------------------------------------------------------------

using namespace veldo::platform;

// A click, a press of another button or a move of the mouse over a window's canvas, or a menu
// choice: queued as the desktop queues it.
extern "C" EMSCRIPTEN_KEEPALIVE void veldo_web_post(int window, unsigned message, unsigned wparam,
                                                    int lparam) {
  if (window_desc(window) != nullptr)
    post_message(window, message, wparam, lparam);
}

// The page is being left: each window is closed as its close box would, and since the program's
// loop will not run again, the kit completes at once what must be kept (a recording).
extern "C" EMSCRIPTEN_KEEPALIVE void veldo_web_leave() {
  for (const auto& [window, web] : web_windows)
    if (web.fixed)
      post_message(window, WM_CLOSE, 0, 0);
  display_closing();
}
