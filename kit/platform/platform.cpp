// The shared part of the platform layer: the message queue, the window records, the window
// classes, the menu model, the timers' coalescing and every surface. A backend only turns native
// events into queued messages and shows the pictures drawn here, so both backends behave alike
// in everything the kit can observe.
#include "backend.h"
#include "text.h"

#include <cairo.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace veldo::platform {

namespace {

struct ClassRecord {
  std::string name;
  unsigned style = 0;
  uint32_t background_rgb = 0xFFFFFF;
};

struct WindowRecord {
  // The description as given, with its texts owned by the record.
  WindowDesc desc{};
  std::string class_name;
  std::string title;
  uint32_t background_rgb = 0xFFFFFF;
  bool alive = true;
  bool visible = false;
  bool invalid = false;
  int client_width = 0;
  int client_height = 0;
  Menu menu_bar = 0;
  cairo_surface_t* picture = nullptr;
};

struct MenuItemRecord {
  unsigned flags = 0;
  uintptr_t id = 0;
  std::string text;
};

struct MenuRecord {
  std::vector<MenuItemRecord> items;
};

struct PlatformState {
  const Backend* backend = nullptr;
  bool started = false;
  std::vector<ClassRecord> classes;
  // Window n is windows[n - 1] and Menu n is menus[n - 1]; a deque keeps every record where it
  // is, so the description a backend was handed stays valid.
  std::deque<WindowRecord> windows;
  std::deque<MenuRecord> menus;
  std::deque<Message> queue;
  cairo_surface_t* canvas = nullptr;
  int canvas_copies = 0;
  uint64_t events_returned = 0;
  // The keyboard state: the character each key yielded when it last went down. A key-down posted
  // on by a window procedure (the log window hands its keys to the graphics window) yields the
  // same character when it is translated, as the original key-down would have.
  unsigned key_characters[256] = {};
};

PlatformState state;
volatile std::sig_atomic_t quit_signal_pending = 0;

const Backend& backend() {
  if (state.backend == nullptr)
    state.backend = &gtk_backend();
  return *state.backend;
}

WindowRecord* find_window(Window window) {
  if (window <= 0 || window > static_cast<int>(state.windows.size()))
    return nullptr;
  WindowRecord& record = state.windows[window - 1];
  return record.alive ? &record : nullptr;
}

MenuRecord* find_menu(Menu menu) {
  if (menu <= 0 || menu > static_cast<int>(state.menus.size()))
    return nullptr;
  return &state.menus[menu - 1];
}

const ClassRecord* find_class(const char* name) {
  if (name == nullptr)
    return nullptr;
  for (const ClassRecord& record : state.classes)
    if (record.name == name)
      return &record;
  return nullptr;
}

void set_source_rgb(cairo_t* cr, uint32_t rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
}

// A fresh client-area picture filled with the window's background.
cairo_surface_t* make_picture(int width, int height, uint32_t background_rgb) {
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width > 0 ? width : 1,
                                                        height > 0 ? height : 1);
  cairo_t* cr = cairo_create(picture);
  set_source_rgb(cr, background_rgb);
  cairo_paint(cr);
  cairo_destroy(cr);
  return picture;
}

// Where a menu with this entry sits: the windows whose menu bar is `menu` or holds it as a popup
// must be told when it changes.
void notify_menu_changed(Menu menu) {
  for (size_t i = 0; i < state.windows.size(); ++i) {
    WindowRecord& record = state.windows[i];
    if (!record.alive || record.menu_bar == 0)
      continue;
    bool shows_menu = record.menu_bar == menu;
    if (!shows_menu) {
      if (MenuRecord* bar = find_menu(record.menu_bar))
        for (const MenuItemRecord& item : bar->items)
          if ((item.flags & MF_POPUP) != 0 && static_cast<Menu>(item.id) == menu)
            shows_menu = true;
    }
    if (shows_menu)
      backend().menu_changed(static_cast<Window>(i + 1));
  }
}

void resize_picture(WindowRecord& record, int width, int height) {
  cairo_surface_t* picture = make_picture(width, height, record.background_rgb);
  if (record.picture != nullptr) {
    // Keep what was shown at the top-left; the paint that follows a size change redraws it.
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_surface(cr, record.picture, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, 0, 0, std::min(width, record.client_width),
                    std::min(height, record.client_height));
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(record.picture);
  }
  record.picture = picture;
  record.client_width = width;
  record.client_height = height;
  record.invalid = true;
}

intptr_t size_lparam(int width, int height) {
  return static_cast<intptr_t>(((static_cast<uintptr_t>(height) & 0xFFFF) << 16) |
                               (static_cast<uintptr_t>(width) & 0xFFFF));
}

} // namespace

// ---- Backend choice and start-up
// -----------------------------------------------------------------

bool select_backend(const char* name) {
  if (name == nullptr)
    return false;
  if (std::strcmp(name, "gtk") == 0)
    state.backend = &gtk_backend();
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
  for (WindowRecord& record : state.windows)
    if (record.picture != nullptr)
      cairo_surface_destroy(record.picture);
  if (state.canvas != nullptr)
    cairo_surface_destroy(state.canvas);
  const Backend* chosen = state.backend;
  state = PlatformState();
  state.backend = chosen;
  quit_signal_pending = 0;
}

// ---- Classes and windows
// -------------------------------------------------------------------------

void register_class(const WindowClass& window_class) {
  ClassRecord record;
  record.name = window_class.name != nullptr ? window_class.name : "";
  record.style = window_class.style;
  record.background_rgb = window_class.background_rgb;
  state.classes.push_back(record);
}

int registered_class_count() {
  return static_cast<int>(state.classes.size());
}

void screen_size(int* width, int* height) {
  int w = 0, h = 0;
  backend().screen_size(&w, &h);
  if (width != nullptr)
    *width = w;
  if (height != nullptr)
    *height = h;
}

Window create_window(const WindowDesc& desc) {
  state.windows.emplace_back();
  Window window = static_cast<Window>(state.windows.size());
  WindowRecord& record = state.windows.back();
  record.class_name = desc.class_name != nullptr ? desc.class_name : "";
  record.title = desc.title != nullptr ? desc.title : "";
  record.desc = desc;
  record.desc.class_name = record.class_name.c_str();
  record.desc.title = record.title.c_str();
  const ClassRecord* window_class = find_class(desc.class_name);
  record.background_rgb =
      window_class != nullptr ? window_class->background_rgb : desc.background_rgb;
  resize_picture(record, desc.width, desc.height);
  record.invalid = false;

  backend().window_created(window, state.windows[window - 1].desc);
  // The procedure hears of its creation and its size before the caller gets the window, as the
  // original platform does while creating and showing it.
  send_message(window, WM_CREATE, 0, 0);
  if (WindowRecord* created = find_window(window))
    send_message(window, WM_SIZE, 0, size_lparam(created->client_width, created->client_height));
  return window;
}

bool show_window(Window window, int mode) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return false;
  bool was_visible = record->visible;
  bool visible = mode != SW_HIDE;
  record->visible = visible;
  if (visible && !was_visible)
    record->invalid = true;
  if (visible != was_visible)
    backend().window_shown(window, visible);
  return was_visible;
}

bool window_visible(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr && record->visible;
}

Rect client_rect(Window window) {
  Rect rect;
  if (WindowRecord* record = find_window(window)) {
    rect.right = record->client_width;
    rect.bottom = record->client_height;
  }
  return rect;
}

void destroy_window(Window window) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  if (record->visible) {
    record->visible = false;
    backend().window_shown(window, false);
  }
  send_message(window, WM_DESTROY, 0, 0);
  record = find_window(window);
  if (record == nullptr)
    return;
  record->alive = false;
  record->invalid = false;
  backend().window_destroyed(window);
}

intptr_t default_window_proc(Window window, unsigned message, uintptr_t, intptr_t) {
  switch (message) {
  case WM_CLOSE:
    destroy_window(window);
    return 0;
  case WM_PAINT:
    begin_paint(window);
    end_paint(window);
    return 0;
  default:
    return 0;
  }
}

// ---- The message queue
// ---------------------------------------------------------------------------

void post_message(Window window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  Message posted;
  posted.window = window;
  posted.message = message;
  posted.wparam = wparam;
  posted.lparam = lparam;
  if (message == WM_KEYDOWN)
    posted.character = state.key_characters[wparam & 0xFF];
  state.queue.push_back(posted);
}

void post_quit_message(int exit_code) {
  post_message(0, WM_QUIT, static_cast<uintptr_t>(exit_code), 0);
}

bool peek_message(Message* message) {
  backend().poll();
  Message taken;
  if (quit_signal_pending != 0) {
    quit_signal_pending = 0;
    taken.message = WM_QUIT;
  } else if (!state.queue.empty()) {
    taken = state.queue.front();
    state.queue.pop_front();
  } else {
    // A paint is delivered only when nothing else waits, as the original platform does; taking
    // it validates the window, so each request makes one paint.
    bool found = false;
    for (size_t i = 0; i < state.windows.size() && !found; ++i) {
      WindowRecord& record = state.windows[i];
      if (record.alive && record.visible && record.invalid) {
        record.invalid = false;
        taken.window = static_cast<Window>(i + 1);
        taken.message = WM_PAINT;
        found = true;
      }
    }
    if (!found)
      return false;
  }
  if (message != nullptr)
    *message = taken;
  return true;
}

void translate_message(const Message& message) {
  if (message.message != WM_KEYDOWN || message.character == 0)
    return;
  Message character;
  character.window = message.window;
  character.message = WM_CHAR;
  character.wparam = message.character;
  character.lparam = message.lparam;
  state.queue.push_front(character);
}

intptr_t dispatch_message(const Message& message) {
  return send_message(message.window, message.message, message.wparam, message.lparam);
}

void wait_message() {
  if (!queue_empty())
    return;
  backend().wait();
}

void install_quit_on_signals() {
  backend().install_quit_on_signals();
}

void note_event_returned() {
  ++state.events_returned;
}

// ---- Timers
// --------------------------------------------------------------------------------------

void set_timer(Window window, int id, int period_ms) {
  if (find_window(window) == nullptr)
    return;
  backend().set_timer(window, id, period_ms > 0 ? period_ms : 1);
}

void kill_timer(Window window, int id) {
  backend().kill_timer(window, id);
}

// ---- Menus
// ---------------------------------------------------------------------------------------

Menu create_menu_bar() {
  state.menus.emplace_back();
  return static_cast<Menu>(state.menus.size());
}

Menu create_popup_menu() {
  return create_menu_bar();
}

void append_menu(Menu menu, unsigned flags, uintptr_t id_or_popup, const char* text) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr)
    return;
  MenuItemRecord item;
  item.flags = flags;
  item.id = id_or_popup;
  item.text = (text != nullptr && (flags & MF_SEPARATOR) == 0) ? text : "";
  record->items.push_back(item);
}

void set_menu(Window window, Menu menu_bar) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  record->menu_bar = menu_bar;
  backend().menu_changed(window);
}

void draw_menu_bar(Window window) {
  if (find_window(window) != nullptr)
    backend().menu_changed(window);
}

int check_menu_item(Menu menu, int id, unsigned check) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr)
    return -1;
  // As on the original platform, an entry is looked for in the menu and then in its popups.
  for (int pass = 0; pass < 2; ++pass) {
    for (MenuItemRecord& item : record->items) {
      if ((item.flags & (MF_POPUP | MF_SEPARATOR)) != 0) {
        if (pass == 1 && (item.flags & MF_POPUP) != 0) {
          int previous = check_menu_item(static_cast<Menu>(item.id), id, check);
          if (previous >= 0)
            return previous;
        }
        continue;
      }
      if (pass == 0 && item.id == static_cast<uintptr_t>(id)) {
        int previous = static_cast<int>(item.flags & MF_CHECKED);
        item.flags = (item.flags & ~static_cast<unsigned>(MF_CHECKED)) | (check & MF_CHECKED);
        notify_menu_changed(menu);
        return previous;
      }
    }
  }
  return -1;
}

// ---- Surfaces
// ------------------------------------------------------------------------------------

void create_canvas(int width, int height) {
  if (state.canvas != nullptr)
    cairo_surface_destroy(state.canvas);
  state.canvas = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

cairo_surface_t* canvas_surface() {
  return state.canvas;
}

void copy_canvas_to_window(Window window) {
  WindowRecord* record = find_window(window);
  if (record == nullptr || state.canvas == nullptr)
    return;
  cairo_surface_flush(state.canvas);
  cairo_t* cr = cairo_create(record->picture);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, state.canvas, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  ++state.canvas_copies;
  backend().present(window);
}

cairo_surface_t* window_surface(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->picture : nullptr;
}

void begin_paint(Window window) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  record->invalid = false;
  cairo_t* cr = cairo_create(record->picture);
  set_source_rgb(cr, record->background_rgb);
  cairo_paint(cr);
  cairo_destroy(cr);
}

void end_paint(Window window) {
  if (find_window(window) != nullptr)
    backend().present(window);
}

void scroll_window_up(Window window, int dy) {
  WindowRecord* record = find_window(window);
  if (record == nullptr || dy <= 0)
    return;
  cairo_surface_t* picture = record->picture;
  cairo_surface_flush(picture);
  unsigned char* data = cairo_image_surface_get_data(picture);
  int stride = cairo_image_surface_get_stride(picture);
  int height = cairo_image_surface_get_height(picture);
  // The rows uncovered at the bottom keep what they showed; the caller erases them.
  if (dy < height)
    std::memmove(data, data + static_cast<size_t>(dy) * stride,
                 static_cast<size_t>(height - dy) * stride);
  cairo_surface_mark_dirty(picture);
  backend().present(window);
}

void fill_window_rect(Window window, const Rect& rect, uint32_t rgb) {
  WindowRecord* record = find_window(window);
  if (record == nullptr || rect.right <= rect.left || rect.bottom <= rect.top)
    return;
  cairo_t* cr = cairo_create(record->picture);
  set_source_rgb(cr, rgb);
  cairo_rectangle(cr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_fill(cr);
  cairo_destroy(cr);
  backend().present(window);
}

void draw_window_text(Window window, int x, int y, const char* text, int length) {
  WindowRecord* record = find_window(window);
  if (record == nullptr || text == nullptr || length <= 0)
    return;
  draw_fixed_text_line(record->picture, x, y, text, static_cast<size_t>(length), 0x000000);
  backend().present(window);
}

int fixed_font_line_height() {
  return fixed_text_line_height();
}

uint32_t window_background(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->background_rgb : 0xFFFFFF;
}

// ---- Shared-part services for backends
// -----------------------------------------------------------

void post_timer_message(Window window, int id) {
  for (const Message& queued : state.queue)
    if (queued.window == window && queued.message == WM_TIMER &&
        queued.wparam == static_cast<uintptr_t>(id))
      return;
  post_message(window, WM_TIMER, static_cast<uintptr_t>(id), 0);
}

void post_key_down(Window window, unsigned key_code, unsigned character) {
  Message key;
  key.window = window;
  key.message = WM_KEYDOWN;
  key.wparam = key_code;
  key.lparam = 1; // a repeat count of one, as the original platform's key messages carry
  key.character = character;
  state.key_characters[key_code & 0xFF] = character;
  state.queue.push_back(key);
}

bool queue_empty() {
  if (quit_signal_pending != 0 || !state.queue.empty())
    return false;
  for (const WindowRecord& record : state.windows)
    if (record.alive && record.visible && record.invalid)
      return false;
  return true;
}

void window_resized(Window window, int width, int height) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  resize_picture(*record, width, height);
  post_message(window, WM_SIZE, 0, size_lparam(width, height));
}

void window_resized_now(Window window, int width, int height) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  resize_picture(*record, width, height);
  send_message(window, WM_SIZE, 0, size_lparam(width, height));
}

void invalidate_window(Window window) {
  if (WindowRecord* record = find_window(window))
    record->invalid = true;
}

intptr_t send_message(Window window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return 0;
  WindowProc proc = record->desc.proc;
  if (proc == nullptr)
    return default_window_proc(window, message, wparam, lparam);
  return proc(window, message, wparam, lparam);
}

void note_quit_signal() {
  quit_signal_pending = 1;
}

uint64_t events_returned() {
  return state.events_returned;
}

int canvas_copy_count() {
  return state.canvas_copies;
}

const WindowDesc* window_desc(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? &record->desc : nullptr;
}

WindowProc window_proc(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->desc.proc : nullptr;
}

Menu window_menu(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->menu_bar : 0;
}

int menu_item_count(Menu menu) {
  MenuRecord* record = find_menu(menu);
  return record != nullptr ? static_cast<int>(record->items.size()) : 0;
}

MenuItemView menu_item(Menu menu, int index) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr || index < 0 || index >= static_cast<int>(record->items.size()))
    return MenuItemView{0, 0, ""};
  const MenuItemRecord& item = record->items[static_cast<size_t>(index)];
  return MenuItemView{item.flags, item.id, item.text.c_str()};
}

} // namespace veldo::platform
