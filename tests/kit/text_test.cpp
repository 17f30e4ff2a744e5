// Text on the canvas: where each line of a text goes, what a line feed and an empty text paint,
// the character height, and that only the glyphs' pixels are painted.
#include "kit_test_support.h"

#include "platform/text.h"

#include <vector>

namespace veldo::testing {
namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t RED = 0xFF0000;
constexpr uint32_t BLUE = 0x0000FF;

std::vector<uint32_t> snapshot() {
  std::vector<uint32_t> pixels;
  pixels.reserve(CANVAS_WIDTH * CANVAS_HEIGHT);
  for (int y = 0; y < CANVAS_HEIGHT; ++y)
    for (int x = 0; x < CANVAS_WIDTH; ++x)
      pixels.push_back(headless::canvas_pixel(x, y));
  return pixels;
}

// Rows and columns of the canvas holding a pixel other than `background`, inside the frame.
struct Ink {
  int left = CANVAS_WIDTH, top = CANVAS_HEIGHT, right = -1, bottom = -1;
  int count = 0;
  bool any() const { return count > 0; }
};

Ink ink(uint32_t background, int from_row = 1, int to_row = CANVAS_HEIGHT - 2) {
  Ink found;
  for (int y = from_row; y <= to_row; ++y) {
    for (int x = 1; x < CANVAS_WIDTH - 1; ++x) {
      if (headless::canvas_pixel(x, y) == background)
        continue;
      found.left = std::min(found.left, x);
      found.right = std::max(found.right, x);
      found.top = std::min(found.top, y);
      found.bottom = std::max(found.bottom, y);
      ++found.count;
    }
  }
  return found;
}

class TextTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    kit_set_logging(0);
    kit_clear();
  }
  int line_height(int size) { return platform::text_line_height(size); }
};

TEST_F(TextTest, TwoLinesLieInTheBandsOfTheLayoutRule) {
  const int h = line_height(20);
  ASSERT_GT(h, 20);
  kit_text(0, -200, 10, 20, "one\ntwo");
  // Line 0 has its cell's top h rows above the anchor's row, line 1 its top on that row.
  const int anchor_row = kit.origin_y - 10;
  Ink all = ink(WHITE);
  ASSERT_TRUE(all.any());
  EXPECT_GE(all.top, anchor_row - h);
  EXPECT_LT(all.bottom, anchor_row + h);
  EXPECT_GE(all.left, kit.origin_x - 200 - 1);
  EXPECT_TRUE(ink(WHITE, anchor_row - h, anchor_row - 1).any());
  EXPECT_TRUE(ink(WHITE, anchor_row, anchor_row + h - 1).any());

  // The same pixels as each line drawn on its own, the second one line height lower.
  std::vector<uint32_t> together = snapshot();
  kit_clear();
  kit_text(0, -200, 10, 20, "one");
  kit_text(0, -200, 10 - h, 20, "two");
  EXPECT_TRUE(snapshot() == together);
}

TEST_F(TextTest, EveryFurtherLineIsOneLineHeightLower) {
  const int h = line_height(12);
  kit_text(4, -250, 200, 12, "a\n\nb\nc");
  std::vector<uint32_t> together = snapshot();
  kit_clear();
  kit_text(4, -250, 200, 12, "a");
  kit_text(4, -250, 200 - 2 * h, 12, "b");
  kit_text(4, -250, 200 - 3 * h, 12, "c");
  EXPECT_TRUE(snapshot() == together);
}

TEST_F(TextTest, TrailingLineFeedAndEmptyTextsPaintNothingMore) {
  std::vector<uint32_t> cleared = snapshot();
  kit_text(0, 0, 0, 30, "");
  kit_text(0, 0, 0, 30, "\n");
  kit_text(0, 0, 0, 30, "\n\n\n");
  EXPECT_TRUE(snapshot() == cleared);

  kit_text(0, -100, 0, 30, "ab");
  std::vector<uint32_t> plain = snapshot();
  kit_clear();
  kit_text(0, -100, 0, 30, "ab\n");
  EXPECT_TRUE(snapshot() == plain);
}

TEST_F(TextTest, SizeIsTheCharacterHeightInPixels) {
  // A capital H of Liberation Sans stands 0.69 of the character height (1409 of 2048 units); a
  // line is its ascender and descender, 1854 and 434 units, each rounded up: 55 + 13 at 60.
  kit_text(0, -100, 0, 60, "H");
  Ink h = ink(WHITE);
  EXPECT_NEAR(h.bottom - h.top + 1, 41, 2);
  EXPECT_EQ(line_height(60), 68);
  EXPECT_EQ(line_height(12), 14);
  // The glyph stands on its baseline inside the first line's cell, above the anchor's row.
  EXPECT_LT(h.bottom, kit.origin_y);
  EXPECT_GE(h.top, kit.origin_y - line_height(60));

  kit_clear();
  kit_text(0, -100, 0, 127, "H");
  h = ink(WHITE);
  EXPECT_NEAR(h.bottom - h.top + 1, 87, 2);
}

TEST_F(TextTest, SizeZeroIsTheDefaultHeight) {
  kit_text(0, -100, 0, 0, "Default");
  std::vector<uint32_t> zero = snapshot();
  EXPECT_TRUE(ink(WHITE).any());
  kit_clear();
  kit_text(0, -100, 0, platform::DEFAULT_TEXT_SIZE, "Default");
  EXPECT_TRUE(snapshot() == zero);
  EXPECT_EQ(line_height(0), line_height(platform::DEFAULT_TEXT_SIZE));
}

TEST_F(TextTest, OnlyTheGlyphsArePaintedInTheColour) {
  kit_rectangle(4, -300, -250, 300, 250, 0);
  kit_text(2, -200, 0, 40, "Mix it");
  Ink changed = ink(BLUE, 1, 500);
  ASSERT_TRUE(changed.any());
  const int cell_area = (changed.right - changed.left + 1) * line_height(40);
  EXPECT_LT(changed.count, cell_area / 2);
  // Glyph cores are the colour itself; antialiased edges lie between it and the background.
  int exact = 0;
  for (int y = changed.top; y <= changed.bottom; ++y) {
    for (int x = changed.left; x <= changed.right; ++x) {
      uint32_t rgb = headless::canvas_pixel(x, y);
      exact += rgb == RED;
      EXPECT_EQ(rgb & 0x00FF00, 0u) << x << "," << y;
    }
  }
  EXPECT_GT(exact, 100);
  // Around the glyphs the background is untouched.
  EXPECT_EQ(headless::canvas_pixel(changed.left - 1, changed.top + 5), BLUE);
  EXPECT_EQ(headless::canvas_pixel(changed.right + 1, changed.bottom - 5), BLUE);
}

TEST_F(TextTest, BytesThatAreNotUtf8AreStillDrawn) {
  kit_text(0, -100, 0, 20, "caf\xe9 \xff\xfe");
  EXPECT_TRUE(ink(WHITE).any());
}

TEST_F(TextTest, PrintfDrawsWhatTextDrawsForTheFormattedString) {
  kit_printf(0, -150, 0, 24, "Level: %d %s", 12, "up");
  std::vector<uint32_t> formatted = snapshot();
  kit_clear();
  kit_text(0, -150, 0, 24, "Level: 12 up");
  EXPECT_TRUE(snapshot() == formatted);
}

} // namespace
} // namespace veldo::testing
