// The kit's text, shared by every backend: the canvas text (one proportional face, antialiased, at
// a character height given in pixels) and the log window's fixed-pitch text. Each face is read
// from a font file the kit names, never from the machine's font configuration, and drawn with
// fixed rendering settings, so the pixels depend on the font files and the library versions
// alone.
//
// Bytes become characters one line at a time: a line that is valid UTF-8 is read as UTF-8, any
// other line is read byte by byte as Latin-1. The canvas and the log window read bytes alike.
//
// Line metrics: at a character height of `size` pixels (the font's pixel size, its em), the
// ascent is the face's ascender scaled to `size` and rounded up, the descent likewise from its
// descender, and the line height h is ascent + descent. A line's cell is h pixels high, with the
// baseline `ascent` pixels below its top. Each glyph is placed on a whole pixel: its advance is
// rounded to whole pixels (the rendering settings hint the metrics), so a line's width is the sum
// of its rounded advances.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

namespace veldo::platform {

// The default character height for a text size of 0, in pixels.
constexpr int DEFAULT_TEXT_SIZE = 16;
// The log window's character height, in pixels.
constexpr int FIXED_TEXT_SIZE = 12;

// True when `length` bytes of `text` are well-formed UTF-8: no stray continuation byte, no
// truncated sequence, no overlong form, no surrogate and nothing above U+10FFFF.
bool is_valid_utf8(const char* text, size_t length);

// The canvas text's line height at a character height of `size` pixels (1..127; 0 asks for
// DEFAULT_TEXT_SIZE).
int text_line_height(int size);

struct TextExtent {
  int width = 0;  // the advance width: where a next glyph would go, in pixels from the line's left
  int height = 0; // the line height
};

// The extent of one line of canvas text (`length` bytes; no line feeds expected) at `size`, as
// draw_text_line() places it. Lines longer than 1 MiB are measured as cut to 1 MiB.
TextExtent measure_text_line(int size, const char* text, size_t length);

// One line of canvas text with the top-left corner of its character cell at (x, y). Only the
// glyphs' pixels are painted, antialiased, in `rgb`. A line whose cell lies wholly off the
// surface is skipped before any shaping, and so is one starting more than a million pixels left
// of it; lines longer than 1 MiB are cut, and glyphs that cannot reach the surface are left out.
void draw_text_line(cairo_surface_t* surface, int64_t x, int64_t y, int size, const char* text,
                    size_t length, uint32_t rgb);

// The log window's fixed-pitch text at FIXED_TEXT_SIZE: its line height, and one line drawn with
// the top-left of its cell at (x, y). Every byte is a character, a line feed included.
int fixed_text_line_height();
void draw_fixed_text_line(cairo_surface_t* surface, int x, int y, const char* text, size_t length,
                          uint32_t rgb);

// Lets go of the Cairo contexts kept on the last target surfaces. The fonts stay loaded.
void release_text();

} // namespace veldo::platform
