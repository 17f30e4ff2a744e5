// The state of the shared part of the platform layer, one instance per process, kept apart by
// concern over the files of the shared part: the backend choice and start-up (platform.cpp), the
// window classes and records (windows.cpp), the message queue and the timers (queue.cpp), the menu
// model (menus.cpp) and every picture (surfaces.cpp). Backends never see it.
#pragma once

#include "backend.h"

#include <csignal>
#include <deque>
#include <string>
#include <vector>

namespace veldo::platform::shared {

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
  void (*display_lost_handler)() = nullptr;
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

extern PlatformState state;
extern volatile std::sig_atomic_t quit_signal_pending;

// The backend chosen: the build's default (GTK on the desktop, the page in a browser) unless
// another was asked for.
const Backend& backend();

// The live window or menu of that handle, or nullptr.
WindowRecord* find_window(Window window);
MenuRecord* find_menu(Menu menu);

// Gives the window's picture a new client size (surfaces.cpp), keeping what it showed at its
// top-left, and marks the window for repainting.
void resize_picture(WindowRecord& record, int width, int height);
// Lets go of every picture and the canvas (surfaces.cpp).
void release_surfaces();

// WM_SIZE's parameter: the width in the low 16 bits, the height in the high 16.
intptr_t size_lparam(int width, int height);

} // namespace veldo::platform::shared
