// The play frame: the playfield, the spawn button, the heads-up display and its announcements,
// how its labels fit the top bar, and the order in which one frame is drawn.
#include "game_run.h"
#include "platform/text.h"

#include <cstdlib>
#include <cstring>

namespace game_test {
namespace {

Lines playfield_lines() {
  Lines lines = {FIELD_LINE};
  for (int column = 0; column < 12; column++) {
    for (int row = 0; row < 9; row++) {
      const int x = -300 + 50 * column;
      const int y = -250 + 55 * row;
      lines.push_back("20% gray rectangle with bounding box (" + std::to_string(x) + "," +
                      std::to_string(y + 55) + ") to (" + std::to_string(x + 50) + "," +
                      std::to_string(y) + ") with line width 1");
    }
  }
  lines.push_back("black rectangle with bounding box (-300,250) to (300,226), filled");
  return lines;
}

const Lines button_lines = {
    "red rectangle with bounding box (-299,247) to (-233,227) with line width 1",
    "white text at (-289,231), \"Spawn fly\"",
};

using Hud = DrawingTest;

TEST_F(Hud, ThePlayfieldIsTheFieldTwelveColumnsOfNineTilesAndTheTopBar) {
  draw_playfield();
  const Lines lines = drawn();
  ASSERT_EQ(lines.size(), 110u);
  EXPECT_EQ(lines, playfield_lines());
  // The top row starts at 190, the columns end on the field's right edge.
  EXPECT_EQ(lines[9], "20% gray rectangle with bounding box (-300,245) to (-250,190) with line "
                      "width 1");
  EXPECT_EQ(lines[108], "20% gray rectangle with bounding box (250,245) to (300,190) with line "
                        "width 1");
}

TEST_F(Hud, TheSpawnButtonIsARedOutlineWithItsLabel) {
  draw_spawn_button();
  EXPECT_EQ(drawn(), button_lines);
}

TEST_F(Hud, TheSixCountersRunAlongTheTopBar) {
  draw_hud(12, 2400, 1, 30, 0, 1);
  EXPECT_EQ(drawn(), (Lines{
                         "white text at (-100,231), \"Score: 12\"",
                         "white text at (-40,231), \"Time: 60\"",
                         "white text at (20,231), \"Level: 1\"",
                         "white text at (80,231), \"Swings: 30\"",
                         "white text at (150,231), \"Spree: 0\"",
                         "white text at (210,231), \"Last: 1\"",
                     }));
  draw_hud(0, 39, 0, 0, 0, 0);
  EXPECT_EQ(hud(drawn(), "Time"), 0);
  draw_hud(0, 40, 0, 0, 0, 0);
  EXPECT_EQ(hud(drawn(), "Time"), 1);
}

// One label of the top bar, and the first column it must leave clear: the next label's x, the
// spawn button's right edge, or one past the play area's right edge.
struct BarLabel {
  const char* format;
  int x;
  int next;
};
const BarLabel counters[] = {{"Score: %d", -100, -40}, {"Time: %d", -40, 20},
                             {"Level: %d", 20, 80},    {"Swings: %d", 80, 150},
                             {"Spree: %d", 150, 210},  {"Last: %d", 210, 301}};
const BarLabel spawn_label = {"Spawn fly", -289, -233};

// The first and last canvas columns the kit paints for `text` at (x, 231), size 12, in white on
// the black top bar, as the heads-up display draws it.
std::pair<int, int> painted_columns(int x, const char* text) {
  kit_rectangle(0, -300, 250, 300, 226, 0);
  kit_text(1, x, 231, 12, text);
  int first = 1000, last = -1000;
  for (int y = 226; y <= 249; y++)
    for (int column = -299; column <= 299; column++)
      if (hl::canvas_pixel(300 + column, 250 - y) != 0) {
        first = std::min(first, column);
        last = std::max(last, column);
      }
  return {first, last};
}

TEST_F(Hud, EveryLabelEndsAClearColumnBeforeTheNextBegins) {
  kit_set_logging(0);
  // Painted at their widest, with 99, each counter ends at least one clear column before the
  // next one begins; the last stays inside the play area.
  std::vector<std::pair<int, int>> painted;
  for (const BarLabel& label : counters) {
    char text[32];
    std::snprintf(text, sizeof text, label.format, 99);
    painted.push_back(painted_columns(label.x, text));
  }
  for (size_t i = 0; i + 1 < painted.size(); i++)
    EXPECT_LT(painted[i].second, painted[i + 1].first - 1) << counters[i].format;
  EXPECT_LE(painted.back().second, 300);
  // The spawn button's label lies inside its outline (x -299 to -233), clear of both sides.
  const auto [first, last] = painted_columns(spawn_label.x, spawn_label.format);
  EXPECT_GT(first, -298);
  EXPECT_LT(last, spawn_label.next - 1);

  // Measured, for every value below 100: each advance ends before the next label's x, and the
  // paint never goes past the advance.
  for (const BarLabel& label : counters) {
    for (int value = 0; value < 100; value++) {
      char text[32];
      std::snprintf(text, sizeof text, label.format, value);
      const int end = label.x + veldo::platform::measure_text_line(12, text, strlen(text)).width;
      EXPECT_LT(end, label.next) << text;
      if (value == 99) {
        EXPECT_LE(painted_columns(label.x, text).second, end) << text;
      }
    }
  }
  EXPECT_LT(spawn_label.x + veldo::platform::measure_text_line(12, "Spawn fly", 9).width,
            spawn_label.next);
}

// The announcements drawn after the six counters.
Lines announcements(int spree, int last) {
  draw_hud(0, 0, 0, 0, spree, last);
  Lines lines = all_log_lines();
  hl::clear_log_lines();
  EXPECT_GE(lines.size(), 6u);
  return Lines(lines.begin() + 6, lines.end());
}

TEST_F(Hud, TheSpreeAnnouncementFollowsItsThresholds) {
  const std::string spree = "red text at (-90,-20), \"Killing Spree!\"";
  const std::string dominating = "red text at (-85,-20), \"Dominating!\"";
  const std::string rampage = "red text at (-70,-20), \"Rampage!\"";
  const std::string unstoppable = "red text at (-90,-20), \"Unstoppable!\"";
  const std::string godlike = "red text at (-240,-80), \"GODLIKE!\"";
  const std::vector<std::pair<int, Lines>> cases = {
      {0, {}},
      {4, {}},
      {5, {spree}},
      {9, {spree}},
      {10, {dominating}},
      {14, {dominating}},
      {15, {rampage}},
      {19, {rampage}},
      {20, {unstoppable}},
      {24, {unstoppable}},
      {25, {godlike}},
      {400, {godlike}},
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(announcements(value, 0), expected) << "spree " << value;
}

TEST_F(Hud, TheLastSwingsAnnouncementFollowsItsHits) {
  const std::vector<std::pair<int, Lines>> cases = {
      {0, {}},
      {1, {}},
      {2, {"red text at (-80,20), \"Double Kill!\""}},
      {3, {"red text at (-60,20), \"Multi Kill!\""}},
      {4, {"red text at (-60,20), \"Ultra Kill!\""}},
      {5, {"red text at (-270,30), \"MONSTER KILL!\""}},
      {50, {"red text at (-270,30), \"MONSTER KILL!\""}},
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(announcements(0, value), expected) << "last " << value;
}

TEST_F(Hud, BothAnnouncementsShowTogetherTheLastSwingsOnTop) {
  EXPECT_EQ(announcements(30, 6), (Lines{"red text at (-240,-80), \"GODLIKE!\"",
                                         "red text at (-270,30), \"MONSTER KILL!\""}));
}

TEST(Frame, TheTimeTurnsToOneSecondAtTheFortiethTick) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t tick_39 = run.ticks(39);
  const size_t tick_40 = run.tick();
  EXPECT_EQ(run.play(), 0);
  EXPECT_EQ(hud(run.answer(tick_39), "Time"), 0);
  EXPECT_EQ(hud(run.answer(tick_40), "Time"), 1);
}

TEST(Frame, AQuitDuringPlayDrawsOneLastFrame) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t tick = run.tick();
  const size_t quit = run.shortcut('Q');
  run.tick(); // never taken
  EXPECT_EQ(run.play(), 0);
  EXPECT_FALSE(run.all_taken());
  EXPECT_EQ(play_frames(run.answer(quit)), 1);
  EXPECT_EQ(run.answer(quit), run.answer(tick));
}

// Splits one frame into its parts in the order they must come, and checks each part's lines.
TEST(Frame, AFrameIsDrawnPlayfieldButtonDebrisFliesSwatterHud) {
  // Halted, the flies stay where they entered; a swing at the thickest cluster swats several,
  // and two ticks later they are falling and shedding debris.
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('H');
  for (int i = 0; i < 7; i++)
    run.click(-266, 237);
  run.shortcut('L');
  const size_t spawned = run.click(-266, 237);
  run.click_at([&] {
    const std::vector<DrawnFly> drawn = flies(run.answer(spawned));
    // A swing centred on the first fly hits it at least.
    return std::pair{drawn.at(0).x, drawn.at(0).y};
  });
  run.shortcut('A');
  run.tick();
  const size_t frame_at = run.tick();
  EXPECT_EQ(run.play(), 0);

  const Lines frame = run.answer(frame_at);
  ASSERT_GE(frame.size(), 112u);
  size_t i = 0;
  EXPECT_EQ(Lines(frame.begin(), frame.begin() + 110), playfield_lines());
  i = 110;
  EXPECT_EQ(Lines(frame.begin() + 110, frame.begin() + 112), button_lines);
  i = 112;

  int debris = 0;
  int x = 0, y = 0, r = 0;
  while (i < frame.size() &&
         std::sscanf(frame[i].c_str(), "red circle at (%d,%d), radius %d", &x, &y, &r) == 3) {
    EXPECT_LE(r, 10);
    debris++;
    i++;
  }
  EXPECT_GE(debris, 1);

  // Each fly is 14 calls: two body discs, the head and its outline, two eyes, four wings and
  // four legs.
  const std::vector<std::string> fly_parts = {
      "50% gray circle",   "50% gray circle",   "20% gray oval",     "50% gray oval",
      "red circle",        "red circle",        "20% gray triangle", "20% gray triangle",
      "20% gray triangle", "20% gray triangle", "50% gray line",     "50% gray line",
      "50% gray line",     "50% gray line"};
  int fly_count = 0;
  while (i < frame.size() && frame[i].rfind("50% gray circle", 0) == 0) {
    ASSERT_LE(i + 14, frame.size());
    for (size_t part = 0; part < fly_parts.size(); part++)
      EXPECT_EQ(frame[i + part].rfind(fly_parts[part], 0), 0u) << frame[i + part];
    fly_count++;
    i += 14;
  }
  EXPECT_EQ(fly_count, static_cast<int>(flies(frame).size()));
  EXPECT_GE(fly_count, 8);

  // The swatter, at cooldown 23: the full net.
  int swatter = 0;
  while (i < frame.size() &&
         (frame[i].rfind("blue line", 0) == 0 || frame[i].rfind("purple ", 0) == 0)) {
    swatter++;
    i++;
  }
  EXPECT_EQ(swatter, 20);

  // The heads-up display comes last, over everything.
  const Lines rest(frame.begin() + static_cast<long>(i), frame.end());
  ASSERT_GE(rest.size(), 6u);
  EXPECT_EQ(rest[0].rfind("white text at (-100,231), \"Score: ", 0), 0u);
  EXPECT_EQ(rest[5].rfind("white text at (210,231), \"Last: ", 0), 0u);
  for (size_t k = 6; k < rest.size(); k++)
    EXPECT_EQ(rest[k].rfind("red text at", 0), 0u) << rest[k];
}

} // namespace
} // namespace game_test
