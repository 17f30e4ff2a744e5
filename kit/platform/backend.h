// What a backend provides to the shared part of the platform layer. The shared part owns the
// queue, the window records, the menus, the timers' bookkeeping and every surface; a backend only
// turns native events into queued messages (in one place) and shows what the shared part drew.
#pragma once

#include "platform.h"

namespace veldo::platform {

struct Backend {
  const char* name;
  // Connects to the display; false with a one-line reason in `why` when there is none.
  bool (*start_up)(char* why, int why_size);
  void (*reset)();
  void (*screen_size)(int* width, int* height);
  // A window record exists; make its native window (hidden). The backend may adjust the client
  // size it reports later through window_resized().
  void (*window_created)(Window window, const WindowDesc& desc);
  void (*window_shown)(Window window, bool visible);
  void (*window_destroyed)(Window window);
  // The window's menu bar, an entry's check mark or its greyed state changed.
  void (*menu_changed)(Window window);
  // The window's picture changed; show it.
  void (*present)(Window window);
  void (*set_timer)(Window window, int id, int period_ms);
  void (*kill_timer)(Window window, int id);
  // Paused, the timer posts nothing and the backend does not wake for it; resumed, it falls due on
  // its old schedule again (start + n * period).
  void (*pause_timer)(Window window, int id, bool paused);
  // Collects native events without waiting.
  void (*poll)();
  // Blocks until the queue holds a message.
  void (*wait)();
  // On: SIGINT and SIGTERM call note_quit_signal() (safely, whatever the signal interrupted).
  // Off: they get their default handling back.
  void (*quit_on_signals)(bool on);
};

// The desktop build has the GTK backend, the browser build the web backend; both have the
// headless one.
const Backend& gtk_backend();
const Backend& web_backend();
const Backend& headless_backend();

// ---- Shared-part services for backends ------------------------------------------------------

// Queues a timer's WM_TIMER unless one for the same window and id is already queued.
void post_timer_message(Window window, int id);
// Queues a key-down with the character it yields.
void post_key_down(Window window, unsigned key_code, unsigned character);
bool queue_empty();
// The client area changed size: resize the picture and send WM_SIZE (queued).
void window_resized(Window window, int width, int height);
// The same, with WM_SIZE delivered to the window's procedure before this returns.
void window_resized_now(Window window, int width, int height);
// The window's picture must be drawn again: a WM_PAINT is delivered once the queue holds nothing
// else (several requests make one paint).
void invalidate_window(Window window);
// Calls the window's procedure at once, bypassing the queue.
intptr_t send_message(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);
// The connection to the display broke: says so on stderr, runs the kit's handler and ends the
// process with status 1. Never returns.
[[noreturn]] void display_lost(const char* display_name);
// The display is going away for good while the program still runs (a web page being left): runs
// the kit's display-lost handler, which completes what must be kept, such as a recording, and
// returns. The program will not be given the chance to run its own loop again.
void display_closing();
// Async-signal-safe: the next peek_message() delivers WM_QUIT.
void note_quit_signal();
// How often kit_await_event() has returned since reset(), and how often the canvas was copied to
// a window.
uint64_t events_returned();
int canvas_copy_count();
const WindowDesc* window_desc(Window window);
WindowProc window_proc(Window window);

// The menu model a backend shows.
struct MenuItemView {
  unsigned flags;   // MF_* as appended, with MF_CHECKED following check_menu_item()
  uintptr_t id;     // command id, or the popup's Menu for MF_POPUP
  const char* text; // "&Run", "&Animate\tCtrl+A", ...
};
Menu window_menu(Window window);
int menu_item_count(Menu menu);
MenuItemView menu_item(Menu menu, int index);

} // namespace veldo::platform
