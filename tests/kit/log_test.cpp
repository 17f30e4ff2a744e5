// The log window: kit_log() and its ring of 25 lines, the line drawn at the bottom of the window,
// the repaint from the ring, and the logging switch with its check mark.
#include "kit_test_support.h"

#include <string>
#include <vector>

namespace veldo::testing {
namespace {

using LogTest = KitTest;

bool dark(uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) < 128 && ((rgb >> 8) & 0xFF) < 128 && (rgb & 0xFF) < 128;
}

// The rightmost dark pixel's column in rows [top, top + height) of the log window, or -1.
int rightmost_dark(int top, int height) {
  int rightmost = -1;
  for (int y = std::max(top, 0); y < top + height && y < headless::log_window_height(); ++y)
    for (int x = 0; x < headless::log_window_width(); ++x)
      if (dark(headless::log_window_pixel(x, y)) && x > rightmost)
        rightmost = x;
  return rightmost;
}

// The band of rows a line occupies `from_bottom` lines above the newest (0 is the newest).
int band_top(int from_bottom) {
  return headless::log_window_height() - (from_bottom + 1) * platform::fixed_font_line_height();
}

// Lets the kit pump until its queue is empty, so that pending paints happen.
void settle() {
  once_idle_at(0, [] { headless::click(300, 250); });
  await_event();
  headless::set_idle_handler(nullptr);
}

TEST_F(LogTest, LogFormatsAndReturnsTheCount) {
  EXPECT_EQ(kit_log("%d bugs at %s\n", 12, "noon"), 16);
  ASSERT_EQ(headless::log_lines().size(), 1u);
  EXPECT_EQ(headless::log_lines()[0], "12 bugs at noon\n");
  EXPECT_STREQ(kit.log_ring.lines[0].get(), "12 bugs at noon\n");
}

TEST_F(LogTest, ListenerSeesEveryLineAsItIsWritten) {
  std::vector<std::string> heard;
  headless::set_log_listener([&heard](const std::string& line) { heard.push_back(line); });
  kit_log("one\n");
  kit_log("two %c\n", 'x');
  headless::set_log_listener(nullptr);
  EXPECT_EQ(heard, (std::vector<std::string>{"one\n", "two x\n"}));
  headless::clear_log_lines();
  EXPECT_TRUE(headless::log_lines().empty());
}

TEST_F(LogTest, LongTextIsCutAt1023Characters) {
  std::string long_text(3000, 'w');
  // The result counts what was formatted, as printf's does, though only 1023 characters are kept.
  EXPECT_EQ(kit_log("%s", long_text.c_str()), 3000);
  ASSERT_EQ(headless::log_lines().size(), 1u);
  EXPECT_EQ(headless::log_lines()[0], std::string(1023, 'w'));
  EXPECT_EQ(std::string(kit.log_ring.lines[0].get()).size(), 1023u);
}

TEST_F(LogTest, AZeroCharacterEndsTheLineButIsCounted) {
  EXPECT_EQ(kit_log("a%cb\n", 0), 4);
  EXPECT_EQ(headless::log_lines().back(), "a");
}

TEST_F(LogTest, VeldoLogStderrCopiesEveryLineToStandardError) {
  ::testing::internal::CaptureStderr();
  kit_log("not copied\n");
  setenv("VELDO_LOG", "stderr", 1);
  kit_log("Radius of %d not possible\n", -5);
  kit_circle(99, 0, 0, 1); // a correction message, with logging on a descriptive line too
  unsetenv("VELDO_LOG");
  kit_log("not copied either\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Radius of -5 not possible\n"
                                                      "Illegal color 99; using RED.\n"
                                                      "red circle at (0,0), radius 1\n");
}

TEST_F(LogTest, NullFormatWritesNothing) {
  const char* no_format = nullptr;
  EXPECT_EQ(kit_log(no_format), 0);
  EXPECT_TRUE(headless::log_lines().empty());
  EXPECT_EQ(kit.log_ring.oldest, -1);
}

TEST_F(LogTest, RingIndicesFollowTheLinesWritten) {
  EXPECT_EQ(kit.log_ring.oldest, -1);
  EXPECT_EQ(kit.log_ring.next, 0);
  kit_log("line 1\n");
  EXPECT_EQ(kit.log_ring.oldest, 0);
  EXPECT_EQ(kit.log_ring.next, 1);
  for (int i = 2; i <= 24; ++i)
    kit_log("line %d\n", i);
  EXPECT_EQ(kit.log_ring.oldest, 0);
  EXPECT_EQ(kit.log_ring.next, 24);
  kit_log("line 25\n");
  EXPECT_EQ(kit.log_ring.oldest, 0);
  EXPECT_EQ(kit.log_ring.next, 0);
  EXPECT_STREQ(kit.log_ring.lines[24].get(), "line 25\n");
  kit_log("line 26\n");
  EXPECT_EQ(kit.log_ring.oldest, 1);
  EXPECT_EQ(kit.log_ring.next, 1);
  EXPECT_STREQ(kit.log_ring.lines[0].get(), "line 26\n");
  EXPECT_STREQ(kit.log_ring.lines[1].get(), "line 2\n");
}

TEST_F(LogTest, NewLineAppearsAtTheBottomAndScrollsTheOthersUp) {
  int h = platform::fixed_font_line_height();
  ASSERT_GT(h, 8);
  kit_log("abcdefghij\n");
  int ten = rightmost_dark(band_top(0), h);
  EXPECT_GT(ten, 5 + 40);
  EXPECT_LT(ten, 5 + 10 * 10);
  kit_log("abc\n");
  int three = rightmost_dark(band_top(0), h);
  EXPECT_GT(three, 5);
  EXPECT_LT(three, ten);
  EXPECT_EQ(rightmost_dark(band_top(1), h), ten);
  // The text starts five pixels in.
  for (int y = band_top(0); y < band_top(0) + h; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_FALSE(dark(headless::log_window_pixel(x, y)));
}

TEST_F(LogTest, OneTrailingNewlineIsLeftOut) {
  int h = platform::fixed_font_line_height();
  kit_log("abc");
  int plain = rightmost_dark(band_top(0), h);
  kit_log("abc\n");
  EXPECT_EQ(rightmost_dark(band_top(0), h), plain);
  kit_log("abc\n\n");
  EXPECT_GT(rightmost_dark(band_top(0), h), plain); // the other newline is drawn as a character
  // An empty line scrolls by one line and draws nothing.
  kit_log("%s", "");
  EXPECT_EQ(rightmost_dark(band_top(0), h), -1);
  EXPECT_GT(rightmost_dark(band_top(1), h), plain);
  EXPECT_EQ(rightmost_dark(band_top(2), h), plain);
}

TEST_F(LogTest, RepaintAfterThirtyLinesShowsLinesSixToThirtyInOrder) {
  int h = platform::fixed_font_line_height();
  // Line n is n characters long, so its place in the window tells which line it is.
  for (int n = 1; n <= 30; ++n)
    kit_log("%s\n", std::string(static_cast<size_t>(n), '#').c_str());
  // Tall enough for 27 lines: a repaint must leave the two top bands empty.
  headless::resize_log_client(800, 27 * h);
  settle();
  int previous = -1;
  for (int n = 6; n <= 30; ++n) {
    SCOPED_TRACE(n);
    int right = rightmost_dark(band_top(30 - n), h);
    EXPECT_GT(right, previous);
    EXPECT_GT(right, 5 + (n - 1) * h / 3);
    previous = right;
  }
  EXPECT_EQ(rightmost_dark(0, 2 * h), -1);
}

TEST_F(LogTest, RepaintOfAnEmptyRingLeavesTheBackground) {
  kit_show_log_line("stray text\n"); // drawn, but not kept in the ring
  headless::resize_log_client(600, 200);
  settle();
  EXPECT_EQ(rightmost_dark(0, 200), -1);
}

TEST_F(LogTest, HiddenLogKeepsLinesAndRepaintsThemWhenShown) {
  EXPECT_EQ(kit_show_log_window(0), 1);
  EXPECT_FALSE(headless::log_window_visible());
  EXPECT_EQ(kit_show_log_window(0), 0);
  kit_log("kept while hidden\n");
  EXPECT_EQ(headless::log_lines().size(), 1u);
  headless::resize_log_client(600, 100); // the picture is erased
  EXPECT_EQ(rightmost_dark(0, 100), -1);
  EXPECT_EQ(kit_show_log_window(1), 0);
  EXPECT_TRUE(headless::log_window_visible());
  settle();
  EXPECT_GT(rightmost_dark(band_top(0), platform::fixed_font_line_height()), 5);
}

TEST_F(LogTest, LinesWrittenWhileHiddenAreNotDrawnUntilShown) {
  int h = platform::fixed_font_line_height();
  kit_log("visible\n");
  int before = rightmost_dark(band_top(0), h);
  ASSERT_GT(before, 5);
  kit_show_log_window(0);
  kit_log("%s\n", std::string(40, '#').c_str());
  // The hidden picture is as it was: no scroll, no new line.
  EXPECT_EQ(rightmost_dark(band_top(0), h), before);
  EXPECT_EQ(rightmost_dark(band_top(1), h), -1);
  kit_show_log_window(1);
  settle();
  EXPECT_GT(rightmost_dark(band_top(0), h), before);
  EXPECT_EQ(rightmost_dark(band_top(1), h), before);
}

TEST_F(LogTest, SetLoggingChecksTheEntryAndShowsButNeverHides) {
  EXPECT_TRUE(kit.logging_enabled);
  EXPECT_TRUE(headless::menu_checked(MENU_LOGGING));
  EXPECT_EQ(kit_set_logging(0), 1);
  EXPECT_FALSE(kit.logging_enabled);
  EXPECT_FALSE(headless::menu_checked(MENU_LOGGING));
  EXPECT_TRUE(headless::log_window_visible());

  kit_show_log_window(0);
  EXPECT_EQ(kit_set_logging(0), 1);
  EXPECT_FALSE(headless::log_window_visible());
  EXPECT_EQ(kit_set_logging(7), 1);
  EXPECT_TRUE(kit.logging_enabled);
  EXPECT_TRUE(headless::menu_checked(MENU_LOGGING));
  EXPECT_TRUE(headless::log_window_visible());
}

TEST_F(LogTest, LoggingCommandTogglesTheCheckMarkButNotTheWindow) {
  kit_show_log_window(0);
  headless::ctrl_shortcut('L');
  headless::type('.');
  await_event();
  EXPECT_FALSE(kit.logging_enabled);
  EXPECT_FALSE(headless::menu_checked(MENU_LOGGING));
  headless::choose_menu(MENU_LOGGING);
  headless::type('.');
  await_event();
  EXPECT_TRUE(kit.logging_enabled);
  EXPECT_TRUE(headless::menu_checked(MENU_LOGGING));
  EXPECT_FALSE(headless::log_window_visible());
}

TEST(LogBeforeOpenTest, SetLoggingBeforeOpenDoesNothing) {
  headless::reset();
  EXPECT_EQ(kit_set_logging(0), 0);
  EXPECT_TRUE(kit.logging_enabled);
  EXPECT_EQ(kit_show_log_window(1), 0);
}

TEST_F(LogTest, BytesThatAreNotUtf8AreStillDrawn) {
  EXPECT_EQ(kit_log("caf\xe9 \xff\n"), 7);
  EXPECT_EQ(headless::log_lines()[0], "caf\xe9 \xff\n");
  EXPECT_GT(rightmost_dark(band_top(0), platform::fixed_font_line_height()), 5 + 3 * 6);
}

TEST_F(LogTest, BytesAreReadAsTheCanvasReadsThem) {
  // The newest band's pixels, row by row.
  auto newest_band = [] {
    std::vector<uint32_t> pixels;
    for (int y = band_top(0); y < headless::log_window_height(); ++y)
      for (int x = 0; x < headless::log_window_width(); ++x)
        pixels.push_back(headless::log_window_pixel(x, y));
    return pixels;
  };
  kit_log("caf\xe9 \xc3\xa9\n"); // not UTF-8 as a whole: Latin-1 throughout
  const std::vector<uint32_t> latin1 = newest_band();
  kit_log("caf\xc3\xa9 \xc3\x83\xc2\xa9\n");
  EXPECT_TRUE(newest_band() == latin1);
  kit_log("caf\xc3\xa9 \xc3\xa9\n"); // UTF-8: the second e acute is one character
  EXPECT_FALSE(newest_band() == latin1);
}

} // namespace
} // namespace veldo::testing
