// State and operations shared inside the kit. One instance per process, module-level, for the life
// of the process (the headless tests reset it between cases).
#pragma once

#include "../platform/platform.h"

#include <veldo/kit.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace veldo {

constexpr int CANVAS_WIDTH = 601;
constexpr int CANVAS_HEIGHT = 540;
// The graphics window's client area below its menu bar: the play area -300..300 x -250..250.
constexpr int CLIENT_WIDTH = 601;
constexpr int CLIENT_HEIGHT = 501;
constexpr int TICK_TIMER_ID = 2;
constexpr int INITIAL_TICK_MS = 100;

// Run menu command ids.
enum MenuCommand {
  MENU_ANIMATE = 1,
  MENU_HALT = 2,
  MENU_STEP = 3,
  MENU_LOGGING = 4,
  MENU_RECORD = 5,
  MENU_PLAYBACK = 6,
  MENU_PLAY_ONE = 7,
  MENU_QUIT = 8,
  MENU_INFO = 9,
};

struct Colour {
  const char* name;
  uint8_t red, green, blue;
};
extern const Colour colour_table[24];

// A colour the program defined with kit_define_colour(); its name is the kit's own copy.
struct OwnColour {
  bool defined = false;
  uint8_t red = 0, green = 0, blue = 0;
  char name[VELDO_COLOUR_NAME_MAX + 1] = {};
};
constexpr int OWN_COLOUR_SLOTS = VELDO_COLOUR_LIMIT - VELDO_COLOUR_COUNT;

// The one event being assembled for the current kit_await_event() call.
struct PendingEvent {
  int event_kind = -1; // -1 while none is pending, else an event kind
  int event_x = 0;
  int event_y = 0;
  char event_key = 0;
};

constexpr int LOG_RING_SLOTS = 25;
constexpr int LOG_FORMAT_BUFFER = 1024;

// The log window's last 25 lines; each slot owns one block of exactly its text's length + 1.
struct LogRing {
  std::unique_ptr<char[]> lines[LOG_RING_SLOTS];
  int oldest = -1; // slot of the oldest line, -1 while empty
  int next = 0;    // slot the next line goes into
};

struct KitState {
  // Windows, menu and canvas.
  platform::Window graphics_window = 0;
  platform::Window log_window = 0;
  platform::Menu run_menu = 0;
  bool window_dc_held = false;
  int origin_x = 0;
  int origin_y = 0;
  bool canvas_dirty = true;

  // Events and animation.
  PendingEvent pending;
  bool tick_pending = false;
  bool animating = false;
  bool step_pending = false;
  bool quit_requested = false;
  bool ctrl_held = false;

  // More input: the VELDO_INPUT_ flags the program asked for. The mouse's latest position is held
  // (motion_held) while a motion event has already been returned since the last tick.
  unsigned input_flags = 0;
  bool motion_held = false;
  int motion_x = 0;
  int motion_y = 0;
  bool motion_since_tick = false;

  // Scripts.
  bool recording = false;
  bool playing_back = false;
  bool play_one_requested = false;
  int periodic_run_count = 0;
  std::FILE* script_file = nullptr;
  std::string script_path = "VELDO.SCR";

  // Log.
  bool logging_enabled = true;
  LogRing log_ring;

  // Colours 24..255, as the program defined them.
  OwnColour own_colours[OWN_COLOUR_SLOTS];

  // The calls that came before kit_open() and were told so on stderr, one bit each.
  unsigned misuse_reported = 0;

  // Replays (replay.cpp): called at the start of every kit_await_event(), the moment the program
  // has finished with its previous event and the frame it drew for it. Null outside a replay.
  void (*replay_await_hook)() = nullptr;
};

extern KitState kit;

// Forgets all kit state, closing an open script file (for the headless tests).
void kit_reset_state();

// The calls that need the kit's windows. Made before kit_open(), each says so on stderr, once.
enum KitCall : unsigned {
  CALL_AWAIT_EVENT,
  CALL_SET_ANIMATION,
  CALL_SET_LOGGING,
  CALL_SHOW_LOG_WINDOW,
  CALL_SET_TICK_PERIOD,
  CALL_CIRCLE,
  CALL_TRIANGLE,
  CALL_RECTANGLE,
  CALL_OVAL,
  CALL_LINE,
  CALL_TEXT,
  CALL_PRINTF,
  CALL_CLEAR,
  CALL_ENABLE_INPUT,
  CALL_SAVE_PNG,
};
// True once kit_open() has made the windows; otherwise writes, the first time for this call, one
// line on stderr naming it, and returns false.
bool kit_is_open(KitCall call);

// Events (events.cpp).
void kit_pump_message();
intptr_t graphics_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                              intptr_t lparam);
void kit_run_command(int id);

// Colours (colours.cpp): whether an index names a colour (0..23 or defined), and its 0xRRGGBB,
// red for any index that names none.
bool kit_colour_valid(int colour);
uint32_t kit_colour_rgb(int colour);

// Windows and canvas (window.cpp).
void kit_set_origin_from_client(platform::Window window);
void kit_repaint_graphics(platform::Window window);

// Log (log.cpp).
void kit_show_log_line(const char* text);
// Called with every line kit_log() formats (the headless platform's log_lines()); nullptr for
// none. It survives kit_reset_state().
using LogObserver = void (*)(const char* line);
void kit_set_log_observer(LogObserver observer);
intptr_t log_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                         intptr_t lparam);

// PNG pictures (png.cpp). Writes `surface` to an open file as PNG: 0, or the error met (an errno
// value).
int kit_write_png(std::FILE* file, cairo_surface_t* surface);
// The permissions a new file gets: 0666 less the process's file mode mask.
unsigned kit_new_file_mode();

// Scripts (script.cpp).
int kit_script_read();
void kit_script_write(int kind, int x, int y, char key);
void kit_flush_recording();
void kit_stop_playback();
void kit_script_close();
// Makes `file`, open for reading, the script file in place of opening the script path: the replay
// driver opens its script once, itself, and the kit plays from that handle and closes it.
void kit_script_read_from(std::FILE* file);
// The Run menu's commands ask these before starting a recording, or a playback (continuous or one
// event): recording and playback share the script file, so neither may start while the other is
// on. When refused they log why, keep the entry's check mark unchecked and return false.
bool kit_script_begin_recording();
bool kit_script_begin_playback();

} // namespace veldo
