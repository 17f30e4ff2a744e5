// The fly and swatter sprites: their drawing calls for every pose and swing phase.
#include "game_run.h"

namespace game_test {
namespace {

using Sprites = DrawingTest;

std::string point(int x, int y) {
  return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

Bug fly_at(int x, int y, int ticks, int swatted) {
  return Bug{BUG_FLY, x, y, 30, 30, 4.0, 6.0, 0.1, 1.0, ticks, swatted};
}

// The fly at (100, -50) without its wings, which follow.
Lines fly_body(int eye_radius) {
  const std::string eye = ", radius " + std::to_string(eye_radius);
  return {
      "50% gray circle at (100,-54), radius 8",
      "50% gray circle at (100,-50), radius 8",
      "20% gray oval with bounding box (92,-41) to (108,-55), filled",
      "50% gray oval with bounding box (92,-41) to (108,-55), line width 1",
      "red circle at (96,-48)" + eye,
      "red circle at (104,-48)" + eye,
  };
}

const Lines fly_legs = {
    "50% gray line from (96,-43) to (92,-40), width 2",
    "50% gray line from (104,-43) to (108,-40), width 2",
    "50% gray line from (96,-60) to (92,-64), width 2",
    "50% gray line from (104,-60) to (108,-64), width 2",
};

const Lines pose_a = {
    "20% gray triangle at (92,-53), (84,-53), (84,-47)",
    "20% gray triangle at (92,-57), (92,-53), (84,-53)",
    "20% gray triangle at (108,-53), (116,-53), (116,-47)",
    "20% gray triangle at (108,-57), (108,-53), (116,-53)",
};

const Lines pose_b = {
    "20% gray triangle at (92,-53), (84,-53), (84,-60)",
    "20% gray triangle at (92,-50), (92,-53), (84,-53)",
    "20% gray triangle at (108,-53), (116,-53), (116,-60)",
    "20% gray triangle at (108,-50), (108,-53), (116,-53)",
};

Lines fly(int eye_radius, const Lines& wings) {
  Lines lines = fly_body(eye_radius);
  lines.insert(lines.end(), wings.begin(), wings.end());
  lines.insert(lines.end(), fly_legs.begin(), fly_legs.end());
  return lines;
}

TEST_F(Sprites, AFlyShowsPoseAOnOddTicksAndPoseBOnEven) {
  bug_draw(fly_at(100, -50, 1, 0));
  EXPECT_EQ(drawn(), fly(2, pose_a));
  bug_draw(fly_at(100, -50, 29, 0));
  EXPECT_EQ(drawn(), fly(2, pose_a));
  bug_draw(fly_at(100, -50, 0, 0)); // just spawned
  EXPECT_EQ(drawn(), fly(2, pose_b));
  bug_draw(fly_at(100, -50, 30, 0));
  EXPECT_EQ(drawn(), fly(2, pose_b));
}

TEST_F(Sprites, ASwattedFlyStaresWithEyesOfRadiusFourAndKeepsItsPose) {
  bug_draw(fly_at(100, -50, 7, 1));
  EXPECT_EQ(drawn(), fly(4, pose_a));
  bug_draw(fly_at(100, -50, 8, 1));
  EXPECT_EQ(drawn(), fly(4, pose_b));
}

TEST_F(Sprites, OnlyFliesAreDrawnInSlotOrder) {
  Bug free_slot = fly_at(100, -50, 1, 0);
  free_slot.kind = 0;
  bug_draw(free_slot);
  EXPECT_TRUE(drawn().empty());

  BugTable table;
  bugs_clear(table);
  bugs_draw(table);
  EXPECT_TRUE(drawn().empty());

  table.slots[7] = fly_at(100, -50, 2, 0);
  table.slots[3] = fly_at(-20, 40, 1, 0);
  table.slots[5] = fly_at(0, 0, 1, 0);
  table.slots[5].kind = 0;
  bugs_draw(table);
  const Lines lines = drawn();
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[0], "50% gray circle at (-20,36), radius 8");
  EXPECT_EQ(Lines(lines.begin() + 14, lines.end()), fly(2, pose_b));
}

// The swatter's expected calls, from the picture of each phase for a 30 x 30 swatter centred on
// (x, y): horizontal mesh lines from `row_from` up in steps, vertical ones from x - 12 to x + 12,
// both inside the frame from y - 15 to `top`, and the handle down to `handle`.
Lines swatter_picture(int x, int y, int row_from, int row_step, int rows, int column_step, int top,
                      int handle) {
  Lines lines;
  for (int i = 0; i < rows; i++) {
    const int row = y + row_from + i * row_step;
    lines.push_back("blue line from " + point(x - 15, row) + " to " + point(x + 15, row) +
                    ", width 1");
  }
  for (int column = x - 12; column <= x + 12; column += column_step)
    lines.push_back("blue line from " + point(column, y - 15) + " to " + point(column, y + top) +
                    ", width 1");
  lines.push_back("purple rectangle with bounding box " + point(x - 15, y + top) + " to " +
                  point(x + 15, y - 15) + " with line width 3");
  lines.push_back("purple line from " + point(x, y - 15) + " to " + point(x, y + handle) +
                  ", width 3");
  return lines;
}

Swatter swatter_at(int x, int y, int cooldown) {
  return Swatter{x, y, 30, 30, cooldown};
}

TEST_F(Sprites, TheSwatterFollowsItsSwingPhase) {
  const Lines full = swatter_picture(10, 20, -12, 3, 9, 3, 15, -45);
  const Lines half = swatter_picture(10, 20, -13, 2, 6, 2, 0, -30);
  const Lines third = swatter_picture(10, 20, -13, 2, 4, 2, -5, -25);
  ASSERT_EQ(full.size(), 20u);
  ASSERT_EQ(half.size(), 21u);
  ASSERT_EQ(third.size(), 19u);

  const std::vector<std::pair<int, Lines>> phases = {
      {25, {}},    {30, {}},    {24, full}, {20, full}, {19, half}, {15, half},
      {14, third}, {10, third}, {9, half},  {5, half},  {4, full},  {0, full},
  };
  for (const auto& [cooldown, expected] : phases) {
    swatter_draw(swatter_at(10, 20, cooldown));
    EXPECT_EQ(drawn(), expected) << "cooldown " << cooldown;
  }
}

TEST_F(Sprites, TheRestingSwatterIsCentredOnTheOrigin) {
  GameState state = game_state_initial();
  swatter_draw(state.swatter);
  EXPECT_EQ(drawn(), swatter_picture(0, 0, -12, 3, 9, 3, 15, -45));
}

} // namespace
} // namespace game_test
