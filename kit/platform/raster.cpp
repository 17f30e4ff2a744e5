// The rasteriser shared by both backends. Shapes are drawn by Cairo without antialiasing, where a
// pixel is painted when its centre lies inside what is filled: rectangles, triangles and lines are
// turned here into boxes and polygons whose coverage is exactly what the kit's pixel rules say,
// and ellipses are Cairo's own curves filled or stroked. Text is text.cpp's.
//
// Cairo keeps device coordinates in 24.8 fixed point, about +-8.4 million pixels, and the kit can
// hand us points four billion pixels away. Everything that could leave a safe range is first cut
// down to the surface and a small margin around it: boxes are clamped, convex polygons are
// clipped, and very large ellipses are flattened here and then clipped. Clamping a box or clipping
// a polygon to a region that holds the surface does not change which surface pixels it covers.
//
// Drawing state that changes no pixel is kept between calls: one Cairo context on the target and a
// solid source per colour. bench/frame compares the whole with plain per-call Cairo drawing.
#include "raster.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace veldo::platform {

namespace {

// Geometry whose coordinates all lie within this many pixels of the surface's origin goes to
// Cairo unchanged; anything farther is clipped first.
constexpr double SAFE_EXTENT = 1 << 20;
// How far outside the surface clipped and clamped fills may reach.
constexpr double CLIP_MARGIN = 16;
// The largest distance from the surface at which a pen's own edge is still kept for an ellipse
// that had to be flattened here. A pen reaching farther than this is drawn as if it were just
// this wide; it already covers everything within half a million pixels of the outline.
constexpr double MAX_PEN_REACH = SAFE_EXTENT / 2;
// How far (in pixels) a flattened curve may stray inside the true curve.
constexpr double FLATTEN_TOLERANCE = 0.1;
constexpr int COLOUR_SOURCES = 32;
constexpr double FULL_TURN = 2 * M_PI;

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
double cross(Vec a, Vec b) {
  return a.x * b.y - a.y * b.x;
}
double length(Vec a) {
  return std::hypot(a.x, a.y);
}

Vec pixel_centre(PixelPoint point) {
  return {static_cast<double>(point.x) + 0.5, static_cast<double>(point.y) + 0.5};
}

struct ColourSource {
  uint32_t rgb;
  cairo_pattern_t* pattern;
};

// Everything kept for the one target surface drawn on last.
struct RasterState {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  double width = 0;
  double height = 0;
  ColourSource sources[COLOUR_SOURCES] = {};
  int source_count = 0;
};

RasterState raster;

// The Cairo context on `surface`, made afresh when the target changed or the old context failed.
// The context keeps a reference to its surface, so a surface drawn on last cannot be freed and
// its address reused by a new one while we still remember it.
cairo_t* context_for(cairo_surface_t* surface) {
  if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    return nullptr;
  if (surface == raster.surface && raster.cr != nullptr &&
      cairo_status(raster.cr) == CAIRO_STATUS_SUCCESS)
    return raster.cr;
  release_raster();
  raster.cr = cairo_create(surface);
  raster.surface = surface;
  raster.width = cairo_image_surface_get_width(surface);
  raster.height = cairo_image_surface_get_height(surface);
  cairo_set_antialias(raster.cr, CAIRO_ANTIALIAS_NONE);
  // Curves are flattened to within half a pixel: with antialiasing off that changes almost no
  // pixel (a circle still covers 2r + 1 pixels across), and it makes ovals and discs, most of
  // every game frame, about a fifth cheaper.
  cairo_set_tolerance(raster.cr, 0.5);
  return raster.cr;
}

void set_colour(cairo_t* cr, uint32_t rgb) {
  for (int i = 0; i < raster.source_count; ++i) {
    if (raster.sources[i].rgb == rgb) {
      cairo_set_source(cr, raster.sources[i].pattern);
      return;
    }
  }
  cairo_pattern_t* pattern = cairo_pattern_create_rgb(
      ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
  cairo_set_source(cr, pattern);
  if (raster.source_count < COLOUR_SOURCES)
    raster.sources[raster.source_count++] = {rgb, pattern};
  else
    cairo_pattern_destroy(pattern); // the context holds its own reference while it is the source
}

// ---- Clipping ----------------------------------------------------------------------------------

// Sutherland-Hodgman clipping of one closed polygon against a box, one half-plane per stage. The
// polygon is fed a vertex at a time, so a long flattened curve is never held whole; only what
// lies inside the box is kept. A convex polygon stays convex and keeps its orientation.
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

bool within_safe_extent(const Vec* points, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (!(std::fabs(points[i].x) <= SAFE_EXTENT && std::fabs(points[i].y) <= SAFE_EXTENT))
      return false;
  }
  return true;
}

void path_polygon(cairo_t* cr, const Vec* points, size_t count) {
  if (count < 3)
    return;
  cairo_move_to(cr, points[0].x, points[0].y);
  for (size_t i = 1; i < count; ++i)
    cairo_line_to(cr, points[i].x, points[i].y);
  cairo_close_path(cr);
}

// Adds a closed polygon to the path, clipped to the surface and `margin` pixels around it when any
// point lies beyond the safe extent.
void add_polygon(cairo_t* cr, const Vec* points, size_t count, double margin) {
  if (within_safe_extent(points, count)) {
    path_polygon(cr, points, count);
    return;
  }
  static std::vector<Vec> clipped;
  clipped.clear();
  BoxClipper clipper(-margin, -margin, raster.width + margin, raster.height + margin, &clipped);
  for (size_t i = 0; i < count; ++i)
    clipper.add(points[i]);
  clipper.close();
  path_polygon(cr, clipped.data(), clipped.size());
}

// Adds a box to the path, clamped to the surface and a margin around it.
void add_box(cairo_t* cr, const PixelBox& box) {
  auto clamp_x = [](int64_t v) {
    return std::clamp(static_cast<double>(v), -CLIP_MARGIN, raster.width + CLIP_MARGIN);
  };
  auto clamp_y = [](int64_t v) {
    return std::clamp(static_cast<double>(v), -CLIP_MARGIN, raster.height + CLIP_MARGIN);
  };
  double left = clamp_x(box.left);
  double right = clamp_x(box.right);
  double top = clamp_y(box.top);
  double bottom = clamp_y(box.bottom);
  if (right > left && bottom > top)
    cairo_rectangle(cr, left, top, right - left, bottom - top);
}

bool box_empty(const PixelBox& box) {
  return box.right <= box.left || box.bottom <= box.top;
}

void fill(cairo_t* cr, cairo_fill_rule_t rule) {
  cairo_set_fill_rule(cr, rule);
  cairo_fill(cr);
}

int pen_width(const Pen& pen) {
  return std::max(pen.width, 1);
}

// ---- Triangles ---------------------------------------------------------------------------------

// The triangle grown by `reach` on every side with bevelled corners: the region a pen of twice
// that width covers together with the inside. Returns the number of points written (4 or 6).
int grown_triangle(const Vec p[3], double reach, Vec out[6]) {
  double area2 = cross(p[1] - p[0], p[2] - p[0]);
  if (area2 != 0) {
    // Each edge moved outward; the sign turns the edge's right-hand normal outward for either
    // orientation.
    double side = area2 > 0 ? 1 : -1;
    for (int i = 0; i < 3; ++i) {
      Vec a = p[i];
      Vec b = p[(i + 1) % 3];
      Vec edge = b - a;
      Vec normal = Vec{edge.y, -edge.x} * (side * reach / length(edge));
      out[2 * i] = a + normal;
      out[2 * i + 1] = b + normal;
    }
    return 6;
  }
  // Three points on one line: the segment between the two farthest apart, grown on every side
  // (ends included, as the pen would paint them).
  int from = 0;
  int to = 1;
  double longest = length(p[1] - p[0]);
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (length(p[j] - p[i]) > longest) {
        longest = length(p[j] - p[i]);
        from = i;
        to = j;
      }
    }
  }
  Vec along = longest > 0 ? (p[to] - p[from]) * (reach / longest) : Vec{reach, 0};
  Vec across{-along.y, along.x};
  Vec start = p[from] - along;
  Vec end = p[to] + along;
  out[0] = start + across;
  out[1] = end + across;
  out[2] = end - across;
  out[3] = start - across;
  return 4;
}

// The part of the inside a pen reaching `reach` inward leaves untouched: the triangle shrunk
// about its incentre until its edges lie `reach` inside. False when nothing is left.
bool shrunk_triangle(const Vec p[3], double reach, Vec out[3]) {
  double a = length(p[1] - p[2]);
  double b = length(p[2] - p[0]);
  double c = length(p[0] - p[1]);
  double perimeter = a + b + c;
  if (!(perimeter > 0))
    return false;
  double inradius = std::fabs(cross(p[1] - p[0], p[2] - p[0])) / perimeter;
  if (!(inradius > reach))
    return false;
  Vec incentre = (p[0] * a + p[1] * b + p[2] * c) * (1 / perimeter);
  double scale = (inradius - reach) / inradius;
  for (int i = 0; i < 3; ++i)
    out[i] = incentre + (p[i] - incentre) * scale;
  return true;
}

// ---- Ellipses ----------------------------------------------------------------------------------

// Whether anything within `reach` of the box could land on the surface.
bool box_near_surface(const PixelBox& box, double reach) {
  return static_cast<double>(box.right) + reach > 0 &&
         static_cast<double>(box.left) -
             reach<raster.width&& static_cast<double>(box.bottom) + reach> 0 &&
         static_cast<double>(box.top) - reach < raster.height;
}

bool box_within_safe_extent(const PixelBox& box, double reach) {
  auto near = [reach](int64_t v) {
    return std::fabs(static_cast<double>(v)) + reach <= SAFE_EXTENT;
  };
  return near(box.left) && near(box.right) && near(box.top) && near(box.bottom);
}

// Adds the ellipse with centre (cx, cy) and radii rx, ry (both > 0) to the path as Cairo's own
// curve.
void path_ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_matrix_t unit_circle;
  cairo_matrix_init(&unit_circle, rx, 0, 0, ry, cx, cy);
  cairo_set_matrix(cr, &unit_circle);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, FULL_TURN);
  cairo_close_path(cr);
  cairo_identity_matrix(cr);
}

// Adds an ellipse too large for Cairo's fixed point to the path: flattened here into chords no
// more than FLATTEN_TOLERANCE inside the curve, and clipped to the surface and `margin` around it.
void path_large_ellipse(cairo_t* cr, double cx, double cy, double rx, double ry, double margin) {
  // A chord over the angle step strays at most r * step^2 / 8 from the curve.
  double step = std::sqrt(8 * FLATTEN_TOLERANCE / std::max(rx, ry));
  long count = std::clamp(static_cast<long>(std::ceil(FULL_TURN / step)), 16L, 1L << 22);
  step = FULL_TURN / static_cast<double>(count);
  double step_cos = std::cos(step);
  double step_sin = std::sin(step);
  static std::vector<Vec> clipped;
  clipped.clear();
  BoxClipper clipper(-margin, -margin, raster.width + margin, raster.height + margin, &clipped);
  double c = 1;
  double s = 0;
  for (long i = 0; i < count; ++i) {
    // The next point is the last one turned by one step; every 1024 points it is computed afresh
    // so that rounding cannot build up along the curve.
    if (i % 1024 == 0) {
      c = std::cos(step * static_cast<double>(i));
      s = std::sin(step * static_cast<double>(i));
    } else {
      double turned_c = c * step_cos - s * step_sin;
      s = s * step_cos + c * step_sin;
      c = turned_c;
    }
    clipper.add({cx + rx * c, cy + ry * s});
  }
  clipper.close();
  path_polygon(cr, clipped.data(), clipped.size());
}

} // namespace

// ---- Shapes ------------------------------------------------------------------------------------

void draw_rectangle(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                    const Brush& brush) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr || box_empty(box))
    return;
  int64_t width = pen_width(pen);
  int64_t outward = width / 2;
  int64_t inward = width - outward;
  PixelBox outer{box.left - outward, box.top - outward, box.right + outward, box.bottom + outward};
  PixelBox inner{box.left + inward, box.top + inward, box.right - inward, box.bottom - inward};
  bool has_inner = !box_empty(inner);
  if (!brush.hollow) {
    if (brush.rgb == pen.rgb) {
      // The pen's band and the inside together are the outer box.
      set_colour(cr, pen.rgb);
      add_box(cr, outer);
      fill(cr, CAIRO_FILL_RULE_WINDING);
      return;
    }
    if (has_inner) {
      set_colour(cr, brush.rgb);
      add_box(cr, inner);
      fill(cr, CAIRO_FILL_RULE_WINDING);
    }
  }
  set_colour(cr, pen.rgb);
  add_box(cr, outer);
  if (has_inner)
    add_box(cr, inner);
  fill(cr, CAIRO_FILL_RULE_EVEN_ODD);
}

void draw_triangle(cairo_surface_t* surface, const PixelPoint points[3], const Pen& pen,
                   const Brush& brush) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr)
    return;
  Vec p[3] = {pixel_centre(points[0]), pixel_centre(points[1]), pixel_centre(points[2])};
  double reach = pen_width(pen) / 2.0;
  Vec outer[6];
  int outer_count = grown_triangle(p, reach, outer);
  Vec inner[3];
  bool has_inner = shrunk_triangle(p, reach, inner);
  if (!brush.hollow) {
    if (brush.rgb == pen.rgb) {
      set_colour(cr, pen.rgb);
      add_polygon(cr, outer, outer_count, CLIP_MARGIN);
      fill(cr, CAIRO_FILL_RULE_WINDING);
      return;
    }
    if (has_inner) {
      set_colour(cr, brush.rgb);
      add_polygon(cr, inner, 3, CLIP_MARGIN);
      fill(cr, CAIRO_FILL_RULE_WINDING);
    }
  }
  set_colour(cr, pen.rgb);
  add_polygon(cr, outer, outer_count, CLIP_MARGIN);
  if (has_inner)
    add_polygon(cr, inner, 3, CLIP_MARGIN);
  fill(cr, CAIRO_FILL_RULE_EVEN_ODD);
}

void draw_line(cairo_surface_t* surface, PixelPoint from, PixelPoint to, const Pen& pen) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr || (from.x == to.x && from.y == to.y))
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
    Vec across = Vec{-unit.y, unit.x} * (pen_width(pen) / 2.0);
    Vec back = unit * 0.5;
    quad[0] = start - back + across;
    quad[1] = end - back + across;
    quad[2] = end - back - across;
    quad[3] = start - back - across;
  }
  set_colour(cr, pen.rgb);
  add_polygon(cr, quad, 4, CLIP_MARGIN);
  fill(cr, CAIRO_FILL_RULE_WINDING);
}

void draw_ellipse(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                  const Brush& brush) {
  cairo_t* cr = context_for(surface);
  if (cr == nullptr || box_empty(box))
    return;
  double box_width = static_cast<double>(box.right - box.left);
  double box_height = static_cast<double>(box.bottom - box.top);
  if (box_width == 1 || box_height == 1) {
    // The ellipse has collapsed to a segment, and its outline with it: both are the box.
    draw_rectangle(surface, box, pen, brush);
    return;
  }
  double cx = (static_cast<double>(box.left) + static_cast<double>(box.right)) / 2;
  double cy = (static_cast<double>(box.top) + static_cast<double>(box.bottom)) / 2;
  int width = pen_width(pen);
  if (!box_near_surface(box, width))
    return;
  bool small = box_within_safe_extent(box, width);
  if (!brush.hollow) {
    // The inside with a one-pixel outline is the ellipse touching the box's outer edges.
    set_colour(cr, brush.rgb);
    if (small)
      path_ellipse(cr, cx, cy, box_width / 2, box_height / 2);
    else
      path_large_ellipse(cr, cx, cy, box_width / 2, box_height / 2, CLIP_MARGIN);
    fill(cr, CAIRO_FILL_RULE_WINDING);
    if (brush.rgb == pen.rgb && width == 1)
      return;
  }
  // The pen runs through the centres of the box's edge pixels.
  double rx = (box_width - 1) / 2;
  double ry = (box_height - 1) / 2;
  set_colour(cr, pen.rgb);
  if (small) {
    path_ellipse(cr, cx, cy, rx, ry);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    return;
  }
  // Clipped well outside the surface, the cut edges and their round joins stay out of sight.
  double reach = std::min(width / 2.0, MAX_PEN_REACH);
  path_large_ellipse(cr, cx, cy, rx, ry, reach + CLIP_MARGIN);
  cairo_set_line_width(cr, 2 * reach);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

void release_raster() {
  for (int i = 0; i < raster.source_count; ++i)
    cairo_pattern_destroy(raster.sources[i].pattern);
  if (raster.cr != nullptr)
    cairo_destroy(raster.cr);
  raster = RasterState{};
}

} // namespace veldo::platform
