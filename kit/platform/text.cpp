// The kit's text: HarfBuzz shapes each line in a face read from a named font file, and Cairo draws
// the glyphs from that file's FreeType outlines. What changes no pixel is kept between calls: the
// font data, per face its FreeType face and Cairo font face, per face and size a HarfBuzz font, a
// Cairo scaled font and the line metrics, one reusable HarfBuzz buffer and glyph array, and a
// Cairo context on the last canvas and on the last log window picture.
#include "text.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

// The font files. A build for another system names its own (the files it ships).
#ifndef VELDO_TEXT_FONT_FILE
#define VELDO_TEXT_FONT_FILE "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"
#endif
#ifndef VELDO_FIXED_FONT_FILE
#define VELDO_FIXED_FONT_FILE "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf"
#endif

namespace veldo::platform {

namespace {

// How every glyph is rasterised and placed. Apart from the font files and the library versions,
// these are the only things the text's pixels depend on: change them here and nowhere else.
// Grey antialiasing; slight hinting (the outlines are fitted to the pixel grid vertically only);
// hinted metrics (every advance is a whole number of pixels).
struct RenderingSettings {
  cairo_antialias_t antialias;
  cairo_hint_style_t hint_style;
  cairo_hint_metrics_t hint_metrics;
};
constexpr RenderingSettings RENDERING = {CAIRO_ANTIALIAS_GRAY, CAIRO_HINT_STYLE_SLIGHT,
                                         CAIRO_HINT_METRICS_ON};

// The FreeType load flags that go with the settings' hint style, as Cairo derives them for its
// own glyph loading; HarfBuzz reads the advances with the same flags. Embedded bitmaps are never
// used: every glyph comes from its outline.
int load_flags() {
  int flags = FT_LOAD_NO_BITMAP;
  switch (RENDERING.hint_style) {
  case CAIRO_HINT_STYLE_NONE:
    return flags | FT_LOAD_NO_HINTING;
  case CAIRO_HINT_STYLE_SLIGHT:
    return flags | FT_LOAD_TARGET_LIGHT;
  default:
    return flags | FT_LOAD_TARGET_NORMAL;
  }
}

// Lines starting farther left than this are not drawn: nothing of them could reach the surface.
constexpr double FAR_LEFT = 1 << 20;
// Text is never shaped past this many bytes of one line: longer lines are cut.
constexpr size_t MAX_TEXT_LINE_BYTES = 1 << 20;
constexpr int TEXT_SIZES = 128;

struct LineMetrics {
  int ascent = 0;
  int line_height = 0;
  // How far a glyph's ink can reach from its origin, in pixels, whichever the direction: the
  // face's bounding box at this size.
  int reach = 0;
};

struct SizedFont {
  hb_font_t* shaper = nullptr;
  cairo_scaled_font_t* scaled = nullptr;
  LineMetrics metrics;
};

struct Face {
  const char* file;
  bool tried = false;
  bool loaded = false;
  hb_blob_t* data = nullptr;
  FT_Face ft = nullptr;
  hb_face_t* hb = nullptr;
  cairo_font_face_t* cairo = nullptr;
  SizedFont sizes[TEXT_SIZES] = {};
};

struct Target {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  int width = 0;
  int height = 0;
};

FT_Library freetype = nullptr;
cairo_font_options_t* font_options = nullptr;
Face canvas_face{VELDO_TEXT_FONT_FILE};
Face fixed_face{VELDO_FIXED_FONT_FILE};
hb_buffer_t* buffer = nullptr;
std::vector<cairo_glyph_t> glyphs;
Target canvas_target;
Target fixed_target;

// Reads the face's file once. A file that cannot be loaded is named on stderr, once, and its text
// draws nothing.
bool load(Face& face) {
  if (face.tried)
    return face.loaded;
  face.tried = true;
  if (freetype == nullptr && FT_Init_FreeType(&freetype) != 0)
    freetype = nullptr;
  face.data = hb_blob_create_from_file_or_fail(face.file);
  unsigned size = 0;
  const char* bytes = face.data != nullptr ? hb_blob_get_data(face.data, &size) : nullptr;
  if (freetype == nullptr || bytes == nullptr ||
      FT_New_Memory_Face(freetype, reinterpret_cast<const FT_Byte*>(bytes),
                         static_cast<FT_Long>(size), 0, &face.ft) != 0 ||
      !FT_IS_SCALABLE(face.ft) || face.ft->units_per_EM == 0) {
    std::fprintf(stderr, "veldo: cannot load the font file %s; its text is not drawn\n", face.file);
    return false;
  }
  face.hb = hb_face_create(face.data, 0);
  face.cairo = cairo_ft_font_face_create_for_ft_face(face.ft, FT_LOAD_NO_BITMAP);
  if (font_options == nullptr) {
    font_options = cairo_font_options_create();
    cairo_font_options_set_antialias(font_options, RENDERING.antialias);
    cairo_font_options_set_hint_style(font_options, RENDERING.hint_style);
    cairo_font_options_set_hint_metrics(font_options, RENDERING.hint_metrics);
  }
  if (buffer == nullptr)
    buffer = hb_buffer_create();
  face.loaded = true;
  return true;
}

int size_index(int size) {
  if (size <= 0)
    return DEFAULT_TEXT_SIZE;
  return std::min(size, TEXT_SIZES - 1);
}

// A length in font units, scaled to `size` pixels and rounded up.
int scaled_up(const Face& face, long units, int size) {
  return static_cast<int>(std::ceil(static_cast<double>(units) * size / face.ft->units_per_EM));
}

// The face at `size` (already a size index), made on first use. Each size has a HarfBuzz font of
// its own, with its own FreeType face, so shaping one size never disturbs another.
SizedFont& sized(Face& face, int size) {
  SizedFont& font = face.sizes[size];
  if (font.shaper != nullptr)
    return font;
  font.shaper = hb_font_create(face.hb);
  hb_font_set_scale(font.shaper, size * 64, size * 64);
  hb_ft_font_set_funcs(font.shaper);
  hb_ft_font_set_load_flags(font.shaper, load_flags());

  cairo_matrix_t font_matrix, identity;
  cairo_matrix_init_scale(&font_matrix, size, size);
  cairo_matrix_init_identity(&identity);
  font.scaled = cairo_scaled_font_create(face.cairo, &font_matrix, &identity, font_options);

  const FT_Face ft = face.ft;
  font.metrics.ascent = scaled_up(face, ft->ascender, size);
  font.metrics.line_height = font.metrics.ascent + scaled_up(face, -ft->descender, size);
  long extent = std::max({std::labs(ft->bbox.xMin), std::labs(ft->bbox.xMax),
                          std::labs(ft->bbox.yMin), std::labs(ft->bbox.yMax)});
  font.metrics.reach = scaled_up(face, extent, size) + 1;
  return font;
}

// Puts one line's characters into the shared buffer, by the kit's rule for bytes.
void fill_buffer(const char* text, size_t length) {
  hb_buffer_clear_contents(buffer);
  length = std::min(length, MAX_TEXT_LINE_BYTES);
  if (is_valid_utf8(text, length))
    hb_buffer_add_utf8(buffer, text, static_cast<int>(length), 0, static_cast<int>(length));
  else
    hb_buffer_add_latin1(buffer, reinterpret_cast<const uint8_t*>(text), static_cast<int>(length),
                         0, static_cast<int>(length));
  // Nothing is taken from the machine's locale: the language is fixed, the script is the text's.
  hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
  hb_buffer_set_language(buffer, hb_language_from_string("en", -1));
  hb_buffer_guess_segment_properties(buffer);
}

// A length in 26.6 fixed point, rounded to whole pixels (halves upward).
int64_t round_26_6(int64_t value) {
  return (value + 32) >> 6;
}

// The advance of one shaped glyph in 26.6, whole pixels when the metrics are hinted.
int64_t advance_of(const hb_glyph_position_t& position) {
  if (RENDERING.hint_metrics == CAIRO_HINT_METRICS_OFF)
    return position.x_advance;
  return round_26_6(position.x_advance) * 64;
}

// Shapes one line; returns the number of glyphs in the shared buffer.
unsigned shape(SizedFont& font, const char* text, size_t length) {
  fill_buffer(text, length);
  hb_shape(font.shaper, buffer, nullptr, 0);
  return hb_buffer_get_length(buffer);
}

// The Cairo context on `surface` kept in `target`, made afresh when the surface changed or the
// old context failed. It keeps a reference to its surface, so the surface remembered cannot be
// freed and its address reused by a new one.
cairo_t* context_for(Target& target, cairo_surface_t* surface) {
  if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    return nullptr;
  if (surface == target.surface && target.cr != nullptr &&
      cairo_status(target.cr) == CAIRO_STATUS_SUCCESS)
    return target.cr;
  if (target.cr != nullptr)
    cairo_destroy(target.cr);
  target.cr = cairo_create(surface);
  target.surface = surface;
  target.width = cairo_image_surface_get_width(surface);
  target.height = cairo_image_surface_get_height(surface);
  return target.cr;
}

void draw_line(Face& face, Target& target, cairo_surface_t* surface, int64_t x, int64_t y, int size,
               const char* text, size_t length, uint32_t rgb) {
  if (text == nullptr || length == 0 || !load(face))
    return;
  cairo_t* cr = context_for(target, surface);
  if (cr == nullptr)
    return;
  SizedFont& font = sized(face, size_index(size));
  const LineMetrics& metrics = font.metrics;
  const double reach = metrics.reach;
  const double left = static_cast<double>(x);
  const double top = static_cast<double>(y);
  if (top + metrics.line_height + reach < 0 || top - reach > target.height ||
      left - reach > target.width || left < -FAR_LEFT)
    return;
  unsigned count = shape(font, text, length);
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, nullptr);
  const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, nullptr);
  const double baseline = top + metrics.ascent;
  glyphs.clear();
  int64_t pen = 0; // 26.6, from the line's left
  for (unsigned i = 0; i < count; ++i) {
    // Only glyphs that can touch the surface go to Cairo, which keeps every coordinate it sees
    // far inside its fixed-point range.
    const double glyph_x = left + static_cast<double>(round_26_6(pen + position[i].x_offset));
    if (glyph_x + reach >= 0 && glyph_x - reach <= target.width) {
      const double glyph_y = baseline - static_cast<double>(round_26_6(position[i].y_offset));
      glyphs.push_back({info[i].codepoint, glyph_x, glyph_y});
    }
    pen += advance_of(position[i]);
  }
  if (glyphs.empty())
    return;
  cairo_set_scaled_font(cr, font.scaled);
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
  cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
}

} // namespace

bool is_valid_utf8(const char* text, size_t length) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    const unsigned lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The lead byte tells how many continuation bytes follow and the least code point the
    // sequence may encode (anything less is an overlong form). 0xC0, 0xC1 and 0xF5..0xFF can only
    // begin overlong or out-of-range sequences.
    size_t continuations;
    uint32_t code_point;
    uint32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
      continuations = 1;
      code_point = lead & 0x1F;
      least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      continuations = 2;
      code_point = lead & 0x0F;
      least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      continuations = 3;
      code_point = lead & 0x07;
      least = 0x10000;
    } else {
      return false;
    }
    if (length - i <= continuations)
      return false;
    for (size_t k = 1; k <= continuations; ++k) {
      const unsigned byte = bytes[i + k];
      if ((byte & 0xC0) != 0x80)
        return false;
      code_point = code_point << 6 | (byte & 0x3F);
    }
    if (code_point < least || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF))
      return false;
    i += continuations + 1;
  }
  return true;
}

int text_line_height(int size) {
  if (!load(canvas_face))
    return size_index(size);
  return sized(canvas_face, size_index(size)).metrics.line_height;
}

TextExtent measure_text_line(int size, const char* text, size_t length) {
  TextExtent extent;
  extent.height = text_line_height(size);
  if (text == nullptr || length == 0 || !load(canvas_face))
    return extent;
  SizedFont& font = sized(canvas_face, size_index(size));
  unsigned count = shape(font, text, length);
  const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, nullptr);
  int64_t pen = 0;
  for (unsigned i = 0; i < count; ++i)
    pen += advance_of(position[i]);
  extent.width = static_cast<int>(std::clamp<int64_t>(round_26_6(pen), INT32_MIN, INT32_MAX));
  return extent;
}

void draw_text_line(cairo_surface_t* surface, int64_t x, int64_t y, int size, const char* text,
                    size_t length, uint32_t rgb) {
  draw_line(canvas_face, canvas_target, surface, x, y, size, text, length, rgb);
}

int fixed_text_line_height() {
  if (!load(fixed_face))
    return FIXED_TEXT_SIZE;
  return sized(fixed_face, FIXED_TEXT_SIZE).metrics.line_height;
}

void draw_fixed_text_line(cairo_surface_t* surface, int x, int y, const char* text, size_t length,
                          uint32_t rgb) {
  draw_line(fixed_face, fixed_target, surface, x, y, FIXED_TEXT_SIZE, text, length, rgb);
}

void release_text() {
  for (Target* target : {&canvas_target, &fixed_target}) {
    if (target->cr != nullptr)
      cairo_destroy(target->cr);
    *target = Target{};
  }
}

} // namespace veldo::platform
