// Every picture the platform keeps: the one off-screen canvas, and each window's picture, the
// client-area-sized image a backend shows. The log window's scroll, strip fill and line of text
// act on its picture, so a new line costs one scroll and one line.
#include "platform_state.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace veldo::platform {

using namespace shared;

namespace {

// The log window's fixed-pitch font and its size in pixels (the character cell's height).
constexpr const char* FIXED_FONT_FAMILY = "DejaVu Sans Mono";
constexpr int FIXED_FONT_PIXELS = 12;

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

// Text for Pango: valid UTF-8 is used as it is; anything else is read as Latin-1, one character
// per byte, so that no byte is lost or makes Pango reject the line.
std::string to_utf8(const char* text, int length) {
  if (g_utf8_validate(text, length, nullptr))
    return std::string(text, static_cast<size_t>(length));
  std::string converted;
  converted.reserve(static_cast<size_t>(length) * 2);
  for (int i = 0; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      converted.push_back(static_cast<char>(byte));
    } else {
      converted.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      converted.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return converted;
}

PangoFontDescription* fixed_font_description() {
  PangoFontDescription* description = pango_font_description_from_string(FIXED_FONT_FAMILY);
  pango_font_description_set_absolute_size(description, FIXED_FONT_PIXELS * PANGO_SCALE);
  return description;
}

} // namespace

namespace shared {

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

void release_surfaces() {
  for (WindowRecord& record : state.windows)
    if (record.picture != nullptr) {
      cairo_surface_destroy(record.picture);
      record.picture = nullptr;
    }
  if (state.canvas != nullptr) {
    cairo_surface_destroy(state.canvas);
    state.canvas = nullptr;
  }
}

} // namespace shared

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

int canvas_copy_count() {
  return state.canvas_copies;
}

cairo_surface_t* window_surface(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->picture : nullptr;
}

uint32_t window_background(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->background_rgb : 0xFFFFFF;
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
  std::string utf8 = to_utf8(text, length);
  cairo_t* cr = cairo_create(record->picture);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* description = fixed_font_description();
  pango_layout_set_font_description(layout, description);
  // One line, however many line feeds it holds: a line feed is drawn as a character of its own.
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(description);
  g_object_unref(layout);
  cairo_destroy(cr);
  backend().present(window);
}

int fixed_font_line_height() {
  // The metrics never change while the process runs, so they are read once.
  static int line_height = 0;
  if (line_height == 0) {
    PangoFontMap* font_map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(font_map);
    PangoFontDescription* description = fixed_font_description();
    PangoFontMetrics* metrics = pango_context_get_metrics(context, description, nullptr);
    line_height = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics) +
                                    pango_font_metrics_get_descent(metrics));
    if (line_height <= 0)
      line_height = FIXED_FONT_PIXELS;
    pango_font_metrics_unref(metrics);
    pango_font_description_free(description);
    g_object_unref(context);
  }
  return line_height;
}

} // namespace veldo::platform
