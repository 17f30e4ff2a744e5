// The canvas text, laid out and drawn by Pango on the target's own Cairo context. What changes no
// pixel is kept between calls: the context on the last target, the Pango context, one reusable
// layout, a font description per text size and the line metrics of each size.
#include "text.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

namespace veldo::platform {

namespace {

// Lines starting farther left than this are not drawn: nothing of them could reach the surface.
constexpr double FAR_LEFT = 1 << 20;
// Text is never laid out past this many bytes of one line: longer lines are cut.
constexpr size_t MAX_TEXT_LINE_BYTES = 1 << 20;
constexpr const char* TEXT_FAMILY = "DejaVu Sans";
constexpr int TEXT_SIZES = 128;

struct TextMetrics {
  int line_height = 0; // 0 until measured
  int ascent = 0;
};

struct TextState {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  double width = 0;
  double height = 0;
  PangoContext* pango = nullptr;
  PangoLayout* layout = nullptr;
  PangoFontDescription* fonts[TEXT_SIZES] = {};
  TextMetrics metrics[TEXT_SIZES] = {};
};

TextState state;

// The Cairo context on `surface`, made afresh when the target changed or the old context failed.
// It keeps a reference to its surface, so the surface remembered cannot be freed and its address
// reused by a new one.
cairo_t* context_for(cairo_surface_t* surface) {
  if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    return nullptr;
  if (surface == state.surface && state.cr != nullptr &&
      cairo_status(state.cr) == CAIRO_STATUS_SUCCESS)
    return state.cr;
  release_text();
  state.cr = cairo_create(surface);
  state.surface = surface;
  state.width = cairo_image_surface_get_width(surface);
  state.height = cairo_image_surface_get_height(surface);
  return state.cr;
}

int text_size_index(int size) {
  if (size <= 0)
    return DEFAULT_TEXT_SIZE;
  return std::min(size, TEXT_SIZES - 1);
}

PangoLayout* text_layout(cairo_t* cr) {
  if (state.layout == nullptr) {
    state.pango = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_update_context(cr, state.pango);
    state.layout = pango_layout_new(state.pango);
    // A carriage return or paragraph separator is drawn as a character: the kit splits lines
    // itself, at line feeds only.
    pango_layout_set_single_paragraph_mode(state.layout, TRUE);
  }
  return state.layout;
}

// Points the layout at the font of `size` and returns that font's line metrics.
const TextMetrics& use_font(PangoLayout* layout, int size) {
  int index = text_size_index(size);
  if (state.fonts[index] == nullptr) {
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family_static(font, TEXT_FAMILY);
    pango_font_description_set_weight(font, PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font, PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(font, index * PANGO_SCALE);
    state.fonts[index] = font;
  }
  pango_layout_set_font_description(layout, state.fonts[index]);
  TextMetrics& metrics = state.metrics[index];
  if (metrics.line_height == 0) {
    // An empty line has exactly the font's own height and baseline.
    pango_layout_set_text(layout, "", 0);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    metrics.line_height = logical.height > 0 ? logical.height : index;
    metrics.ascent = PANGO_PIXELS(pango_layout_get_baseline(layout));
  }
  return metrics;
}

} // namespace

int text_line_height(cairo_surface_t* surface, int size) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr)
    return text_size_index(size);
  return use_font(text_layout(cr), size).line_height;
}

void draw_text_line(cairo_surface_t* surface, int64_t x, int64_t y, int size, const char* text,
                    size_t length, uint32_t rgb) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr || text == nullptr || length == 0)
    return;
  PangoLayout* layout = text_layout(cr);
  const TextMetrics& metrics = use_font(layout, size);
  // A glyph may reach a little beyond its cell; a whole line height is ample.
  double reach = metrics.line_height;
  double left = static_cast<double>(x);
  double top = static_cast<double>(y);
  if (top + 2 * reach < 0 || top - reach > state.height || left - reach > state.width ||
      left < -FAR_LEFT)
    return;
  length = std::min(length, MAX_TEXT_LINE_BYTES);
  if (g_utf8_validate(text, static_cast<gssize>(length), nullptr)) {
    pango_layout_set_text(layout, text, static_cast<int>(length));
  } else {
    gchar* valid = g_utf8_make_valid(text, static_cast<gssize>(length));
    pango_layout_set_text(layout, valid, -1);
    g_free(valid);
  }
  PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
  if (line == nullptr)
    return;
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
  cairo_move_to(cr, left, top + metrics.ascent);
  pango_cairo_show_layout_line(cr, line);
  cairo_new_path(cr);
}

void release_text() {
  for (PangoFontDescription* font : state.fonts) {
    if (font != nullptr)
      pango_font_description_free(font);
  }
  if (state.layout != nullptr)
    g_object_unref(state.layout);
  if (state.pango != nullptr)
    g_object_unref(state.pango);
  if (state.cr != nullptr)
    cairo_destroy(state.cr);
  state = TextState{};
}

} // namespace veldo::platform
