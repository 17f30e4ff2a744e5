// The drawing operations. Each one corrects bad arguments with a message (always written), then
// describes itself in the log while logging is on, then hands one DrawCommand to kit_render, which
// puts it on the canvas at once. The order of those steps fixes the order of the messages, and it
// differs between operations on purpose: an oval checks its width before its colour, a rectangle
// the other way round.
#include "draw.h"

#include "../platform/raster.h"
#include "../platform/text.h"
#include "kit_internal.h"

#include <veldo/kit.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace veldo {

namespace {

constexpr int MAX_TEXT_SIZE = 127;

// The positive value a negative argument is corrected to. INT_MIN has no 32-bit negation, so it
// becomes INT_MAX, the nearest value that has one: the message and everything drawn after it
// stay in range.
int magnitude(int value) {
  return value == INT_MIN ? INT_MAX : -value;
}

int check_width(int width) {
  if (width >= 0)
    return width;
  int used = magnitude(width);
  kit_log("Width of %d not possible, using width %d\n", width, used);
  return used;
}

uint32_t rgb_of(int colour) {
  return kit_colour_rgb(colour);
}

// Canvas point (x, y) is canvas pixel (origin_x + x, origin_y - y), worked out in 64 bits
// because the sum of two 32-bit values need not fit in 32.
platform::PixelPoint to_pixel(int64_t x, int64_t y) {
  return {kit.origin_x + x, kit.origin_y - y};
}

// The box from top-left (x1, y1) to bottom-right (x2, y2), both corner pixels included.
platform::PixelBox to_pixel_box(const DrawCommand& command) {
  platform::PixelPoint top_left = to_pixel(command.x1, command.y1);
  platform::PixelPoint bottom_right = to_pixel(command.x2, command.y2);
  return {top_left.x, top_left.y, bottom_right.x + 1, bottom_right.y + 1};
}

// A shape of width 0 is filled and outlined one pixel wide in its colour; a positive width is an
// outline of that width around an inside left as it was.
void shape_pen_and_brush(const DrawCommand& command, platform::Pen* pen, platform::Brush* brush) {
  uint32_t rgb = rgb_of(command.colour);
  *pen = {rgb, std::max(command.width, 1)};
  *brush = {rgb, command.width != 0};
}

// Each line of the text, split at line feeds, goes with the top-left of its cell at
// (origin_x + x, origin_y - y + (k - 1) * h): the first line sits just above the anchor's row,
// the second starts on it.
void render_text(const DrawCommand& command) {
  cairo_surface_t* canvas = platform::canvas_surface();
  const char* line = command.text != nullptr ? command.text : "";
  uint32_t rgb = rgb_of(command.colour);
  int64_t line_height = platform::text_line_height(command.size);
  platform::PixelPoint anchor = to_pixel(command.x, command.y);
  for (int64_t k = 0;; ++k) {
    int64_t top = anchor.y + (k - 1) * line_height;
    // Later lines lie lower still, so once one starts below the canvas nothing more can show.
    if (top > CANVAS_HEIGHT + line_height)
      break;
    const char* feed = std::strchr(line, '\n');
    size_t length = feed != nullptr ? static_cast<size_t>(feed - line) : std::strlen(line);
    platform::draw_text_line(canvas, anchor.x, top, command.size, line, length, rgb);
    if (feed == nullptr)
      break;
    line = feed + 1;
  }
}

// The descriptive line of a text. A log line holds at most LOG_FORMAT_BUFFER - 1 characters, so a
// long text is cut (at a character boundary) to keep the closing quote and line feed.
void log_text(int colour, int x, int y, const char* text) {
  const char* name = kit_colour_name(colour);
  int prefix = std::snprintf(nullptr, 0, "%s text at (%d,%d), \"", name, x, y);
  size_t room = static_cast<size_t>(std::max(0, LOG_FORMAT_BUFFER - 1 - prefix - 2));
  size_t length = std::strlen(text);
  if (length > room) {
    length = room;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  kit_log("%s text at (%d,%d), \"%.*s\"\n", name, x, y, static_cast<int>(length), text);
}

// Builds the command of a shape or line and renders it.
void render_shape(int kind, int colour, int width, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                  int64_t x3 = 0, int64_t y3 = 0) {
  DrawCommand command;
  command.kind = kind;
  command.colour = colour;
  command.width = width;
  command.x1 = x1;
  command.y1 = y1;
  command.x2 = x2;
  command.y2 = y2;
  command.x3 = x3;
  command.y3 = y3;
  kit_render(command);
}

} // namespace

void kit_render(const DrawCommand& command) {
  cairo_surface_t* canvas = platform::canvas_surface();
  platform::Pen pen;
  platform::Brush brush;
  switch (command.kind) {
  case DRAW_TRIANGLE: {
    platform::PixelPoint corners[3] = {to_pixel(command.x1, command.y1),
                                       to_pixel(command.x2, command.y2),
                                       to_pixel(command.x3, command.y3)};
    shape_pen_and_brush(command, &pen, &brush);
    platform::draw_triangle(canvas, corners, pen, brush);
    break;
  }
  case DRAW_RECTANGLE:
    shape_pen_and_brush(command, &pen, &brush);
    platform::draw_rectangle(canvas, to_pixel_box(command), pen, brush);
    break;
  case DRAW_OVAL:
    shape_pen_and_brush(command, &pen, &brush);
    platform::draw_ellipse(canvas, to_pixel_box(command), pen, brush);
    break;
  case DRAW_LINE:
    platform::draw_line(canvas, to_pixel(command.x1, command.y1), to_pixel(command.x2, command.y2),
                        {rgb_of(command.colour), std::max(command.width, 1)});
    break;
  case DRAW_TEXT:
    render_text(command);
    break;
  default:
    break;
  }
  kit.canvas_dirty = true;
}

} // namespace veldo

using namespace veldo;

extern "C" int kit_check_colour(int colour) {
  if (kit_colour_valid(colour))
    return colour;
  kit_log("Illegal color %d; using RED.\n", colour);
  return VELDO_RED;
}

extern "C" int kit_circle(int colour, int x, int y, int radius) {
  if (!kit_is_open(CALL_CIRCLE))
    return 1;
  colour = kit_check_colour(colour);
  if (radius < 0) {
    int used = magnitude(radius);
    kit_log("Radius of %d not possible, using radius %d\n", radius, used);
    radius = used;
  }
  if (kit.logging_enabled)
    kit_log("%s circle at (%d,%d), radius %d\n", kit_colour_name(colour), x, y, radius);
  render_shape(DRAW_OVAL, colour, 0, int64_t{x} - radius, int64_t{y} + radius, int64_t{x} + radius,
               int64_t{y} - radius);
  return 1;
}

extern "C" int kit_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
  if (!kit_is_open(CALL_TRIANGLE))
    return 1;
  colour = kit_check_colour(colour);
  width = check_width(width);
  if (kit.logging_enabled)
    kit_log("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", kit_colour_name(colour), x1, y1, x2, y2,
            x3, y3);
  render_shape(DRAW_TRIANGLE, colour, width, x1, y1, x2, y2, x3, y3);
  return 1;
}

namespace {

// The rectangle and the oval share everything but the order of their two checks, their wording
// and their kind.
int draw_box_shape(int kind, int colour, int x1, int y1, int x2, int y2, int width) {
  // Whichever corners were passed, (x1, y1) becomes the top-left and (x2, y2) the bottom-right.
  if (x2 < x1)
    std::swap(x1, x2);
  if (y1 < y2)
    std::swap(y1, y2);
  if (kind == DRAW_OVAL) {
    width = check_width(width);
    colour = kit_check_colour(colour);
  } else {
    colour = kit_check_colour(colour);
    width = check_width(width);
  }
  if (kit.logging_enabled) {
    const char* name = kit_colour_name(colour);
    if (kind == DRAW_OVAL && width == 0)
      kit_log("%s oval with bounding box (%d,%d) to (%d,%d), filled\n", name, x1, y1, x2, y2);
    else if (kind == DRAW_OVAL)
      kit_log("%s oval with bounding box (%d,%d) to (%d,%d), line width %d\n", name, x1, y1, x2, y2,
              width);
    else if (width == 0)
      kit_log("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n", name, x1, y1, x2, y2);
    else
      kit_log("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n", name, x1,
              y1, x2, y2, width);
  }
  render_shape(kind, colour, width, x1, y1, x2, y2);
  return 1;
}

} // namespace

extern "C" int kit_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!kit_is_open(CALL_RECTANGLE))
    return 1;
  return draw_box_shape(DRAW_RECTANGLE, colour, x1, y1, x2, y2, width);
}

extern "C" int kit_oval(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!kit_is_open(CALL_OVAL))
    return 1;
  return draw_box_shape(DRAW_OVAL, colour, x1, y1, x2, y2, width);
}

extern "C" int kit_line(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!kit_is_open(CALL_LINE))
    return 1;
  width = check_width(width);
  colour = kit_check_colour(colour);
  if (kit.logging_enabled)
    kit_log("%s line from (%d,%d) to (%d,%d), width %d\n", kit_colour_name(colour), x1, y1, x2, y2,
            width);
  render_shape(DRAW_LINE, colour, width == 0 ? 1 : width, x1, y1, x2, y2);
  return 1;
}

extern "C" int kit_text(int colour, int x, int y, int size, const char* text) {
  if (!kit_is_open(CALL_TEXT))
    return 1;
  // A missing text is drawn, and described, as an empty one: nothing is painted.
  if (text == nullptr)
    text = "";
  if (size < 0) {
    int used = magnitude(size);
    kit_log("ptsize of %d not possible, using ptsize %d\n", size, used);
    size = used;
  }
  if (size > MAX_TEXT_SIZE) {
    kit_log("ptsize of %d not possible, using ptsize %d\n", size, MAX_TEXT_SIZE);
    size = MAX_TEXT_SIZE;
  }
  colour = kit_check_colour(colour);
  if (kit.logging_enabled)
    log_text(colour, x, y, text);
  // The command owns a copy of the text for as long as it is rendered. Without memory for the
  // copy nothing is drawn.
  size_t length = std::strlen(text);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (copy == nullptr)
    return 1;
  std::memcpy(copy.get(), text, length + 1);
  DrawCommand command;
  command.kind = DRAW_TEXT;
  command.colour = colour;
  command.x = x;
  command.y = y;
  command.size = size;
  command.text = copy.get();
  kit_render(command);
  return 1;
}

extern "C" int kit_printf(int colour, int x, int y, int size, const char* format, ...) {
  // Output beyond the buffer is cut; the result counts what was kept, which is what is drawn. A
  // missing format, or one that cannot be formatted, gives an empty text.
  char buffer[LOG_FORMAT_BUFFER];
  buffer[0] = '\0';
  int count = 0;
  if (format != nullptr) {
    va_list arguments;
    va_start(arguments, format);
    int formatted = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (formatted < 0)
      buffer[0] = '\0';
    count = std::clamp(formatted, 0, LOG_FORMAT_BUFFER - 1);
  }
  if (kit_is_open(CALL_PRINTF))
    kit_text(colour, x, y, size, buffer);
  return count;
}

extern "C" int kit_clear(void) {
  if (!kit_is_open(CALL_CLEAR))
    return 1;
  if (kit.logging_enabled)
    kit_log("Clearing the graphics window\n");
  // White inside, and the canvas's own pen, black and one pixel wide, around the edge.
  platform::draw_rectangle(platform::canvas_surface(), {0, 0, CANVAS_WIDTH, CANVAS_HEIGHT},
                           {0x000000, 1}, {rgb_of(VELDO_WHITE), false});
  kit.canvas_dirty = true;
  return 1;
}
