/*
 * VELDO: a small graphics kit for programs that draw on a 601 x 540 canvas and take one event at
 * a time from a single blocking call.
 *
 * The kit owns everything that touches the operating system: a fixed-size graphics window over an
 * off-screen canvas, a scrolling log window ("VELDO Text"), the "Run" menu with its Ctrl
 * shortcuts, a tick timer, animation control and the recording and replaying of event scripts.
 *
 * Usage: kit_open() first, then loop on kit_await_event() and draw after every event; every
 * drawing lands on the canvas at once and becomes visible when the kit next waits for an event.
 * End the loop on VELDO_QUIT and call kit_close(). A whole program:
 *
 *     #include <veldo/kit.h>
 *     int main(void) {
 *       int x, y, kind;
 *       char key;
 *       kit_open(0, 0, "", 1);
 *       kit_clear();
 *       while ((kind = kit_await_event(&x, &y, &key)) != VELDO_QUIT)
 *         if (kind == VELDO_MOUSE)
 *           kit_circle(VELDO_BLUE, x, y, 5);
 *       kit_close();
 *       return 0;
 *     }
 *
 * The rules that are easy to miss:
 *
 * - One blocking call. The program has no message loop of its own: windows are repainted, menu
 *   commands and shortcuts handled and drawings shown only while kit_await_event() waits. A long
 *   computation between two calls freezes the windows; a waiting program uses no CPU.
 *
 * - Coordinates: canvas coordinates are 32-bit signed integers with the origin (0, 0) at the
 *   centre of the graphics window's client area; x grows to the right and y grows UPWARD. The
 *   client area is 601 x 501 pixels, so x -300..300 and y -250..250 fill it exactly. The canvas is
 *   taller (540 rows): what is drawn below y = -250 lands on the canvas but is never seen. The kit
 *   neither checks nor clips coordinates; drawing outside the canvas is simply lost.
 *
 * - Colours are indices 0..23 into a fixed table of named colours (VELDO_BLACK ... VELDO_GRAY_20),
 *   and 24..255 for colours the program defines itself (kit_define_colour()).
 *
 * - Corrections: bad drawing arguments are never fatal. Each is corrected and a message naming
 *   the given and the used value is written to the log window, whether or not logging is on: a
 *   colour that is neither 0..23 nor defined by the program becomes red, a negative radius, width
 * or text size its magnitude, a text size above 127 becomes 127. Rectangle and oval corners given
 * in any order, and a line width of 0, are normalised silently.
 *
 * - Logging: while drawing-call logging is on (kit_set_logging(), Ctrl+L), every drawing call and
 *   kit_clear() write one line describing themselves to the log window, after their correction
 *   messages; the lines are quoted with each operation below. The kit starts with logging ON.
 *   Run a program with VELDO_LOG=stderr in its environment to see every log line in the terminal
 *   too, corrections included.
 *
 * - Scripts: while recording (Ctrl+R) every event kit_await_event() returns, except a quit, is
 *   written as one line to "VELDO.SCR" in the working directory; playback (Ctrl+P, Ctrl+O) feeds
 *   those events back in place of live input. Since the events are all a program sees, a program
 *   that never reads the clock replays exactly. Every kind of event has its line, the ones asked
 *   for with kit_enable_input() included (see "More input" below).
 *
 * - One thread: call the kit from one thread only, and call kit_open() before anything but
 *   kit_use_platform(), kit_log(), the colour look-ups and definitions and the text
 *   measurements. A call that needs the windows, made before kit_open(), does nothing, returns at
 *   once (kit_await_event() returns VELDO_QUIT, the others what their comment below says) and
 *   names itself in one line on stderr, once.
 */
#ifndef VELDO_KIT_H
#define VELDO_KIT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Lets the compiler check the arguments of the printf-like operations against their format. */
#if defined(__GNUC__)
#define VELDO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VELDO_PRINTF(fmt, args)
#endif

/* ---- Event kinds: what kit_await_event() returns ------------------------------------------- */

enum {
  VELDO_MOUSE = 1,    /* a left-button click; x and y hold its canvas coordinates */
  VELDO_KBD = 2,      /* a typed character; key holds it, x = y = 0 (Ctrl+letter is a shortcut) */
  VELDO_PERIODIC = 3, /* a timer tick while the animation runs (or one single step) */
  VELDO_QUIT = 4,     /* Quit, Ctrl+Q, the close box, SIGINT, SIGTERM or kit_set_animation(5) */
  /* Only a program that asked for them with kit_enable_input() receives the kinds below. */
  VELDO_KEY_PRESS = 5,    /* a special key went down (or repeats); key holds its VELDO_KEY_ code */
  VELDO_KEY_RELEASE = 6,  /* a special key came up; key holds its VELDO_KEY_ code */
  VELDO_RIGHT_CLICK = 7,  /* a right-button press; x and y hold its canvas coordinates */
  VELDO_MIDDLE_CLICK = 8, /* a middle-button press (the wheel's click); x and y as for a click */
  VELDO_MOTION = 9        /* the mouse moved over the canvas; x and y hold where it is now */
};

/* ---- What kit_enable_input() asks for (flags, added together) -------------------------------- */

enum {
  VELDO_INPUT_KEYS = 1,     /* VELDO_KEY_PRESS for the special keys below */
  VELDO_INPUT_RELEASES = 2, /* VELDO_KEY_RELEASE for the same keys */
  VELDO_INPUT_BUTTONS = 4,  /* VELDO_RIGHT_CLICK and VELDO_MIDDLE_CLICK */
  VELDO_INPUT_MOTION = 8,   /* VELDO_MOTION */
  VELDO_INPUT_ALL = 15      /* all of them */
};

/* ---- Special keys: the codes VELDO_KEY_PRESS and VELDO_KEY_RELEASE carry in `key` ----------- */

enum {
  VELDO_KEY_LEFT = 1, /* the arrow keys */
  VELDO_KEY_UP = 2,
  VELDO_KEY_RIGHT = 3,
  VELDO_KEY_DOWN = 4,
  VELDO_KEY_HOME = 5,
  VELDO_KEY_END = 6,
  VELDO_KEY_PAGE_UP = 7,
  VELDO_KEY_PAGE_DOWN = 8,
  VELDO_KEY_ESCAPE = 9,     /* also types character 27 */
  VELDO_KEY_ENTER = 10,     /* also types character 13 */
  VELDO_KEY_TAB = 11,       /* also types character 9 */
  VELDO_KEY_BACKSPACE = 12, /* also types character 8 */
  VELDO_KEY_DELETE = 13,
  VELDO_KEY_F1 = 14, /* F1 .. F12 are VELDO_KEY_F1 + 0 .. VELDO_KEY_F1 + 11 */
  VELDO_KEY_F2 = 15,
  VELDO_KEY_F3 = 16,
  VELDO_KEY_F4 = 17,
  VELDO_KEY_F5 = 18,
  VELDO_KEY_F6 = 19,
  VELDO_KEY_F7 = 20,
  VELDO_KEY_F8 = 21,
  VELDO_KEY_F9 = 22,
  VELDO_KEY_F10 = 23,
  VELDO_KEY_F11 = 24,
  VELDO_KEY_F12 = 25
};

/* ---- Colour indices, with the colour's name in the log lines and its red, green, blue ------- */

enum {
  VELDO_BLACK = 0,         /* "black"          0   0   0 */
  VELDO_WHITE = 1,         /* "white"        255 255 255; the windows' background, kit_clear() */
  VELDO_RED = 2,           /* "red"          255   0   0; replaces every invalid colour index */
  VELDO_GREEN = 3,         /* "green"          0 255   0 */
  VELDO_BLUE = 4,          /* "blue"           0   0 255 */
  VELDO_YELLOW = 5,        /* "yellow"       255 255   0 */
  VELDO_MAGENTA = 6,       /* "magenta"      255   0 255 */
  VELDO_CYAN = 7,          /* "cyan"           0 255 255 */
  VELDO_PURPLE = 8,        /* "purple"       153   0 204 */
  VELDO_NAVY_BLUE = 9,     /* "navy blue"      0  51 153 */
  VELDO_DUSTY_PLUM = 10,   /* "dusty plum"   153 102 153 */
  VELDO_ICE_BLUE = 11,     /* "ice blue"     153 255 255 */
  VELDO_TURQUOISE = 12,    /* "turquoise"    153 255 204 */
  VELDO_ORANGE = 13,       /* "orange"       255 102   0 */
  VELDO_BROWN = 14,        /* "brown"        153 102  51 */
  VELDO_PINK = 15,         /* "pink"         255 153 204 */
  VELDO_CHALK = 16,        /* "chalk"        255 255 153 */
  VELDO_GOLD = 17,         /* "gold"         204 153  51 */
  VELDO_PEACH = 18,        /* "peach"        255 153 102 */
  VELDO_FOREST_GREEN = 19, /* "forest green"   0 102  51 */
  VELDO_SEA_GREEN = 20,    /* "sea green"     51 204 153 */
  VELDO_OLIVE = 21,        /* "olive"        153 153  51 */
  VELDO_GRAY_50 = 22,      /* "50% gray"     128 128 128 */
  VELDO_GRAY_20 = 23,      /* "20% gray"     204 204 204 */
  VELDO_COLOUR_COUNT = 24, /* how many named colours the kit has */
  /* Colours of the program's own (kit_define_colour()) take the indices from VELDO_COLOUR_COUNT
   * up to VELDO_COLOUR_LIMIT - 1, that is 24..255. */
  VELDO_COLOUR_LIMIT = 256
};

/* The longest name of a program's own colour that is kept, in bytes. */
enum { VELDO_COLOUR_NAME_MAX = 31 };

/* ---- Animation codes for kit_set_animation() ---------------------------------------------- */

enum {
  VELDO_HALT = 0, /* no ticks are delivered */
  VELDO_STEP = 1, /* one tick is delivered even while halted; the run/halt state is unchanged */
  VELDO_RUN = 2,  /* every tick is delivered */
  VELDO_END = 5   /* every later kit_await_event() returns VELDO_QUIT */
};

/* ---- Opening and closing ------------------------------------------------------------------ */

/* Chooses the platform before kit_open(): "gtk" (the default, a real desktop) or "headless" (no
 * display, virtual clock; see veldo/headless.h). Returns 1 when the name is known, else 0; after
 * kit_open() it returns 0 and changes nothing. */
int kit_use_platform(const char* name);

/* Creates the graphics window "VELDO Graphics" with its Run menu, the log window "VELDO Text",
 * the canvas and a 100 ms tick timer; the kit starts halted and with logging on. Must come before
 * any other call except kit_use_platform(). The window classes are registered only when
 * `previous_instance` is NULL; `instance`, `command_line` and `show_mode` are passed through
 * from the program's start and may be 0, "" and 1. The canvas is unspecified until the first
 * kit_clear(). From here on SIGINT and SIGTERM arrive as VELDO_QUIT, so that a program stopped
 * from outside still ends through kit_close() and keeps its recording. Without a display it prints
 * one line on stderr and ends the process with status 1. Returns 1. */
int kit_open(void* instance, void* previous_instance, const char* command_line, int show_mode);

/* Ends the kit's use: closes the script file (nothing recorded is lost), and SIGINT and SIGTERM
 * end the process again. The windows stay until the process ends. Returns 1. */
int kit_close(void);

/* Sets the tick timer's period in milliseconds (at least 1; the kit starts at 100).
 * Returns 1, or 0 before kit_open(). */
int kit_set_tick_period(int milliseconds);

/* ---- Events ------------------------------------------------------------------------------- */

/* Blocks until the next event and returns its kind (VELDO_MOUSE .. VELDO_QUIT, and the kinds
 * asked for with kit_enable_input()). All three out-parameters are always written: a click of
 * any button and a motion set x and y, a character or a special key sets key, everything else
 * leaves them 0. Windows are repainted and menu commands handled only while this call waits; a
 * waiting program uses no CPU. While the animation runs, a VELDO_PERIODIC event is returned for
 * the first tick after the call started waiting, so a tick never comes back-to-back with the
 * previous call, and ticks that came while the program was busy are not made up for. A click or
 * character is returned at once in every mode. While a script is played back, its events come
 * first and are not paced. After VELDO_QUIT the call still works: ending is the caller's job. */
int kit_await_event(int* x, int* y, char* key);

/* Sets the animation: VELDO_HALT, VELDO_STEP, VELDO_RUN or VELDO_END; other codes do nothing.
 * VELDO_END does not shorten the current wait: the next call still waits for an event, then
 * returns VELDO_QUIT. Returns 1, or 0 (and does nothing) before kit_open(). */
int kit_set_animation(int code);

/* ---- More input, asked for by the program -------------------------------------------------- */

/* Chooses which input beyond clicks and characters the program receives: the VELDO_INPUT_ flags
 * added together (VELDO_INPUT_ALL for everything, 0 for nothing more, as at the start). Each call
 * replaces the previous choice; unknown bits are ignored. Returns 1, or 0 before kit_open().
 *
 * - Special keys (VELDO_INPUT_KEYS, VELDO_INPUT_RELEASES): the arrows, Home, End, Page Up, Page
 *   Down, Escape, Enter, Tab, Backspace, Delete and F1..F12 come as VELDO_KEY_PRESS, with their
 *   VELDO_KEY_ code in `key` and x = y = 0; a key held down repeats its VELDO_KEY_PRESS as the
 *   keyboard repeats it. With VELDO_INPUT_RELEASES the release comes as VELDO_KEY_RELEASE. Escape,
 *   Enter, Tab and Backspace type their characters as before: VELDO_KBD comes right after their
 *   VELDO_KEY_PRESS. The Ctrl shortcuts come first: while Ctrl is held no key is pressed for the
 *   program (no VELDO_KEY_PRESS, no character), but releases still come, so that a program
 *   keeping track of held keys never misses one.
 * - Buttons (VELDO_INPUT_BUTTONS): a press of the right or the middle button on the canvas comes
 *   as VELDO_RIGHT_CLICK or VELDO_MIDDLE_CLICK with its canvas coordinates, as a left click does.
 * - Motion (VELDO_INPUT_MOTION): while the mouse moves over the canvas's visible part, the kit
 *   returns VELDO_MOTION with the mouse's latest canvas coordinates, at most once between two
 *   ticks of the tick timer: the first move after a tick is returned at once; later moves are
 *   held, and once the next tick has come the latest of them is returned as one event (after that
 *   tick's VELDO_PERIODIC, when the animation runs). The timer keeps ticking for this while the
 *   program is halted. So a moving mouse never floods a program, and a script holds at most one
 *   motion line per tick.
 *
 * Recorded, each of these events is one line of the script ("VELDO_DOWN(1);" for a press of
 * VELDO_KEY_LEFT, "VELDO_UP(1);" for its release, "VELDO_RIGHT(x, y);", "VELDO_WHEEL(x, y);" for
 * a middle click, "VELDO_HOVER(x, y);" for a motion); played back, it comes back exactly. A line
 * whose key is not one of the codes above cannot be played and ends playback. A script line of a
 * kind the program has not asked for ends playback as a line the kit does not know, so a program
 * that asks for nothing new sees exactly what it saw before. */
int kit_enable_input(int flags);

/* ---- The log window ----------------------------------------------------------------------- */

/* Formats a message (printf conventions, the message carries its own "\n") and writes it as the
 * newest line at the bottom of the log window, whether or not logging is on; the window keeps
 * the last 25 lines. Text beyond 1023 characters is cut, and so is text after a zero character.
 * The window shows it in Liberation Mono, 12 pixels high, its bytes read as kit_text() reads them.
 * Returns the number of characters formatted, as printf does, even when the line kept is shorter.
 * With VELDO_LOG=stderr in the environment every line is also written to standard error. */
int kit_log(const char* format, ...) VELDO_PRINTF(1, 2);

/* Turns drawing-call logging on (nonzero) or off. While it is on, every drawing call writes one
 * line describing itself; corrections are written either way. Turning it on shows the log window;
 * turning it off leaves the window as it is. Ctrl+L toggles the same flag.
 * Returns 1, or 0 (and does nothing) before kit_open(). */
int kit_set_logging(int on);

/* Shows (nonzero) or hides (0) the log window; hidden, it still keeps its lines.
 * Returns nonzero when it was visible before. */
int kit_show_log_window(int show);

/* ---- Drawing: every call renders at once onto the canvas ---------------------------------- */

/* Returns `colour` when it is 0..23 or a colour the program has defined; otherwise logs
 * "Illegal color <colour>; using RED." and returns VELDO_RED. Every drawing call checks its colour
 * this way. */
int kit_check_colour(int colour);

/* The colour's name as the log lines print it ("black", "50% gray", a defined colour's own name);
 * NULL for an index that is neither 0..23 nor defined. A defined name stays valid until its colour
 * is defined again. */
const char* kit_colour_name(int colour);

/* Defines colour `index` (24..255) as red, green and blue (0..255 each), logged under `name`.
 * From then on every drawing call takes the index like a named colour: it draws with exactly that
 * red, green and blue, and its log line prints the name. Defining an index again replaces its
 * colour and name for the calls that follow; what is drawn already stays as it is. Corrections,
 * each with a message: a channel below 0 or above 255 is used as 0 or 255 ("Red of -5 not
 * possible, using red 0"); a missing or empty name becomes "colour <index>"; a name longer than
 * VELDO_COLOUR_NAME_MAX bytes is cut there (at a character boundary) and the name is copied, so
 * the caller's string may go. An index outside 24..255, the named colours 0..23 included, is
 * refused with a message and nothing changes. May be called before kit_open().
 * Returns 1 when the colour is defined, 0 when it was refused. */
int kit_define_colour(int index, int red, int green, int blue, const char* name);

/* The shapes' pixels. Each shape paints exactly the pixels its rule names, whatever the
 * coordinates. "Pixel (c, r) of a box" counts from the box's top-left pixel, W columns by H rows.
 *
 * Oval, filled: pixel (c, r) of its box is painted when, with u = 2c + 1 - W and v = 2r + 1 - H,
 *   u*u*H*H + v*v*W*W <= W*W*H*H   (its centre lies inside or on the ellipse that touches the
 *                                   box's outer edges),
 *   or |v| <= 1 or |u| <= 1         (it lies in the box's middle row or column, or the two middle
 *                                   ones of an even box).
 *   So every oval is symmetric about both centre lines of its box, touches all four sides and
 *   nothing outside; a 1 x n box is a line, a 2 x 2 box all four pixels.
 * Oval, outline of width 1: the pixels of the filled oval with a neighbour to the left, right,
 *   above or below outside it: a closed ring, the inside untouched.
 * Oval, outline of width w: the filled oval of the box grown by w / 2 pixels on every side, less
 *   what the width-1 outline encloses in the box shrunk by w - 1 - w / 2: a closed ring about the
 *   width-1 outline, as a rectangle's wide outline lies about its edge.
 * Circle of radius r: the filled oval in the box of 2r + 1 pixels around the centre, so 2r + 1
 *   pixels across, and symmetric about its diagonals too.
 * Rectangle: the box, both corner pixels included; an outline of width w is w / 2 pixels outside
 *   the box's edge pixels and the rest inside, starting with them.
 * Triangle, outline of width 1: its three edges as one-pixel lines with both ends: an edge at
 *   least as wide as it is tall paints in every column from end to end the pixel whose centre is
 *   nearest the edge (a tie goes to the upper pixel); a taller edge paints the nearest pixel in
 *   every row (a tie goes to the left one). Every vertex pixel is painted; three points on a line
 *   give the segment through them, equal points one pixel.
 * Triangle, outline of width w >= 2: the pixels whose centres lie within w / 2 of an edge.
 * Triangle, filled: its width-1 outline and every pixel whose centre lies inside the triangle.
 * Line: see kit_line(). */

/* A filled disc of `radius` around (x, y): 2 * radius + 1 pixels across. A negative radius is
 * used as its magnitude, with a message. Logs "<colour> circle at (x,y), radius r". Returns 1. */
int kit_circle(int colour, int x, int y, int radius);

/* A triangle through three points: filled when `width` is 0, else an outline of `width` pixels
 * that leaves the inside untouched; every vertex pixel is painted. A negative width is used as its
 * magnitude, with a message. Logs "<colour> triangle at (x1,y1), (x2,y2), (x3,y3)" (without the
 * width). Returns 1. */
int kit_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);

/* A rectangle with any two opposite corners, both corner pixels included; filled or outline as
 * for kit_triangle(). Logs "<colour> rectangle with bounding box (left,top) to (right,bottom),
 * filled" or "... with line width w", with the corners put in that order. Returns 1. */
int kit_rectangle(int colour, int x1, int y1, int x2, int y2, int width);

/* The oval inscribed in the same box as kit_rectangle() would draw, symmetric in it. Unlike the
 * other shapes it checks the width before the colour, so a bad width's message comes first. Logs
 * "<colour> oval with bounding box (left,top) to (right,bottom), filled" or "..., line width w".
 * Returns 1. */
int kit_oval(int colour, int x1, int y1, int x2, int y2, int width);

/* A line from (x1, y1) to (x2, y2), at least one pixel wide (width 0 draws one pixel wide). A
 * one-pixel line paints one pixel in every column from the start pixel up to the end pixel (in
 * every row, for a steep line), the pixel whose centre its band covers, and leaves the end pixel
 * unpainted; a wider line is a band of its width across the segment, with flat ends, starting
 * half a pixel before the start pixel's centre. Logs "<colour> line from (x1,y1) to (x2,y2),
 * width w" with the width as given after the sign correction. Returns 1. */
int kit_line(int colour, int x1, int y1, int x2, int y2, int width);

/* Text in Liberation Sans with a character height of `size` pixels (the font's pixel size;
 * 0..127; 0 is the default height, 16; a negative size is used as its magnitude and a size above
 * 127 as 127, with a message each). The line height h is the font's ascender and descender at
 * that size, each rounded up to whole pixels, added (14 at size 12). (x, y) is the lower-left
 * corner of the first line's cell; each line feed starts a new line h pixels lower. A line that
 * is valid UTF-8 is read as UTF-8; any other line has one Latin-1 character per byte, as the log
 * window reads it. Only the glyphs' pixels are painted, antialiased. Logs the line
 * <colour> text at (x,y), "<text>". Returns 1. */
int kit_text(int colour, int x, int y, int size, const char* text);

/* kit_text() with printf formatting (up to 1023 characters); it logs the formatted text.
 * Returns the number of characters formatted. */
int kit_printf(int colour, int x, int y, int size, const char* format, ...) VELDO_PRINTF(5, 6);

/* Makes the whole canvas white inside a one-pixel black frame on its outermost pixels.
 * Logs "Clearing the graphics window". Returns 1. */
int kit_clear(void);

/* ---- Measuring text: the pixels kit_text() will use, without drawing or logging ------------ */

/* The width in pixels of `text` drawn by kit_text() at `size`: the advance width of its widest
 * line (lines split at line feeds), so a text drawn at x ends where the next one drawn at
 * x + width begins. `size` is corrected as kit_text() corrects it (a negative size is its
 * magnitude, above 127 is 127, 0 is the default height), but silently. A NULL or empty text is 0
 * wide. May be called before kit_open(). */
int kit_text_width(int size, const char* text);

/* The line height h of kit_text() at `size` (corrected the same way): a text's lines are h pixels
 * apart, and a text of n lines is n * h pixels high. May be called before kit_open(). */
int kit_text_line_height(int size);

/* ---- Screenshots --------------------------------------------------------------------------- */

/* Saves what the graphics window shows, the top 601 x 501 pixels of the canvas, as a PNG file at
 * `path`. The file is written under a temporary name beside it and renamed into place once
 * complete, so a failure never leaves a partial picture and keeps an earlier one. Returns 1; or 0
 * when the picture cannot be saved, with the message "Cannot save the picture <path>: <reason>"
 * in the log window. Before kit_open() it returns 0 and changes nothing. */
int kit_save_png(const char* path);

#ifdef __cplusplus
}
#endif

#endif
