// Drawing with values at the ends of their range: coordinates anywhere in 32 bits, radii and widths
// up to INT_MAX, INT_MIN arguments, texts longer than every buffer, and missing texts. Each case
// must give its messages, draw the part that falls on the canvas, and leave memory alone (the
// sanitizer build runs this file too).
#include "kit_test_support.h"

#include <glib.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t RED = 0xFF0000;
constexpr int ALL_PIXELS = CANVAS_WIDTH * CANVAS_HEIGHT;

uint32_t at(int x, int y) {
  return headless::canvas_pixel(kit.origin_x + x, kit.origin_y - y);
}

int count(uint32_t rgb) {
  int found = 0;
  for (int y = 0; y < CANVAS_HEIGHT; ++y)
    for (int x = 0; x < CANVAS_WIDTH; ++x)
      found += headless::canvas_pixel(x, y) == rgb;
  return found;
}

// After kit_clear() only the frame is black and nothing is red. Canvas points x = -300 and 300 are
// the frame's columns, so the checks below look just inside them.
bool untouched() {
  return count(RED) == 0 && count(BLACK) == 2 * CANVAS_WIDTH + 2 * CANVAS_HEIGHT - 4;
}

struct Case {
  const char* name;
  std::function<void()> draw;
  std::vector<std::string> log; // every line written, in order
  std::function<void()> check;  // what the canvas shows afterwards
};

std::string width_message(int given, int used) {
  return "Width of " + std::to_string(given) + " not possible, using width " +
         std::to_string(used) + "\n";
}

const std::string MIN = std::to_string(INT_MIN);
const std::string MAX = std::to_string(INT_MAX);

std::vector<Case> shape_cases() {
  return {
      {"disc of radius INT_MIN covers everything",
       [] { kit_circle(2, 0, 0, INT_MIN); },
       {"Radius of " + MIN + " not possible, using radius " + MAX + "\n",
        "red circle at (0,0), radius " + MAX + "\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"disc centred at INT_MIN reaches x = -1",
       [] { kit_circle(2, INT_MIN, 0, INT_MAX); },
       {"red circle at (" + MIN + ",0), radius " + MAX + "\n"},
       [] {
         // Its edge is straight to well below a pixel over the canvas's height.
         EXPECT_EQ(count(RED), kit.origin_x * CANVAS_HEIGHT);
         EXPECT_EQ(at(-1, 0), RED);
         EXPECT_EQ(at(0, 0), WHITE);
         EXPECT_EQ(at(-1, 250), RED);
         EXPECT_EQ(at(0, -280), WHITE);
       }},
      {"disc far away in a corner",
       [] { kit_circle(2, INT_MAX, INT_MAX, INT_MAX); },
       {"red circle at (" + MAX + "," + MAX + "), radius " + MAX + "\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"rectangle over the whole range, filled",
       [] { kit_rectangle(2, INT_MAX, INT_MIN, INT_MIN, INT_MAX, 0); },
       {"red rectangle with bounding box (" + MIN + "," + MAX + ") to (" + MAX + "," + MIN +
        "), filled\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"rectangle over the whole range, outlined",
       [] { kit_rectangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1); },
       {"red rectangle with bounding box (" + MIN + "," + MAX + ") to (" + MAX + "," + MIN +
        ") with line width 1\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"rectangle with a width of INT_MIN",
       [] { kit_rectangle(2, -10, -10, 10, 10, INT_MIN); },
       {width_message(INT_MIN, INT_MAX),
        "red rectangle with bounding box (-10,10) to (10,-10) with line width " + MAX + "\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"rectangle crossing the canvas from far left",
       [] { kit_rectangle(2, INT_MIN, -20, 10, 20, 3); },
       {"red rectangle with bounding box (" + MIN + ",20) to (10,-20) with line width 3\n"},
       [] {
         EXPECT_EQ(at(9, 0), RED);
         EXPECT_EQ(at(11, 0), RED);
         EXPECT_EQ(at(12, 0), WHITE);
         EXPECT_EQ(at(8, 0), WHITE);
         EXPECT_EQ(at(-299, 20), RED);
         EXPECT_EQ(at(-299, 22), WHITE);
         EXPECT_EQ(at(-299, 0), WHITE);
       }},
      {"oval over the whole range, filled",
       [] { kit_oval(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0); },
       {"red oval with bounding box (" + MIN + "," + MAX + ") to (" + MAX + "," + MIN +
        "), filled\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"oval over the whole range, outlined",
       [] { kit_oval(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 3); },
       {"red oval with bounding box (" + MIN + "," + MAX + ") to (" + MAX + "," + MIN +
        "), line width 3\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"flat oval across the whole range",
       [] { kit_oval(2, INT_MIN, -5, INT_MAX, 5, 1); },
       {"red oval with bounding box (" + MIN + ",5) to (" + MAX + ",-5), line width 1\n"},
       [] {
         // Over the canvas its outline is two straight rows.
         EXPECT_EQ(count(RED), 2 * CANVAS_WIDTH);
         for (int x : {-299, 0, 299}) {
           EXPECT_EQ(at(x, 5), RED) << x;
           EXPECT_EQ(at(x, -5), RED) << x;
           EXPECT_EQ(at(x, 0), WHITE) << x;
         }
       }},
      {"oval with a pen of INT_MIN",
       [] { kit_oval(70, -3, -3, 3, 3, INT_MIN); },
       {width_message(INT_MIN, INT_MAX), "Illegal color 70; using RED.\n",
        "red oval with bounding box (-3,3) to (3,-3), line width " + MAX + "\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"line along the whole x range",
       [] { kit_line(2, INT_MIN, 0, INT_MAX, 0, 0); },
       {"red line from (" + MIN + ",0) to (" + MAX + ",0), width 0\n"},
       [] {
         EXPECT_EQ(count(RED), CANVAS_WIDTH);
         EXPECT_EQ(at(-300, 0), RED);
         EXPECT_EQ(at(300, 0), RED);
       }},
      {"diagonal line across the whole range",
       [] { kit_line(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1); },
       {"red line from (" + MIN + "," + MIN + ") to (" + MAX + "," + MAX + "), width 1\n"},
       [] {
         for (int k = -240; k <= 240; k += 40) {
           EXPECT_EQ(at(k, k), RED) << k;
           EXPECT_EQ(at(k, k + 1), WHITE) << k;
           EXPECT_EQ(at(k + 1, k), WHITE) << k;
         }
       }},
      {"line with a width of INT_MIN",
       [] { kit_line(2, 0, 0, 1, 0, INT_MIN); },
       {width_message(INT_MIN, INT_MAX), "red line from (0,0) to (1,0), width " + MAX + "\n"},
       [] {
         // A band INT_MAX wide across a segment one pixel long.
         EXPECT_EQ(at(0, 0), RED);
         EXPECT_EQ(at(0, 250), RED);
         EXPECT_EQ(at(1, 0), WHITE);
       }},
      {"triangle over the whole range, filled",
       [] { kit_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 0); },
       {"red triangle at (" + MIN + "," + MIN + "), (" + MAX + "," + MIN + "), (0," + MAX + ")\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
      {"triangle over the whole range, outlined",
       [] { kit_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 3); },
       {"red triangle at (" + MIN + "," + MIN + "), (" + MAX + "," + MIN + "), (0," + MAX + ")\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"thin triangle across the whole range",
       [] { kit_triangle(2, INT_MIN, 0, INT_MAX, 0, 0, 10, 1); },
       {"red triangle at (" + MIN + ",0), (" + MAX + ",0), (0,10)\n"},
       [] {
         for (int x : {-299, -1, 0, 1, 299}) {
           EXPECT_EQ(at(x, 0), RED) << x;
           EXPECT_EQ(at(x, 10), RED) << x;
           EXPECT_EQ(at(x, 5), WHITE) << x;
           EXPECT_EQ(at(x, 11), WHITE) << x;
         }
       }},
      {"triangle with a width of INT_MIN",
       [] { kit_triangle(2, 0, 0, 5, 0, 0, 5, INT_MIN); },
       {width_message(INT_MIN, INT_MAX), "red triangle at (0,0), (5,0), (0,5)\n"},
       [] { EXPECT_EQ(count(RED), ALL_PIXELS); }},
  };
}

class ExtremesTest : public KitTest {
protected:
  void run(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      kit_clear();
      headless::clear_log_lines();
      c.draw();
      EXPECT_EQ(headless::log_lines(), c.log);
      if (c.check)
        c.check();
    }
  }
};

TEST_F(ExtremesTest, ShapesDrawTheirVisiblePart) {
  run(shape_cases());
}

TEST_F(ExtremesTest, TextsAnywhereAndOfAnyLength) {
  const std::string long_text(100000, 'W');
  std::string accented;
  for (int i = 0; i < 2000; ++i)
    accented += "\xc3\xa9"; // é
  std::string many_lines(100000, '\n');
  many_lines += "end";

  std::vector<Case> cases = {
      {"text anchored at the corners of the range",
       [] {
         kit_text(2, INT_MIN, INT_MIN, 127, "corner");
         kit_text(2, INT_MAX, INT_MAX, 127, "corner");
         kit_text(2, INT_MIN, INT_MAX, 127, "corner");
         kit_text(2, INT_MAX, INT_MIN, 127, "corner");
       },
       {"red text at (" + MIN + "," + MIN + "), \"corner\"\n",
        "red text at (" + MAX + "," + MAX + "), \"corner\"\n",
        "red text at (" + MIN + "," + MAX + "), \"corner\"\n",
        "red text at (" + MAX + "," + MIN + "), \"corner\"\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"text of size INT_MIN",
       [] { kit_text(2, -250, 0, INT_MIN, "x"); },
       {"ptsize of " + MIN + " not possible, using ptsize " + MAX + "\n",
        "ptsize of " + MAX + " not possible, using ptsize 127\n", "red text at (-250,0), \"x\"\n"},
       [] { EXPECT_GT(count(RED), 0); }},
      {"missing text",
       [] { kit_text(1, 0, 0, 12, nullptr); },
       {"white text at (0,0), \"\"\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"missing format",
       [] {
         const char* no_format = nullptr;
         EXPECT_EQ(kit_printf(2, 0, 0, 12, no_format), 0);
       },
       {"red text at (0,0), \"\"\n"},
       [] { EXPECT_TRUE(untouched()); }},
      {"text of a hundred thousand lines",
       [&many_lines] {
         kit_set_logging(0);
         kit_text(2, -300, 250, 12, many_lines.c_str());
         kit_set_logging(1);
       },
       {},
       [] { EXPECT_EQ(count(RED), 0); }},
  };
  run(cases);

  // A text longer than a log line is cut in its description, which keeps its closing quote.
  kit_clear();
  headless::clear_log_lines();
  kit_text(2, -300, 0, 127, long_text.c_str());
  ASSERT_EQ(headless::log_lines().size(), 1u);
  const std::string& line = headless::log_lines()[0];
  EXPECT_EQ(line.size(), static_cast<size_t>(LOG_FORMAT_BUFFER - 1));
  EXPECT_EQ(line.substr(0, 25), "red text at (-300,0), \"WW");
  EXPECT_EQ(line.substr(line.size() - 3), "W\"\n");
  EXPECT_GT(count(RED), 1000);

  // ... and never in the middle of a character.
  headless::clear_log_lines();
  kit_text(2, 0, 0, 12, accented.c_str());
  ASSERT_EQ(headless::log_lines().size(), 1u);
  EXPECT_TRUE(g_utf8_validate(headless::log_lines()[0].c_str(), -1, nullptr));
  EXPECT_LE(headless::log_lines()[0].size(), static_cast<size_t>(LOG_FORMAT_BUFFER - 1));

  // Formatted output beyond 1023 characters is cut; the result counts what was kept.
  headless::clear_log_lines();
  kit_set_logging(0);
  EXPECT_EQ(kit_printf(2, 0, 0, 12, "%s", long_text.c_str()), LOG_FORMAT_BUFFER - 1);
  EXPECT_EQ(kit_printf(2, 0, 0, 12, "%s%s", long_text.c_str(), "end"), LOG_FORMAT_BUFFER - 1);
  EXPECT_TRUE(headless::log_lines().empty());
}

} // namespace
} // namespace veldo::testing
