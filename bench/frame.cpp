// The game's worst-case frame (1,040 calls: 1,031 shapes and 9 texts), drawn three ways in one
// run, a frame of each in turn, and timed by the CPU time this thread spent on each frame (on a
// machine busy with other work, wall-clock times jump by whole scheduler time slices):
//
//   kit    the kit's drawing calls on the headless canvas.
//   cairo  plain Cairo and Pango as their users write it, set up to draw the kit's pixels: a new
//          context per frame with antialiasing off (CAIRO_ANTIALIAS_NONE) and the default curve
//          tolerance, a new colour source per shape, and for each text a new layout and font
//          description in the kit's face ("Liberation Sans", found by name through the machine's
//          font configuration) at the same absolute pixel size, with the kit's font options
//          (grey antialiasing, slight hinting, hinted metrics), each line placed at the kit's
//          anchor by Pango's own line metrics. Rectangles are filled or stroked on pixel centres,
//          discs and ovals are arcs (filled on the box's outer edges, stroked through its edge
//          pixels' centres), a filled triangle is filled and then stroked one pixel wide (the kit's
//          filled shapes carry their one-pixel outline), a line's band (as the kit's manual
//          describes it) is filled as a polygon.
//   sdl2   SDL2's software renderer on a surface of the canvas's size, as its users write it,
//          with the fonts kept open: rectangles with SDL_RenderFillRect and SDL_RenderDrawRects
//          (one rectangle per pixel of a wide outline), discs and filled ovals as one
//          SDL_RenderFillRects call of one-pixel-high spans worked out per row from the kit's
//          written rule, oval outlines as the spans of that rule's ring, filled triangles with
//          SDL_RenderGeometry plus SDL_RenderDrawLines round the edges, a line's band as a quad
//          through SDL_RenderGeometry, and texts with SDL2_ttf (TTF_RenderUTF8_Blended from the
//          kit's font file, a texture per text).
//          Built only when SDL2 and SDL2_ttf are installed (libsdl2-dev, libsdl2-ttf-dev).
//
// The sides draw the same shapes at the same places; after the timings the benchmark counts the
// pixels in which each side's frame differs from the kit's, for the shapes and the texts apart.
// Rectangles, discs and ovals come out the same on all three sides except Cairo's curves; the
// rest differs by each library's own sampling of triangle and band edges, and SDL2_ttf places and
// hints its glyphs its own way. Pango draws the kit's text pixels.
//
//   frame [frames]      (default 1000 timed frames of each side, after 100 frames of warm-up)
//   frame --kit FRAMES  only the kit's whole frame, FRAMES times, untimed: for a profiler, e.g.
//                       valgrind --tool=callgrind --toggle-collect='*draw_with_kit*' frame --kit 50
#include <veldo/headless.h>
#include <veldo/kit.h>

#include <cairo.h>
#include <pango/pangocairo.h>

#ifdef VELDO_BENCH_SDL2
#include <SDL.h>
#include <SDL_ttf.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
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

// The canvas pixel of canvas point (0, 0) with the headless graphics window's 601 x 501 client.
constexpr int ORIGIN_X = 300;
constexpr int ORIGIN_Y = 250;
constexpr int WIDTH = 601;
constexpr int HEIGHT = 540;
constexpr uint8_t RGB[VELDO_COLOUR_COUNT][3] = {
    {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 0, 255},
    {255, 255, 0},   {255, 0, 255},   {0, 255, 255},   {153, 0, 204},   {0, 51, 153},
    {153, 102, 153}, {153, 255, 255}, {153, 255, 204}, {255, 102, 0},   {153, 102, 51},
    {255, 153, 204}, {255, 255, 153}, {204, 153, 51},  {255, 153, 102}, {0, 102, 51},
    {51, 204, 153},  {153, 153, 51},  {128, 128, 128}, {204, 204, 204}};
constexpr const char* FONT_FILE =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// The box of a rectangle or oval call in canvas pixels, both corners included.
struct PixelBox {
  int left, top, right, bottom;
};
PixelBox pixel_box(const Call& c) {
  int x1 = ORIGIN_X + c.x1;
  int x2 = ORIGIN_X + c.x2;
  int y1 = ORIGIN_Y - c.y1;
  int y2 = ORIGIN_Y - c.y2;
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}
PixelBox circle_box(const Call& c) {
  return {ORIGIN_X + c.x1 - c.x2, ORIGIN_Y - c.y1 - c.x2, ORIGIN_X + c.x1 + c.x2,
          ORIGIN_Y - c.y1 + c.x2};
}

// The band a line covers, as the kit's manual describes it, in canvas pixels: one pixel thick
// along the minor axis for a one-pixel line, the line's width across the segment otherwise, both
// from half a pixel before the start pixel's centre to half a pixel before the end pixel's.
void line_band(const Call& c, double quad[4][2]) {
  double sx = ORIGIN_X + c.x1 + 0.5;
  double sy = ORIGIN_Y - c.y1 + 0.5;
  double ex = ORIGIN_X + c.x2 + 0.5;
  double ey = ORIGIN_Y - c.y2 + 0.5;
  double dx = ex - sx;
  double dy = ey - sy;
  if (c.width <= 1) {
    bool along_x = std::fabs(dx) >= std::fabs(dy);
    double back = (along_x ? dx : dy) > 0 ? -0.5 : 0.5;
    double slope = along_x ? dy / dx : dx / dy;
    double ax = along_x ? back : back * slope;
    double ay = along_x ? back * slope : back;
    double hx = along_x ? 0 : 0.5;
    double hy = along_x ? 0.5 : 0;
    const double corners[4][2] = {{sx + ax - hx, sy + ay - hy},
                                  {ex + ax - hx, ey + ay - hy},
                                  {ex + ax + hx, ey + ay + hy},
                                  {sx + ax + hx, sy + ay + hy}};
    std::copy(&corners[0][0], &corners[0][0] + 8, &quad[0][0]);
    return;
  }
  double length = std::hypot(dx, dy);
  double ux = dx / length;
  double uy = dy / length;
  double ax = -uy * c.width / 2;
  double ay = ux * c.width / 2;
  const double corners[4][2] = {{sx - ux / 2 + ax, sy - uy / 2 + ay},
                                {ex - ux / 2 + ax, ey - uy / 2 + ay},
                                {ex - ux / 2 - ax, ey - uy / 2 - ay},
                                {sx - ux / 2 - ax, sy - uy / 2 - ay}};
  std::copy(&corners[0][0], &corners[0][0] + 8, &quad[0][0]);
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

void draw_with_cairo(cairo_surface_t* surface, const std::vector<Call>& calls) {
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_t* text_options = cairo_font_options_create();
  cairo_font_options_set_antialias(text_options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(text_options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(text_options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, text_options);
  cairo_font_options_destroy(text_options);
  for (const Call& c : calls) {
    const uint8_t* rgb = RGB[c.colour];
    cairo_set_source_rgb(cr, rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0);
    switch (c.kind) {
    case RECTANGLE: {
      PixelBox b = pixel_box(c);
      if (c.width == 0) {
        cairo_rectangle(cr, b.left, b.top, b.right - b.left + 1, b.bottom - b.top + 1);
        cairo_fill(cr);
      } else {
        // A pen on the edge pixels' centres; an even width grows outward by half.
        double shift = c.width % 2 == 0 ? 0.5 : 0;
        cairo_rectangle(cr, b.left + 0.5 - shift, b.top + 0.5 - shift, b.right - b.left + 2 * shift,
                        b.bottom - b.top + 2 * shift);
        cairo_set_line_width(cr, c.width);
        cairo_stroke(cr);
      }
      break;
    }
    case CIRCLE:
      cairo_arc(cr, ORIGIN_X + c.x1 + 0.5, ORIGIN_Y - c.y1 + 0.5, c.x2 + 0.5, 0, 2 * M_PI);
      cairo_fill(cr);
      break;
    case OVAL: {
      PixelBox b = pixel_box(c);
      double w = b.right - b.left + 1;
      double h = b.bottom - b.top + 1;
      cairo_save(cr);
      cairo_translate(cr, b.left + w / 2, b.top + h / 2);
      if (c.width == 0) {
        cairo_scale(cr, w / 2, h / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
      } else {
        cairo_scale(cr, (w - 1) / 2, (h - 1) / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_set_line_width(cr, c.width);
        cairo_stroke(cr);
      }
      break;
    }
    case TRIANGLE:
      cairo_move_to(cr, ORIGIN_X + c.x1 + 0.5, ORIGIN_Y - c.y1 + 0.5);
      cairo_line_to(cr, ORIGIN_X + c.x2 + 0.5, ORIGIN_Y - c.y2 + 0.5);
      cairo_line_to(cr, ORIGIN_X + c.x3 + 0.5, ORIGIN_Y - c.y3 + 0.5);
      cairo_close_path(cr);
      cairo_fill_preserve(cr);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    case LINE: {
      double quad[4][2];
      line_band(c, quad);
      cairo_move_to(cr, quad[0][0], quad[0][1]);
      for (int i = 1; i < 4; ++i)
        cairo_line_to(cr, quad[i][0], quad[i][1]);
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    }
    case TEXT: {
      PangoLayout* layout = pango_cairo_create_layout(cr);
      PangoFontDescription* font = pango_font_description_new();
      pango_font_description_set_family(font, "Liberation Sans");
      pango_font_description_set_weight(font, PANGO_WEIGHT_NORMAL);
      pango_font_description_set_absolute_size(font, c.width * PANGO_SCALE);
      pango_layout_set_font_description(layout, font);
      pango_layout_set_text(layout, c.text.c_str(), -1);
      // The first line's cell ends on the anchor's row: an empty line's height is the font's own.
      PangoRectangle logical;
      pango_layout_get_pixel_extents(layout, nullptr, &logical);
      const int baseline = PANGO_PIXELS(pango_layout_get_baseline(layout));
      cairo_move_to(cr, ORIGIN_X + c.x1, ORIGIN_Y - c.y1 - logical.height + baseline);
      pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
      cairo_new_path(cr);
      pango_font_description_free(font);
      g_object_unref(layout);
      break;
    }
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
}

// ---- Straight through SDL2's software renderer -------------------------------------------------

#ifdef VELDO_BENCH_SDL2

// The oval's rule, as an SDL2 user would write it from the kit's manual: in each row of the box,
// the pixels whose centres lie inside or on the ellipse touching the box's outer edges, and the
// whole width in the box's middle row or two middle rows; never less than the middle pixel or
// two. Appends the row's span [left, right] to `spans`.
void oval_spans(const PixelBox& b, std::vector<SDL_Rect>& spans) {
  double w = b.right - b.left + 1;
  double h = b.bottom - b.top + 1;
  double a = w / 2;
  double bb = h / 2;
  for (int y = b.top; y <= b.bottom; ++y) {
    double dy = y + 0.5 - (b.top + bb);
    int left;
    if (std::fabs(dy) <= 0.5) {
      left = b.left;
    } else {
      double half = a * std::sqrt(std::max(0.0, 1 - dy * dy / (bb * bb)));
      // The first pixel whose centre is at most `half` from the middle.
      left = static_cast<int>(std::ceil(b.left + a - half - 0.5));
      left = std::min(left, b.left + (static_cast<int>(w) - 1) / 2);
    }
    int right = b.left + b.right - left;
    spans.push_back({left, y, right - left + 1, 1});
  }
}

struct SdlSide {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  std::map<int, TTF_Font*> fonts; // kept open, one per size
  std::vector<SDL_Rect> spans;

  bool open() {
    if (SDL_Init(0) != 0 || TTF_Init() != 0)
      return false;
    surface = SDL_CreateRGBSurfaceWithFormat(0, WIDTH, HEIGHT, 32, SDL_PIXELFORMAT_RGB888);
    renderer = surface != nullptr ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    return renderer != nullptr;
  }
  void close() {
    for (auto& [size, font] : fonts)
      TTF_CloseFont(font);
    if (renderer != nullptr)
      SDL_DestroyRenderer(renderer);
    if (surface != nullptr)
      SDL_FreeSurface(surface);
    TTF_Quit();
    SDL_Quit();
  }
  TTF_Font* font(int size) {
    auto found = fonts.find(size);
    if (found != fonts.end())
      return found->second;
    TTF_Font* opened = TTF_OpenFont(FONT_FILE, size);
    fonts[size] = opened;
    return opened;
  }
  uint32_t pixel(int x, int y) const {
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
  }

  void quad(const SDL_FPoint corners[4], SDL_Color colour) {
    SDL_Vertex vertices[4];
    for (int i = 0; i < 4; ++i)
      vertices[i] = {corners[i], colour, {0, 0}};
    const int indices[6] = {0, 1, 2, 0, 2, 3};
    SDL_RenderGeometry(renderer, nullptr, vertices, 4, indices, 6);
  }

  void draw(const std::vector<Call>& calls) {
    for (const Call& c : calls) {
      const uint8_t* rgb = RGB[c.colour];
      const SDL_Color colour{rgb[0], rgb[1], rgb[2], 255};
      SDL_SetRenderDrawColor(renderer, rgb[0], rgb[1], rgb[2], 255);
      switch (c.kind) {
      case RECTANGLE: {
        PixelBox b = pixel_box(c);
        if (c.width == 0) {
          SDL_Rect r{b.left, b.top, b.right - b.left + 1, b.bottom - b.top + 1};
          SDL_RenderFillRect(renderer, &r);
        } else {
          // One one-pixel rectangle per pixel of the pen, width / 2 of them outside the box.
          SDL_Rect rings[8];
          int count = std::min(c.width, 8);
          for (int i = 0; i < count; ++i) {
            int grow = c.width / 2 - i;
            rings[i] = {b.left - grow, b.top - grow, b.right - b.left + 1 + 2 * grow,
                        b.bottom - b.top + 1 + 2 * grow};
          }
          SDL_RenderDrawRects(renderer, rings, count);
        }
        break;
      }
      case CIRCLE:
      case OVAL: {
        PixelBox b = c.kind == CIRCLE ? circle_box(c) : pixel_box(c);
        spans.clear();
        oval_spans(b, spans);
        if (c.width != 0) {
          // The outline: what the ring of the filled oval shows, one pixel each side.
          std::vector<SDL_Rect> filled = spans;
          spans.clear();
          for (size_t i = 0; i < filled.size(); ++i) {
            const SDL_Rect& row = filled[i];
            int inner_left = row.x + 1;
            int inner_right = row.x + row.w - 2;
            if (i > 0)
              inner_left = std::max(inner_left, filled[i - 1].x);
            else
              inner_right = inner_left - 1;
            if (i + 1 < filled.size())
              inner_left = std::max(inner_left, filled[i + 1].x);
            else
              inner_right = inner_left - 1;
            inner_right = std::min(inner_right, 2 * row.x + row.w - 1 - inner_left);
            if (inner_right < inner_left) {
              spans.push_back(row);
            } else {
              spans.push_back({row.x, row.y, inner_left - row.x, 1});
              spans.push_back({inner_right + 1, row.y, row.x + row.w - 1 - inner_right, 1});
            }
          }
        }
        SDL_RenderFillRects(renderer, spans.data(), static_cast<int>(spans.size()));
        break;
      }
      case TRIANGLE: {
        SDL_Vertex vertices[3] = {
            {{ORIGIN_X + c.x1 + 0.5f, ORIGIN_Y - c.y1 + 0.5f}, colour, {0, 0}},
            {{ORIGIN_X + c.x2 + 0.5f, ORIGIN_Y - c.y2 + 0.5f}, colour, {0, 0}},
            {{ORIGIN_X + c.x3 + 0.5f, ORIGIN_Y - c.y3 + 0.5f}, colour, {0, 0}}};
        SDL_RenderGeometry(renderer, nullptr, vertices, 3, nullptr, 0);
        SDL_Point edges[4] = {{ORIGIN_X + c.x1, ORIGIN_Y - c.y1},
                              {ORIGIN_X + c.x2, ORIGIN_Y - c.y2},
                              {ORIGIN_X + c.x3, ORIGIN_Y - c.y3},
                              {ORIGIN_X + c.x1, ORIGIN_Y - c.y1}};
        SDL_RenderDrawLines(renderer, edges, 4);
        break;
      }
      case LINE: {
        double band[4][2];
        line_band(c, band);
        SDL_FPoint corners[4];
        for (int i = 0; i < 4; ++i)
          corners[i] = {static_cast<float>(band[i][0]), static_cast<float>(band[i][1])};
        quad(corners, colour);
        break;
      }
      case TEXT: {
        TTF_Font* font_of_size = font(c.width);
        if (font_of_size == nullptr)
          break;
        SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font_of_size, c.text.c_str(), colour);
        if (glyphs == nullptr)
          break;
        SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, glyphs);
        SDL_Rect where{ORIGIN_X + c.x1, ORIGIN_Y - c.y1 - glyphs->h, glyphs->w, glyphs->h};
        SDL_RenderCopy(renderer, texture, nullptr, &where);
        SDL_DestroyTexture(texture);
        SDL_FreeSurface(glyphs);
        break;
      }
      }
    }
    SDL_RenderFlush(renderer);
  }
};

#endif

// ---- Timing and comparing ----------------------------------------------------------------------

double cpu_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Side {
  const char* name;
  std::function<void(const std::vector<Call>&)> draw;
};

// The median CPU time of each side's frames, the sides taking turns frame by frame.
std::vector<double> measure(const std::vector<Side>& sides, const std::vector<Call>& calls,
                            int frames) {
  constexpr int WARM_UP = 100;
  std::vector<std::vector<double>> times(sides.size());
  for (int i = 0; i < WARM_UP + frames; ++i) {
    for (size_t s = 0; s < sides.size(); ++s) {
      double start = cpu_microseconds();
      sides[s].draw(calls);
      double spent = cpu_microseconds() - start;
      if (i >= WARM_UP)
        times[s].push_back(spent);
    }
  }
  std::vector<double> medians;
  for (const auto& t : times)
    medians.push_back(median(t));
  return medians;
}

void report(const char* what, const std::vector<Call>& calls, const std::vector<Side>& sides,
            const std::vector<double>& us) {
  std::printf("%-13s %5zu calls  ", what, calls.size());
  for (size_t s = 0; s < sides.size(); ++s)
    std::printf("  %s %8.1f us", sides[s].name, us[s]);
  for (size_t s = 1; s < sides.size(); ++s)
    std::printf("   kit/%s %.3f", sides[s].name, us[0] / us[s]);
  std::printf("\n");
}

// Paints a surface white, as the kit's canvas is after kit_clear() (the frame's black border
// aside, which no side's frame touches).
void clear_white(cairo_surface_t* surface) {
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
}

uint32_t surface_pixel(cairo_surface_t* surface, int x, int y) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
}

// The pixels of the visible canvas (601 x 501) in which `pixel` differs from the kit's canvas.
int differing_pixels(const std::function<uint32_t(int, int)>& pixel) {
  int count = 0;
  for (int y = 1; y < 501; ++y)
    for (int x = 1; x < WIDTH - 1; ++x)
      count += pixel(x, y) != veldo::headless::canvas_pixel(x, y);
  return count;
}

} // namespace

int main(int argc, char** argv) {
  const bool kit_only = argc > 1 && std::string(argv[1]) == "--kit";
  const int frames = argc > 1 + kit_only ? std::max(1, std::atoi(argv[1 + kit_only])) : 1000;
  kit_use_platform("headless");
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  kit_clear();
  if (kit_only) {
    const std::vector<Call> frame = worst_case_frame();
    for (int i = 0; i < frames; ++i)
      draw_with_kit(frame);
    kit_close();
    return 0;
  }
  cairo_surface_t* cairo_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, WIDTH, HEIGHT);

  std::vector<Side> sides = {
      {"kit", draw_with_kit},
      {"cairo", [cairo_surface](const std::vector<Call>& c) { draw_with_cairo(cairo_surface, c); }},
  };
#ifdef VELDO_BENCH_SDL2
  SdlSide sdl;
  const bool have_sdl = sdl.open();
  if (have_sdl)
    sides.push_back({"sdl2", [&sdl](const std::vector<Call>& c) { sdl.draw(c); }});
  else
    std::printf("SDL2 could not be started (%s): its side is skipped.\n", SDL_GetError());
#else
  std::printf("SDL2 and SDL2_ttf were not found when this was built (libsdl2-dev, "
              "libsdl2-ttf-dev): the SDL2 side is skipped.\n");
#endif

  const std::vector<Call> frame = worst_case_frame();
  std::vector<Call> shapes;
  std::vector<Call> texts;
  for (const Call& call : frame)
    (call.kind == TEXT ? texts : shapes).push_back(call);

  std::printf("Worst-case frame, median CPU time of %d frames of each side after 100 of warm-up\n"
              "(kit: the kit's calls; cairo: plain Cairo/Pango without antialiasing for shapes; "
              "sdl2: SDL2's software renderer)\n",
              frames);
  const std::vector<double> whole = measure(sides, frame, frames);
  report("whole frame", frame, sides, whole);
  report("  its shapes", shapes, sides, measure(sides, shapes, frames));
  const std::vector<double> text_us = measure(sides, texts, frames);
  report("  its texts", texts, sides, text_us);
  std::printf("the kit's texts are %.0f%% of its frame\n", 100 * text_us[0] / whole[0]);
  std::printf("goal: kit <= 0.30 x cairo for the whole frame: %s (%.3f)\n",
              whole[0] <= 0.30 * whole[1] ? "met" : "NOT met", whole[0] / whole[1]);
  if (sides.size() > 2)
    std::printf("goal: kit <= 0.50 x sdl2 for the whole frame: %s (%.3f)\n",
                whole[0] <= 0.50 * whole[2] ? "met" : "NOT met", whole[0] / whole[2]);

  // How the pictures compare: each side draws the shapes, then the texts, on a white canvas.
  std::printf("pixels of the visible canvas (599 x 500 inside the frame) that differ from the "
              "kit's:\n");
  for (const auto* part : {&shapes, &texts}) {
    const char* what = part == &shapes ? "shapes" : "texts";
    kit_clear();
    draw_with_kit(*part);
    clear_white(cairo_surface);
    draw_with_cairo(cairo_surface, *part);
    std::printf("  %-6s cairo %6d", what, differing_pixels([cairo_surface](int x, int y) {
                  return surface_pixel(cairo_surface, x, y);
                }));
#ifdef VELDO_BENCH_SDL2
    if (have_sdl) {
      SDL_FillRect(sdl.surface, nullptr, 0xFFFFFF);
      sdl.draw(*part);
      std::printf("   sdl2 %6d",
                  differing_pixels([&sdl](int x, int y) { return sdl.pixel(x, y); }));
    }
#endif
    std::printf("\n");
  }

#ifdef VELDO_BENCH_SDL2
  sdl.close();
#endif
  cairo_surface_destroy(cairo_surface);
  kit_close();
  return 0;
}
