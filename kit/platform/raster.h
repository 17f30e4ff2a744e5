// The rasteriser shared by both backends: the pens, brushes and shapes that the kit's drawing
// operations put on the canvas, drawn with Cairo without antialiasing, so that every pixel rule
// below holds exactly. Text is text.h's.
//
// Geometry is in pixels of the target surface: (0, 0) is its top-left pixel and pixel (x, y)
// covers the square from (x, y) to (x + 1, y + 1), so its centre is (x + 0.5, y + 0.5). Points and
// boxes are 64-bit, because the kit's origin plus a 32-bit canvas coordinate can leave the 32-bit
// range. Any value is accepted: what reaches Cairo is kept inside its fixed-point range, and a
// shape that lies partly on the surface still draws its visible part.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace veldo::platform {

struct PixelPoint {
  int64_t x = 0;
  int64_t y = 0;
};

// A box of pixels, right and bottom exclusive.
struct PixelBox {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

// What outlines a shape: a solid pen `width` pixels wide (0 and 1 both give one pixel) in `rgb`
// (0xRRGGBB). A pen is centred on the shape's outline, which runs through the centres of the
// shape's edge pixels.
struct Pen {
  uint32_t rgb = 0;
  int width = 1;
};

// What fills a shape: solid in `rgb`, or hollow (the inside keeps what was there).
struct Brush {
  uint32_t rgb = 0;
  bool hollow = true;
};

// A triangle through three pixel centres, filled with the brush and outlined with the pen; the
// pen's corners are bevelled. Three points on one line make the segment through them, ends
// included.
void draw_triangle(cairo_surface_t* surface, const PixelPoint points[3], const Pen& pen,
                   const Brush& brush);

// A rectangle covering `box`: with a one-pixel pen its outline is exactly the box's edge pixels.
// A wider pen grows outward by width / 2 pixels and inward by the rest.
void draw_rectangle(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                    const Brush& brush);

// The ellipse inscribed in `box`: filled, it covers the pixels whose centres lie inside the ellipse
// touching the box's outer edges, to within Cairo's curve tolerance of 0.1 pixel (so a 2r + 1 box
// gives a disc 2r + 1 pixels across); outlined, the pen runs through the centres of the box's edge
// pixels.
void draw_ellipse(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                  const Brush& brush);

// A segment from pixel `from` towards pixel `to`, with flat ends: it covers the pixels from the
// start up to, but not including, the end pixel. A one-pixel pen paints exactly one pixel per
// column (or per row, for a steep line); a wider pen a band of its width across the segment.
void draw_line(cairo_surface_t* surface, PixelPoint from, PixelPoint to, const Pen& pen);

// Lets go of the drawing state kept for the last target surface (its Cairo context and the colour
// sources). The next drawing creates them again.
void release_raster();

} // namespace veldo::platform
