// The text the kit's drawing operations put on the canvas: one face, antialiased, at a character
// height given in pixels. Shared by every backend.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace veldo::platform {

// The default character height for a text size of 0, in pixels.
constexpr int DEFAULT_TEXT_SIZE = 16;

// The line height of the text font (face "DejaVu Sans", normal weight) at a character height of
// `size` pixels (1..127; 0 asks for DEFAULT_TEXT_SIZE).
int text_line_height(cairo_surface_t* surface, int size);

// One line of text (`length` bytes of UTF-8; other bytes are drawn as replacement characters)
// with the top-left corner of its character cell at (x, y). Only the glyphs' pixels are painted,
// antialiased, in `rgb`. A line whose cell lies wholly off the surface is skipped, and so is one
// starting more than a million pixels left of it.
void draw_text_line(cairo_surface_t* surface, int64_t x, int64_t y, int size, const char* text,
                    size_t length, uint32_t rgb);

// Lets go of the drawing state kept for the last target surface (its Cairo context and the text
// layout). The next text creates them again.
void release_text();

} // namespace veldo::platform
