// Draws the kit's kinds of raster work with Cairo, FreeType and HarfBuzz, so that the same source
// built natively and built to WebAssembly can be compared pixel for pixel.
//
//   raster_identity render FONT OUTDIR    draws every scene into OUTDIR as NAME.raw and NAME.png
//   raster_identity compare DIR_A DIR_B SCENE...   compares the scenes of two such folders;
//                                                  exit 1 if one differs
//
// A .raw file is the surface as drawn: "RAW1", width and height as 32-bit little-endian numbers,
// then each row of 0x00RRGGBB pixels as 32-bit little-endian numbers.
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Text sizes are the characters' absolute height in pixels, the unit the kit's calls take.
constexpr int TEXT_SIZES[] = {12, 16, 22, 30, 40, 70, 100, 127};

struct HintSetting {
  const char* name;
  cairo_hint_style_t style;
  cairo_hint_metrics_t metrics;
};

// Each setting is drawn as a scene of its own, so the comparison tells which ones agree.
constexpr HintSetting HINT_SETTINGS[] = {
    {"text-hint-none-metrics-off", CAIRO_HINT_STYLE_NONE, CAIRO_HINT_METRICS_OFF},
    {"text-hint-slight-metrics-on", CAIRO_HINT_STYLE_SLIGHT, CAIRO_HINT_METRICS_ON},
    {"text-hint-medium-metrics-on", CAIRO_HINT_STYLE_MEDIUM, CAIRO_HINT_METRICS_ON},
    {"text-hint-full-metrics-on", CAIRO_HINT_STYLE_FULL, CAIRO_HINT_METRICS_ON},
};

struct Rgb {
  double r, g, b;
};

// Text colours over backgrounds that are not white, so that every channel's blending shows.
constexpr Rgb TEXT_COLOURS[] = {{1, 0, 0}, {0, 0.5, 0}, {0, 0, 1}, {1, 1, 0}, {0, 0, 0}};
constexpr Rgb TEXT_BACKGROUNDS[] = {{0.12, 0.16, 0.35}, {0.85, 0.85, 0.8}, {0.5, 0.25, 0.5}};

constexpr const char* TEXT_LINES[] = {
    "Quick fox jumps: 0123456789", "Score 12345, flies 50!", "WAVE {[|@#%&*]} wavy AVA",
    "D\xc3\xa9j\xc3\xa0 vu \xc2\xbd \xe2\x80\x94 fi fl", // accents, a fraction, a dash, ligatures
};

// The same pseudo-random numbers on every build: no library generator, whose results may differ
// between C++ standard libraries.
struct Random {
  uint64_t state;
  uint32_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 16);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
  double unit() { return next() / 4294967296.0; }
};

void set_rgb(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

void fail(const std::string& message) {
  std::fprintf(stderr, "raster_identity: %s\n", message.c_str());
  std::exit(2);
}

// Lays out `text` with HarfBuzz on the FreeType face the scaled font holds (sized and loaded as
// Cairo will render it) and draws the glyphs with their baseline's left end at (x, y).
void draw_shaped(cairo_t* cr, cairo_scaled_font_t* font, const char* text, double x, double y) {
  FT_Face face = cairo_ft_scaled_font_lock_face(font);
  if (face == nullptr)
    fail("cairo_ft_scaled_font_lock_face failed");
  hb_font_t* hb_font = hb_ft_font_create_referenced(face);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_scaled_font_get_font_options(font, options);
  // The advances HarfBuzz reads come hinted or not as the glyphs Cairo draws.
  int load_flags = FT_LOAD_DEFAULT;
  if (cairo_font_options_get_hint_style(options) == CAIRO_HINT_STYLE_NONE)
    load_flags |= FT_LOAD_NO_HINTING;
  else if (cairo_font_options_get_hint_style(options) == CAIRO_HINT_STYLE_SLIGHT)
    load_flags |= FT_LOAD_TARGET_LIGHT;
  cairo_font_options_destroy(options);
  hb_ft_font_set_load_flags(hb_font, load_flags);

  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text, -1, 0, -1);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(hb_font, buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  std::vector<cairo_glyph_t> glyphs(count);
  double pen_x = x, pen_y = y;
  for (unsigned i = 0; i < count; i++) {
    glyphs[i].index = infos[i].codepoint;
    glyphs[i].x = pen_x + positions[i].x_offset / 64.0;
    glyphs[i].y = pen_y - positions[i].y_offset / 64.0;
    pen_x += positions[i].x_advance / 64.0;
    pen_y -= positions[i].y_advance / 64.0;
  }
  hb_buffer_destroy(buffer);
  hb_font_destroy(hb_font);
  cairo_ft_scaled_font_unlock_face(font);
  cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
}

// Every text size in every colour, on bands of the backgrounds, with one hint setting.
cairo_surface_t* draw_text_scene(FT_Face face, const HintSetting& hint) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1100, 1200);
  cairo_t* cr = cairo_create(surface);
  int band_height = 1200 / 3;
  for (int i = 0; i < 3; i++) {
    set_rgb(cr, TEXT_BACKGROUNDS[i]);
    cairo_rectangle(cr, 0, i * band_height, 1100, band_height);
    cairo_fill(cr);
  }
  cairo_font_face_t* font_face = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, hint.style);
  cairo_font_options_set_hint_metrics(options, hint.metrics);
  cairo_set_font_face(cr, font_face);
  cairo_set_font_options(cr, options);

  int y = 0, line = 0;
  for (int pass = 0; pass < 2; pass++) {
    for (int size : TEXT_SIZES) {
      cairo_set_font_size(cr, size);
      cairo_scaled_font_t* font = cairo_get_scaled_font(cr);
      y += size + 4;
      set_rgb(cr, TEXT_COLOURS[line % 5]);
      // The second pass starts each line a third of a pixel to the right: glyph images are
      // cached per subpixel position, and those paths must agree too.
      draw_shaped(cr, font, TEXT_LINES[line % 4], 6 + pass / 3.0, y);
      line++;
    }
  }
  cairo_destroy(cr);
  cairo_font_options_destroy(options);
  cairo_font_face_destroy(font_face);
  return surface;
}

// Random filled and stroked ellipses, polygons, rectangles and lines, as the kit draws its shapes
// (one colour each, on whole or half pixels) with the given antialiasing.
cairo_surface_t* draw_shape_scene(cairo_antialias_t antialias, uint64_t seed) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 601, 540);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.9, 0.95, 0.85);
  cairo_paint(cr);
  cairo_set_antialias(cr, antialias);
  Random random{seed};
  for (int i = 0; i < 600; i++) {
    // One number per statement: the order in which a call's arguments are computed differs
    // between compilers.
    double red = random.below(256) / 255.0;
    double green = random.below(256) / 255.0;
    double blue = random.below(256) / 255.0;
    cairo_set_source_rgb(cr, red, green, blue);
    double x = random.below(640) - 20 + 0.5 * random.below(2);
    double y = random.below(580) - 20 + 0.5 * random.below(2);
    double w = 1 + random.below(120), h = 1 + random.below(120);
    bool stroke = random.below(2) == 1;
    cairo_set_line_width(cr, 1 + random.below(5));
    switch (random.below(4)) {
    case 0: // an ellipse in the box
      cairo_save(cr);
      cairo_translate(cr, x + w / 2, y + h / 2);
      cairo_scale(cr, w / 2, h / 2);
      cairo_arc(cr, 0, 0, 1, 0, 6.283185307179586);
      cairo_restore(cr);
      break;
    case 1: // a polygon of 3 to 8 vertices around the box
    {
      int vertices = 3 + random.below(6);
      for (int v = 0; v < vertices; v++) {
        double vertex_x = x + random.unit() * w;
        double vertex_y = y + random.unit() * h;
        cairo_line_to(cr, vertex_x, vertex_y);
      }
      cairo_close_path(cr);
      break;
    }
    case 2:
      cairo_rectangle(cr, x, y, w, h);
      break;
    default: // a line
      cairo_move_to(cr, x, y);
      cairo_line_to(cr, x + w - 60, y + h - 60);
      stroke = true;
      break;
    }
    if (stroke)
      cairo_stroke(cr);
    else
      cairo_fill(cr);
  }
  cairo_destroy(cr);
  return surface;
}

void write_u32(FILE* file, uint32_t value) {
  unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  std::fwrite(bytes, 1, 4, file);
}

// The surface's pixels, with the unused top byte of RGB24 cleared.
std::vector<uint32_t> pixels_of(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  int width = cairo_image_surface_get_width(surface);
  int height = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; row++) {
    const uint32_t* source = reinterpret_cast<const uint32_t*>(data + row * stride);
    for (int column = 0; column < width; column++)
      pixels[static_cast<size_t>(row) * width + column] = source[column] & 0xFFFFFF;
  }
  return pixels;
}

void save_scene(cairo_surface_t* surface, const std::string& dir, const std::string& name) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    fail(name + ": " + cairo_status_to_string(cairo_surface_status(surface)));
  std::string raw_path = dir + "/" + name + ".raw";
  FILE* file = std::fopen(raw_path.c_str(), "wb");
  if (file == nullptr)
    fail("cannot write " + raw_path);
  std::fwrite("RAW1", 1, 4, file);
  write_u32(file, cairo_image_surface_get_width(surface));
  write_u32(file, cairo_image_surface_get_height(surface));
  for (uint32_t pixel : pixels_of(surface))
    write_u32(file, pixel);
  if (std::fclose(file) != 0)
    fail("cannot write " + raw_path);
  std::string png_path = dir + "/" + name + ".png";
  if (cairo_surface_write_to_png(surface, png_path.c_str()) != CAIRO_STATUS_SUCCESS)
    fail("cannot write " + png_path);
  std::printf("%s %dx%d\n", name.c_str(), cairo_image_surface_get_width(surface),
              cairo_image_surface_get_height(surface));
}

int render(const char* font_path, const std::string& dir) {
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0)
    fail("FT_Init_FreeType failed");
  if (FT_New_Face(library, font_path, 0, &face) != 0)
    fail(std::string("cannot load the font ") + font_path);
  for (const HintSetting& hint : HINT_SETTINGS) {
    cairo_surface_t* surface = draw_text_scene(face, hint);
    save_scene(surface, dir, hint.name);
    cairo_surface_destroy(surface);
  }
  const struct {
    const char* name;
    cairo_antialias_t antialias;
  } shape_scenes[] = {{"shapes-antialias-none", CAIRO_ANTIALIAS_NONE},
                      {"shapes-antialias-default", CAIRO_ANTIALIAS_DEFAULT}};
  for (const auto& scene : shape_scenes) {
    cairo_surface_t* surface = draw_shape_scene(scene.antialias, 0x5eed1234abcdULL);
    save_scene(surface, dir, scene.name);
    cairo_surface_destroy(surface);
  }
  // Cairo keeps its font face and glyph caches until it is reset; only then can FreeType go.
  cairo_debug_reset_static_data();
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return 0;
}

// --- Comparison --------------------------------------------------------------------------------

struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

bool read_file(const std::string& path, std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  bytes.clear();
  unsigned char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(file);
  return true;
}

uint32_t u32_at(const std::vector<unsigned char>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

bool read_raw(const std::string& path, Image& image) {
  std::vector<unsigned char> bytes;
  if (!read_file(path, bytes) || bytes.size() < 12 || std::memcmp(bytes.data(), "RAW1", 4) != 0)
    return false;
  image.width = static_cast<int>(u32_at(bytes, 4));
  image.height = static_cast<int>(u32_at(bytes, 8));
  size_t count = static_cast<size_t>(image.width) * image.height;
  if (bytes.size() != 12 + 4 * count)
    return false;
  image.pixels.resize(count);
  for (size_t i = 0; i < count; i++)
    image.pixels[i] = u32_at(bytes, 12 + 4 * i);
  return true;
}

bool read_png(const std::string& path, Image& image) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    image.width = cairo_image_surface_get_width(surface);
    image.height = cairo_image_surface_get_height(surface);
    image.pixels = pixels_of(surface);
  }
  cairo_surface_destroy(surface);
  return ok;
}

struct Difference {
  long pixels = 0;
  int largest_channel = 0;
};

Difference compare_images(const Image& a, const Image& b) {
  Difference d;
  for (size_t i = 0; i < a.pixels.size(); i++) {
    if (a.pixels[i] == b.pixels[i])
      continue;
    d.pixels++;
    for (int shift = 0; shift < 24; shift += 8) {
      int delta = std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                           static_cast<int>((b.pixels[i] >> shift) & 0xFF));
      if (delta > d.largest_channel)
        d.largest_channel = delta;
    }
  }
  return d;
}

std::string describe(const Difference& d) {
  if (d.pixels == 0)
    return "identical";
  return std::to_string(d.pixels) + " pixels differ, largest channel difference " +
         std::to_string(d.largest_channel);
}

// Compares each named scene of the two folders: the pixels drawn, the pixels each PNG decodes to,
// and the PNG files' bytes.
int compare(const std::string& dir_a, const std::string& dir_b,
            const std::vector<std::string>& names) {
  int differing = 0;
  for (const std::string& name : names) {
    Image raw_a, raw_b, png_a, png_b;
    std::string a = dir_a + "/" + name, b = dir_b + "/" + name;
    if (!read_raw(a + ".raw", raw_a) || !read_raw(b + ".raw", raw_b))
      fail("cannot read " + name + ".raw in both folders");
    if (!read_png(a + ".png", png_a) || !read_png(b + ".png", png_b))
      fail("cannot read " + name + ".png in both folders");
    if (raw_a.width != raw_b.width || raw_a.height != raw_b.height || png_a.width != raw_a.width ||
        png_a.height != raw_a.height || png_b.width != raw_b.width || png_b.height != raw_b.height)
      fail(name + ": the images' sizes differ");
    Difference drawn = compare_images(raw_a, raw_b);
    Difference decoded = compare_images(png_a, png_b);
    // Each PNG must also hold what its own build drew.
    Difference png_vs_raw_a = compare_images(png_a, raw_a);
    Difference png_vs_raw_b = compare_images(png_b, raw_b);
    std::vector<unsigned char> bytes_a, bytes_b;
    read_file(a + ".png", bytes_a);
    read_file(b + ".png", bytes_b);
    std::printf("%-30s drawn: %s; PNG decoded: %s; PNG bytes: %s\n", name.c_str(),
                describe(drawn).c_str(), describe(decoded).c_str(),
                bytes_a == bytes_b ? "identical" : "differ");
    if (png_vs_raw_a.pixels != 0 || png_vs_raw_b.pixels != 0)
      std::printf("%-30s a PNG does not hold the pixels drawn\n", name.c_str());
    if (drawn.pixels != 0 || decoded.pixels != 0 || png_vs_raw_a.pixels != 0 ||
        png_vs_raw_b.pixels != 0)
      differing++;
  }
  std::printf("%zu scenes, %d differ\n", names.size(), differing);
  return differing == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "render") == 0)
    return render(argv[2], argv[3]);
  if (argc >= 5 && std::strcmp(argv[1], "compare") == 0)
    return compare(argv[2], argv[3], std::vector<std::string>(argv + 4, argv + argc));
  std::fprintf(stderr, "usage: raster_identity render FONT OUTDIR\n"
                       "       raster_identity compare DIR_A DIR_B SCENE...\n");
  return 2;
}
