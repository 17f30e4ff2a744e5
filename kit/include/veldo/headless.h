// The headless platform: no display, a virtual clock, input injected by the caller. Programs and
// tests choose it with kit_use_platform("headless") before kit_open(). Time moves only when the
// kit would wait with an empty queue: the clock then jumps to the next timer and posts its tick,
// so a run is as fast as the CPU allows and exactly repeatable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veldo::headless {

// Forgets all kit and platform state, as a new process would have it, and selects the headless
// platform. Call before each kit_open() in a test.
void reset();

// ---- Input: queued exactly as the desktop platform queues it ---------------------------------

// A left-button press at a pixel of the graphics window's client area.
void click(int px, int py);
// A right- or middle-button press there. The kit makes them events only for a program that asked
// for VELDO_INPUT_BUTTONS.
void right_click(int px, int py);
void middle_click(int px, int py);
// The mouse moved to a pixel of the client area. A move queued right behind another (or behind
// it and ticks) takes its place, as on the desktop. The kit makes moves events only for a
// program that asked for VELDO_INPUT_MOTION.
void mouse_move(int px, int py);
// A key pressed and released in the graphics window (or the log window), yielding `character`
// (0 for none). Key codes are the original platform's: letters are their upper-case codes, the
// Ctrl key is 17.
void key_down(unsigned key_code, unsigned character = 0, bool in_log_window = false);
void key_up(unsigned key_code, bool in_log_window = false);
// key_down + key_up of a printable character (the key code is its upper-case letter).
void type(char character, bool in_log_window = false);
// Ctrl down, the letter's key down and up, Ctrl up: the Run menu's shortcut.
void ctrl_shortcut(char letter, bool in_log_window = false);
// A special key, by the kit's code (VELDO_KEY_LEFT ...), going down or coming up with the key
// code and the character the desktop gives it (Enter types 13, Escape 27, Tab 9, Backspace 8);
// press_special_key() is both. Any other value posts nothing.
void special_key_down(int key, bool in_log_window = false);
void special_key_up(int key, bool in_log_window = false);
void press_special_key(int key, bool in_log_window = false);
// A Run menu entry chosen with the mouse (its command id, 1..8).
void choose_menu(int id);
// The graphics window's close box.
void close_graphics_window();
// Gives the graphics window a new client size (sends WM_SIZE).
void resize_graphics_client(int width, int height);
// Gives the log window a new client size (sends WM_SIZE; the log is then repainted).
void resize_log_client(int width, int height);

// ---- Time --------------------------------------------------------------------------------------

// Moves the virtual clock on, posting the ticks of every timer that falls due.
void advance_clock(int milliseconds);
int64_t clock_ms();
// Called whenever the kit would wait with an empty queue, before the clock moves: the place to
// inject the next input. Pass nullptr to remove it.
void set_idle_handler(std::function<void()> handler);
// The period of the graphics window's tick timer in ms, or 0 when it is not running.
int tick_period_ms();
// Whether the kit has paused its tick timer: it does so while it waits halted, when no tick could
// end the wait, so that a halted program is not woken 40 times a second for nothing.
bool tick_timer_paused();
// How many quits the platform's stall guard has posted since reset(). It posts one, with a line on
// stderr, when the kit would wait with no timer running and nothing queued, or when ten minutes of
// virtual time pass without an event: a program that would wait for ever is ended rather than
// hung. A test that ends on a quit expects this to stay 0 unless it waits that long on purpose.
int stall_quits();

// ---- What can be observed ----------------------------------------------------------------------

// 0xRRGGBB of a canvas pixel (601 x 540), or of a pixel of a window's picture.
uint32_t canvas_pixel(int x, int y);
uint32_t graphics_window_pixel(int x, int y);
uint32_t log_window_pixel(int x, int y);
int log_window_width();
int log_window_height();
// Every line kit_log() received since reset(), in order, exactly as formatted.
const std::vector<std::string>& log_lines();
void clear_log_lines();
// Called with every line kit_log() formats, as it is written.
void set_log_listener(std::function<void(const std::string&)> listener);

struct MenuEntry {
  std::string text; // "" for a separator
  int id;           // command id, 0 for a separator
  bool checked;
  bool grayed;
  bool separator;
};
// The Run popup's entries in order; its title ("&Run") in *title when given.
std::vector<MenuEntry> run_menu(std::string* title = nullptr);
bool menu_checked(int id);

bool log_window_visible();
bool graphics_window_visible();
int registered_class_count();
// How often the canvas was copied to the graphics window, and how often its picture was shown.
int canvas_copy_count();

// Saves the canvas as PNG; false when the file cannot be written.
bool save_canvas_png(const char* path);

} // namespace veldo::headless
