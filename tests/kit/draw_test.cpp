// The drawing operations: argument corrections and the order of their messages, the descriptive
// lines, and the pixels each shape covers on the canvas.
#include "kit_test_support.h"

#include <string>
#include <vector>

namespace veldo::testing {
namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t RED = 0xFF0000;
constexpr uint32_t BLUE = 0x0000FF;

// The canvas pixel of canvas point (x, y).
uint32_t at(int x, int y) {
  return headless::canvas_pixel(kit.origin_x + x, kit.origin_y - y);
}

struct PixelBounds {
  int left = CANVAS_WIDTH, top = CANVAS_HEIGHT, right = -1, bottom = -1; // inclusive
  int count = 0;
};

// Where the pixels of one colour lie, in canvas pixels.
PixelBounds find(uint32_t rgb) {
  PixelBounds bounds;
  for (int y = 0; y < CANVAS_HEIGHT; ++y) {
    for (int x = 0; x < CANVAS_WIDTH; ++x) {
      if (headless::canvas_pixel(x, y) != rgb)
        continue;
      bounds.left = std::min(bounds.left, x);
      bounds.right = std::max(bounds.right, x);
      bounds.top = std::min(bounds.top, y);
      bounds.bottom = std::max(bounds.bottom, y);
      ++bounds.count;
    }
  }
  return bounds;
}

std::vector<std::string> lines(std::initializer_list<const char*> texts) {
  return std::vector<std::string>(texts.begin(), texts.end());
}

class DrawTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    kit_clear();
    headless::clear_log_lines();
  }
  const std::vector<std::string>& log() { return headless::log_lines(); }
};

// ---- Colours -----------------------------------------------------------------------------------

TEST_F(DrawTest, ColourCheckPassesTheTableAndReplacesEverythingElseWithRed) {
  EXPECT_EQ(kit_check_colour(23), 23);
  EXPECT_EQ(kit_check_colour(0), 0);
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(kit_check_colour(24), VELDO_RED);
  EXPECT_EQ(kit_check_colour(-1), VELDO_RED);
  EXPECT_EQ(log(), lines({"Illegal color 24; using RED.\n", "Illegal color -1; using RED.\n"}));
}

TEST_F(DrawTest, EveryColourIsDrawnWithItsTableValue) {
  const uint32_t expected[VELDO_COLOUR_COUNT] = {
      0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
      0x9900CC, 0x003399, 0x996699, 0x99FFFF, 0x99FFCC, 0xFF6600, 0x996633, 0xFF99CC,
      0xFFFF99, 0xCC9933, 0xFF9966, 0x006633, 0x33CC99, 0x999933, 0x808080, 0xCCCCCC};
  for (int colour = 0; colour < VELDO_COLOUR_COUNT; ++colour) {
    int x = -280 + 20 * colour;
    kit_rectangle(colour, x, 0, x + 9, 9, 0);
    kit_circle(colour, x + 4, -20, 4);
    kit_line(colour, x, -40, x + 9, -40, 1);
    EXPECT_EQ(at(x + 4, 4), expected[colour]) << "rectangle, colour " << colour;
    EXPECT_EQ(at(x + 4, -20), expected[colour]) << "circle, colour " << colour;
    EXPECT_EQ(at(x + 4, -40), expected[colour]) << "line, colour " << colour;
  }
  // A bad index draws in red.
  kit_rectangle(99, 0, 100, 9, 109, 0);
  EXPECT_EQ(at(4, 104), RED);
}

// ---- Rectangles --------------------------------------------------------------------------------

TEST_F(DrawTest, RectangleNormalisesItsCornersAndCoversBothCornerPixels) {
  kit_rectangle(0, 10, -5, -10, 5, 0);
  EXPECT_EQ(log(), lines({"black rectangle with bounding box (-10,5) to (10,-5), filled\n"}));
  // The clear's frame is black too; look inside it.
  PixelBounds black;
  for (int y = 1; y < CANVAS_HEIGHT - 1; ++y)
    for (int x = 1; x < CANVAS_WIDTH - 1; ++x)
      if (headless::canvas_pixel(x, y) == BLACK) {
        black.left = std::min(black.left, x);
        black.right = std::max(black.right, x);
        black.top = std::min(black.top, y);
        black.bottom = std::max(black.bottom, y);
        ++black.count;
      }
  EXPECT_EQ(black.left, kit.origin_x - 10);
  EXPECT_EQ(black.right, kit.origin_x + 10);
  EXPECT_EQ(black.top, kit.origin_y - 5);
  EXPECT_EQ(black.bottom, kit.origin_y + 5);
  EXPECT_EQ(black.count, 21 * 11);
}

TEST_F(DrawTest, RectangleWithAWidthIsAnOutlineCentredOnItsEdge) {
  kit_rectangle(4, -50, -40, 50, 40, 0);
  kit_rectangle(2, -50, -40, 50, 40, 3);
  EXPECT_EQ(log().back(),
            "red rectangle with bounding box (-50,40) to (50,-40) with line width 3\n");
  // Three pixels across the left edge at x = -50, centred on it; inside, the blue is kept.
  EXPECT_EQ(at(-52, 0), WHITE);
  EXPECT_EQ(at(-51, 0), RED);
  EXPECT_EQ(at(-50, 0), RED);
  EXPECT_EQ(at(-49, 0), RED);
  EXPECT_EQ(at(-48, 0), BLUE);
  EXPECT_EQ(at(0, 0), BLUE);
  EXPECT_EQ(at(0, 41), RED);
  EXPECT_EQ(at(0, 42), WHITE);
  EXPECT_EQ(at(51, -41), RED); // the outer corner
  EXPECT_EQ(at(48, -38), BLUE);
}

TEST_F(DrawTest, OnePixelRectangleOutlineIsExactlyTheEdgePixels) {
  kit_rectangle(2, -20, -10, 20, 10, 1);
  PixelBounds red = find(RED);
  EXPECT_EQ(red.left, kit.origin_x - 20);
  EXPECT_EQ(red.right, kit.origin_x + 20);
  EXPECT_EQ(red.top, kit.origin_y - 10);
  EXPECT_EQ(red.bottom, kit.origin_y + 10);
  EXPECT_EQ(red.count, 2 * 41 + 2 * 19);
}

// ---- Circles and ovals -------------------------------------------------------------------------

TEST_F(DrawTest, NegativeRadiusIsUsedAsItsMagnitude) {
  kit_circle(2, 0, 0, -5);
  EXPECT_EQ(log(), lines({"Radius of -5 not possible, using radius 5\n",
                          "red circle at (0,0), radius 5\n"}));
  PixelBounds red = find(RED);
  EXPECT_EQ(red.left, kit.origin_x - 5);
  EXPECT_EQ(red.right, kit.origin_x + 5);
  EXPECT_EQ(red.top, kit.origin_y - 5);
  EXPECT_EQ(red.bottom, kit.origin_y + 5);
  // A disc: its middle row is full, the box's corners are not painted.
  for (int x = -5; x <= 5; ++x)
    EXPECT_EQ(at(x, 0), RED) << x;
  EXPECT_EQ(at(-5, 5), WHITE);
  EXPECT_EQ(at(5, -5), WHITE);
}

TEST_F(DrawTest, CircleIsTwoRadiiPlusOnePixelsAcross) {
  for (int radius : {0, 1, 2, 3, 8, 10, 37, 120, 249}) {
    kit_clear();
    kit_circle(2, 7, -3, radius);
    PixelBounds red = find(RED);
    EXPECT_EQ(red.right - red.left + 1, 2 * radius + 1) << radius;
    EXPECT_EQ(red.bottom - red.top + 1, 2 * radius + 1) << radius;
    EXPECT_EQ(red.left, kit.origin_x + 7 - radius) << radius;
    EXPECT_EQ(red.top, kit.origin_y + 3 - radius) << radius;
  }
}

TEST_F(DrawTest, OvalFillsTheBoxTouchingAllFourSides) {
  kit_oval(4, 30, 20, -30, -10, 0);
  EXPECT_EQ(log(), lines({"blue oval with bounding box (-30,20) to (30,-10), filled\n"}));
  PixelBounds blue = find(BLUE);
  EXPECT_EQ(blue.left, kit.origin_x - 30);
  EXPECT_EQ(blue.right, kit.origin_x + 30);
  EXPECT_EQ(blue.top, kit.origin_y - 20);
  EXPECT_EQ(blue.bottom, kit.origin_y + 10);
  EXPECT_EQ(at(-30, 20), WHITE);
}

TEST_F(DrawTest, OnePixelOvalOutlineRunsAlongTheBoxEdges) {
  kit_rectangle(4, -50, -30, 50, 30, 0);
  kit_oval(2, -40, -25, 40, 25, 1);
  EXPECT_EQ(log().back(), "red oval with bounding box (-40,25) to (40,-25), line width 1\n");
  PixelBounds outline = find(RED);
  EXPECT_EQ(outline.left, kit.origin_x - 40);
  EXPECT_EQ(outline.right, kit.origin_x + 40);
  EXPECT_EQ(outline.top, kit.origin_y - 25);
  EXPECT_EQ(outline.bottom, kit.origin_y + 25);
  // One pixel on each side of the middle row and column; the inside is untouched.
  int in_row = 0;
  for (int x = -45; x <= 45; ++x)
    in_row += at(x, 0) == RED;
  EXPECT_EQ(in_row, 2);
  int in_column = 0;
  for (int y = -28; y <= 28; ++y)
    in_column += at(0, y) == RED;
  EXPECT_EQ(in_column, 2);
  EXPECT_EQ(at(0, 0), BLUE);
  EXPECT_EQ(at(-39, 0), BLUE);
}

// ---- Outlines keep the inside, width 0 fills it
// --------------------------------------------------

TEST_F(DrawTest, ShapesOfWidthThreeLeaveTheirInsideAsItWas) {
  struct Shape {
    const char* name;
    void (*draw)(int width);
  };
  const Shape shapes[] = {
      {"triangle", [](int width) { kit_triangle(2, -60, -40, 60, -40, 0, 50, width); }},
      {"rectangle", [](int width) { kit_rectangle(2, -60, -40, 60, 50, width); }},
      {"oval", [](int width) { kit_oval(2, -60, -40, 60, 50, width); }},
  };
  for (const Shape& shape : shapes) {
    kit_clear();
    kit_rectangle(4, -100, -100, 100, 100, 0);
    shape.draw(3);
    EXPECT_EQ(at(0, 0), BLUE) << shape.name;
    EXPECT_EQ(at(0, -20), BLUE) << shape.name;
    // The outline is three pixels across the bottom edge at y = -40, centred on it.
    EXPECT_EQ(at(0, -38), BLUE) << shape.name;
    EXPECT_EQ(at(0, -39), RED) << shape.name;
    EXPECT_EQ(at(0, -40), RED) << shape.name;
    EXPECT_EQ(at(0, -41), RED) << shape.name;
    EXPECT_EQ(at(0, -42), BLUE) << shape.name;

    kit_clear();
    kit_rectangle(4, -100, -100, 100, 100, 0);
    shape.draw(0);
    EXPECT_EQ(at(0, 0), RED) << shape.name;
    EXPECT_EQ(at(0, -40), RED) << shape.name;
    EXPECT_EQ(at(0, -41), BLUE) << shape.name;
  }
}

TEST_F(DrawTest, FilledTriangleCoversItsCornerPixels) {
  kit_triangle(2, -30, -20, 40, -5, 0, 35, 0);
  EXPECT_EQ(log(), lines({"red triangle at (-30,-20), (40,-5), (0,35)\n"}));
  EXPECT_EQ(at(-30, -20), RED);
  EXPECT_EQ(at(40, -5), RED);
  EXPECT_EQ(at(0, 35), RED);
  EXPECT_EQ(at(0, 0), RED);
  EXPECT_EQ(at(0, 36), WHITE);
  // Three corners on one line draw the segment through them, ends included.
  kit_clear();
  kit_triangle(4, -10, 0, 10, 0, 3, 0, 0);
  PixelBounds blue = find(BLUE);
  EXPECT_EQ(blue.left, kit.origin_x - 10);
  EXPECT_EQ(blue.right, kit.origin_x + 10);
  EXPECT_EQ(blue.count, 21);
}

// ---- Lines -------------------------------------------------------------------------------------

TEST_F(DrawTest, WidthZeroLineIsLoggedAsZeroAndDrawnOnePixelWide) {
  kit_line(4, -20, 0, 20, 0, 0);
  EXPECT_EQ(log(), lines({"blue line from (-20,0) to (20,0), width 0\n"}));
  PixelBounds blue = find(BLUE);
  EXPECT_EQ(blue.top, kit.origin_y);
  EXPECT_EQ(blue.bottom, kit.origin_y);
  EXPECT_EQ(blue.left, kit.origin_x - 20);
  // The end pixel is left unpainted.
  EXPECT_EQ(blue.right, kit.origin_x + 19);
  EXPECT_EQ(at(20, 0), WHITE);
}

TEST_F(DrawTest, SlantedOnePixelLinePaintsOnePixelPerStep) {
  kit_line(2, -40, -10, 40, 17, 1); // shallow: one pixel per column
  kit_line(4, 60, 40, 75, -30, 1);  // steep, drawn upward on the screen: one pixel per row
  PixelBounds red = find(RED);
  EXPECT_EQ(red.count, 80);
  EXPECT_EQ(at(-40, -10), RED);
  EXPECT_EQ(at(40, 17), WHITE);
  for (int x = -40; x < 40; ++x) {
    int in_column = 0;
    for (int y = -12; y <= 19; ++y)
      in_column += at(x, y) == RED;
    EXPECT_EQ(in_column, 1) << x;
  }
  EXPECT_EQ(find(BLUE).count, 70);
  EXPECT_EQ(at(60, 40), BLUE);
  EXPECT_EQ(at(75, -30), WHITE);
}

TEST_F(DrawTest, WideLineIsABandOfItsWidth) {
  kit_line(2, 0, -30, 0, 30, -3);
  EXPECT_EQ(log(), lines({"Width of -3 not possible, using width 3\n",
                          "red line from (0,-30) to (0,30), width 3\n"}));
  PixelBounds red = find(RED);
  EXPECT_EQ(red.left, kit.origin_x - 1);
  EXPECT_EQ(red.right, kit.origin_x + 1);
  EXPECT_EQ(red.count, 3 * 60);
  EXPECT_EQ(at(0, -30), RED);
  EXPECT_EQ(at(0, 30), WHITE);
}

TEST_F(DrawTest, LineOfNoLengthPaintsNothing) {
  kit_line(2, 5, 5, 5, 5, 1);
  kit_line(2, 5, 5, 5, 5, 9);
  EXPECT_EQ(find(RED).count, 0);
}

// ---- Clearing and the dirty flag
// -----------------------------------------------------------------

TEST_F(DrawTest, ClearLeavesWhiteInsideAOnePixelBlackFrame) {
  kit_rectangle(2, -300, -250, 300, 250, 0);
  kit_clear();
  EXPECT_EQ(log().back(), "Clearing the graphics window\n");
  int wrong = 0;
  for (int y = 0; y < CANVAS_HEIGHT; ++y) {
    for (int x = 0; x < CANVAS_WIDTH; ++x) {
      bool frame = x == 0 || y == 0 || x == CANVAS_WIDTH - 1 || y == CANVAS_HEIGHT - 1;
      wrong += headless::canvas_pixel(x, y) != (frame ? BLACK : WHITE);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(DrawTest, EveryOperationMarksTheCanvasDirty) {
  const std::vector<void (*)()> operations = {
      [] { kit_circle(1, 0, 0, 3); },           [] { kit_triangle(1, 0, 0, 5, 0, 0, 5, 0); },
      [] { kit_rectangle(1, 0, 0, 5, 5, 1); },  [] { kit_oval(1, 0, 0, 5, 5, 1); },
      [] { kit_line(1, 0, 0, 5, 5, 1); },       [] { kit_text(1, 0, 0, 12, "dirty"); },
      [] { kit_printf(1, 0, 0, 12, "%d", 1); }, [] { kit_clear(); },
  };
  for (size_t i = 0; i < operations.size(); ++i) {
    kit.canvas_dirty = false;
    operations[i]();
    EXPECT_TRUE(kit.canvas_dirty) << i;
  }
}

// ---- Messages ----------------------------------------------------------------------------------

TEST_F(DrawTest, OvalChecksItsWidthBeforeItsColourAndRectangleTheOtherWayRound) {
  kit_oval(30, 0, 0, 10, 10, -2);
  EXPECT_EQ(log(),
            lines({"Width of -2 not possible, using width 2\n", "Illegal color 30; using RED.\n",
                   "red oval with bounding box (0,10) to (10,0), line width 2\n"}));
  headless::clear_log_lines();
  kit_rectangle(30, 0, 0, 10, 10, -2);
  EXPECT_EQ(log(),
            lines({"Illegal color 30; using RED.\n", "Width of -2 not possible, using width 2\n",
                   "red rectangle with bounding box (0,10) to (10,0) with line width 2\n"}));
}

TEST_F(DrawTest, LineChecksWidthFirstAndTriangleColourFirst) {
  kit_line(-7, 1, 2, 3, 4, -1);
  EXPECT_EQ(log(),
            lines({"Width of -1 not possible, using width 1\n", "Illegal color -7; using RED.\n",
                   "red line from (1,2) to (3,4), width 1\n"}));
  headless::clear_log_lines();
  kit_triangle(-7, 1, 2, 3, 4, 5, 6, -4);
  EXPECT_EQ(log(),
            lines({"Illegal color -7; using RED.\n", "Width of -4 not possible, using width 4\n",
                   "red triangle at (1,2), (3,4), (5,6)\n"}));
  headless::clear_log_lines();
  kit_circle(24, 1, 2, -3);
  EXPECT_EQ(log(),
            lines({"Illegal color 24; using RED.\n", "Radius of -3 not possible, using radius 3\n",
                   "red circle at (1,2), radius 3\n"}));
}

TEST_F(DrawTest, TextSizeAboveTheLimitIsCorrectedAfterItsSign) {
  kit_text(1, 0, 0, -200, "big");
  EXPECT_EQ(log(), lines({"ptsize of -200 not possible, using ptsize 200\n",
                          "ptsize of 200 not possible, using ptsize 127\n",
                          "white text at (0,0), \"big\"\n"}));
  headless::clear_log_lines();
  kit_text(1, 0, 0, 127, "big");
  kit_text(1, 0, 0, 0, "big");
  kit_text(1, 0, 0, 128, "big");
  EXPECT_EQ(log(), lines({"white text at (0,0), \"big\"\n", "white text at (0,0), \"big\"\n",
                          "ptsize of 128 not possible, using ptsize 127\n",
                          "white text at (0,0), \"big\"\n"}));
}

TEST_F(DrawTest, TextChecksItsColourAfterItsSize) {
  kit_text(40, -3, 4, -5, "x");
  EXPECT_EQ(log(), lines({"ptsize of -5 not possible, using ptsize 5\n",
                          "Illegal color 40; using RED.\n", "red text at (-3,4), \"x\"\n"}));
}

TEST_F(DrawTest, CorrectionsAreWrittenWithLoggingOffAndDescriptionsAreNot) {
  kit_set_logging(0);
  headless::clear_log_lines();
  kit_circle(50, 0, 0, -1);
  kit_triangle(1, 0, 0, 1, 1, 2, 0, -2);
  kit_rectangle(1, 0, 0, 1, 1, 0);
  kit_oval(1, 0, 0, 1, 1, -9);
  kit_line(1, 0, 0, 1, 1, 0);
  kit_text(1, 0, 0, 300, "quiet");
  kit_printf(1, 0, 0, 12, "%s", "quiet");
  kit_clear();
  EXPECT_EQ(log(),
            lines({"Illegal color 50; using RED.\n", "Radius of -1 not possible, using radius 1\n",
                   "Width of -2 not possible, using width 2\n",
                   "Width of -9 not possible, using width 9\n",
                   "ptsize of 300 not possible, using ptsize 127\n"}));
}

TEST_F(DrawTest, PrintfFormatsReturnsTheCountAndLogsTheText) {
  EXPECT_EQ(kit_printf(1, 0, 0, 12, "Score: %d", 5), 8);
  EXPECT_EQ(log(), lines({"white text at (0,0), \"Score: 5\"\n"}));
}

} // namespace
} // namespace veldo::testing
