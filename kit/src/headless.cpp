// The kit's test and replay interface to the headless platform (veldo/headless.h): input queued as
// the desktop queues it, the virtual clock, and what a test can observe of the kit and its windows.
// It sits above the platform layer, beside the rest of the kit, and drives the headless backend
// through its clock controls.
#include "veldo/headless.h"

#include "../platform/headless/headless_backend.h"
#include "keys.h"
#include "kit_internal.h"
#include "veldo/kit.h"

#include <cairo.h>

#include <cctype>

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

// A mouse message's position parameter: the column in the low 16 bits, the row in the high 16.
intptr_t client_position(int px, int py) {
  return static_cast<intptr_t>(((static_cast<uintptr_t>(py) & 0xFFFF) << 16) |
                               (static_cast<uintptr_t>(px) & 0xFFFF));
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
  platform::post_message(kit.graphics_window, platform::WM_LBUTTONDOWN, platform::MK_LBUTTON,
                         client_position(px, py));
}

void right_click(int px, int py) {
  platform::post_message(kit.graphics_window, platform::WM_RBUTTONDOWN, platform::MK_RBUTTON,
                         client_position(px, py));
}

void middle_click(int px, int py) {
  platform::post_message(kit.graphics_window, platform::WM_MBUTTONDOWN, platform::MK_MBUTTON,
                         client_position(px, py));
}

void mouse_move(int px, int py) {
  platform::post_message(kit.graphics_window, platform::WM_MOUSEMOVE, 0, client_position(px, py));
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

void special_key_down(int key, bool in_log_window) {
  if (const SpecialKey* special = special_key(key))
    key_down(special->platform_code, special->character, in_log_window);
}

void special_key_up(int key, bool in_log_window) {
  if (const SpecialKey* special = special_key(key))
    key_up(special->platform_code, in_log_window);
}

void press_special_key(int key, bool in_log_window) {
  special_key_down(key, in_log_window);
  special_key_up(key, in_log_window);
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
  platform::headless_clock::advance(milliseconds);
}

int64_t clock_ms() {
  return platform::headless_clock::now_ms();
}

void set_idle_handler(std::function<void()> handler) {
  platform::headless_clock::set_idle_handler(std::move(handler));
}

int tick_period_ms() {
  return platform::headless_clock::timer_period_ms(kit.graphics_window, TICK_TIMER_ID);
}

bool tick_timer_paused() {
  return platform::headless_clock::timer_paused(kit.graphics_window, TICK_TIMER_ID);
}

int stall_quits() {
  return platform::headless_clock::stall_quits();
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
