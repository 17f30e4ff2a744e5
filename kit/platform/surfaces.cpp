// Every picture the platform keeps: the one off-screen canvas, and each window's picture, the
// client-area-sized image a backend shows. The log window's scroll, strip fill and line of text
// act on its picture, so a new line costs one scroll and one line.
#include "platform_state.h"
#include "text.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace veldo::platform {

using namespace shared;

namespace {

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
  draw_fixed_text_line(record->picture, x, y, text, static_cast<size_t>(length), 0x000000);
  backend().present(window);
}

int fixed_font_line_height() {
  return fixed_text_line_height();
}

} // namespace veldo::platform
