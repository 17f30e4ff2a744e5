// The record a drawing operation hands to the renderer, and the renderer itself.
#pragma once

#include <cstdint>

namespace veldo {

enum DrawKind {
  DRAW_TRIANGLE = 0,
  DRAW_RECTANGLE = 1,
  DRAW_OVAL = 2, // ovals and circles
  DRAW_LINE = 3,
  DRAW_TEXT = 5,
};

// Filled in by one drawing operation and forgotten once rendered.
struct DrawCommand {
  int kind = DRAW_TRIANGLE;
  int colour = 0; // a valid colour index
  // Pen width in pixels, never negative. Triangles, rectangles and ovals are filled at 0; lines
  // always carry at least 1; text does not use it.
  int width = 0;
  // Canvas coordinates. Triangle: the three corners. Rectangle and oval: the box's top-left
  // (x1, y1) and bottom-right (x2, y2) corners, x1 <= x2 and y1 >= y2. Line: start and end.
  // They are 64-bit because a circle's box, x - radius to x + radius, can leave the 32-bit range.
  int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;
  // DRAW_TEXT only: the anchor (the lower-left corner of the first line's cell), the character
  // height in pixels (0..127, 0 for the default) and the command's own copy of the text.
  int x = 0, y = 0;
  int size = 0;
  const char* text = nullptr;
};

// Draws the command onto the canvas at once and marks the canvas dirty.
void kit_render(const DrawCommand& command);

} // namespace veldo
