// Text on the canvas: where each line of a text goes, what a line feed and an empty text paint,
// the character height, that only the glyphs' pixels are painted, how bytes become characters,
// and that a measured width is where the next glyph goes.
#include "kit_test_support.h"

#include "platform/text.h"

#include <hb.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t RED = 0xFF0000;
constexpr uint32_t BLUE = 0x0000FF;

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
  std::vector<uint32_t> together = canvas_snapshot();
  kit_clear();
  kit_text(0, -200, 10, 20, "one");
  kit_text(0, -200, 10 - h, 20, "two");
  EXPECT_TRUE(canvas_snapshot() == together);
}

TEST_F(TextTest, EveryFurtherLineIsOneLineHeightLower) {
  const int h = line_height(12);
  kit_text(4, -250, 200, 12, "a\n\nb\nc");
  std::vector<uint32_t> together = canvas_snapshot();
  kit_clear();
  kit_text(4, -250, 200, 12, "a");
  kit_text(4, -250, 200 - 2 * h, 12, "b");
  kit_text(4, -250, 200 - 3 * h, 12, "c");
  EXPECT_TRUE(canvas_snapshot() == together);
}

TEST_F(TextTest, TrailingLineFeedAndEmptyTextsPaintNothingMore) {
  std::vector<uint32_t> cleared = canvas_snapshot();
  kit_text(0, 0, 0, 30, "");
  kit_text(0, 0, 0, 30, "\n");
  kit_text(0, 0, 0, 30, "\n\n\n");
  EXPECT_TRUE(canvas_snapshot() == cleared);

  kit_text(0, -100, 0, 30, "ab");
  std::vector<uint32_t> plain = canvas_snapshot();
  kit_clear();
  kit_text(0, -100, 0, 30, "ab\n");
  EXPECT_TRUE(canvas_snapshot() == plain);
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
  std::vector<uint32_t> zero = canvas_snapshot();
  EXPECT_TRUE(ink(WHITE).any());
  kit_clear();
  kit_text(0, -100, 0, platform::DEFAULT_TEXT_SIZE, "Default");
  EXPECT_TRUE(canvas_snapshot() == zero);
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

TEST_F(TextTest, AValidUtf8LineIsReadAsUtf8AndAnyOtherLineAsLatin1) {
  // One byte 0xE9 is Latin-1's e acute: the same pixels as its two UTF-8 bytes.
  kit_text(0, -200, 0, 40, "caf\xe9");
  std::vector<uint32_t> latin1 = canvas_snapshot();
  kit_clear();
  kit_text(0, -200, 0, 40, "caf\xc3\xa9");
  EXPECT_TRUE(canvas_snapshot() == latin1);
  // A line holding one byte that is not UTF-8 is Latin-1 throughout: C3 A9 E9 is
  // "\u00c3\u00a9\u00e9", not an e acute followed by a stray byte.
  kit_clear();
  kit_text(0, -200, 0, 40, "\xc3\xa9\xe9");
  std::vector<uint32_t> mixed = canvas_snapshot();
  kit_clear();
  kit_text(0, -200, 0, 40, "\xc3\x83\xc2\xa9\xc3\xa9");
  EXPECT_TRUE(canvas_snapshot() == mixed);
  // The rule holds for each line of a text on its own.
  kit_clear();
  kit_text(0, -200, 0, 40, "\xc3\xa9\ncaf\xe9");
  std::vector<uint32_t> two_lines = canvas_snapshot();
  kit_clear();
  kit_text(0, -200, 0, 40, "\xc3\xa9\ncaf\xc3\xa9");
  EXPECT_TRUE(canvas_snapshot() == two_lines);
}

// HarfBuzz's own UTF-8 reader marks every ill-formed sequence with the replacement code point; a
// value no character has makes the marks unmistakable.
bool harfbuzz_reads_as_utf8(const std::string& bytes) {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_set_replacement_codepoint(buffer, 0x110000);
  hb_buffer_add_utf8(buffer, bytes.data(), static_cast<int>(bytes.size()), 0, -1);
  unsigned count = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  bool valid = true;
  for (unsigned i = 0; i < count; ++i)
    valid = valid && info[i].codepoint != 0x110000;
  hb_buffer_destroy(buffer);
  return valid;
}

// `code_point` in UTF-8's pattern of `length` bytes (1..4), whether or not the result is valid:
// a length longer than needed gives an overlong form.
std::string utf8_pattern(uint32_t code_point, int length) {
  if (length == 1)
    return std::string(1, static_cast<char>(code_point & 0x7F));
  static const unsigned lead_marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  std::string bytes(static_cast<size_t>(length), '\0');
  for (int i = length - 1; i > 0; --i, code_point >>= 6)
    bytes[static_cast<size_t>(i)] = static_cast<char>(0x80 | (code_point & 0x3F));
  bytes[0] = static_cast<char>(lead_marks[length] | code_point);
  return bytes;
}

TEST(Utf8Check, AgreesWithHarfBuzzOnRandomLines) {
  // Lines of a few pieces, each a character of one of UTF-8's four lengths or a piece no UTF-8
  // text holds: an overlong form, a surrogate, a code point past U+10FFFF, a lone byte, or a
  // sequence cut short.
  std::mt19937 random(20240611);
  auto in = [&random](uint32_t low, uint32_t high) { return low + random() % (high - low + 1); };
  int valid = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    const int pieces = static_cast<int>(random() % 5);
    for (int piece = 0; piece < pieces; ++piece) {
      switch (random() % 9) {
      case 0:
        bytes += utf8_pattern(in(0x20, 0x7F), 1);
        break;
      case 1:
        bytes += utf8_pattern(in(0x80, 0x7FF), 2);
        break;
      case 2:
        bytes += utf8_pattern(in(0x800, 0xFFFF), 3);
        break; // surrogates included
      case 3:
        bytes += utf8_pattern(in(0x10000, 0x10FFFF), 4);
        break;
      case 4:
        bytes += utf8_pattern(in(0x110000, 0x1FFFFF), 4);
        break;
      case 5: {
        const int length = static_cast<int>(in(2, 4));
        bytes += utf8_pattern(in(0, length == 2 ? 0x7F : length == 3 ? 0x7FF : 0xFFFF), length);
        break;
      }
      case 6:
        bytes += static_cast<char>(in(0x80, 0xFF));
        break;
      default: {
        const std::string whole = utf8_pattern(in(0x80, 0x10FFFF), static_cast<int>(in(2, 4)));
        bytes += piece % 2 == 0 ? whole : whole.substr(0, in(1, whole.size() - 1));
      }
      }
    }
    const bool expected = harfbuzz_reads_as_utf8(bytes);
    ASSERT_EQ(platform::is_valid_utf8(bytes.data(), bytes.size()), expected)
        << ::testing::PrintToString(bytes);
    valid += expected;
  }
  // Both answers came up many times.
  EXPECT_GT(valid, 2000);
  EXPECT_LT(valid, 18000);
}

TEST_F(TextTest, AMeasuredWidthIsWhereTheNextGlyphGoes) {
  for (const char* label : {"Score: ", "Swings: ", "Level "}) {
    SCOPED_TRACE(label);
    kit_clear();
    kit_printf(0, -250, 0, 12, "%s42", label);
    std::vector<uint32_t> whole = canvas_snapshot();
    kit_clear();
    const platform::TextExtent extent = platform::measure_text_line(12, label, std::strlen(label));
    EXPECT_EQ(extent.height, line_height(12));
    kit_text(0, -250, 0, 12, label);
    kit_text(0, -250 + extent.width, 0, 12, "42");
    EXPECT_TRUE(canvas_snapshot() == whole);
  }
  EXPECT_EQ(platform::measure_text_line(30, "", 0).width, 0);
  EXPECT_EQ(platform::measure_text_line(0, "", 0).height, line_height(16));
}

TEST_F(TextTest, PrintfDrawsWhatTextDrawsForTheFormattedString) {
  kit_printf(0, -150, 0, 24, "Level: %d %s", 12, "up");
  std::vector<uint32_t> formatted = canvas_snapshot();
  kit_clear();
  kit_text(0, -150, 0, 24, "Level: 12 up");
  EXPECT_TRUE(canvas_snapshot() == formatted);
}

} // namespace
} // namespace veldo::testing
