// The rasteriser shared by both backends. Every shape is scan-converted here into runs of pixels
// that are written straight into the target's image data, following the pixel rules of raster.h:
//
// - Rectangles are runs of their box.
// - Ovals are worked out row by row from an exact integer test (the ellipse through the box's
//   outer edges, plus the middle row and column); the runs of recently used box sizes are kept,
//   because a game draws the same few sizes over and over.
// - Triangles fill their inside with exact edge functions stepped from row to row, draw their
//   one-pixel edges with a nearest-pixel rule, and their wide outlines as the pixels within half
//   the pen of an edge, decided exactly.
// - Lines keep the pixels they have always had: their band is a polygon sampled the way a path
//   rasteriser without antialiasing samples it (corners rounded to 1/256 pixel, x found 1/256
//   above each row's centre, rows and columns taken by their centres).
//
// A general path rasteriser spends most of its time on the small shapes of a frame flattening
// curves, building and sorting edges and setting up its compositing; these shapes need none of
// it (bench/frame compares the whole with plain Cairo drawing, and with SDL2's software
// renderer). Coordinates far off the surface cost nothing: only the surface's rows and columns
// are ever visited, with 64-bit arithmetic where the numbers are small and 128-bit (or exact
// 256-bit products) where they are not.
#include "raster.h"

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>
#include <vector>

namespace veldo::platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(uint32_t), "runs are filled as wide characters");

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// Triangles whose vertices all lie within this many pixels of the surface's origin are worked out
// in 64-bit integers; farther ones in 128-bit.
constexpr int64_t SMALL_COORDINATE = 1 << 24;
// Ovals up to this size in both directions are worked out in 64-bit integers; larger ones with
// exact 256-bit products.
constexpr int64_t SMALL_OVAL = 1 << 15;
// Ovals up to this many rows tall (and no wider than SMALL_OVAL) keep their rows' insets.
constexpr int64_t KEPT_OVAL_ROWS = 256;
constexpr int KEPT_OVAL_SIZES = 64;
// Line bands whose corners all lie within this many pixels of the surface's origin are sampled as
// they are; farther ones are clipped to the surface and a small margin first.
constexpr double SAFE_EXTENT = 1 << 20;
constexpr double CLIP_MARGIN = 16;

int64_t pen_width(const Pen& pen) {
  return std::max(pen.width, 1);
}

bool box_empty(const PixelBox& box) {
  return box.right <= box.left || box.bottom <= box.top;
}

// The box grown by `by` pixels on every side (shrunk for a negative `by`).
PixelBox grown(const PixelBox& box, int64_t by) {
  return {box.left - by, box.top - by, box.right + by, box.bottom + by};
}

// ---- Exact arithmetic ---------------------------------------------------------------------------

// Division rounding toward minus infinity, with a remainder 0 <= r < d, for d > 0.
template <typename T> struct Division {
  T quotient;
  T remainder;
};

template <typename T> Division<T> divide(T n, T d) {
  T q = n / d;
  T r = n % d;
  if (r < 0) {
    --q;
    r += d;
  }
  return {q, r};
}

int64_t ceil_divide(int64_t n, int64_t d) {
  Division<int64_t> division = divide(n, d);
  return division.quotient + (division.remainder != 0);
}

// n / d (d > 0) while n grows by a fixed step: one division to start, then additions only.
template <typename T> class Stepper {
public:
  Stepper() = default;
  Stepper(T start, T step, T divisor) : divisor_(divisor) {
    Division<T> at = divide(start, divisor);
    Division<T> by = divide(step, divisor);
    quotient_ = at.quotient;
    remainder_ = at.remainder;
    step_quotient_ = by.quotient;
    step_remainder_ = by.remainder;
  }
  T floor() const { return quotient_; }
  T ceil() const { return quotient_ + (remainder_ != 0); }
  void next() {
    quotient_ += step_quotient_;
    remainder_ += step_remainder_;
    if (remainder_ >= divisor_) {
      ++quotient_;
      remainder_ -= divisor_;
    }
  }

private:
  T divisor_ = 1;
  T quotient_ = 0;
  T remainder_ = 0;
  T step_quotient_ = 0;
  T step_remainder_ = 0;
};

// Whether a * b <= c * d, exactly, for factors below 2^127.
bool product_at_most(UInt128 a, UInt128 b, UInt128 c, UInt128 d) {
  struct Wide {
    UInt128 high;
    UInt128 low;
  };
  auto multiply = [](UInt128 x, UInt128 y) {
    uint64_t x0 = static_cast<uint64_t>(x);
    uint64_t x1 = static_cast<uint64_t>(x >> 64);
    uint64_t y0 = static_cast<uint64_t>(y);
    uint64_t y1 = static_cast<uint64_t>(y >> 64);
    UInt128 p00 = static_cast<UInt128>(x0) * y0;
    UInt128 p01 = static_cast<UInt128>(x0) * y1;
    UInt128 p10 = static_cast<UInt128>(x1) * y0;
    UInt128 p11 = static_cast<UInt128>(x1) * y1;
    UInt128 middle = (p00 >> 64) + static_cast<uint64_t>(p01) + static_cast<uint64_t>(p10);
    UInt128 low = static_cast<uint64_t>(p00) | (middle << 64);
    UInt128 high = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
    return Wide{high, low};
  };
  Wide left = multiply(a, b);
  Wide right = multiply(c, d);
  return left.high < right.high || (left.high == right.high && left.low <= right.low);
}

template <typename T> T magnitude(T v) {
  return v < 0 ? -v : v;
}

// ---- The target ---------------------------------------------------------------------------------

// The target surface's pixels, open for writing while one shape is drawn within `reach`: runs are
// cut to it and to the surface, and Cairo is told of the change when the shape is done.
class Target {
public:
  Target(cairo_surface_t* surface, const PixelBox& reach) : surface_(surface) {
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
      return;
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32)
      return;
    width_ = cairo_image_surface_get_width(surface);
    height_ = cairo_image_surface_get_height(surface);
    clip_ = {std::max<int64_t>(reach.left, 0), std::max<int64_t>(reach.top, 0),
             std::min(reach.right, width_), std::min(reach.bottom, height_)};
    if (box_empty(clip_))
      return;
    cairo_surface_flush(surface);
    pixels_ = cairo_image_surface_get_data(surface);
    stride_ = cairo_image_surface_get_stride(surface);
  }
  ~Target() {
    if (painted_)
      cairo_surface_mark_dirty_rectangle(
          surface_, static_cast<int>(clip_.left), static_cast<int>(clip_.top),
          static_cast<int>(clip_.right - clip_.left), static_cast<int>(clip_.bottom - clip_.top));
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  // False when there is nothing to draw on, or the shape cannot reach it.
  bool usable() const { return pixels_ != nullptr; }
  int64_t width() const { return width_; }
  int64_t height() const { return height_; }

  // Paints the pixels from `left` up to, not including, `right` in row y; whatever lies off the
  // surface is dropped.
  void run(int64_t y, int64_t left, int64_t right, uint32_t rgb) {
    if (y < clip_.top || y >= clip_.bottom)
      return;
    left = std::max(left, clip_.left);
    right = std::min(right, clip_.right);
    if (left >= right)
      return;
    uint32_t* row = reinterpret_cast<uint32_t*>(pixels_ + y * stride_);
    uint32_t value = 0xFF000000u | rgb;
    // The C library's wide-character fill is a vectorised 32-bit fill; for the shortest runs a
    // call costs more than the stores.
    if (right - left < 8)
      std::fill(row + left, row + right, value);
    else
      std::wmemset(reinterpret_cast<wchar_t*>(row + left), static_cast<wchar_t>(value),
                   static_cast<size_t>(right - left));
    painted_ = true;
  }
  void pixel(int64_t x, int64_t y, uint32_t rgb) {
    if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom)
      return;
    reinterpret_cast<uint32_t*>(pixels_ + y * stride_)[x] = 0xFF000000u | rgb;
    painted_ = true;
  }
  // Paints every pixel of `box` that lies on the surface.
  void block(const PixelBox& box, uint32_t rgb) {
    int64_t left = std::max(box.left, clip_.left);
    int64_t right = std::min(box.right, clip_.right);
    int64_t top = std::max(box.top, clip_.top);
    int64_t bottom = std::min(box.bottom, clip_.bottom);
    if (left >= right || top >= bottom)
      return;
    uint32_t value = 0xFF000000u | rgb;
    for (int64_t y = top; y < bottom; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(pixels_ + y * stride_);
      if (right - left < 8)
        std::fill(row + left, row + right, value);
      else
        std::wmemset(reinterpret_cast<wchar_t*>(row + left), static_cast<wchar_t>(value),
                     static_cast<size_t>(right - left));
    }
    painted_ = true;
  }

private:
  cairo_surface_t* surface_;
  unsigned char* pixels_ = nullptr;
  int64_t stride_ = 0;
  int64_t width_ = 0;
  int64_t height_ = 0;
  PixelBox clip_;
  bool painted_ = false;
};

// ---- Ovals --------------------------------------------------------------------------------------

int64_t square_root_floor(int64_t m) {
  int64_t s = static_cast<int64_t>(std::sqrt(static_cast<double>(m)));
  while (s > 0 && s * s > m)
    --s;
  while ((s + 1) * (s + 1) <= m)
    ++s;
  return s;
}

// How many pixels the filled oval of a w x h box leaves out at each end of row `row` (counted from
// the top, 0 <= row <= (h - 1) / 2). With u = 2 * column + 1 - w and v = 2 * row + 1 - h, a pixel
// is in when u^2 h^2 + v^2 w^2 <= w^2 h^2, or |v| <= 1, or |u| <= 1.
int64_t oval_inset(int64_t w, int64_t h, int64_t row) {
  int64_t v = h - 1 - 2 * row; // |v|
  if (v <= 1)
    return 0;
  // The largest |u| the ellipse lets in: u^2 h^2 <= w^2 (h - v)(h + v).
  int64_t u;
  if (w <= SMALL_OVAL && h <= SMALL_OVAL) {
    u = square_root_floor(w * w * ((h - v) * (h + v)) / (h * h));
  } else {
    UInt128 h2 = static_cast<UInt128>(h) * static_cast<UInt128>(h);
    UInt128 w2 = static_cast<UInt128>(w) * static_cast<UInt128>(w);
    UInt128 q = static_cast<UInt128>(h - v) * static_cast<UInt128>(h + v);
    auto lets_in = [&](int64_t c) {
      UInt128 c2 = static_cast<UInt128>(c) * static_cast<UInt128>(c);
      return product_at_most(c2, h2, w2, q);
    };
    long double estimate =
        static_cast<long double>(w) *
        std::sqrt(static_cast<long double>(h - v) * static_cast<long double>(h + v)) /
        static_cast<long double>(h);
    u = std::clamp(static_cast<int64_t>(estimate), int64_t{0}, w);
    while (u > 0 && !lets_in(u))
      --u;
    while (u < w && lets_in(u + 1))
      ++u;
  }
  // The pixel `inset` places from the left has |u| = w - 1 - 2 * inset; the middle column (or
  // two) is always in.
  int64_t outside = w - 1 - u;
  int64_t inset = outside <= 0 ? 0 : (outside + 1) / 2;
  return std::min(inset, (w - 1) / 2);
}

// The insets of the top half of the rows of recently drawn small ovals, by box size.
struct KeptInsets {
  int64_t width = 0;
  int64_t height = 0;
  int32_t insets[KEPT_OVAL_ROWS / 2 + 1] = {};
};

KeptInsets kept_insets[KEPT_OVAL_SIZES];

const int32_t* insets_of_small_oval(int64_t w, int64_t h) {
  uint64_t key = static_cast<uint64_t>(w) << 32 | static_cast<uint64_t>(h);
  KeptInsets& kept = kept_insets[(key * 0x9E3779B97F4A7C15u) >> 58];
  if (kept.width != w || kept.height != h) {
    for (int64_t row = 0; row <= (h - 1) / 2; ++row)
      kept.insets[row] = static_cast<int32_t>(oval_inset(w, h, row));
    kept.width = w;
    kept.height = h;
  }
  return kept.insets;
}

// The runs of the filled oval inscribed in one box, and of what its one-pixel outline encloses,
// row by row.
class OvalRows {
public:
  explicit OvalRows(const PixelBox& box)
      : box_(box), width_(box.right - box.left), height_(box.bottom - box.top) {
    if (box_empty(box))
      return;
    if (width_ <= SMALL_OVAL && height_ <= KEPT_OVAL_ROWS)
      kept_ = insets_of_small_oval(width_, height_);
  }

  // The oval's run in surface row y, [*left, *right); false when the row holds none.
  bool run(int64_t y, int64_t* left, int64_t* right) {
    int64_t row = y - box_.top;
    if (box_empty(box_) || row < 0 || row >= height_)
      return false;
    int64_t inset = inset_of(row);
    *left = box_.left + inset;
    *right = box_.right - inset;
    return true;
  }

  // The run of what the one-pixel outline encloses in row y: the oval's pixels whose four
  // neighbours are all in the oval.
  bool enclosed_run(int64_t y, int64_t* left, int64_t* right) {
    int64_t row = y - box_.top;
    if (box_empty(box_) || row <= 0 || row >= height_ - 1)
      return false;
    int64_t inset = std::max({inset_of(row) + 1, inset_of(row - 1), inset_of(row + 1)});
    if (2 * inset >= width_)
      return false;
    *left = box_.left + inset;
    *right = box_.right - inset;
    return true;
  }

private:
  int64_t inset_of(int64_t row) {
    int64_t upper = std::min(row, height_ - 1 - row);
    if (kept_ != nullptr)
      return kept_[upper];
    // A large oval: rows are asked for in order, each up to three times.
    for (const Remembered& r : remembered_)
      if (r.row == upper)
        return r.inset;
    int64_t inset = oval_inset(width_, height_, upper);
    remembered_[next_remembered_] = {upper, inset};
    next_remembered_ = (next_remembered_ + 1) % 4;
    return inset;
  }

  struct Remembered {
    int64_t row = -1;
    int64_t inset = 0;
  };
  PixelBox box_;
  int64_t width_;
  int64_t height_;
  const int32_t* kept_ = nullptr;
  Remembered remembered_[4];
  int next_remembered_ = 0;
};

// ---- Triangles ----------------------------------------------------------------------------------

bool small_coordinates(const PixelPoint points[3]) {
  for (int i = 0; i < 3; ++i)
    if (magnitude(points[i].x) > SMALL_COORDINATE || magnitude(points[i].y) > SMALL_COORDINATE)
      return false;
  return true;
}

int64_t clamp_to(Int128 v, int64_t low, int64_t high) {
  return static_cast<int64_t>(std::clamp<Int128>(v, low, high));
}

// The pixels whose centres lie inside the triangle or on its edges. Each edge bounds every row's
// run on one side, at ceil or floor of a linear function of the row, stepped from row to row.
template <typename T> void fill_inside(Target& target, const PixelPoint p[3], uint32_t rgb) {
  T x[3] = {p[0].x, p[1].x, p[2].x};
  T y[3] = {p[0].y, p[1].y, p[2].y};
  T area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
  if (area == 0)
    return;
  T side = area > 0 ? 1 : -1;
  int64_t top = std::max<int64_t>(std::min({p[0].y, p[1].y, p[2].y}), 0);
  int64_t bottom = std::min<int64_t>(std::max({p[0].y, p[1].y, p[2].y}), target.height() - 1);
  if (top > bottom)
    return;
  // Pixel (px, py) is inside every edge i -> j when side * cross(d, (px, py) - p_i) >= 0, with
  // d = p_j - p_i: a * px + c(py) >= 0, where a = -side * d.y and c(py) = side * (d.x * (py -
  // y_i) + d.y * x_i) grows by side * d.x per row.
  Stepper<T> bounds[3];
  bool from_left[3] = {};
  int count = 0;
  for (int i = 0; i < 3; ++i) {
    int j = (i + 1) % 3;
    T dx = x[j] - x[i];
    T dy = y[j] - y[i];
    T a = -side * dy;
    if (a == 0)
      continue; // a horizontal edge: the rows already stop there
    T c = side * (dx * (T(top) - y[i]) + dy * x[i]);
    T step = side * dx;
    from_left[count] = a > 0;
    bounds[count++] = a > 0 ? Stepper<T>(-c, -step, a) : Stepper<T>(c, step, -a);
  }
  const int64_t width = target.width();
  for (int64_t row = top; row <= bottom; ++row) {
    T left = -1;
    T right = width;
    for (int i = 0; i < count; ++i) {
      if (from_left[i])
        left = std::max(left, bounds[i].ceil());
      else
        right = std::min(right, bounds[i].floor());
      bounds[i].next();
    }
    if (left <= right)
      target.run(row, clamp_to(left, -1, width), clamp_to(right, -1, width) + 1, rgb);
  }
}

// One edge as a one-pixel line with both ends: the nearest pixel in every column (every row for
// a steep edge), a tie going to the upper (left) one. The rule does not depend on which end comes
// first.
template <typename T> void draw_edge(Target& target, PixelPoint a, PixelPoint b, uint32_t rgb) {
  T dx = T(b.x) - a.x;
  T dy = T(b.y) - a.y;
  if (dx == 0 && dy == 0) {
    target.pixel(a.x, a.y, rgb);
    return;
  }
  bool along_x = magnitude(dx) >= magnitude(dy);
  // Step along the major axis in the positive direction.
  if ((along_x && dx < 0) || (!along_x && dy < 0)) {
    std::swap(a, b);
    dx = -dx;
    dy = -dy;
  }
  int64_t a_major = along_x ? a.x : a.y;
  int64_t b_major = along_x ? b.x : b.y;
  int64_t a_minor = along_x ? a.y : a.x;
  T major = along_x ? dx : dy;
  T minor = along_x ? dy : dx;
  int64_t limit = along_x ? target.width() : target.height();
  int64_t first = std::max<int64_t>(a_major, 0);
  int64_t last = std::min<int64_t>(b_major, limit - 1);
  // The minor offset at major position m is the nearest integer to (m - a) * minor / major,
  // halves rounded down: ceil((2 (m - a) minor - major) / (2 major)).
  Stepper<T> offset(2 * (T(first) - a_major) * minor - major, 2 * minor, 2 * major);
  for (int64_t m = first; m <= last; ++m) {
    int64_t at = clamp_to(a_minor + offset.ceil(), -1, INT64_MAX / 2);
    if (along_x)
      target.pixel(m, at, rgb);
    else
      target.pixel(at, m, rgb);
    offset.next();
  }
}

// Whether the centre of pixel (x, y) lies within w / 2 of the segment a-b: 4 d^2 <= w^2, exactly.
bool near_segment(int64_t x, int64_t y, const PixelPoint& a, const PixelPoint& b, UInt128 w2) {
  Int128 dx = Int128(b.x) - a.x;
  Int128 dy = Int128(b.y) - a.y;
  Int128 px = Int128(x) - a.x;
  Int128 py = Int128(y) - a.y;
  Int128 along = px * dx + py * dy;
  Int128 length2 = dx * dx + dy * dy;
  auto near_point = [w2](Int128 ex, Int128 ey) {
    return static_cast<UInt128>(4 * (ex * ex + ey * ey)) <= w2;
  };
  if (along <= 0)
    return near_point(px, py);
  if (along >= length2)
    return near_point(Int128(x) - b.x, Int128(y) - b.y);
  UInt128 twice_cross = static_cast<UInt128>(2 * magnitude(dx * py - dy * px));
  return product_at_most(twice_cross, twice_cross, w2, static_cast<UInt128>(length2));
}

// Roughly where row y meets the pixels within `reach` of the segment a-b, in floating point:
// false when it surely does not.
bool near_segment_estimate(const PixelPoint& a, const PixelPoint& b, double y, double reach,
                           double* low, double* high) {
  *low = INFINITY;
  *high = -INFINITY;
  // The round ends: (reach - |dy|)(reach + |dy|) keeps the difference of squares exact.
  for (const PixelPoint& end : {a, b}) {
    double across = std::fabs(y - static_cast<double>(end.y));
    if (across <= reach) {
      double half = std::sqrt((reach - across) * (reach + across));
      *low = std::min(*low, static_cast<double>(end.x) - half);
      *high = std::max(*high, static_cast<double>(end.x) + half);
    }
  }
  // The band beside the segment: |cross| <= reach * length and 0 <= along <= length^2.
  double dx = static_cast<double>(b.x - a.x);
  double dy = static_cast<double>(b.y - a.y);
  double ry = y - static_cast<double>(a.y);
  double length = std::hypot(dx, dy);
  double from = -INFINITY;
  double to = INFINITY;
  if (dy == 0) {
    if (std::fabs(ry) > reach)
      return *low <= *high;
  } else {
    double one = (dx * ry - reach * length) / dy;
    double other = (dx * ry + reach * length) / dy;
    from = std::min(one, other);
    to = std::max(one, other);
  }
  if (dx == 0) {
    if (dy * ry < 0 || dy * ry > length * length)
      return *low <= *high;
  } else {
    double one = -dy * ry / dx;
    double other = (length * length - dy * ry) / dx;
    from = std::max(from, std::min(one, other));
    to = std::min(to, std::max(one, other));
  }
  if (from <= to) {
    *low = std::min(*low, static_cast<double>(a.x) + from);
    *high = std::max(*high, static_cast<double>(a.x) + to);
  }
  return *low <= *high;
}

// The pixels within `width` / 2 of an edge. Each row's run beside each edge is estimated in
// floating point, then its ends are settled by the exact test.
void draw_wide_edges(Target& target, const PixelPoint p[3], int64_t width, uint32_t rgb) {
  const UInt128 w2 = static_cast<UInt128>(width) * static_cast<UInt128>(width);
  const double reach = static_cast<double>(width) / 2;
  const int64_t top = std::max<int64_t>(std::min({p[0].y, p[1].y, p[2].y}) - width / 2, 0);
  const int64_t bottom =
      std::min<int64_t>(std::max({p[0].y, p[1].y, p[2].y}) + width / 2, target.height() - 1);
  const int64_t columns = target.width();
  for (int64_t row = top; row <= bottom; ++row) {
    for (int i = 0; i < 3; ++i) {
      const PixelPoint& a = p[i];
      const PixelPoint& b = p[(i + 1) % 3];
      double low;
      double high;
      if (!near_segment_estimate(a, b, static_cast<double>(row), reach, &low, &high))
        continue;
      // Only the surface's columns matter, and one beyond each side to settle the ends.
      if (high < -1 || low > static_cast<double>(columns))
        continue;
      int64_t first = static_cast<int64_t>(std::ceil(std::max(low - 1e-3, -1.0)));
      int64_t last =
          static_cast<int64_t>(std::floor(std::min(high + 1e-3, static_cast<double>(columns))));
      while (first <= last && !near_segment(first, row, a, b, w2))
        ++first;
      while (first > -1 && first <= last && near_segment(first - 1, row, a, b, w2))
        --first;
      while (last >= first && !near_segment(last, row, a, b, w2))
        --last;
      while (last < columns && last >= first && near_segment(last + 1, row, a, b, w2))
        ++last;
      if (first <= last)
        target.run(row, first, last + 1, rgb);
    }
  }
}

// ---- Lines --------------------------------------------------------------------------------------

struct Vec {
  double x;
  double y;
};

Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
Vec operator*(Vec a, double k) {
  return {a.x * k, a.y * k};
}
double length(Vec a) {
  return std::hypot(a.x, a.y);
}

Vec pixel_centre(PixelPoint point) {
  return {static_cast<double>(point.x) + 0.5, static_cast<double>(point.y) + 0.5};
}

// Sutherland-Hodgman clipping of one closed polygon against a box, one half-plane per stage. A
// convex polygon stays convex; clipping to a region that holds the surface keeps every surface
// pixel the polygon covers.
class BoxClipper {
public:
  BoxClipper(double left, double top, double right, double bottom, std::vector<Vec>* out)
      : bounds_{left, right, top, bottom}, out_(out) {}

  void add(Vec point) { feed(0, point); }

  // Closes the polygon: every stage clips its closing edge, in order.
  void close() {
    for (int stage = 0; stage < 4; ++stage) {
      if (stages_[stage].started)
        clip_edge(stage, stages_[stage].previous, stages_[stage].first);
    }
  }

private:
  struct Stage {
    bool started = false;
    Vec first{};
    Vec previous{};
  };

  bool inside(int stage, Vec p) const {
    switch (stage) {
    case 0:
      return p.x >= bounds_[0];
    case 1:
      return p.x <= bounds_[1];
    case 2:
      return p.y >= bounds_[2];
    default:
      return p.y <= bounds_[3];
    }
  }

  Vec crossing(int stage, Vec a, Vec b) const {
    double bound = bounds_[stage];
    if (stage < 2) {
      double t = (bound - a.x) / (b.x - a.x);
      return {bound, a.y + t * (b.y - a.y)};
    }
    double t = (bound - a.y) / (b.y - a.y);
    return {a.x + t * (b.x - a.x), bound};
  }

  void feed(int stage, Vec point) {
    if (stage == 4) {
      out_->push_back(point);
      return;
    }
    Stage& s = stages_[stage];
    if (!s.started) {
      s.started = true;
      s.first = s.previous = point;
      return;
    }
    clip_edge(stage, s.previous, point);
    s.previous = point;
  }

  void clip_edge(int stage, Vec a, Vec b) {
    bool a_in = inside(stage, a);
    bool b_in = inside(stage, b);
    if (b_in) {
      if (!a_in)
        feed(stage + 1, crossing(stage, a, b));
      feed(stage + 1, b);
    } else if (a_in) {
      feed(stage + 1, crossing(stage, a, b));
    }
  }

  double bounds_[4]; // left, right, top, bottom
  Stage stages_[4];
  std::vector<Vec>* out_;
};

// Fills a convex polygon as a path rasteriser without antialiasing samples it: corners rounded to
// 1/256 pixel (halves to even); an edge from y0 down to y1 counts in the rows whose centres lie
// in [y0, y1), where its x is taken 1/256 above the centre and rounded down to 1/256; a row's
// pixels are those whose centres lie from its leftmost x up to, not including, its rightmost.
// Every coordinate lies within a few million pixels, so all of it fits in 64 bits.
void fill_sampled_polygon(Target& target, const Vec* points, size_t count, uint32_t rgb) {
  constexpr int64_t ONE = 256;
  constexpr int64_t HALF = 128;
  if (count < 3)
    return;
  static std::vector<int64_t> xs;
  static std::vector<int64_t> ys;
  xs.resize(count);
  ys.resize(count);
  for (size_t i = 0; i < count; ++i) {
    xs[i] = std::llrint(points[i].x * ONE);
    ys[i] = std::llrint(points[i].y * ONE);
  }
  int64_t first_row = ceil_divide(*std::min_element(ys.begin(), ys.end()) - HALF, ONE);
  int64_t last_row = ceil_divide(*std::max_element(ys.begin(), ys.end()) - HALF, ONE) - 1;
  first_row = std::max<int64_t>(first_row, 0);
  last_row = std::min(last_row, target.height() - 1);
  if (first_row > last_row)
    return;
  static std::vector<int64_t> lefts;
  static std::vector<int64_t> rights;
  size_t rows = static_cast<size_t>(last_row - first_row + 1);
  lefts.assign(rows, INT64_MAX);
  rights.assign(rows, INT64_MIN);
  for (size_t i = 0; i < count; ++i) {
    size_t j = (i + 1) % count;
    int64_t x0 = xs[i];
    int64_t y0 = ys[i];
    int64_t x1 = xs[j];
    int64_t y1 = ys[j];
    if (y0 == y1)
      continue;
    if (y0 > y1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    int64_t from = std::max(ceil_divide(y0 - HALF, ONE), first_row);
    int64_t to = std::min(ceil_divide(y1 - HALF, ONE) - 1, last_row);
    if (from > to)
      continue;
    Stepper<int64_t> x((from * ONE + HALF - 1 - y0) * (x1 - x0), ONE * (x1 - x0), y1 - y0);
    for (int64_t row = from; row <= to; ++row) {
      int64_t at = x0 + x.floor();
      size_t index = static_cast<size_t>(row - first_row);
      lefts[index] = std::min(lefts[index], at);
      rights[index] = std::max(rights[index], at);
      x.next();
    }
  }
  for (size_t index = 0; index < rows; ++index) {
    if (lefts[index] >= rights[index])
      continue;
    target.run(first_row + static_cast<int64_t>(index), ceil_divide(lefts[index] - HALF, ONE),
               ceil_divide(rights[index] - HALF, ONE), rgb);
  }
}

bool within_safe_extent(const Vec* points, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (!(std::fabs(points[i].x) <= SAFE_EXTENT && std::fabs(points[i].y) <= SAFE_EXTENT))
      return false;
  }
  return true;
}

// Samples a convex polygon, clipped first to the surface and a margin around it when any corner
// lies beyond the safe extent.
void fill_polygon(Target& target, const Vec* points, size_t count, uint32_t rgb) {
  if (within_safe_extent(points, count)) {
    fill_sampled_polygon(target, points, count, rgb);
    return;
  }
  static std::vector<Vec> clipped;
  clipped.clear();
  BoxClipper clipper(-CLIP_MARGIN, -CLIP_MARGIN, static_cast<double>(target.width()) + CLIP_MARGIN,
                     static_cast<double>(target.height()) + CLIP_MARGIN, &clipped);
  for (size_t i = 0; i < count; ++i)
    clipper.add(points[i]);
  clipper.close();
  fill_sampled_polygon(target, clipped.data(), clipped.size(), rgb);
}

} // namespace

// ---- Shapes -------------------------------------------------------------------------------------

void draw_rectangle(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                    const Brush& brush) {
  if (box_empty(box))
    return;
  int64_t width = pen_width(pen);
  int64_t outward = width / 2;
  PixelBox outer = grown(box, outward);
  Target target(surface, outer);
  if (!target.usable())
    return;
  PixelBox inner = grown(box, outward - width);
  if (box_empty(inner) || (!brush.hollow && brush.rgb == pen.rgb)) {
    target.block(outer, pen.rgb);
    return;
  }
  // The pen's band as four blocks round the inside: above, below, left and right of it.
  target.block({outer.left, outer.top, outer.right, inner.top}, pen.rgb);
  target.block({outer.left, inner.bottom, outer.right, outer.bottom}, pen.rgb);
  target.block({outer.left, inner.top, inner.left, inner.bottom}, pen.rgb);
  target.block({inner.right, inner.top, outer.right, inner.bottom}, pen.rgb);
  if (!brush.hollow)
    target.block(inner, brush.rgb);
}

void draw_triangle(cairo_surface_t* surface, const PixelPoint points[3], const Pen& pen,
                   const Brush& brush) {
  int64_t width = pen_width(pen);
  // The pen reaches at most width / 2 beyond the vertices' box.
  PixelBox reach{std::min({points[0].x, points[1].x, points[2].x}) - width,
                 std::min({points[0].y, points[1].y, points[2].y}) - width,
                 std::max({points[0].x, points[1].x, points[2].x}) + width + 1,
                 std::max({points[0].y, points[1].y, points[2].y}) + width + 1};
  Target target(surface, reach);
  if (!target.usable())
    return;
  bool small = small_coordinates(points);
  if (!brush.hollow) {
    if (small)
      fill_inside<int64_t>(target, points, brush.rgb);
    else
      fill_inside<Int128>(target, points, brush.rgb);
  }
  if (width > 1) {
    draw_wide_edges(target, points, width, pen.rgb);
    return;
  }
  for (int i = 0; i < 3; ++i) {
    if (small)
      draw_edge<int64_t>(target, points[i], points[(i + 1) % 3], pen.rgb);
    else
      draw_edge<Int128>(target, points[i], points[(i + 1) % 3], pen.rgb);
  }
}

void draw_ellipse(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                  const Brush& brush) {
  if (box_empty(box))
    return;
  int64_t width = pen_width(pen);
  int64_t outward = width / 2;
  PixelBox outer = grown(box, outward);
  Target target(surface, outer);
  if (!target.usable())
    return;
  OvalRows outer_rows(outer);
  int64_t top = std::max<int64_t>(outer.top, 0);
  int64_t bottom = std::min(outer.bottom, target.height());
  int64_t left;
  int64_t right;
  if (!brush.hollow && brush.rgb == pen.rgb) {
    // The pen's ring and the inside together are the filled oval of the outer box.
    for (int64_t y = top; y < bottom; ++y)
      if (outer_rows.run(y, &left, &right))
        target.run(y, left, right, pen.rgb);
    return;
  }
  OvalRows inner_rows(grown(box, outward + 1 - width));
  for (int64_t y = top; y < bottom; ++y) {
    int64_t inner_left;
    int64_t inner_right;
    if (!outer_rows.run(y, &left, &right))
      continue;
    if (!inner_rows.enclosed_run(y, &inner_left, &inner_right)) {
      target.run(y, left, right, pen.rgb);
      continue;
    }
    target.run(y, left, inner_left, pen.rgb);
    if (!brush.hollow)
      target.run(y, inner_left, inner_right, brush.rgb);
    target.run(y, inner_right, right, pen.rgb);
  }
}

void draw_line(cairo_surface_t* surface, PixelPoint from, PixelPoint to, const Pen& pen) {
  if (from.x == to.x && from.y == to.y)
    return;
  // The band reaches at most half the pen and half a pixel beyond its ends' pixels.
  int64_t width = pen_width(pen);
  Target target(surface, {std::min(from.x, to.x) - width, std::min(from.y, to.y) - width,
                          std::max(from.x, to.x) + width + 1, std::max(from.y, to.y) + width + 1});
  if (!target.usable())
    return;
  Vec start = pixel_centre(from);
  Vec end = pixel_centre(to);
  Vec delta = end - start;
  Vec quad[4];
  if (pen_width(pen) == 1) {
    // A band one pixel thick measured along the minor axis, from the start pixel's leading edge
    // to the end pixel's: one pixel per column (or row), the end pixel excluded.
    if (std::fabs(delta.x) >= std::fabs(delta.y)) {
      double back = delta.x > 0 ? -0.5 : 0.5;
      double slope = delta.y / delta.x;
      double x0 = start.x + back;
      double x1 = end.x + back;
      double y0 = start.y + back * slope;
      double y1 = end.y + back * slope;
      quad[0] = {x0, y0 - 0.5};
      quad[1] = {x1, y1 - 0.5};
      quad[2] = {x1, y1 + 0.5};
      quad[3] = {x0, y0 + 0.5};
    } else {
      double back = delta.y > 0 ? -0.5 : 0.5;
      double slope = delta.x / delta.y;
      double y0 = start.y + back;
      double y1 = end.y + back;
      double x0 = start.x + back * slope;
      double x1 = end.x + back * slope;
      quad[0] = {x0 - 0.5, y0};
      quad[1] = {x1 - 0.5, y1};
      quad[2] = {x1 + 0.5, y1};
      quad[3] = {x0 + 0.5, y0};
    }
  } else {
    // A band of the pen's width across the segment, moved back by half a pixel so that, as with
    // the one-pixel pen, the start pixel is painted and the end pixel is not.
    Vec unit = delta * (1 / length(delta));
    Vec across = Vec{-unit.y, unit.x} * (static_cast<double>(pen_width(pen)) / 2.0);
    Vec back = unit * 0.5;
    quad[0] = start - back + across;
    quad[1] = end - back + across;
    quad[2] = end - back - across;
    quad[3] = start - back - across;
  }
  fill_polygon(target, quad, 4, pen.rgb);
}

void release_raster() {
  for (KeptInsets& kept : kept_insets)
    kept = KeptInsets{};
}

} // namespace veldo::platform
