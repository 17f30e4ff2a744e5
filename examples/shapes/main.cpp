// Every kind of shape in every colour, and a few texts, on one screen: the kit's drawing at a
// glance. Each of the 24 colours has a column; each kind of shape a row. The program then waits
// until it is told to quit (the Run menu's Quit, Ctrl+Q or the close box).
//
// The real-window test tests/window/test_shapes.sh reads pixels of this picture, so the layout
// constants below are part of what it checks.
#include <veldo/kit.h>

namespace {

// Column i of the grid is centred on x = GRID_LEFT + COLUMN_STEP * i.
constexpr int GRID_LEFT = -276;
constexpr int COLUMN_STEP = 24;
// Row k of the grid is centred on y = GRID_TOP - ROW_STEP * k.
constexpr int GRID_TOP = 196;
constexpr int ROW_STEP = 24;
constexpr int ROWS = 10;

// The grid sits on 50% gray, which every other colour stands out from; the gray's own column
// gets a white cell.
void draw_grid_background() {
  const int top = GRID_TOP + ROW_STEP / 2;
  const int bottom = GRID_TOP - ROW_STEP * ROWS + ROW_STEP / 2;
  kit_rectangle(VELDO_GRAY_50, GRID_LEFT - COLUMN_STEP / 2, top,
                GRID_LEFT + COLUMN_STEP * VELDO_COLOUR_COUNT - COLUMN_STEP / 2, bottom, 0);
  const int gray_x = GRID_LEFT + COLUMN_STEP * VELDO_GRAY_50;
  kit_rectangle(VELDO_WHITE, gray_x - COLUMN_STEP / 2 + 1, top - 1, gray_x + COLUMN_STEP / 2 - 1,
                bottom + 1, 0);
}

void draw_column(int colour) {
  const int x = GRID_LEFT + COLUMN_STEP * colour;
  int y = GRID_TOP;
  kit_circle(colour, x, y, 9); // filled disc
  y -= ROW_STEP;
  kit_triangle(colour, x - 9, y - 8, x + 9, y - 8, x, y + 9, 0);
  y -= ROW_STEP;
  kit_rectangle(colour, x - 8, y - 8, x + 8, y + 8, 0);
  y -= ROW_STEP;
  kit_oval(colour, x - 10, y - 6, x + 10, y + 6, 0);
  y -= ROW_STEP;
  kit_triangle(colour, x - 8, y - 8, x + 8, y - 8, x, y + 8, 2); // outlines
  y -= ROW_STEP;
  kit_rectangle(colour, x - 8, y - 8, x + 8, y + 8, 1);
  y -= ROW_STEP;
  kit_oval(colour, x - 9, y - 7, x + 9, y + 7, 2);
  y -= ROW_STEP;
  kit_line(colour, x - 9, y - 9, x + 10, y + 10, 1);
  kit_line(colour, x - 9, y + 9, x + 10, y - 10, 0);
  y -= ROW_STEP;
  kit_line(colour, x, y - 9, x, y + 10, 3);
  y -= ROW_STEP;
  kit_printf(colour, x - 6, y - 8, 18, "%c", 'A' + colour);
}

void draw_texts() {
  kit_text(VELDO_BLACK, -290, 224, 14, "VELDO: every shape in every colour");
  kit_text(VELDO_BLACK, -290, -68, 12, "Size 12: the quick brown fox jumps over the lazy dog");
  kit_text(VELDO_NAVY_BLUE, -290, -96, 24, "Size 24: swat the flies");
  kit_text(VELDO_RED, -290, -150, 48, "Size 48");
  kit_text(VELDO_FOREST_GREEN, -290, -178, 16, "Two lines, split\nat the line feed");
  kit_printf(VELDO_PURPLE, -290, -236, 20, "kit_printf: %d colours", VELDO_COLOUR_COUNT);
}

// A few larger shapes: wide outlines over fills, so a pen's width and the untouched inside show.
void draw_large_shapes() {
  kit_oval(VELDO_ICE_BLUE, 40, -90, 280, -230, 0);
  kit_oval(VELDO_NAVY_BLUE, 40, -90, 280, -230, 5);
  kit_rectangle(VELDO_CHALK, 70, -120, 150, -200, 0);
  kit_rectangle(VELDO_ORANGE, 70, -120, 150, -200, 3);
  kit_triangle(VELDO_MAGENTA, 170, -200, 250, -200, 210, -110, 4);
  kit_line(VELDO_BROWN, 20, -240, 290, -80, 6);
  kit_circle(VELDO_GOLD, 160, -160, 14);
}

} // namespace

int main() {
  kit_open(nullptr, nullptr, "", 1);
  kit_clear();
  draw_grid_background();
  for (int colour = 0; colour < VELDO_COLOUR_COUNT; ++colour)
    draw_column(colour);
  draw_texts();
  draw_large_shapes();

  int x = 0;
  int y = 0;
  char key = 0;
  while (kit_await_event(&x, &y, &key) != VELDO_QUIT) {
  }
  kit_close();
  return 0;
}
