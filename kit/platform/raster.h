// The rasteriser shared by both backends: the shapes that the kit's drawing operations put on the
// canvas. Each shape follows a written pixel rule, below, and is scan-converted here with exact
// integer arithmetic into runs of pixels written straight into the target image surface. Text is
// text.h's.
//
// Geometry is in pixels of the target surface: (0, 0) is its top-left pixel and pixel (x, y)
// covers the square from (x, y) to (x + 1, y + 1), so its centre is (x + 0.5, y + 0.5). Points and
// boxes are 64-bit, because the kit's origin plus a 32-bit canvas coordinate can leave the 32-bit
// range. Any value is accepted: a shape that lies partly on the surface draws its visible part,
// and the work done never grows with the part that lies off it.
//
// The target must be a Cairo image surface in CAIRO_FORMAT_RGB24 or CAIRO_FORMAT_ARGB32 (other
// targets are left alone). It is flushed before it is written and marked dirty where it changed,
// so Cairo drawing on the same surface (the text) and these shapes may follow one another freely.
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
// (0xRRGGBB).
struct Pen {
  uint32_t rgb = 0;
  int width = 1;
};

// What fills a shape: solid in `rgb`, or hollow (the inside keeps what was there). The brush
// covers what the pen leaves inside the shape.
struct Brush {
  uint32_t rgb = 0;
  bool hollow = true;
};

// A triangle through three pixels.
// - Its one-pixel outline is its three edges drawn as one-pixel lines with both ends: an edge that
//   is at least as wide as it is tall paints, in every column from one end to the other, the pixel
//   whose centre lies nearest the edge (a tie goes to the upper pixel); a taller edge paints, in
//   every row, the nearest pixel (a tie goes to the left one). So every vertex pixel is painted,
//   three points on a line make the segment through them, and equal points make one pixel.
// - An outline of width w >= 2 covers the pixels whose centres lie within w / 2 of an edge (the
//   edges as segments, so the corners are round).
// - The inside is every pixel whose centre lies inside the triangle or on its edges (none for
//   three points on a line); the brush fills it and the pen is drawn over it.
void draw_triangle(cairo_surface_t* surface, const PixelPoint points[3], const Pen& pen,
                   const Brush& brush);

// A rectangle covering `box`: with a one-pixel pen its outline is exactly the box's edge pixels.
// A wider pen grows outward by width / 2 pixels and inward by the rest.
void draw_rectangle(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                    const Brush& brush);

// The oval inscribed in `box`, W pixels wide and H tall.
// - Filled, it covers the pixels whose centres lie inside or on the ellipse that touches the
//   box's outer edges, together with the whole middle row of the box (the two middle rows when H
//   is even) and the whole middle column (or two). In integers, with u = 2 * column + 1 - W and
//   v = 2 * row + 1 - H counted from the box's top-left pixel: u*u*H*H + v*v*W*W <= W*W*H*H, or
//   |v| <= 1, or |u| <= 1. Every row and column is thus one run symmetric about the box's centre
//   lines; the oval touches all four sides of the box and nothing outside it; a 1 x n box is a
//   line, a 2 x 2 box all four pixels, and the box of a disc of radius r, 2r + 1 pixels across,
//   gives a disc symmetric about its diagonals too.
// - Its one-pixel outline is the filled oval's edge: its pixels that have a neighbour to the
//   left, right, above or below outside it. It is a closed ring, and what it encloses is the
//   filled oval less the ring.
// - An outline of width w lies about the one-pixel outline as the rectangle's does: it is the
//   filled oval of the box grown by w / 2 pixels on every side, less what the one-pixel outline
//   encloses in the box shrunk by (w - 1) - w / 2. It is closed and symmetric, at least w pixels
//   thick across the middle rows and columns, and the brush fills what it encloses.
void draw_ellipse(cairo_surface_t* surface, const PixelBox& box, const Pen& pen,
                  const Brush& brush);

// A segment from pixel `from` towards pixel `to`, with flat ends: it covers the pixels from the
// start up to, but not including, the end pixel. A one-pixel pen paints exactly one pixel per
// column (or per row, for a steep line); a wider pen a band of its width across the segment. The
// band is sampled as a path rasteriser without antialiasing samples a polygon: corners rounded to
// 1/256 pixel, each pixel painted whose centre lies inside.
void draw_line(cairo_surface_t* surface, PixelPoint from, PixelPoint to, const Pen& pen);

// Forgets what is kept between calls (the oval rows of recent box sizes). Nothing needs it; it
// only frees memory.
void release_raster();

} // namespace veldo::platform
