// Window classes and window records: creating, showing and destroying windows, their client
// size, their procedures and the default handling of what a procedure leaves alone.
#include "platform_state.h"

namespace veldo::platform {

using namespace shared;

namespace {

const ClassRecord* find_class(const char* name) {
  if (name == nullptr)
    return nullptr;
  for (const ClassRecord& record : state.classes)
    if (record.name == name)
      return &record;
  return nullptr;
}

} // namespace

namespace shared {

WindowRecord* find_window(Window window) {
  if (window <= 0 || window > static_cast<int>(state.windows.size()))
    return nullptr;
  WindowRecord& record = state.windows[window - 1];
  return record.alive ? &record : nullptr;
}

intptr_t size_lparam(int width, int height) {
  return static_cast<intptr_t>(((static_cast<uintptr_t>(height) & 0xFFFF) << 16) |
                               (static_cast<uintptr_t>(width) & 0xFFFF));
}

} // namespace shared

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

const WindowDesc* window_desc(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? &record->desc : nullptr;
}

WindowProc window_proc(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->desc.proc : nullptr;
}

} // namespace veldo::platform
