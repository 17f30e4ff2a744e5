// The game's worst-case frame, drawn through the kit on the headless canvas and, for comparison,
// as the same primitives drawn straight with Cairo and Pango the plain way: a new colour source
// for every shape, a new layout and font description for every text, Cairo's default settings,
// nothing kept from one call to the next. Both are timed in the same run, a frame of each in
// turn, and the medians and their ratio are printed. A frame's time is the CPU time this thread
// spent on it: on a machine busy with other work, wall-clock times jump by whole scheduler time
// slices and say more about the load than about the drawing.
//
//   frame [frames]    (default 1000 timed frames of each, after 100 frames of warm-up)
#include <veldo/kit.h>

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// ---- The frame ---------------------------------------------------------------------------------

enum Kind { RECTANGLE, CIRCLE, OVAL, TRIANGLE, LINE, TEXT };

// One drawing call in the kit's terms: canvas coordinates, a colour index, a width (0 = filled).
struct Call {
  Kind kind;
  int colour;
  int x1, y1, x2, y2, x3, y3; // circle: centre (x1, y1), radius x2; text: anchor (x1, y1)
  int width;                  // text: its size
  std::string text;
};

Call shape(Kind kind, int colour, int x1, int y1, int x2, int y2, int width) {
  return {kind, colour, x1, y1, x2, y2, 0, 0, width, {}};
}
Call triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3) {
  return {TRIANGLE, colour, x1, y1, x2, y2, x3, y3, 0, {}};
}
Call circle(int colour, int x, int y, int radius) {
  return {CIRCLE, colour, x, y, radius, 0, 0, 0, 0, {}};
}
Call text(int colour, int x, int y, int size, std::string words) {
  return {TEXT, colour, x, y, 0, 0, 0, 0, size, std::move(words)};
}

// A fly as the game draws it, wings in pose A (odd ticks) or B; a swatted fly has larger eyes.
void add_fly(std::vector<Call>& calls, int x, int y, bool pose_a, bool swatted) {
  const int eye = swatted ? 4 : 2;
  calls.push_back(circle(VELDO_GRAY_50, x, y - 4, 8));
  calls.push_back(circle(VELDO_GRAY_50, x, y, 8));
  calls.push_back(shape(OVAL, VELDO_GRAY_20, x - 8, y - 5, x + 8, y + 9, 0));
  calls.push_back(shape(OVAL, VELDO_GRAY_50, x - 8, y - 5, x + 8, y + 9, 1));
  calls.push_back(circle(VELDO_RED, x - 4, y + 2, eye));
  calls.push_back(circle(VELDO_RED, x + 4, y + 2, eye));
  if (pose_a) {
    calls.push_back(triangle(VELDO_GRAY_20, x - 8, y - 3, x - 16, y - 3, x - 16, y + 3));
    calls.push_back(triangle(VELDO_GRAY_20, x - 8, y - 7, x - 8, y - 3, x - 16, y - 3));
    calls.push_back(triangle(VELDO_GRAY_20, x + 8, y - 3, x + 16, y - 3, x + 16, y + 3));
    calls.push_back(triangle(VELDO_GRAY_20, x + 8, y - 7, x + 8, y - 3, x + 16, y - 3));
  } else {
    calls.push_back(triangle(VELDO_GRAY_20, x - 8, y - 3, x - 16, y - 3, x - 16, y - 10));
    calls.push_back(triangle(VELDO_GRAY_20, x - 8, y, x - 8, y - 3, x - 16, y - 3));
    calls.push_back(triangle(VELDO_GRAY_20, x + 8, y - 3, x + 16, y - 3, x + 16, y - 10));
    calls.push_back(triangle(VELDO_GRAY_20, x + 8, y, x + 8, y - 3, x + 16, y - 3));
  }
  calls.push_back(shape(LINE, VELDO_GRAY_50, x - 4, y + 7, x - 8, y + 10, 2));
  calls.push_back(shape(LINE, VELDO_GRAY_50, x + 4, y + 7, x + 8, y + 10, 2));
  calls.push_back(shape(LINE, VELDO_GRAY_50, x - 4, y - 10, x - 8, y - 14, 2));
  calls.push_back(shape(LINE, VELDO_GRAY_50, x + 4, y - 10, x + 8, y - 14, 2));
}

// The worst case the game can draw: a full playfield, 200 debris discs, 50 flies, the swatter at
// rest, the heads-up line and both of the largest announcements.
std::vector<Call> worst_case_frame() {
  std::vector<Call> calls;
  calls.push_back(shape(RECTANGLE, VELDO_WHITE, -300, -250, 300, 226, 0));
  for (int x = -300; x < 300; x += 50)
    for (int y = -250; y < 226; y += 55)
      calls.push_back(shape(RECTANGLE, VELDO_GRAY_20, x, y, x + 50, y + 55, 1));
  calls.push_back(shape(RECTANGLE, VELDO_BLACK, -300, 226, 300, 250, 0));
  calls.push_back(shape(RECTANGLE, VELDO_RED, -299, 247, -233, 227, 1));
  calls.push_back(text(VELDO_WHITE, -289, 231, 12, "Spawn fly"));

  // Positions spread over the field by a fixed sequence, so every run draws the same frame.
  unsigned seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(range));
  };
  for (int i = 0; i < 200; ++i)
    calls.push_back(circle(VELDO_RED, next(600) - 300, next(476) - 250, i % 11));
  for (int i = 0; i < 50; ++i)
    add_fly(calls, next(560) - 280, next(440) - 230, i % 2 == 1, i % 5 == 0);

  const int sx = 40;
  const int sy = -20;
  for (int k = 3; k < 28; k += 3)
    calls.push_back(shape(LINE, VELDO_BLUE, sx - 15, sy - 15 + k, sx + 15, sy - 15 + k, 1));
  for (int k = 3; k < 28; k += 3)
    calls.push_back(shape(LINE, VELDO_BLUE, sx - 15 + k, sy - 15, sx - 15 + k, sy + 15, 1));
  calls.push_back(shape(RECTANGLE, VELDO_PURPLE, sx - 15, sy - 15, sx + 15, sy + 15, 3));
  calls.push_back(shape(LINE, VELDO_PURPLE, sx, sy - 15, sx, sy - 45, 3));

  calls.push_back(text(VELDO_WHITE, -100, 231, 12, "Score: 1234"));
  calls.push_back(text(VELDO_WHITE, -40, 231, 12, "Time: 567"));
  calls.push_back(text(VELDO_WHITE, 20, 231, 12, "Level: 12"));
  calls.push_back(text(VELDO_WHITE, 80, 231, 12, "Swings: 345"));
  calls.push_back(text(VELDO_WHITE, 150, 231, 12, "Spree: 30"));
  calls.push_back(text(VELDO_WHITE, 210, 231, 12, "Last: 6"));
  calls.push_back(text(VELDO_RED, -240, -80, 100, "GODLIKE!"));
  calls.push_back(text(VELDO_RED, -270, 30, 70, "MONSTER KILL!"));
  return calls;
}

// ---- Through the kit ---------------------------------------------------------------------------

void draw_with_kit(const std::vector<Call>& calls) {
  for (const Call& c : calls) {
    switch (c.kind) {
    case RECTANGLE:
      kit_rectangle(c.colour, c.x1, c.y1, c.x2, c.y2, c.width);
      break;
    case CIRCLE:
      kit_circle(c.colour, c.x1, c.y1, c.x2);
      break;
    case OVAL:
      kit_oval(c.colour, c.x1, c.y1, c.x2, c.y2, c.width);
      break;
    case TRIANGLE:
      kit_triangle(c.colour, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.width);
      break;
    case LINE:
      kit_line(c.colour, c.x1, c.y1, c.x2, c.y2, c.width);
      break;
    case TEXT:
      kit_printf(c.colour, c.x1, c.y1, c.width, "%s", c.text.c_str());
      break;
    }
  }
}

// ---- Straight through Cairo and Pango ----------------------------------------------------------

// The canvas pixel of canvas point (0, 0) with the headless graphics window's 601 x 501 client.
constexpr int ORIGIN_X = 300;
constexpr int ORIGIN_Y = 250;
constexpr double RGB[VELDO_COLOUR_COUNT][3] = {
    {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 0, 255},
    {255, 255, 0},   {255, 0, 255},   {0, 255, 255},   {153, 0, 204},   {0, 51, 153},
    {153, 102, 153}, {153, 255, 255}, {153, 255, 204}, {255, 102, 0},   {153, 102, 51},
    {255, 153, 204}, {255, 255, 153}, {204, 153, 51},  {255, 153, 102}, {0, 102, 51},
    {51, 204, 153},  {153, 153, 51},  {128, 128, 128}, {204, 204, 204}};

void draw_raw(cairo_t* cr, const std::vector<Call>& calls) {
  for (const Call& c : calls) {
    const double* rgb = RGB[c.colour];
    cairo_set_source_rgb(cr, rgb[0] / 255, rgb[1] / 255, rgb[2] / 255);
    // Pixel centres of the points, and the box with both corner pixels included.
    const double x1 = ORIGIN_X + c.x1 + 0.5;
    const double y1 = ORIGIN_Y - c.y1 + 0.5;
    const double x2 = ORIGIN_X + c.x2 + 0.5;
    const double y2 = ORIGIN_Y - c.y2 + 0.5;
    const double left = std::min(x1, x2) - 0.5;
    const double top = std::min(y1, y2) - 0.5;
    const double box_width = std::fabs(x2 - x1) + 1;
    const double box_height = std::fabs(y2 - y1) + 1;
    switch (c.kind) {
    case RECTANGLE:
      if (c.width == 0) {
        cairo_rectangle(cr, left, top, box_width, box_height);
        cairo_fill(cr);
      } else {
        cairo_rectangle(cr, left + 0.5, top + 0.5, box_width - 1, box_height - 1);
        cairo_set_line_width(cr, c.width);
        cairo_stroke(cr);
      }
      break;
    case CIRCLE:
      cairo_arc(cr, x1, y1, c.x2 + 0.5, 0, 2 * M_PI);
      cairo_fill(cr);
      break;
    case OVAL:
      cairo_save(cr);
      cairo_translate(cr, left + box_width / 2, top + box_height / 2);
      if (c.width == 0) {
        cairo_scale(cr, box_width / 2, box_height / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
      } else {
        cairo_scale(cr, (box_width - 1) / 2, (box_height - 1) / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_set_line_width(cr, c.width);
        cairo_stroke(cr);
      }
      break;
    case TRIANGLE:
      cairo_move_to(cr, x1, y1);
      cairo_line_to(cr, x2, y2);
      cairo_line_to(cr, ORIGIN_X + c.x3 + 0.5, ORIGIN_Y - c.y3 + 0.5);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    case LINE:
      cairo_move_to(cr, x1, y1);
      cairo_line_to(cr, x2, y2);
      cairo_set_line_width(cr, std::max(c.width, 1));
      cairo_stroke(cr);
      break;
    case TEXT: {
      PangoLayout* layout = pango_cairo_create_layout(cr);
      PangoFontDescription* font = pango_font_description_new();
      pango_font_description_set_family(font, "DejaVu Sans");
      pango_font_description_set_weight(font, PANGO_WEIGHT_NORMAL);
      pango_font_description_set_absolute_size(font, c.width * PANGO_SCALE);
      pango_layout_set_font_description(layout, font);
      pango_layout_set_text(layout, c.text.c_str(), -1);
      int width = 0;
      int height = 0;
      pango_layout_get_pixel_size(layout, &width, &height);
      cairo_move_to(cr, ORIGIN_X + c.x1, ORIGIN_Y - c.y1 - height);
      pango_cairo_show_layout(cr, layout);
      cairo_new_path(cr);
      pango_font_description_free(font);
      g_object_unref(layout);
      break;
    }
    }
  }
}

// ---- Timing ------------------------------------------------------------------------------------

double cpu_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Figures {
  double kit_us;
  double raw_us;
};

Figures measure(const std::vector<Call>& calls, cairo_surface_t* raw_surface, int frames) {
  constexpr int WARM_UP = 100;
  std::vector<double> kit_times;
  std::vector<double> raw_times;
  for (int i = 0; i < WARM_UP + frames; ++i) {
    double start = cpu_microseconds();
    draw_with_kit(calls);
    double kit_us = cpu_microseconds() - start;

    start = cpu_microseconds();
    cairo_t* cr = cairo_create(raw_surface);
    draw_raw(cr, calls);
    cairo_destroy(cr);
    cairo_surface_flush(raw_surface);
    double raw_us = cpu_microseconds() - start;

    if (i >= WARM_UP) {
      kit_times.push_back(kit_us);
      raw_times.push_back(raw_us);
    }
  }
  return {median(kit_times), median(raw_times)};
}

void report(const char* what, const std::vector<Call>& calls, const Figures& figures) {
  std::printf("%-26s %5zu calls   kit %8.1f us   raw %8.1f us   ratio %.3f\n", what, calls.size(),
              figures.kit_us, figures.raw_us, figures.kit_us / figures.raw_us);
}

} // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  kit_use_platform("headless");
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  kit_clear();
  cairo_surface_t* raw_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 601, 540);

  const std::vector<Call> frame = worst_case_frame();
  std::vector<Call> shapes;
  std::vector<Call> texts;
  for (const Call& call : frame)
    (call.kind == TEXT ? texts : shapes).push_back(call);

  std::printf("Worst-case frame, median CPU time of %d frames of each after 100 of warm-up;\n"
              "kit = through the kit on the headless canvas, raw = plain Cairo/Pango calls.\n",
              frames);
  const Figures whole = measure(frame, raw_surface, frames);
  report("whole frame", frame, whole);
  report("  its shapes", shapes, measure(shapes, raw_surface, frames));
  report("  its texts", texts, measure(texts, raw_surface, frames));
  std::printf("goal: kit <= 0.85 x raw for the whole frame: %s (%.3f)\n",
              whole.kit_us <= 0.85 * whole.raw_us ? "met" : "NOT met", whole.kit_us / whole.raw_us);

  cairo_surface_destroy(raw_surface);
  kit_close();
  return 0;
}
