/*
 * VELDO: a small graphics kit for programs that draw on a 601 x 540 canvas and take one event at
 * a time from a single blocking call.
 *
 * The kit owns everything that touches the operating system: a fixed-size graphics window over an
 * off-screen canvas, a scrolling log window ("VELDO Text"), the "Run" menu with its Ctrl
 * shortcuts, a tick timer, animation control and the recording and replaying of event scripts.
 *
 * Coordinates: canvas coordinates are 32-bit signed integers with the origin (0, 0) at the centre
 * of the graphics window's client area; x grows to the right and y grows UPWARD. The client area
 * is 601 x 501 pixels, so x -300..300 and y -250..250 fill it exactly.
 *
 * Colours are indices 0..23 into a fixed table of named colours (VELDO_BLACK ... VELDO_GRAY_20).
 * Bad drawing arguments are never fatal: each is corrected and a message naming the given and the
 * used value is written to the log window, whether or not logging is on.
 *
 * Usage: kit_open() first, then loop on kit_await_event() and draw after every event; every
 * drawing lands on the canvas at once and becomes visible when the kit next waits for an event.
 */
#ifndef VELDO_KIT_H
#define VELDO_KIT_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VELDO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VELDO_PRINTF(fmt, args)
#endif

/* ---- Event kinds: what kit_await_event() returns ------------------------------------------- */

enum {
  VELDO_MOUSE = 1,    /* a left-button click; x and y hold its canvas coordinates */
  VELDO_KBD = 2,      /* a typed character; key holds it, x = y = 0 */
  VELDO_PERIODIC = 3, /* a timer tick while the animation runs (or one single step) */
  VELDO_QUIT = 4      /* the Run menu's Quit, Ctrl+Q, the close box, or kit_set_animation(5) */
};

/* ---- Colour indices ----------------------------------------------------------------------- */

enum {
  VELDO_BLACK = 0,
  VELDO_WHITE = 1,
  VELDO_RED = 2, /* also what every invalid colour index is replaced by */
  VELDO_GREEN = 3,
  VELDO_BLUE = 4,
  VELDO_YELLOW = 5,
  VELDO_MAGENTA = 6,
  VELDO_CYAN = 7,
  VELDO_PURPLE = 8,
  VELDO_NAVY_BLUE = 9,
  VELDO_DUSTY_PLUM = 10,
  VELDO_ICE_BLUE = 11,
  VELDO_TURQUOISE = 12,
  VELDO_ORANGE = 13,
  VELDO_BROWN = 14,
  VELDO_PINK = 15,
  VELDO_CHALK = 16,
  VELDO_GOLD = 17,
  VELDO_PEACH = 18,
  VELDO_FOREST_GREEN = 19,
  VELDO_SEA_GREEN = 20,
  VELDO_OLIVE = 21,
  VELDO_GRAY_50 = 22,
  VELDO_GRAY_20 = 23,
  VELDO_COLOUR_COUNT = 24
};

/* ---- Animation codes for kit_set_animation() ---------------------------------------------- */

enum {
  VELDO_HALT = 0, /* no ticks are delivered */
  VELDO_STEP = 1, /* exactly one tick is delivered, then the kit is halted */
  VELDO_RUN = 2,  /* every tick is delivered */
  VELDO_END = 5   /* every later kit_await_event() returns VELDO_QUIT */
};

/* ---- Opening and closing ------------------------------------------------------------------ */

/* Chooses the platform before kit_open(): "gtk" (the default, a real desktop) or "headless" (no
 * display, virtual clock; see veldo/headless.h). Returns 1 when the name is known, else 0. */
int kit_use_platform(const char* name);

/* Creates the graphics window "VELDO Graphics" with its Run menu, the log window "VELDO Text",
 * the canvas and a 100 ms tick timer; the kit starts halted. Must come before any other call.
 * The window classes are registered only when `previous_instance` is NULL. Without a display
 * it prints one line on stderr and ends the process with status 1. Returns 1. */
int kit_open(void* instance, void* previous_instance, const char* command_line, int show_mode);

/* Ends the kit's use: closes the script file (nothing recorded is lost). Returns 1. */
int kit_close(void);

/* Sets the tick timer's period in milliseconds (at least 1; the kit starts at 100).
 * Returns 1, or 0 before kit_open(). */
int kit_set_tick_period(int milliseconds);

/* ---- Events ------------------------------------------------------------------------------- */

/* Blocks until the next event and returns its kind (VELDO_MOUSE .. VELDO_QUIT). All three
 * out-parameters are always written: a click sets x and y, a character sets key, everything else
 * leaves them 0. Windows are repainted and menu commands handled only while this call waits; a
 * waiting program uses no CPU. While the animation runs, a VELDO_PERIODIC event is returned for
 * the first tick after the call started waiting, so a tick never comes back-to-back with the
 * previous call. While a script is played back, its events come first and are not paced. */
int kit_await_event(int* x, int* y, char* key);

/* Sets the animation: VELDO_HALT, VELDO_STEP, VELDO_RUN or VELDO_END; other codes do nothing.
 * Returns 1, or 0 (and does nothing) before kit_open(). */
int kit_set_animation(int code);

/* ---- The log window ----------------------------------------------------------------------- */

/* Formats a message (printf conventions, the message carries its own "\n") and writes it as the
 * newest line at the bottom of the log window; the window keeps the last 25 lines. Text beyond
 * 1023 characters is cut. Returns the number of characters formatted. */
int kit_log(const char* format, ...) VELDO_PRINTF(1, 2);

/* Turns drawing-call logging on (nonzero) or off. While it is on, every drawing call writes one
 * line describing itself; corrections are written either way. Turning it on shows the log window.
 * Returns 1, or 0 (and does nothing) before kit_open(). */
int kit_set_logging(int on);

/* Shows (nonzero) or hides (0) the log window. Returns nonzero when it was visible before. */
int kit_show_log_window(int show);

/* ---- Drawing: every call renders at once onto the canvas ---------------------------------- */

/* Returns `colour` when it is 0..23; otherwise logs "Illegal color ..." and returns VELDO_RED. */
int kit_check_colour(int colour);

/* The colour's name as the log lines print it ("black", "50% gray", ...); NULL outside 0..23. */
const char* kit_colour_name(int colour);

/* A filled disc of `radius` around (x, y): 2 * radius + 1 pixels across. A negative radius is
 * used as its magnitude, with a message. Returns 1. */
int kit_circle(int colour, int x, int y, int radius);

/* A triangle through three points: filled when `width` is 0, else an outline of `width` pixels
 * that leaves the inside untouched. A negative width is used as its magnitude. Returns 1. */
int kit_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);

/* A rectangle with any two opposite corners, both corner pixels included; filled or outline as
 * for kit_triangle(). Returns 1. */
int kit_rectangle(int colour, int x1, int y1, int x2, int y2, int width);

/* The oval inscribed in the same box as kit_rectangle() would draw. Returns 1. */
int kit_oval(int colour, int x1, int y1, int x2, int y2, int width);

/* A line from (x1, y1) to (x2, y2), at least one pixel wide; a one-pixel line leaves its end
 * pixel unpainted. Returns 1. */
int kit_line(int colour, int x1, int y1, int x2, int y2, int width);

/* Text in "DejaVu Sans" with a character height of `size` pixels (0..127; 0 is the default
 * height). (x, y) is the lower-left corner of the first line's cell; each line feed starts a new
 * line one line height lower. Only the glyphs' pixels are painted. Returns 1. */
int kit_text(int colour, int x, int y, int size, const char* text);

/* kit_text() with printf formatting (up to 1023 characters). Returns the characters formatted. */
int kit_printf(int colour, int x, int y, int size, const char* format, ...) VELDO_PRINTF(5, 6);

/* Makes the canvas white inside a one-pixel black frame. Returns 1. */
int kit_clear(void);

#ifdef __cplusplus
}
#endif

#endif
