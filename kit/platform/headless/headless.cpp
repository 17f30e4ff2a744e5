// The headless backend: no display and a virtual clock. Time moves only when the kit waits with
// an empty queue, and then straight to the next timer, so a run is as fast as the CPU allows and
// repeats exactly. The test and replay interface of veldo/headless.h lives here too.
#include "veldo/headless.h"

#include "../../src/kit_internal.h"
#include "../backend.h"
#include "veldo/kit.h"

#include <cairo.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <vector>

namespace veldo::platform {

namespace {

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;
// A program that has taken no event for this long, in virtual time, would wait forever: nothing
// but the tick timer can happen without a caller injecting input.
constexpr int64_t STALL_LIMIT_MS = 10 * 60 * 1000;

struct Timer {
  Window window;
  int id;
  int period_ms;
  int64_t due_ms;
};

struct HeadlessState {
  int64_t now_ms = 0;
  std::vector<Timer> timers;
  std::function<void()> idle_handler;
  uint64_t events_seen = 0;
  int64_t last_event_ms = 0;
};

HeadlessState clock_state;

Timer* find_timer(Window window, int id) {
  for (Timer& timer : clock_state.timers)
    if (timer.window == window && timer.id == id)
      return &timer;
  return nullptr;
}

// The timer that falls due first (the earliest started on a tie), or nullptr.
Timer* next_timer() {
  Timer* next = nullptr;
  for (Timer& timer : clock_state.timers)
    if (next == nullptr || timer.due_ms < next->due_ms)
      next = &timer;
  return next;
}

// Moves the clock to `target_ms`, posting the tick of every timer that falls due on the way.
void advance_to(int64_t target_ms) {
  for (Timer* timer = next_timer(); timer != nullptr && timer->due_ms <= target_ms;
       timer = next_timer()) {
    clock_state.now_ms = timer->due_ms;
    timer->due_ms += timer->period_ms;
    post_timer_message(timer->window, timer->id);
  }
  if (target_ms > clock_state.now_ms)
    clock_state.now_ms = target_ms;
}

bool start_up(char*, int) {
  return true;
}

void reset_backend() {
  clock_state = HeadlessState();
}

void screen_size(int* width, int* height) {
  *width = SCREEN_WIDTH;
  *height = SCREEN_HEIGHT;
}

void window_created(Window, const WindowDesc&) {}
void window_shown(Window, bool) {}
void window_destroyed(Window window) {
  std::erase_if(clock_state.timers,
                [window](const Timer& timer) { return timer.window == window; });
}
void menu_changed(Window) {}
void present(Window) {}

void set_timer(Window window, int id, int period_ms) {
  // Setting a running timer again starts it anew with the new period, as the original does.
  if (Timer* timer = find_timer(window, id)) {
    timer->period_ms = period_ms;
    timer->due_ms = clock_state.now_ms + period_ms;
    return;
  }
  clock_state.timers.push_back(Timer{window, id, period_ms, clock_state.now_ms + period_ms});
}

void kill_timer(Window window, int id) {
  std::erase_if(clock_state.timers, [window, id](const Timer& timer) {
    return timer.window == window && timer.id == id;
  });
}

void poll() {}

void stall(const char* why) {
  std::fprintf(stderr, "veldo headless: %s; posting a quit\n", why);
  clock_state.events_seen = events_returned();
  clock_state.last_event_ms = clock_state.now_ms;
  post_quit_message(0);
}

void wait() {
  if (!queue_empty())
    return;
  if (clock_state.idle_handler) {
    // Copied, so that a handler may replace itself.
    std::function<void()> handler = clock_state.idle_handler;
    handler();
    if (!queue_empty())
      return;
  }
  if (events_returned() != clock_state.events_seen) {
    clock_state.events_seen = events_returned();
    clock_state.last_event_ms = clock_state.now_ms;
  }
  Timer* timer = next_timer();
  if (timer == nullptr) {
    stall("no timer runs and no input is queued");
    return;
  }
  if (timer->due_ms - clock_state.last_event_ms > STALL_LIMIT_MS) {
    stall("ten minutes of virtual time passed without an event");
    return;
  }
  advance_to(timer->due_ms);
}

extern "C" void headless_quit_on_signal(int) {
  note_quit_signal();
}

void install_quit_on_signals() {
  struct sigaction action = {};
  action.sa_handler = headless_quit_on_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const Backend headless = {
    "headless",
    start_up,
    reset_backend,
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
    install_quit_on_signals,
};

} // namespace

const Backend& headless_backend() {
  return headless;
}

} // namespace veldo::platform

namespace veldo::headless {

namespace {

struct Observed {
  std::vector<std::string> log_lines;
  std::function<void(const std::string&)> log_listener;
};

Observed observed;

void observe_log_line(const char* line) {
  observed.log_lines.emplace_back(line);
  if (observed.log_listener)
    observed.log_listener(observed.log_lines.back());
}

uint32_t surface_pixel(cairo_surface_t* surface, int x, int y) {
  if (surface == nullptr || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
      y >= cairo_image_surface_get_height(surface))
    return 0;
  cairo_surface_flush(surface);
  const unsigned char* row = cairo_image_surface_get_data(surface) +
                             static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
  return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
}

unsigned key_code_of(char character) {
  return static_cast<unsigned>(std::toupper(static_cast<unsigned char>(character)));
}

platform::Window key_target(bool in_log_window) {
  return in_log_window ? kit.log_window : kit.graphics_window;
}

platform::Menu run_popup() {
  platform::Menu bar = platform::window_menu(kit.graphics_window);
  for (int i = 0; i < platform::menu_item_count(bar); ++i) {
    platform::MenuItemView item = platform::menu_item(bar, i);
    if ((item.flags & platform::MF_POPUP) != 0)
      return static_cast<platform::Menu>(item.id);
  }
  return 0;
}

} // namespace

void reset() {
  platform::reset();
  platform::select_backend("headless");
  platform::reset();
  kit_reset_state();
  observed.log_lines.clear();
  observed.log_listener = nullptr;
  kit_set_log_observer(observe_log_line);
}

void click(int px, int py) {
  intptr_t position = static_cast<intptr_t>(((static_cast<uintptr_t>(py) & 0xFFFF) << 16) |
                                            (static_cast<uintptr_t>(px) & 0xFFFF));
  platform::post_message(kit.graphics_window, platform::WM_LBUTTONDOWN, 1, position);
}

void key_down(unsigned key_code, unsigned character, bool in_log_window) {
  platform::post_key_down(key_target(in_log_window), key_code, character);
}

void key_up(unsigned key_code, bool in_log_window) {
  platform::post_message(key_target(in_log_window), platform::WM_KEYUP, key_code, 1);
}

void type(char character, bool in_log_window) {
  unsigned key_code = key_code_of(character);
  key_down(key_code, static_cast<unsigned char>(character), in_log_window);
  key_up(key_code, in_log_window);
}

void ctrl_shortcut(char letter, bool in_log_window) {
  unsigned key_code = key_code_of(letter);
  // With Ctrl down a letter yields its control character (Ctrl+A is 1), as on the desktop.
  key_down(platform::VK_CONTROL, 0, in_log_window);
  key_down(key_code, key_code & 0x1F, in_log_window);
  key_up(key_code, in_log_window);
  key_up(platform::VK_CONTROL, in_log_window);
}

void choose_menu(int id) {
  platform::post_message(kit.graphics_window, platform::WM_COMMAND, static_cast<uintptr_t>(id), 0);
}

void close_graphics_window() {
  platform::destroy_window(kit.graphics_window);
}

void resize_graphics_client(int width, int height) {
  platform::window_resized_now(kit.graphics_window, width, height);
}

void resize_log_client(int width, int height) {
  platform::window_resized_now(kit.log_window, width, height);
}

void advance_clock(int milliseconds) {
  if (milliseconds > 0)
    platform::advance_to(platform::clock_state.now_ms + milliseconds);
}

int64_t clock_ms() {
  return platform::clock_state.now_ms;
}

void set_idle_handler(std::function<void()> handler) {
  platform::clock_state.idle_handler = std::move(handler);
}

int tick_period_ms() {
  platform::Timer* timer = platform::find_timer(kit.graphics_window, TICK_TIMER_ID);
  return timer != nullptr ? timer->period_ms : 0;
}

uint32_t canvas_pixel(int x, int y) {
  return surface_pixel(platform::canvas_surface(), x, y);
}

uint32_t graphics_window_pixel(int x, int y) {
  return surface_pixel(platform::window_surface(kit.graphics_window), x, y);
}

uint32_t log_window_pixel(int x, int y) {
  return surface_pixel(platform::window_surface(kit.log_window), x, y);
}

int log_window_width() {
  return platform::client_rect(kit.log_window).right;
}

int log_window_height() {
  return platform::client_rect(kit.log_window).bottom;
}

const std::vector<std::string>& log_lines() {
  return observed.log_lines;
}

void clear_log_lines() {
  observed.log_lines.clear();
}

void set_log_listener(std::function<void(const std::string&)> listener) {
  observed.log_listener = std::move(listener);
}

std::vector<MenuEntry> run_menu(std::string* title) {
  std::vector<MenuEntry> entries;
  platform::Menu bar = platform::window_menu(kit.graphics_window);
  platform::Menu popup = 0;
  for (int i = 0; i < platform::menu_item_count(bar) && popup == 0; ++i) {
    platform::MenuItemView item = platform::menu_item(bar, i);
    if ((item.flags & platform::MF_POPUP) != 0) {
      popup = static_cast<platform::Menu>(item.id);
      if (title != nullptr)
        *title = item.text;
    }
  }
  for (int i = 0; i < platform::menu_item_count(popup); ++i) {
    platform::MenuItemView item = platform::menu_item(popup, i);
    bool separator = (item.flags & platform::MF_SEPARATOR) != 0;
    entries.push_back(MenuEntry{item.text, separator ? 0 : static_cast<int>(item.id),
                                (item.flags & platform::MF_CHECKED) != 0,
                                (item.flags & platform::MF_GRAYED) != 0, separator});
  }
  return entries;
}

bool menu_checked(int id) {
  platform::Menu popup = run_popup();
  for (int i = 0; i < platform::menu_item_count(popup); ++i) {
    platform::MenuItemView item = platform::menu_item(popup, i);
    if ((item.flags & platform::MF_SEPARATOR) == 0 && item.id == static_cast<uintptr_t>(id))
      return (item.flags & platform::MF_CHECKED) != 0;
  }
  return false;
}

bool log_window_visible() {
  return platform::window_visible(kit.log_window);
}

bool graphics_window_visible() {
  return platform::window_visible(kit.graphics_window);
}

int registered_class_count() {
  return platform::registered_class_count();
}

int canvas_copy_count() {
  return platform::canvas_copy_count();
}

bool save_canvas_png(const char* path) {
  cairo_surface_t* canvas = platform::canvas_surface();
  if (canvas == nullptr || path == nullptr)
    return false;
  return cairo_surface_write_to_png(canvas, path) == CAIRO_STATUS_SUCCESS;
}

} // namespace veldo::headless
