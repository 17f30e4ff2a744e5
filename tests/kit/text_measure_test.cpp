// Measuring text: a measured width is where kit_text() puts what follows, the widest line counts,
// the line height is the distance kit_text() puts between lines, and the size is corrected as
// kit_text() corrects it, without a word in the log.
#include "kit_test_support.h"

#include <random>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

// The first and last canvas rows holding a pixel that is not white.
std::pair<int, int> inked_rows() {
  int first = -1, last = -1;
  for (int y = 1; y < CANVAS_HEIGHT - 1; ++y)
    for (int x = 1; x < CANVAS_WIDTH - 1; ++x)
      if (headless::canvas_pixel(x, y) != 0xFFFFFF) {
        if (first < 0)
          first = y;
        last = y;
      }
  return {first, last};
}

class TextMeasureTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    kit_set_logging(0);
    headless::clear_log_lines();
  }
};

// Random texts in random sizes: drawing a text whole paints exactly what drawing its two halves
// does, the second at the first's measured width. The split falls before a digit or a space,
// which no letter kerns with in the kit's face, so the only thing that can differ is the width.
TEST_F(TextMeasureTest, WhatFollowsATextGoesExactlyAtItsMeasuredWidth) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    std::string head, tail;
    const int head_length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < head_length; ++i)
      head += letters[random() % letters.size()];
    tail = std::string(1, "0123456789 "[random() % 11]);
    for (int i = 0; i < 4; ++i)
      tail += letters[random() % letters.size()];
    const int size = 8 + static_cast<int>(random() % 40);
    const int x = -290;
    const int y = 0;

    kit_clear();
    kit_text(VELDO_BLACK, x, y, size, (head + tail).c_str());
    const std::vector<uint32_t> whole = canvas_snapshot();
    kit_clear();
    kit_text(VELDO_BLACK, x, y, size, head.c_str());
    kit_text(VELDO_BLACK, x + kit_text_width(size, head.c_str()), y, size, tail.c_str());
    ASSERT_EQ(canvas_snapshot(), whole)
        << '"' << head << "\" + \"" << tail << "\" at size " << size;
  }
}

TEST_F(TextMeasureTest, ATextIsAsWideAsItsWidestLineAndItsLinesAreALineHeightApart) {
  EXPECT_EQ(kit_text_width(20, "ab\nlonger line\ncd"), kit_text_width(20, "longer line"));
  EXPECT_EQ(kit_text_width(20, "longer line\n"), kit_text_width(20, "longer line"));
  EXPECT_EQ(kit_text_width(20, ""), 0);
  EXPECT_EQ(kit_text_width(20, nullptr), 0);
  EXPECT_GT(kit_text_width(20, "W"), kit_text_width(20, "i"));

  for (int size : {9, 16, 33}) {
    SCOPED_TRACE(size);
    kit_clear();
    kit_text(VELDO_BLACK, 0, 0, size, "H");
    const auto [top, bottom] = inked_rows();
    kit_clear();
    kit_text(VELDO_BLACK, 0, 0, size, "\nH");
    const auto [top2, bottom2] = inked_rows();
    EXPECT_EQ(top2 - top, kit_text_line_height(size));
    EXPECT_EQ(bottom2 - bottom, kit_text_line_height(size));
  }
}

// The size is corrected as kit_text() corrects it, silently: so the measured width of a text
// drawn at an out-of-range size is still where kit_text() puts what follows.
TEST_F(TextMeasureTest, TheSizeIsCorrectedAsKitTextCorrectsItWithoutAWord) {
  const char* text = "Size";
  EXPECT_EQ(kit_text_width(-20, text), kit_text_width(20, text));
  EXPECT_EQ(kit_text_width(500, text), kit_text_width(127, text));
  EXPECT_EQ(kit_text_width(INT_MIN, text), kit_text_width(127, text));
  EXPECT_EQ(kit_text_width(0, text), kit_text_width(16, text));
  EXPECT_EQ(kit_text_line_height(-20), kit_text_line_height(20));
  EXPECT_EQ(kit_text_line_height(1000), kit_text_line_height(127));
  EXPECT_EQ(kit_text_line_height(0), kit_text_line_height(16));
  EXPECT_LT(kit_text_line_height(20), kit_text_line_height(127));
  EXPECT_TRUE(headless::log_lines().empty());

  kit_clear();
  kit_text(VELDO_BLACK, -290, 100, 300, "ab1");
  const std::vector<uint32_t> whole = canvas_snapshot();
  kit_clear();
  kit_text(VELDO_BLACK, -290, 100, 300, "ab");
  kit_text(VELDO_BLACK, -290 + kit_text_width(300, "ab"), 100, 300, "1");
  EXPECT_EQ(canvas_snapshot(), whole);
}

TEST(TextMeasureBeforeOpeningTest, TextCanBeMeasuredBeforeTheKitIsOpen) {
  headless::reset();
  ::testing::internal::CaptureStderr();
  const int width = kit_text_width(14, "Score");
  const int height = kit_text_line_height(14);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  kit_open(nullptr, nullptr, "", 1);
  EXPECT_EQ(kit_text_width(14, "Score"), width);
  EXPECT_EQ(kit_text_line_height(14), height);
  EXPECT_GT(width, 0);
  kit_close();
  headless::reset();
}

} // namespace
} // namespace veldo::testing
