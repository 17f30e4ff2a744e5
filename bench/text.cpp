// The nine texts of the game's worst-case frame (the spawn button's label, the six counters and
// both announcements), drawn through the kit on the headless canvas and, for comparison, the way
// a Pango user draws them with everything worth keeping kept: one Cairo context, one Pango
// context and one reusable layout, a font description per size, the same face (Liberation Sans,
// found by name through the machine's font configuration) and the same font options as the kit
// (grey antialiasing, slight hinting, hinted metrics), each line placed at the kit's anchor by
// Pango's own line metrics. Both sides format each text first. They are timed in the same run, a
// frame of each in turn, and the medians of their CPU times and the ratio are printed, with the
// number of canvas pixels on which the two pictures differ.
//
//   text [frames]    (default 2000 timed frames of each, after 200 frames of warm-up)
#include <veldo/headless.h>
#include <veldo/kit.h>

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int WIDTH = 601;
constexpr int HEIGHT = 540;
constexpr int ORIGIN_X = 300;
constexpr int ORIGIN_Y = 250;

struct Text {
  int colour;
  uint32_t rgb;
  int x, y, size;
  const char* words;
};

// As bench/frame draws them: white counters at their widest, red announcements.
const Text texts[] = {
    {VELDO_WHITE, 0xFFFFFF, -289, 231, 12, "Spawn fly"},
    {VELDO_WHITE, 0xFFFFFF, -100, 231, 12, "Score: 1234"},
    {VELDO_WHITE, 0xFFFFFF, -40, 231, 12, "Time: 567"},
    {VELDO_WHITE, 0xFFFFFF, 20, 231, 12, "Level: 12"},
    {VELDO_WHITE, 0xFFFFFF, 80, 231, 12, "Swings: 345"},
    {VELDO_WHITE, 0xFFFFFF, 150, 231, 12, "Spree: 30"},
    {VELDO_WHITE, 0xFFFFFF, 210, 231, 12, "Last: 6"},
    {VELDO_RED, 0xFF0000, -240, -80, 100, "GODLIKE!"},
    {VELDO_RED, 0xFF0000, -270, 30, 70, "MONSTER KILL!"},
};

void draw_with_kit() {
  for (const Text& text : texts)
    kit_printf(text.colour, text.x, text.y, text.size, "%s", text.words);
}

struct PangoSide {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoContext* context = nullptr;
  PangoLayout* layout = nullptr;
  PangoFontDescription* fonts[128] = {};
  int line_heights[128] = {};
  int baselines[128] = {};
};

PangoSide make_pango_side() {
  PangoSide side;
  side.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, WIDTH, HEIGHT);
  side.cr = cairo_create(side.surface);
  side.context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(side.context, options);
  cairo_font_options_destroy(options);
  pango_cairo_update_context(side.cr, side.context);
  side.layout = pango_layout_new(side.context);
  pango_layout_set_single_paragraph_mode(side.layout, TRUE);
  return side;
}

void draw_with_pango(PangoSide& side) {
  for (const Text& text : texts) {
    char line[1024];
    std::snprintf(line, sizeof line, "%s", text.words);
    if (side.fonts[text.size] == nullptr) {
      PangoFontDescription* font = pango_font_description_new();
      pango_font_description_set_family_static(font, "Liberation Sans");
      pango_font_description_set_absolute_size(font, text.size * PANGO_SCALE);
      side.fonts[text.size] = font;
      pango_layout_set_font_description(side.layout, font);
      pango_layout_set_text(side.layout, "", 0);
      PangoRectangle logical;
      pango_layout_get_pixel_extents(side.layout, nullptr, &logical);
      side.line_heights[text.size] = logical.height;
      side.baselines[text.size] = PANGO_PIXELS(pango_layout_get_baseline(side.layout));
    }
    pango_layout_set_font_description(side.layout, side.fonts[text.size]);
    pango_layout_set_text(side.layout, line, -1);
    cairo_set_source_rgb(side.cr, ((text.rgb >> 16) & 0xFF) / 255.0,
                         ((text.rgb >> 8) & 0xFF) / 255.0, (text.rgb & 0xFF) / 255.0);
    const int top = ORIGIN_Y - text.y - side.line_heights[text.size];
    cairo_move_to(side.cr, ORIGIN_X + text.x, top + side.baselines[text.size]);
    pango_cairo_show_layout_line(side.cr, pango_layout_get_line_readonly(side.layout, 0));
    cairo_new_path(side.cr);
  }
}

// Both canvases as the frame leaves them under its texts: white, with the black top bar.
void clear_both(PangoSide& side) {
  kit_clear();
  kit_rectangle(VELDO_BLACK, -300, 250, 300, 226, 0);
  cairo_set_source_rgb(side.cr, 1, 1, 1);
  cairo_paint(side.cr);
  cairo_set_source_rgb(side.cr, 0, 0, 0);
  cairo_rectangle(side.cr, 0, 0, WIDTH, ORIGIN_Y - 226 + 1);
  cairo_fill(side.cr);
}

int differing_pixels(PangoSide& side) {
  cairo_surface_flush(side.surface);
  const unsigned char* data = cairo_image_surface_get_data(side.surface);
  const int stride = cairo_image_surface_get_stride(side.surface);
  int differing = 0;
  // Inside the kit's one-pixel frame, which the Pango side does not draw.
  for (int y = 1; y < HEIGHT - 1; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 1; x < WIDTH - 1; ++x)
      differing += (row[x] & 0xFFFFFF) != veldo::headless::canvas_pixel(x, y);
  }
  return differing;
}

double cpu_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  constexpr int WARM_UP = 200;
  kit_use_platform("headless");
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  PangoSide side = make_pango_side();

  clear_both(side);
  draw_with_kit();
  draw_with_pango(side);
  const int differing = differing_pixels(side);

  std::vector<double> kit_times;
  std::vector<double> pango_times;
  for (int i = 0; i < WARM_UP + frames; ++i) {
    double start = cpu_microseconds();
    draw_with_kit();
    const double kit_us = cpu_microseconds() - start;
    start = cpu_microseconds();
    draw_with_pango(side);
    cairo_surface_flush(side.surface);
    const double pango_us = cpu_microseconds() - start;
    if (i >= WARM_UP) {
      kit_times.push_back(kit_us);
      pango_times.push_back(pango_us);
    }
  }
  const double kit_us = median(kit_times);
  const double pango_us = median(pango_times);
  std::printf("The worst-case frame's 9 texts, median CPU time of %d frames of each after %d of "
              "warm-up;\nkit = through the kit (HarfBuzz, Cairo, FreeType), pango = a kept "
              "Pango layout, same face and options.\n",
              frames, WARM_UP);
  std::printf("kit %7.1f us   pango %7.1f us   ratio %.3f   pixels that differ: %d of %d\n", kit_us,
              pango_us, kit_us / pango_us, differing, (WIDTH - 2) * (HEIGHT - 2));

  for (PangoFontDescription* font : side.fonts)
    if (font != nullptr)
      pango_font_description_free(font);
  g_object_unref(side.layout);
  g_object_unref(side.context);
  cairo_destroy(side.cr);
  cairo_surface_destroy(side.surface);
  kit_close();
  return 0;
}
