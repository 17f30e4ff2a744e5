// Clicks anywhere in 32 bits, as a script can carry them though no window could produce most of
// them: every swing counts exactly the flies the hit rule reaches, worked out here in sums wide
// enough for any position, and its swatter is drawn in every phase of the swing without an
// overflow (the sanitizer build runs this file too). Where a window can click, the swatter lands
// on the click; beyond that a swing draws its swatter off the canvas.
#include "game_run.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace game_test {
namespace {

using ClickRange = DrawingTest;

// Farther from the origin than any window reaches, with room to spare.
constexpr int64_t WINDOW_REACH = 1000000;

// Flies over the whole field, its corners and edges included.
BugTable spread_flies() {
  BugTable table{};
  int slot = 0;
  for (int x : {-285, -200, -45, 0, 45, 150, 285})
    for (int y : {-235, -100, 0, 100, 211})
      table.slots[slot++] = Bug{BUG_FLY, x, y, 30, 30, 4.0, 6.0, 0.0, 1.0, 0, 0};
  return table;
}

// The hit rule in 64-bit sums: the swatter reaches 15 from its centre, a fly its full size.
int hits_by_rule(const BugTable& table, int64_t x, int64_t y) {
  int hits = 0;
  for (const Bug& bug : table.slots) {
    if (bug.kind != 0 && bug.x - bug.width <= x + 15 && bug.x + bug.width >= x - 15 &&
        bug.y - bug.height <= y + 15 && bug.y + bug.height >= y - 15)
      ++hits;
  }
  return hits;
}

// The limits, the reach of a window and of a swing around them, the field's edges, and a spread
// of arbitrary 32-bit values.
std::vector<int> coordinates() {
  std::vector<int> values = {
      INT_MIN, INT_MIN + 1, INT_MIN + 15, INT_MIN + 45, -1000001,     -1000000,    -999999,
      -65536,  -345,        -300,         -251,         -46,          -45,         -1,
      0,       1,           44,           226,          250,          330,         65535,
      999999,  1000000,     1000001,      INT_MAX - 45, INT_MAX - 15, INT_MAX - 1, INT_MAX};
  std::mt19937 random(11);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
  for (int i = 0; i < 40; ++i)
    values.push_back(any(random));
  return values;
}

// The corners of the swatter's frame as drawn: left, top, right, bottom.
struct Box {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
};

bool frame_of(const Lines& lines, Box* box) {
  for (const std::string& line : lines) {
    long long l, t, r, b;
    if (std::sscanf(line.c_str(), "purple rectangle with bounding box (%lld,%lld) to (%lld,%lld)",
                    &l, &t, &r, &b) == 4) {
      *box = Box{l, t, r, b};
      return true;
    }
  }
  return false;
}

TEST_F(ClickRange, EverySwingCountsTheFliesTheRuleReaches) {
  const BugTable flies = spread_flies();
  const std::vector<int> values = coordinates();
  int swings_that_hit = 0;
  for (int x : values) {
    for (int y : values) {
      if (spawn_button_hit(x, y) == 1)
        continue;
      GameState state = game_state_initial();
      BugTable table = flies;
      ParticleTable particles{};
      play_event(VELDO_MOUSE, x, y, state, table, particles);
      const int expected = hits_by_rule(flies, x, y);
      ASSERT_EQ(state.last, expected) << "a swing at (" << x << ", " << y << ")";
      ASSERT_EQ(state.swings, 1);
      swings_that_hit += expected > 0;
    }
  }
  // The values do reach flies, so the comparison above is not only of misses.
  EXPECT_GT(swings_that_hit, 20);
}

TEST_F(ClickRange, TheSwatterIsDrawnOnTheClickOrOffTheCanvas) {
  const std::vector<int> values = coordinates();
  for (size_t i = 0; i < values.size(); ++i) {
    // Each value on each axis, paired with the values in two orders.
    for (int y : {values[i], values[values.size() - 1 - i]}) {
      const int x = values[i];
      GameState state = game_state_initial();
      BugTable table{};
      ParticleTable particles{};
      play_event(VELDO_MOUSE, x, y, state, table, particles);
      for (int cooldown : {24, 19, 14, 9, 4, 0}) {
        state.swatter.cooldown = cooldown;
        swatter_draw(state.swatter);
        Box box;
        ASSERT_TRUE(frame_of(drawn(), &box)) << "no frame at cooldown " << cooldown;
        const bool in_window_reach =
            std::abs(int64_t{x}) <= WINDOW_REACH && std::abs(int64_t{y}) <= WINDOW_REACH;
        if (in_window_reach) {
          EXPECT_EQ(box.left, int64_t{x} - 15) << x << ", " << y;
          EXPECT_EQ(box.right, int64_t{x} + 15) << x << ", " << y;
          EXPECT_EQ(box.bottom, int64_t{y} - 15) << x << ", " << y;
        } else {
          // Wholly beyond the canvas's 601 x 540 pixels on at least one axis.
          const bool off = box.right < -600 || box.left > 600 || box.top < -540 || box.bottom > 540;
          EXPECT_TRUE(off) << "a swing at (" << x << ", " << y << ") drew its frame from ("
                           << box.left << ", " << box.top << ")";
        }
      }
    }
  }
}

} // namespace
} // namespace game_test
