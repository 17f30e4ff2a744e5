// The shapes' pixel rules, checked over many inputs: ovals of every box size up to 120 x 120,
// filled and with pens of 1 to 3 pixels; discs of every radius up to 200; 100,000 random
// triangles; random lines against the band they are sampled from; and a few small pictures
// pinned as PNG files in tests/data/shapes (VELDO_UPDATE_SHAPES=1 rewrites them).
#include "kit_test_support.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

constexpr uint32_t PAPER = 0x0000FF; // blue, what lies under the shape
constexpr uint32_t INK = 0xFF0000;   // red, the shape

// The canvas's pixels (0xRRGGBB), read straight from its image data.
class Pixels {
public:
  Pixels() : surface_(platform::canvas_surface()) {
    cairo_surface_flush(surface_);
    data_ = cairo_image_surface_get_data(surface_);
    stride_ = cairo_image_surface_get_stride(surface_);
  }
  uint32_t operator()(int x, int y) const {
    return reinterpret_cast<const uint32_t*>(data_ + y * stride_)[x] & 0xFFFFFF;
  }
  bool ink(int x, int y) const { return (*this)(x, y) == INK; }

private:
  cairo_surface_t* surface_;
  const unsigned char* data_;
  int stride_;
};

// Canvas points of canvas pixels (which may lie far off the canvas).
int kx(int64_t px) {
  return static_cast<int>(px - kit.origin_x);
}
int ky(int64_t py) {
  return static_cast<int>(kit.origin_y - py);
}

// Paints the canvas pixels [left, right) x [top, bottom).
void paint(int left, int top, int right, int bottom, int colour) {
  kit_rectangle(colour, kx(left), ky(top), kx(right - 1), ky(bottom - 1), 0);
}

// ---- The oval's rule, pixel by pixel, as the manual states it -----------------------------------
//
// The rules are worked out in T: 64 bits for the small shapes, 128 for the large ones.

__extension__ typedef __int128 Wide;

// Pixel (c, r) of a w x h box, counted from its top-left pixel.
template <typename T = int64_t> bool in_filled_oval(int64_t w, int64_t h, int64_t c, int64_t r) {
  if (w <= 0 || h <= 0 || c < 0 || r < 0 || c >= w || r >= h)
    return false;
  T u = 2 * c + 1 - w;
  T v = 2 * r + 1 - h;
  T ww = T(w) * w;
  T hh = T(h) * h;
  return u * u * hh + v * v * ww <= ww * hh || (v >= -1 && v <= 1) || (u >= -1 && u <= 1);
}

template <typename T = int64_t>
bool enclosed_by_outline(int64_t w, int64_t h, int64_t c, int64_t r) {
  return in_filled_oval<T>(w, h, c, r) && in_filled_oval<T>(w, h, c - 1, r) &&
         in_filled_oval<T>(w, h, c + 1, r) && in_filled_oval<T>(w, h, c, r - 1) &&
         in_filled_oval<T>(w, h, c, r + 1);
}

template <typename T = int64_t> bool in_oval(int64_t w, int64_t h, int pen, int64_t c, int64_t r) {
  if (pen == 0)
    return in_filled_oval<T>(w, h, c, r);
  int64_t out = pen / 2;
  int64_t in = pen - 1 - out;
  return in_filled_oval<T>(w + 2 * out, h + 2 * out, c + out, r + out) &&
         !enclosed_by_outline<T>(w - 2 * in, h - 2 * in, c - in, r - in);
}

// ---- The triangle's rule ------------------------------------------------------------------------

struct Point {
  int64_t x;
  int64_t y;
};

template <typename T> T absolute(T v) {
  return v < 0 ? -v : v;
}

// Whether pixel p is the pixel the one-pixel edge a-b paints in p's column (row, for a steep
// edge): the edge's point there lies less than half a pixel below p's centre, or exactly half a
// pixel above it.
template <typename T = int64_t> bool on_edge(Point a, Point b, Point p) {
  T dx = T(b.x) - a.x;
  T dy = T(b.y) - a.y;
  if (dx == 0 && dy == 0)
    return p.x == a.x && p.y == a.y;
  bool along_x = absolute(dx) >= absolute(dy);
  T major = along_x ? dx : dy;
  T minor = along_x ? dy : dx;
  T m = along_x ? T(p.x) - a.x : T(p.y) - a.y;
  T n = along_x ? T(p.y) - a.y : T(p.x) - a.x;
  if (major < 0) { // walk the major axis the other way: the same point at -m of -major
    major = -major;
    m = -m;
  }
  if (m < 0 || m > major)
    return false;
  T twice_off = 2 * n * major - 2 * m * minor; // 2 * major * (p - the edge's point)
  return -major <= twice_off && twice_off < major;
}

template <typename T = int64_t> bool inside_triangle(const Point v[3], Point p) {
  T area =
      (T(v[1].x) - v[0].x) * (T(v[2].y) - v[0].y) - (T(v[1].y) - v[0].y) * (T(v[2].x) - v[0].x);
  if (area == 0)
    return false;
  for (int i = 0; i < 3; ++i) {
    const Point& a = v[i];
    const Point& b = v[(i + 1) % 3];
    T cross = (T(b.x) - a.x) * (T(p.y) - a.y) - (T(b.y) - a.y) * (T(p.x) - a.x);
    if ((area > 0 && cross < 0) || (area < 0 && cross > 0))
      return false;
  }
  return true;
}

// 4 d^2 <= pen^2, d the distance from p to the segment a-b.
template <typename T = int64_t> bool within_half_pen(Point a, Point b, Point p, int pen) {
  T dx = T(b.x) - a.x;
  T dy = T(b.y) - a.y;
  T px = T(p.x) - a.x;
  T py = T(p.y) - a.y;
  T along = px * dx + py * dy;
  T length2 = dx * dx + dy * dy;
  T pen2 = T(pen) * pen;
  if (along <= 0)
    return 4 * (px * px + py * py) <= pen2;
  if (along >= length2) {
    T ex = T(p.x) - b.x;
    T ey = T(p.y) - b.y;
    return 4 * (ex * ex + ey * ey) <= pen2;
  }
  T cross = dx * py - dy * px;
  return 4 * cross * cross <= pen2 * length2;
}

template <typename T = int64_t> bool in_triangle(const Point v[3], int pen, Point p) {
  bool on_outline = false;
  for (int i = 0; i < 3; ++i) {
    const Point& a = v[i];
    const Point& b = v[(i + 1) % 3];
    on_outline = on_outline || (pen <= 1 ? on_edge<T>(a, b, p) : within_half_pen<T>(a, b, p, pen));
  }
  return on_outline || (pen == 0 && inside_triangle<T>(v, p));
}

class ShapeRulesTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    kit_set_logging(0);
    kit_clear();
  }
};

// Counts mismatches and reports the first few.
class Mismatches {
public:
  void add(const std::string& what) {
    if (++count_ <= 5)
      ADD_FAILURE() << what;
  }
  int count() const { return count_; }

private:
  int count_ = 0;
};

// ---- Ovals and discs ----------------------------------------------------------------------------

TEST_F(ShapeRulesTest, OvalsOfEveryBoxUpTo120FollowTheirRuleAndAreClosedAndSymmetric) {
  // The box's top-left pixel; a pen of 3 reaches one pixel beyond the box.
  constexpr int LEFT = 10;
  constexpr int TOP = 10;
  constexpr int MARGIN = 4;
  Mismatches mismatches;
  std::vector<char> reached;
  std::vector<int> queue;
  for (int pen = 0; pen <= 3; ++pen) {
    for (int h = 1; h <= 120; ++h) {
      for (int w = 1; w <= 120; ++w) {
        paint(LEFT - MARGIN, TOP - MARGIN, LEFT + w + MARGIN, TOP + h + MARGIN, VELDO_BLUE);
        kit_oval(VELDO_RED, kx(LEFT), ky(TOP), kx(LEFT + w - 1), ky(TOP + h - 1), pen);
        Pixels pixels;
        auto ink = [&](int c, int r) { return pixels.ink(LEFT + c, TOP + r); };
        std::string name = std::to_string(w) + " x " + std::to_string(h) + " box, pen " +
                           std::to_string(pen) + ": ";
        bool sides[4] = {};
        for (int r = -MARGIN; r < h + MARGIN; ++r) {
          for (int c = -MARGIN; c < w + MARGIN; ++c) {
            uint32_t got = pixels(LEFT + c, TOP + r);
            if (got != INK && got != PAPER)
              mismatches.add(name + "a pixel neither painted nor left as it was");
            if ((got == INK) != in_oval(w, h, pen, c, r))
              mismatches.add(name + "pixel (" + std::to_string(c) + ", " + std::to_string(r) +
                             ") breaks the rule");
            if ((got == INK) != ink(w - 1 - c, r) || (got == INK) != ink(c, h - 1 - r))
              mismatches.add(name + "not symmetric at (" + std::to_string(c) + ", " +
                             std::to_string(r) + ")");
            if (got == INK && pen <= 1 && (c < 0 || r < 0 || c >= w || r >= h))
              mismatches.add(name + "paints outside its box");
            if (got == INK) {
              sides[0] = sides[0] || c == 0;
              sides[1] = sides[1] || r == 0;
              sides[2] = sides[2] || c == w - 1;
              sides[3] = sides[3] || r == h - 1;
            }
          }
        }
        if (pen <= 1 && !(sides[0] && sides[1] && sides[2] && sides[3]))
          mismatches.add(name + "does not touch all four sides of its box");
        if (pen == 0)
          continue;
        // Closed: what lies outside the ring cannot reach, from neighbour to neighbour, anything
        // of the filled oval of the box the ring's outer edge runs round.
        int span_w = w + 2 * MARGIN;
        int span_h = h + 2 * MARGIN;
        reached.assign(static_cast<size_t>(span_w * span_h), 0);
        queue.assign(1, 0);
        reached[0] = 1;
        int out = pen / 2;
        while (!queue.empty()) {
          int at = queue.back();
          queue.pop_back();
          int c = at % span_w - MARGIN;
          int r = at / span_w - MARGIN;
          if (in_filled_oval(w + 2 * out, h + 2 * out, c + out, r + out)) {
            mismatches.add(name + "the ring has a gap");
            break;
          }
          const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
          for (const auto& step : steps) {
            int nc = c + step[0];
            int nr = r + step[1];
            if (nc < -MARGIN || nr < -MARGIN || nc >= w + MARGIN || nr >= h + MARGIN)
              continue;
            int index = (nr + MARGIN) * span_w + (nc + MARGIN);
            if (reached[static_cast<size_t>(index)] || ink(nc, nr))
              continue;
            reached[static_cast<size_t>(index)] = 1;
            queue.push_back(index);
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches.count(), 0);
}

TEST_F(ShapeRulesTest, ThinBoxesAreLinesAndTheSmallestBoxesAreFull) {
  for (int pen : {0, 1}) {
    for (int n = 1; n <= 120; ++n) {
      paint(0, 0, 200, 200, VELDO_BLUE);
      kit_oval(VELDO_RED, kx(20), ky(20), kx(20 + n - 1), ky(20), pen); // n x 1
      kit_oval(VELDO_RED, kx(10), ky(30), kx(10), ky(30 + n - 1), pen); // 1 x n
      kit_oval(VELDO_RED, kx(150), ky(150), kx(151), ky(151), pen);     // 2 x 2
      Pixels pixels;
      int painted = 0;
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
          painted += pixels.ink(x, y);
      EXPECT_EQ(painted, 2 * n + 4) << n << ", pen " << pen;
      for (int k = 0; k < n; ++k) {
        EXPECT_TRUE(pixels.ink(20 + k, 20)) << n << " x 1, pen " << pen;
        EXPECT_TRUE(pixels.ink(10, 30 + k)) << "1 x " << n << ", pen " << pen;
      }
      EXPECT_TRUE(pixels.ink(150, 150) && pixels.ink(151, 150) && pixels.ink(150, 151) &&
                  pixels.ink(151, 151))
          << "2 x 2, pen " << pen;
    }
  }
}

TEST_F(ShapeRulesTest, DiscsOfEveryRadiusUpTo200AreTheOvalsOfTheirBoxesAndFullySymmetric) {
  std::vector<char> disc;
  for (int r = 0; r <= 200; ++r) {
    const int cx = kit.origin_x;
    const int cy = kit.origin_y;
    const int n = 2 * r + 1;
    paint(cx - r - 1, cy - r - 1, cx + r + 2, cy + r + 2, VELDO_BLUE);
    kit_circle(VELDO_RED, 0, 0, r);
    {
      Pixels pixels;
      disc.assign(static_cast<size_t>((n + 2) * (n + 2)), 0);
      for (int y = -1; y <= n; ++y)
        for (int x = -1; x <= n; ++x)
          disc[static_cast<size_t>((y + 1) * (n + 2) + x + 1)] = pixels.ink(cx - r + x, cy - r + y);
    }
    auto in_disc = [&](int x, int y) {
      return disc[static_cast<size_t>((y + 1) * (n + 2) + x + 1)];
    };
    int wrong = 0;
    int asymmetric = 0;
    for (int y = -1; y <= n; ++y) {
      for (int x = -1; x <= n; ++x) {
        wrong += in_disc(x, y) != in_filled_oval(n, n, x, y);
        if (x >= 0 && y >= 0 && x < n && y < n)
          asymmetric += in_disc(x, y) != in_disc(y, x) || in_disc(x, y) != in_disc(n - 1 - x, y) ||
                        in_disc(x, y) != in_disc(x, n - 1 - y);
      }
    }
    EXPECT_EQ(wrong, 0) << "radius " << r;
    EXPECT_EQ(asymmetric, 0) << "radius " << r;
    // 2r + 1 pixels across, through the centre, both ways.
    int across = 0;
    int down = 0;
    for (int k = 0; k < n; ++k) {
      across += in_disc(k, r);
      down += in_disc(r, k);
    }
    EXPECT_EQ(across, n) << "radius " << r;
    EXPECT_EQ(down, n) << "radius " << r;
    // The oval in the same box paints the same pixels.
    paint(cx - r - 1, cy - r - 1, cx + r + 2, cy + r + 2, VELDO_BLUE);
    kit_oval(VELDO_RED, -r, r, r, -r, 0);
    Pixels pixels;
    int differing = 0;
    for (int y = -1; y <= n; ++y)
      for (int x = -1; x <= n; ++x)
        differing += pixels.ink(cx - r + x, cy - r + y) != in_disc(x, y);
    EXPECT_EQ(differing, 0) << "radius " << r;
  }
}

TEST_F(ShapeRulesTest, DiscsAreTheSameWhereverTheirCentre) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> radius(0, 40);
  std::uniform_int_distribution<int> shift(-200, 200);
  for (int i = 0; i < 200; ++i) {
    int r = radius(random);
    int x = shift(random);
    int y = shift(random) / 2;
    paint(0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, VELDO_BLUE);
    kit_circle(VELDO_RED, x, y, r);
    Pixels pixels;
    int wrong = 0;
    for (int dy = -r - 1; dy <= r + 1; ++dy)
      for (int dx = -r - 1; dx <= r + 1; ++dx)
        wrong += pixels.ink(kit.origin_x + x + dx, kit.origin_y - y + dy) !=
                 in_filled_oval(2 * r + 1, 2 * r + 1, dx + r, dy + r);
    EXPECT_EQ(wrong, 0) << "radius " << r << " at (" << x << ", " << y << ")";
  }
}

// ---- Triangles ----------------------------------------------------------------------------------

TEST_F(ShapeRulesTest, RandomTrianglesPaintEveryVertexAndFollowTheirRule) {
  constexpr int REACH = 60;
  constexpr int AROUND = REACH + 3; // a pen of 3 reaches one pixel beyond the vertices
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> coordinate(-REACH, REACH);
  std::uniform_int_distribution<int> factor(-3, 3);
  Mismatches mismatches;
  const int cx = kit.origin_x;
  const int cy = kit.origin_y;
  for (int i = 0; i < 100000; ++i) {
    Point v[3];
    for (Point& p : v)
      p = {coordinate(random), coordinate(random)};
    if (i % 10 == 1) {
      // Three points on a line, or two or three equal points.
      int k = factor(random);
      v[1] = {v[0].x + (v[1].x - v[0].x) / 4, v[0].y + (v[1].y - v[0].y) / 4};
      v[2] = {v[0].x + k * (v[1].x - v[0].x), v[0].y + k * (v[1].y - v[0].y)};
    }
    if (i % 10 == 2)
      v[2] = v[i % 20 == 2 ? 0 : 1];
    const int pen = i % 4;
    paint(cx - AROUND, cy - AROUND, cx + AROUND + 1, cy + AROUND + 1, VELDO_BLUE);
    kit_triangle(VELDO_RED, static_cast<int>(v[0].x), static_cast<int>(v[0].y),
                 static_cast<int>(v[1].x), static_cast<int>(v[1].y), static_cast<int>(v[2].x),
                 static_cast<int>(v[2].y), pen);
    Pixels pixels;
    std::string name = "triangle (" + std::to_string(v[0].x) + "," + std::to_string(v[0].y) +
                       "), (" + std::to_string(v[1].x) + "," + std::to_string(v[1].y) + "), (" +
                       std::to_string(v[2].x) + "," + std::to_string(v[2].y) + "), pen " +
                       std::to_string(pen) + ": ";
    for (const Point& p : v)
      if (!pixels.ink(cx + static_cast<int>(p.x), cy - static_cast<int>(p.y)))
        mismatches.add(name + "a vertex pixel is not painted");
    if (i % 25 != 0)
      continue;
    // The whole rule, in pixel coordinates (y down).
    Point corners[3];
    for (int k = 0; k < 3; ++k)
      corners[k] = {cx + v[k].x, cy - v[k].y};
    for (int y = cy - AROUND; y <= cy + AROUND; ++y)
      for (int x = cx - AROUND; x <= cx + AROUND; ++x)
        if (pixels.ink(x, y) != in_triangle(corners, pen, {x, y}))
          mismatches.add(name + "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                         ") breaks the rule");
  }
  EXPECT_EQ(mismatches.count(), 0);
}

TEST_F(ShapeRulesTest, TheSliverThatOnceLostACornerKeepsAllThree) {
  kit_triangle(VELDO_RED, 32, 26, -35, -47, -14, -23, 0);
  Pixels pixels;
  EXPECT_TRUE(pixels.ink(kit.origin_x + 32, kit.origin_y - 26));
  EXPECT_TRUE(pixels.ink(kit.origin_x - 35, kit.origin_y + 47));
  EXPECT_TRUE(pixels.ink(kit.origin_x - 14, kit.origin_y + 23));
}

// ---- Large shapes: the same rules, worked out in wider integers -------------------------------

TEST_F(ShapeRulesTest, LargeOvalsAndTrianglesFollowTheSameRules) {
  std::mt19937_64 random(5);
  Mismatches mismatches;
  auto pick = [&random](int64_t low, int64_t high) {
    return std::uniform_int_distribution<int64_t>(low, high)(random);
  };
  for (int i = 0; i < 24; ++i) {
    // Boxes wider than the ovals kept in 64 bits, lying partly on the canvas.
    int64_t w = pick(int64_t{1} << 15, int64_t{1} << 22);
    int64_t h = i % 3 == 0 ? pick(1, 300) : pick(1, int64_t{1} << 22);
    if (i % 2 == 1)
      std::swap(w, h);
    // The box placed so that its oval's edge crosses the canvas at a random pixel.
    double turn = std::uniform_real_distribution<double>(0, 6.28)(random);
    int64_t left =
        pick(0, CANVAS_WIDTH - 1) - std::llround(static_cast<double>(w) / 2 * (1 + std::cos(turn)));
    int64_t top = pick(0, CANVAS_HEIGHT - 1) -
                  std::llround(static_cast<double>(h) / 2 * (1 + std::sin(turn)));
    int pen = i % 4;
    paint(0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, VELDO_BLUE);
    kit_oval(VELDO_RED, kx(left), ky(top), kx(left + w - 1), ky(top + h - 1), pen);
    Pixels pixels;
    for (int y = 0; y < CANVAS_HEIGHT; ++y)
      for (int x = 0; x < CANVAS_WIDTH; ++x)
        if (pixels.ink(x, y) != in_oval<Wide>(w, h, pen, x - left, y - top))
          mismatches.add(std::to_string(w) + " x " + std::to_string(h) + " oval at (" +
                         std::to_string(left) + ", " + std::to_string(top) + "), pen " +
                         std::to_string(pen) + ": pixel (" + std::to_string(x) + ", " +
                         std::to_string(y) + ") breaks the rule");
  }
  for (int i = 0; i < 24; ++i) {
    // Vertices as far away as the kit's coordinates reach, one of them on the canvas.
    constexpr int64_t FAR = INT32_MAX - 1000;
    Point v[3];
    v[0] = {pick(0, CANVAS_WIDTH - 1), pick(0, CANVAS_HEIGHT - 1)};
    for (int k = 1; k < 3; ++k)
      v[k] = {pick(-FAR, FAR), pick(-FAR, FAR)};
    if (i / 4 % 2 == 1) {
      // An edge from corner to corner of the coordinates' range, across the canvas.
      v[1] = {kit.origin_x + int64_t{INT32_MIN}, kit.origin_y - int64_t{INT32_MIN} - pick(0, 300)};
      v[2] = {kit.origin_x + int64_t{INT32_MAX}, kit.origin_y - int64_t{INT32_MAX} + pick(0, 300)};
    }
    int pen = i % 4;
    paint(0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, VELDO_BLUE);
    kit_triangle(VELDO_RED, kx(v[0].x), ky(v[0].y), kx(v[1].x), ky(v[1].y), kx(v[2].x), ky(v[2].y),
                 pen);
    Pixels pixels;
    for (int y = 0; y < CANVAS_HEIGHT; ++y)
      for (int x = 0; x < CANVAS_WIDTH; ++x)
        if (pixels.ink(x, y) != in_triangle<Wide>(v, pen, {x, y}))
          mismatches.add("triangle " + std::to_string(i) + ", pen " + std::to_string(pen) +
                         ": pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                         ") breaks the rule");
  }
  EXPECT_EQ(mismatches.count(), 0);
}

// ---- Lines --------------------------------------------------------------------------------------

// The band a line is drawn as, in canvas pixels: one pixel thick along the minor axis for a
// one-pixel pen, the pen's width across the segment otherwise, both moved back half a pixel so
// that the start pixel is in and the end pixel out.
void line_band(double x0, double y0, double x1, double y1, int pen, double quad[4][2]) {
  double sx = x0 + 0.5;
  double sy = y0 + 0.5;
  double ex = x1 + 0.5;
  double ey = y1 + 0.5;
  double dx = ex - sx;
  double dy = ey - sy;
  if (pen <= 1 && std::fabs(dx) >= std::fabs(dy)) {
    double back = dx > 0 ? -0.5 : 0.5;
    double slope = dy / dx;
    double a[4][2] = {{sx + back, sy + back * slope - 0.5},
                      {ex + back, ey + back * slope - 0.5},
                      {ex + back, ey + back * slope + 0.5},
                      {sx + back, sy + back * slope + 0.5}};
    std::memcpy(quad, a, sizeof a);
  } else if (pen <= 1) {
    double back = dy > 0 ? -0.5 : 0.5;
    double slope = dx / dy;
    double a[4][2] = {{sx + back * slope - 0.5, sy + back},
                      {ex + back * slope - 0.5, ey + back},
                      {ex + back * slope + 0.5, ey + back},
                      {sx + back * slope + 0.5, sy + back}};
    std::memcpy(quad, a, sizeof a);
  } else {
    double length = std::hypot(dx, dy);
    double ux = dx * (1 / length);
    double uy = dy * (1 / length);
    double ax = -uy * (pen / 2.0);
    double ay = ux * (pen / 2.0);
    double bx = ux * 0.5;
    double by = uy * 0.5;
    double a[4][2] = {{sx - bx + ax, sy - by + ay},
                      {ex - bx + ax, ey - by + ay},
                      {ex - bx - ax, ey - by - ay},
                      {sx - bx - ax, sy - by - ay}};
    std::memcpy(quad, a, sizeof a);
  }
}

TEST_F(ShapeRulesTest, LinesPaintWhatCairoPaintsForTheirBandWithoutAntialiasing) {
  constexpr int REACH = 120;
  cairo_surface_t* reference = cairo_image_surface_create(CAIRO_FORMAT_A8, CANVAS_WIDTH, 540);
  std::mt19937 random(99);
  std::uniform_int_distribution<int> coordinate(-REACH, REACH);
  std::uniform_int_distribution<int> pens(0, 6);
  const int cx = kit.origin_x;
  const int cy = kit.origin_y;
  Mismatches mismatches;
  for (int i = 0; i < 20000; ++i) {
    // Short lines most of the time, as the game draws them.
    int range = i % 3 == 0 ? REACH : 12;
    int x0 = coordinate(random) % (range + 1);
    int y0 = coordinate(random) % (range + 1);
    int x1 = coordinate(random) % (range + 1);
    int y1 = coordinate(random) % (range + 1);
    int pen = pens(random);
    if (x0 == x1 && y0 == y1)
      continue;
    paint(cx - REACH - 5, cy - REACH - 5, cx + REACH + 6, cy + REACH + 6, VELDO_BLUE);
    kit_line(VELDO_RED, x0, y0, x1, y1, pen);

    double quad[4][2];
    line_band(cx + x0, cy - y0, cx + x1, cy - y1, pen, quad);
    cairo_t* cr = cairo_create(reference);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_move_to(cr, quad[0][0], quad[0][1]);
    for (int k = 1; k < 4; ++k)
      cairo_line_to(cr, quad[k][0], quad[k][1]);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(reference);
    const unsigned char* mask = cairo_image_surface_get_data(reference);
    int stride = cairo_image_surface_get_stride(reference);

    Pixels pixels;
    int differing = 0;
    for (int y = cy - REACH - 5; y <= cy + REACH + 5; ++y)
      for (int x = cx - REACH - 5; x <= cx + REACH + 5; ++x)
        differing += pixels.ink(x, y) != (mask[y * stride + x] != 0);
    if (differing != 0)
      mismatches.add("line (" + std::to_string(x0) + "," + std::to_string(y0) + ") to (" +
                     std::to_string(x1) + "," + std::to_string(y1) + "), width " +
                     std::to_string(pen) + ": " + std::to_string(differing) + " pixels differ");
  }
  cairo_surface_destroy(reference);
  EXPECT_EQ(mismatches.count(), 0);
}

// ---- Pinned pictures ----------------------------------------------------------------------------

// Canvas pixels [0, w) x [0, h) after kit_clear() and `draw`, against tests/data/shapes/NAME.png.
void expect_picture(const char* name, int w, int h, void (*draw)()) {
  kit_clear();
  paint(1, 1, w, h, VELDO_WHITE);
  draw();
  cairo_surface_t* canvas = platform::canvas_surface();
  cairo_surface_flush(canvas);
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(picture);
  cairo_set_source_surface(cr, canvas, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  const std::string file = std::string(VELDO_TEST_DATA) + "/shapes/" + name + ".png";
  const char* update = std::getenv("VELDO_UPDATE_SHAPES");
  if (update != nullptr && std::string(update) == "1") {
    EXPECT_EQ(cairo_surface_write_to_png(picture, file.c_str()), CAIRO_STATUS_SUCCESS) << file;
    cairo_surface_destroy(picture);
    return;
  }
  cairo_surface_t* pinned = cairo_image_surface_create_from_png(file.c_str());
  ASSERT_EQ(cairo_surface_status(pinned), CAIRO_STATUS_SUCCESS) << "cannot read " << file;
  ASSERT_EQ(cairo_image_surface_get_width(pinned), w) << file;
  ASSERT_EQ(cairo_image_surface_get_height(pinned), h) << file;
  cairo_surface_flush(picture);
  int differing = 0;
  for (int y = 0; y < h; ++y) {
    auto* a = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(picture) +
                                                y * cairo_image_surface_get_stride(picture));
    auto* b = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(pinned) +
                                                y * cairo_image_surface_get_stride(pinned));
    for (int x = 0; x < w; ++x)
      differing += (a[x] & 0xFFFFFF) != (b[x] & 0xFFFFFF);
  }
  if (differing != 0) {
    const std::string actual = std::string("shapes-") + name + ".actual.png";
    cairo_surface_write_to_png(picture, actual.c_str());
    ADD_FAILURE() << name << ": " << differing << " pixels differ from " << file << " (see "
                  << actual << ")";
  }
  cairo_surface_destroy(pinned);
  cairo_surface_destroy(picture);
}

// Canvas point of canvas pixel (x, y), for the pictures' own layouts.
int px(int x) {
  return kx(x);
}
int py(int y) {
  return ky(y);
}

TEST_F(ShapeRulesTest, PinnedPictures) {
  expect_picture("ovals", 220, 112, [] {
    const int sizes[][2] = {{1, 1},  {2, 2},  {3, 3},   {2, 9},   {9, 2},
                            {12, 2}, {30, 4}, {17, 15}, {16, 16}, {30, 11}};
    for (int pen = 0; pen <= 3; ++pen) {
      int x = 4;
      for (const auto& size : sizes) {
        int y = 6 + 27 * pen;
        kit_oval(pen == 0 ? VELDO_PURPLE : VELDO_BLUE, px(x), py(y), px(x + size[0] - 1),
                 py(y + size[1] - 1), pen);
        x += size[0] + 5;
      }
    }
  });
  expect_picture("discs", 200, 60, [] {
    int x = 4;
    for (int r = 0; r <= 12; ++r) {
      kit_circle(r % 2 == 0 ? VELDO_RED : VELDO_GRAY_50, px(x + r), py(30), r);
      x += 2 * r + 3;
    }
  });
  expect_picture("triangles", 200, 80, [] {
    // The fly's wings, both poses, as the game draws them.
    for (int pose = 0; pose < 2; ++pose) {
      int x = px(30 + 50 * pose);
      int y = py(30);
      if (pose == 0) {
        kit_triangle(VELDO_GRAY_50, x - 8, y - 3, x - 16, y - 3, x - 16, y + 3, 0);
        kit_triangle(VELDO_GRAY_50, x - 8, y - 7, x - 8, y - 3, x - 16, y - 3, 0);
        kit_triangle(VELDO_GRAY_50, x + 8, y - 3, x + 16, y - 3, x + 16, y + 3, 0);
        kit_triangle(VELDO_GRAY_50, x + 8, y - 7, x + 8, y - 3, x + 16, y - 3, 0);
      } else {
        kit_triangle(VELDO_GRAY_50, x - 8, y - 3, x - 16, y - 3, x - 16, y - 10, 0);
        kit_triangle(VELDO_GRAY_50, x - 8, y, x - 8, y - 3, x - 16, y - 3, 0);
        kit_triangle(VELDO_GRAY_50, x + 8, y - 3, x + 16, y - 3, x + 16, y - 10, 0);
        kit_triangle(VELDO_GRAY_50, x + 8, y, x + 8, y - 3, x + 16, y - 3, 0);
      }
    }
    // A sliver, three points on a line, two equal points, and outlines of 1, 2 and 3 pixels.
    kit_triangle(VELDO_RED, px(110), py(5), px(140), py(40), px(120), py(20), 0);
    kit_triangle(VELDO_BLUE, px(150), py(5), px(190), py(15), px(170), py(10), 0);
    kit_triangle(VELDO_BLUE, px(150), py(25), px(150), py(25), px(190), py(40), 0);
    for (int pen = 1; pen <= 3; ++pen) {
      int x = 10 + 60 * (pen - 1);
      kit_triangle(VELDO_PURPLE, px(x), py(75), px(x + 45), py(70), px(x + 15), py(50), pen);
    }
  });
  expect_picture("lines", 160, 60, [] {
    for (int pen = 1; pen <= 3; ++pen) {
      int x = 6 + 50 * (pen - 1);
      kit_line(VELDO_BLACK, px(x), py(5), px(x + 40), py(12), pen);
      kit_line(VELDO_BLACK, px(x), py(20), px(x + 9), py(55), pen);
      kit_line(VELDO_BLACK, px(x + 40), py(20), px(x + 20), py(50), pen);
      kit_line(VELDO_BLACK, px(x + 40), py(55), px(x + 25), py(55), pen);
    }
  });
}

} // namespace
} // namespace veldo::testing
