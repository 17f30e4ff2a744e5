// The platform layer: the few operations the kit needs of an operating system, in the kit's own
// terms. The kit's control flow runs over a thread message queue, so the layer keeps one, shared
// by every backend (GTK 3 for the desktop, headless for tests and replays, the web page in a
// browser). Nothing in this
// header names a toolkit; the canvas and the window pictures are Cairo image surfaces.
#pragma once

#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace veldo::platform {

// Message numbers, as the original platform numbers them.
enum : unsigned {
  WM_CREATE = 1,
  WM_DESTROY = 2,
  WM_SIZE = 5,
  WM_PAINT = 15,
  WM_CLOSE = 16, // the close box; the default handling destroys the window
  WM_QUIT = 18,
  WM_KEYDOWN = 256,
  WM_KEYUP = 257,
  WM_CHAR = 258,
  WM_COMMAND = 273,
  WM_TIMER = 275,
  // Mouse messages carry the pixel in the client area in lparam: the column in the low 16 bits,
  // the row in the high 16, both unsigned. A move is posted only while the pointer is over the
  // client area.
  WM_MOUSEMOVE = 512,
  WM_LBUTTONDOWN = 513,
  WM_RBUTTONDOWN = 516,
  WM_MBUTTONDOWN = 519,
};

// The buttons and keys held, in wparam of the mouse messages.
enum : unsigned { MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10 };

// Key codes the kit looks at (letters are their upper-case character codes).
enum : unsigned { VK_CONTROL = 17 };

// Menu entry flags.
enum : unsigned {
  MF_STRING = 0,
  MF_UNCHECKED = 0,
  MF_GRAYED = 1,
  MF_CHECKED = 8,
  MF_POPUP = 0x10,
  MF_SEPARATOR = 0x800,
};

// Window class styles: redraw the whole window on a size change.
enum : unsigned { CS_VREDRAW = 1, CS_HREDRAW = 2 };

// Show modes.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

using Window = int; // 0 is "no window"
using Menu = int;   // 0 is "no menu"
using WindowProc = intptr_t (*)(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);

struct Message {
  Window window = 0;
  unsigned message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  // For WM_KEYDOWN: the character the key yields (0 for none), which translate_message() turns
  // into a WM_CHAR message queued right behind the key-down.
  unsigned character = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

enum class WindowStyle {
  Fixed,    // title bar with close box, no sizing border (the graphics window)
  Sizeable, // title bar, close box, sizing border, minimise and maximise (the log window)
};

struct WindowClass {
  const char* name;
  unsigned style;          // CS_HREDRAW | CS_VREDRAW
  uint32_t background_rgb; // 0xRRGGBB, what begin_paint() erases with
};

struct WindowDesc {
  const char* class_name;
  const char* title;
  WindowStyle style;
  int x, y;                // outer position on the screen
  int width, height;       // requested size; see create_window()
  WindowProc proc;         // the window's procedure
  uint32_t background_rgb; // the class background, used when the class is not registered
};

// ---- Backend choice and start-up ---------------------------------------------------------------

// Chooses the backend by name ("gtk", "headless"; "web" in a browser build, which has no "gtk")
// before start_up(). Returns false for an unknown name or one this build does not have.
bool select_backend(const char* name);
const char* backend_name();

// Connects to the display. Without one, prints a one-line reason on stderr and ends the process
// with status 1. Calling it again does nothing.
void start_up();

// What the kit does when the connection to the display breaks: the backend writes one line on
// stderr, calls `handler` (nullptr for none) and ends the process with status 1. The toolkit
// cannot go on after such a break, so the handler must not use the windows; it closes what must be
// kept, such as a recording.
void on_display_lost(void (*handler)());

// Forgets every window, message, timer, menu and surface, as a new process would have it.
// Used by the headless tests between cases.
void reset();

// ---- Classes and windows -----------------------------------------------------------------------

void register_class(const WindowClass& window_class);
int registered_class_count();

void screen_size(int* width, int* height);

// Creates a window, hidden. Its procedure receives WM_CREATE and then WM_SIZE synchronously,
// before this returns. For a Fixed window width x height is the client area below the menu bar;
// for a Sizeable window it is the client area too (the window manager adds its frame).
Window create_window(const WindowDesc& desc);

// Shows (mode != SW_HIDE) or hides a window. Returns true when it was visible before.
bool show_window(Window window, int mode);
bool window_visible(Window window);

// The client rectangle, (0, 0) at its top-left.
Rect client_rect(Window window);

// The window's procedure is called with WM_DESTROY, and the window disappears.
void destroy_window(Window window);

intptr_t default_window_proc(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);

// ---- The message queue -------------------------------------------------------------------------

// A WM_MOUSEMOVE is coalesced: when a move of the same window is queued with nothing but timer
// messages and other windows' moves after it, it takes the new position instead, so a moving
// mouse cannot flood the queue.
void post_message(Window window, unsigned message, uintptr_t wparam, intptr_t lparam);
void post_quit_message(int exit_code);

// Takes at most one message without waiting (collecting what the backend has first).
bool peek_message(Message* message);

// A key-down with a character queues a WM_CHAR message to be taken next.
void translate_message(const Message& message);

intptr_t dispatch_message(const Message& message);

// Blocks until a message can be taken. Never spins.
void wait_message();

// On: SIGINT and SIGTERM make the queue deliver a quit message (as the Run menu's Quit does).
// Off: they get their default handling back, and end the process.
void quit_on_signals(bool on);

// The kit calls this whenever kit_await_event() returns, so that the headless backend can tell a
// program that still takes events from one that waits forever with no input.
void note_event_returned();

// ---- Timers ------------------------------------------------------------------------------------

// Starts or replaces timer `id` of `window`. Its WM_TIMER message is coalesced: at most one per
// timer waits in the queue.
void set_timer(Window window, int id, int period_ms);
void kill_timer(Window window, int id);
// A paused timer posts nothing and wakes nobody, but keeps its schedule: once it goes on, its ticks
// fall due exactly when they would have. Pausing or resuming it again changes nothing.
void pause_timer(Window window, int id, bool paused);

// ---- Menus -------------------------------------------------------------------------------------

Menu create_menu_bar();
Menu create_popup_menu();
// `id_or_popup` is the command id, or the popup menu for MF_POPUP.
void append_menu(Menu menu, unsigned flags, uintptr_t id_or_popup, const char* text);
void set_menu(Window window, Menu menu_bar);
void draw_menu_bar(Window window);
// Sets or clears the check mark of the entry with command id `id` (MF_CHECKED or MF_UNCHECKED).
// Returns the previous state, or -1 when no entry has that id.
int check_menu_item(Menu menu, int id, unsigned check);

// ---- Surfaces ----------------------------------------------------------------------------------

// The one off-screen canvas (RGB24 Cairo image surface), created by create_canvas().
void create_canvas(int width, int height);
cairo_surface_t* canvas_surface();

// Copies the whole canvas into the window's picture at (0, 0), clipped to the client area, and
// has the backend show it.
void copy_canvas_to_window(Window window);

// The window's picture: what the window shows, client-area sized.
cairo_surface_t* window_surface(Window window);

// Paint bracket: begin_paint() erases the picture with the class background.
void begin_paint(Window window);
void end_paint(Window window);

// The log window's drawing: scroll the whole picture up by `dy` pixels; fill a rectangle (right
// and bottom exclusive) with a colour; draw one line of text in the fixed-pitch font with the
// top-left of its cell at (x, y), black on the background; the font's line height.
void scroll_window_up(Window window, int dy);
void fill_window_rect(Window window, const Rect& rect, uint32_t rgb);
void draw_window_text(Window window, int x, int y, const char* text, int length);
int fixed_font_line_height();
uint32_t window_background(Window window);

} // namespace veldo::platform
