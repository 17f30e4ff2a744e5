// The bug table: spawning, flight, walls, falling and swatting.

#include <gtest/gtest.h>

#include "bugs.h"
#include "particles.h"
#include "random.h"
#include "random_draws.h"

using test_draws::arrange;
using test_draws::Draw;
using test_draws::draws_since;

namespace {

constexpr double ANY_LOW = 0.0;
constexpr double ANY_HIGH = 1.0;

Bug fly_at(int x, int y, double speed, double target_speed, double heading) {
  Bug bug{};
  bug.kind = BUG_FLY;
  bug.x = x;
  bug.y = y;
  bug.width = 30;
  bug.height = 30;
  bug.speed = speed;
  bug.target_speed = target_speed;
  bug.heading = heading;
  return bug;
}

class BugTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    random_restart();
    bugs_clear(table);
    particles_clear(particles);
  }

  // Runs one flight step and returns how many fractions it drew.
  int step() {
    std::uint32_t before = random_state();
    bugs_step(table, particles);
    return draws_since(before);
  }

  Bug& slot(int index) { return table.slots[index]; }

  BugTable table;
  ParticleTable particles;
};

// Field by field: the records have padding, which a byte comparison would read.
bool same_bug(const Bug& a, const Bug& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.width == b.width &&
         a.height == b.height && a.speed == b.speed && a.target_speed == b.target_speed &&
         a.turn_rate == b.turn_rate && a.heading == b.heading && a.ticks == b.ticks &&
         a.swatted == b.swatted;
}

bool same_table(const BugTable& a, const BugTable& b) {
  for (int i = 0; i < BUG_SLOTS; ++i) {
    if (!same_bug(a.slots[i], b.slots[i]))
      return false;
  }
  return true;
}

} // namespace

TEST_F(BugTableTest, FirstFlyOfARun) {
  // A step over the empty table draws nothing, so the spawn gets the run's first five numbers.
  EXPECT_EQ(step(), 0);
  bugs_spawn_random(table);

  const Bug& bug = slot(0);
  EXPECT_EQ(bug.kind, 2);
  EXPECT_EQ(bug.x, 285);
  EXPECT_EQ(bug.y, -117);
  EXPECT_EQ(bug.width, 30);
  EXPECT_EQ(bug.height, 30);
  EXPECT_EQ(bug.speed, 30 * (41 / 32767.0));
  EXPECT_EQ(bug.target_speed, 30 * (18467 / 32767.0));
  double r3 = 6334 / 32767.0;
  EXPECT_EQ(bug.heading, (r3 + r3) * 3.14);
  EXPECT_EQ(bug.turn_rate, 0.0);
  EXPECT_EQ(bug.ticks, 0);
  EXPECT_EQ(bug.swatted, 0);
  EXPECT_EQ(bugs_count(table), 1);
}

TEST_F(BugTableTest, SpawnEdgeAndHeightFollowTheDraws) {
  // r4 at most 0.5 puts the fly on the left edge; r5 of 0 gives the very bottom, 1 gives -24.
  arrange({{ANY_LOW, ANY_HIGH}, {ANY_LOW, ANY_HIGH}, {ANY_LOW, ANY_HIGH}, {0.0, 0.5}, {0.0, 0.0}});
  bugs_spawn_random(table);
  EXPECT_EQ(slot(0).x, -285);
  EXPECT_EQ(slot(0).y, -250);

  arrange(
      {{ANY_LOW, ANY_HIGH}, {ANY_LOW, ANY_HIGH}, {ANY_LOW, ANY_HIGH}, {0.5001, 1.0}, {1.0, 1.0}});
  bugs_spawn_random(table);
  EXPECT_EQ(slot(1).x, 285);
  EXPECT_EQ(slot(1).y, -24);
}

TEST_F(BugTableTest, SpawnIntoAFullTableDrawsFiveAndChangesNoSlot) {
  for (int i = 0; i < BUG_SLOTS; ++i)
    bugs_spawn_random(table);
  ASSERT_EQ(bugs_count(table), BUG_SLOTS);

  BugTable before = table;
  std::uint32_t state = random_state();
  bugs_spawn_random(table);
  EXPECT_EQ(draws_since(state), 5);
  EXPECT_TRUE(same_table(before, table));
}

TEST_F(BugTableTest, AddFillsTheFirstFreeSlotAndRemoveKeepsTheOtherFields) {
  for (int i = 0; i < 5; ++i)
    bugs_add(fly_at(i, 0, 1.0, 1.0, 0.0), table);
  bug_remove(3, table);
  bug_remove(1, table);
  EXPECT_EQ(bugs_count(table), 3);
  EXPECT_EQ(slot(1).kind, 0);
  EXPECT_EQ(slot(1).x, 1); // a freed slot keeps its record until it is reused

  bugs_add(fly_at(100, 0, 1.0, 1.0, 0.0), table);
  EXPECT_EQ(slot(1).x, 100);
  EXPECT_EQ(slot(3).kind, 0);
  EXPECT_EQ(bugs_count(table), 4);

  // Any non-zero kind occupies a slot and counts, but only flies move.
  slot(3).kind = 7;
  EXPECT_EQ(bugs_count(table), 5);
  bugs_add(fly_at(200, 0, 1.0, 1.0, 0.0), table);
  EXPECT_EQ(slot(5).x, 200);
  slot(3).speed = 5.0;
  slot(3).target_speed = 5.0;
  int x = slot(3).x;
  step();
  EXPECT_EQ(slot(3).x, x);
  EXPECT_EQ(slot(3).ticks, 0);

  bugs_clear(table);
  EXPECT_EQ(bugs_count(table), 0);
  EXPECT_EQ(slot(1).x, 0);
}

TEST_F(BugTableTest, FirstReChoiceComesInThe31stStep) {
  // A hovering fly in mid-field draws nothing until its count reaches 30.
  bugs_add(fly_at(0, 0, 0.0, 0.0, 0.0), table);
  for (int i = 1; i <= 30; ++i) {
    EXPECT_EQ(step(), 0);
    EXPECT_EQ(slot(0).ticks, i);
  }
  EXPECT_GE(step(), 2);
  EXPECT_EQ(slot(0).ticks, 1);
}

TEST_F(BugTableTest, SpeedAlternatesAboutAnUnreachableTarget) {
  bugs_add(fly_at(0, 0, 5.95, 6.0, 0.0), table);
  step();
  EXPECT_NEAR(slot(0).speed, 6.05, 1e-9);
  step();
  EXPECT_NEAR(slot(0).speed, 5.95, 1e-9);
  step();
  EXPECT_NEAR(slot(0).speed, 6.05, 1e-9);

  bugs_add(fly_at(0, -100, 6.0, 6.0, 0.0), table);
  step();
  EXPECT_EQ(slot(1).speed, 6.0);
}

TEST_F(BugTableTest, NegativeTargetBringsTheFlyToAStandstill) {
  bugs_add(fly_at(0, 0, 0.05, -3.0, 0.0), table);
  step();
  EXPECT_EQ(slot(0).speed, 0.0);
  EXPECT_EQ(slot(0).x, 0);
  step();
  EXPECT_EQ(slot(0).speed, 0.0);
}

TEST_F(BugTableTest, TurnTableAtEachThreshold) {
  struct Row {
    double threshold;
    double at_or_above;
    double below;
  };
  const double kept = 0.3; // the rate before the re-choice, kept by a draw below 0.15
  const Row rows[] = {{0.925, 0.6, -0.6}, {0.85, -0.6, 0.4}, {0.75, 0.4, -0.4}, {0.65, -0.4, 0.2},
                      {0.55, 0.2, -0.2},  {0.45, -0.2, 0.1}, {0.3, 0.1, -0.1},  {0.15, -0.1, kept}};
  const double step_size = 1 / 32767.0;
  for (const Row& row : rows) {
    for (bool above : {true, false}) {
      SCOPED_TRACE(testing::Message() << "threshold " << row.threshold << (above ? " +" : " -"));
      bugs_clear(table);
      Bug bug = fly_at(0, 0, 10.0, 10.0, 1.0);
      bug.turn_rate = kept;
      bug.ticks = 30;
      bugs_add(bug, table);
      // The draw just at or just below the threshold, then one that leaves the target alone.
      Draw turn = above ? Draw{row.threshold, row.threshold + step_size}
                        : Draw{row.threshold - step_size, row.threshold - 1e-12};
      arrange({turn, {0.0, 0.44}});
      EXPECT_EQ(step(), 2);
      double expected = above ? row.at_or_above : row.below;
      EXPECT_EQ(slot(0).turn_rate, expected);
      // The new rate already turns the fly in the step that chose it.
      EXPECT_NEAR(slot(0).heading, 1.0 + expected, 1e-12);
    }
  }
}

TEST_F(BugTableTest, SlowFlyTurnsAtSixTenthsOfTheRate) {
  // A draw below 0.15 keeps the direction, but a fly slower than 6 still gets 0.6 of the rate.
  Bug bug = fly_at(0, 0, 3.0, 3.0, 0.0);
  bug.turn_rate = 0.4;
  bug.ticks = 30;
  bugs_add(bug, table);
  arrange({{0.0, 0.14}, {0.0, 0.44}, {0.0, 0.49}});
  EXPECT_EQ(step(), 3);
  EXPECT_EQ(slot(0).turn_rate, 0.4 * 0.6);
  EXPECT_EQ(slot(0).target_speed, 3.0);

  // A fresh rate is scaled too; at speed 6 nothing is scaled.
  slot(0).ticks = 30;
  arrange({{0.86, 0.92}, {0.0, 0.44}, {0.0, 0.49}});
  step();
  EXPECT_EQ(slot(0).turn_rate, -0.6 * 0.6);

  bugs_clear(table);
  bug = fly_at(0, 0, 6.0, 6.0, 0.0);
  bug.ticks = 30;
  bugs_add(bug, table);
  arrange({{0.93, 1.0}, {0.0, 0.44}, {0.0, 0.49}});
  step();
  EXPECT_EQ(slot(0).turn_rate, 0.6);
}

TEST_F(BugTableTest, TargetSpeedRulesAtAReChoice) {
  struct Case {
    double target;
    Draw target_draw;
    Draw extra_draw; // made only when the target is 6 or less after the first rule
    double expected;
    int draws;
  };
  const Case cases[] = {
      {20.0, {0.66, 1.0}, {0, 1}, 18.0, 2},    // +3 then cut to 18
      {10.0, {0.66, 1.0}, {0, 1}, 13.0, 2},    // +3, within range
      {10.0, {0.0, 0.44}, {0, 1}, 10.0, 2},    // left alone, no extra draw
      {4.0, {0.46, 0.64}, {0.5, 1.0}, 3.0, 3}, // -3, then +6
      {4.0, {0.46, 0.64}, {0.0, 0.49}, -3.0, 3}, {5.0, {0.0, 0.44}, {0.5, 1.0}, 11.0, 3},
      {6.0, {0.0, 0.44}, {0.0, 0.49}, 6.0, 3}, // 6 itself is "6 or less"
      {3.5, {0.66, 1.0}, {0, 1}, 6.5, 2},      // +3 lifts it above 6: no extra draw
      {2.5, {0.66, 1.0}, {0.5, 1.0}, 11.5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "target " << c.target << " -> " << c.expected);
    bugs_clear(table);
    Bug bug = fly_at(0, 0, 10.0, c.target, 0.0);
    bug.ticks = 30;
    bugs_add(bug, table);
    arrange({{0.0, 0.14}, c.target_draw, c.extra_draw});
    EXPECT_EQ(step(), c.draws);
    EXPECT_EQ(slot(0).target_speed, c.expected);
  }
}

TEST_F(BugTableTest, MoveRoundsAndUsesTheHeadingFromBeforeTheTurn) {
  Bug bug = fly_at(0, 0, 10.0, 10.0, 1.57);
  bug.turn_rate = 0.5;
  bugs_add(bug, table);
  step();
  EXPECT_EQ(slot(0).x, 0);
  EXPECT_EQ(slot(0).y, 10);
  EXPECT_EQ(slot(0).heading, 1.57 + 0.5);

  // Heading 3.14 is not quite pi: 2.5 units that way round to -2, not -3.
  bugs_clear(table);
  bugs_add(fly_at(0, 0, 2.5, 2.5, 3.14), table);
  bugs_add(fly_at(0, -100, 2.5, 2.5, 0.0), table);
  step();
  EXPECT_EQ(slot(0).x, -2);
  EXPECT_EQ(slot(1).x, 3);
}

TEST_F(BugTableTest, TurnWrapKeepsTheSignOfTheHeading) {
  Bug bug = fly_at(0, 0, 0.0, 0.0, 6.0);
  bug.turn_rate = 0.5;
  bugs_add(bug, table);
  bug = fly_at(0, -100, 0.0, 0.0, -6.0);
  bug.turn_rate = -0.5;
  bugs_add(bug, table);
  step();
  EXPECT_NEAR(slot(0).heading, 0.22, 1e-12);
  EXPECT_NEAR(slot(1).heading, -0.22, 1e-12);
}

TEST_F(BugTableTest, BottomWallLiftsAFlyAt240To235) {
  for (bool fixed : {true, false}) {
    SCOPED_TRACE(fixed ? "fixed heading" : "mirrored heading");
    bugs_clear(table);
    bugs_add(fly_at(0, -240, 0.0, 0.0, 4.0), table);
    arrange({fixed ? Draw{0.31, 1.0} : Draw{0.0, 0.3}});
    EXPECT_EQ(step(), 1);
    EXPECT_EQ(slot(0).y, -235);
    EXPECT_EQ(slot(0).x, 0);
    if (fixed)
      EXPECT_EQ(slot(0).heading, 1.57);
    else
      EXPECT_EQ(slot(0).heading, 4.0 - 2 * (4.0 - 3.14));
  }
}

TEST_F(BugTableTest, EachWallSetsItsPositionAndHeading) {
  struct Case {
    int x, y;
    int expected_x, expected_y;
    double fixed;
    double mirror_axis;
  };
  const Case cases[] = {{-290, 0, -285, 0, 0.0, 1.57},
                        {290, 0, 285, 0, 3.14, 1.57},
                        {0, 220, 0, 211, 4.71, 3.14},
                        {0, -260, 0, -235, 1.57, 3.14}};
  for (const Case& c : cases) {
    for (bool fixed : {true, false}) {
      SCOPED_TRACE(testing::Message() << "at " << c.x << "," << c.y << (fixed ? " fixed" : ""));
      bugs_clear(table);
      bugs_add(fly_at(c.x, c.y, 0.0, 0.0, 2.0), table);
      arrange({fixed ? Draw{0.31, 1.0} : Draw{0.0, 0.3}});
      EXPECT_EQ(step(), 1);
      EXPECT_EQ(slot(0).x, c.expected_x);
      EXPECT_EQ(slot(0).y, c.expected_y);
      EXPECT_EQ(slot(0).heading, fixed ? c.fixed : 2.0 - 2 * (2.0 - c.mirror_axis));
    }
  }

  // A fly whose box just touches an edge is inside and draws nothing.
  bugs_clear(table);
  bugs_add(fly_at(-285, 211, 0.0, 0.0, 0.0), table);
  bugs_add(fly_at(285, -235, 0.0, 0.0, 0.0), table);
  EXPECT_EQ(step(), 0);
  EXPECT_EQ(slot(0).x, -285);
  EXPECT_EQ(slot(1).y, -235);
}

TEST_F(BugTableTest, CornerIsHandledOnXFirstAndYInALaterStep) {
  bugs_add(fly_at(-290, 220, 0.0, 0.0, 2.0), table);
  EXPECT_EQ(step(), 1);
  EXPECT_EQ(slot(0).x, -285);
  EXPECT_EQ(slot(0).y, 220);

  EXPECT_EQ(step(), 1);
  EXPECT_EQ(slot(0).x, -285);
  EXPECT_EQ(slot(0).y, 211);
}

TEST_F(BugTableTest, MirrorFromTheTurnedHeadingCanHoldAFlyInTheCorner) {
  // The mirror uses the heading after this step's turn, which may already point away from the
  // side wall; mirrored, it points back into it. The side wall then wins again, and the fly stays
  // beyond the top until it leaves the side wall.
  Bug bug = fly_at(284, 220, 10.0, 10.0, 1.3);
  bug.turn_rate = 0.4;
  bugs_add(bug, table);
  arrange({{0.0, 0.3}, {0.0, 0.3}, {0.31, 1.0}, {0.31, 1.0}});
  const int expected_y[] = {230, 240, 250, 211};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "step " << i + 1);
    EXPECT_EQ(step(), 1);
    EXPECT_EQ(slot(0).y, expected_y[i]);
    EXPECT_EQ(slot(0).x, i < 3 ? 285 : 275);
  }
}

TEST_F(BugTableTest, FallingFlyShedsDebrisAndIsFreedBelowTheField) {
  Bug bug = fly_at(10, -235, 7.0, 12.0, 2.0);
  bug.swatted = 1;
  bug.ticks = 30;
  bugs_add(bug, table);
  // Shed (above 0.1), then dy of +2 (drawn first), dx of -2, then the particle's life.
  arrange({{0.5, 1.0}, {0.9, 1.0}, {0.0, 0.1}, {0.5, 1.0}});
  EXPECT_EQ(step(), 4);

  Bug expected = bug;
  expected.y = -255;
  expected.kind = 0;
  EXPECT_TRUE(same_bug(slot(0), expected))
      << "only y and the kind change: y " << slot(0).y << ", kind " << slot(0).kind;
  EXPECT_EQ(particles.slots[0].x, 8);
  EXPECT_EQ(particles.slots[0].y, -253);
  EXPECT_GT(particles.slots[0].life, 0.0);
}

TEST_F(BugTableTest, FallingFlyWithALowDrawShedsNothing) {
  Bug bug = fly_at(10, -100, 7.0, 12.0, 2.0);
  bug.swatted = 1;
  bugs_add(bug, table);
  arrange({{0.0, 0.1}});
  EXPECT_EQ(step(), 1);
  EXPECT_EQ(slot(0).kind, 2);
  EXPECT_EQ(slot(0).y, -120);
  EXPECT_EQ(slot(0).x, 10);
  EXPECT_EQ(particles.slots[0].life, 0.0);

  // A fly at exactly -250 after its fall is still in the field.
  slot(0).y = -230;
  step();
  EXPECT_EQ(slot(0).y, -250);
  EXPECT_EQ(slot(0).kind, 2);
}

TEST_F(BugTableTest, SwatReachIs45OnEachAxis) {
  Swatter swatter{100, -50, 30, 30, 0};
  const int offsets[][2] = {{45, 45}, {-45, -45}, {45, -45}, {-45, 45}, {0, 0},
                            {46, 0},  {-46, 0},   {0, 46},   {0, -46},  {46, 46}};
  for (const auto& offset : offsets)
    bugs_add(fly_at(100 + offset[0], -50 + offset[1], 0.0, 0.0, 0.0), table);

  EXPECT_EQ(bugs_swat(swatter, table), 5);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(slot(i).swatted, i < 5 ? 1 : 0) << "offset " << offsets[i][0] << "," << offsets[i][1];
}

TEST_F(BugTableTest, SwatCountsAFallingFlyAgain) {
  Bug bug = fly_at(0, 0, 0.0, 0.0, 0.0);
  bug.swatted = 1;
  bugs_add(bug, table);
  Swatter swatter{20, -30, 30, 30, 0};
  EXPECT_EQ(bugs_swat(swatter, table), 1);
  EXPECT_EQ(bugs_swat(swatter, table), 1);
  EXPECT_EQ(slot(0).swatted, 1);
}

TEST_F(BugTableTest, SwatOverAnEmptyTableHitsNothing) {
  // Freed slots keep their old positions, but they are not hit.
  bugs_add(fly_at(0, 0, 0.0, 0.0, 0.0), table);
  bug_remove(0, table);
  for (int x = -300; x <= 300; x += 50) {
    for (int y = -250; y <= 250; y += 50)
      EXPECT_EQ(bugs_swat(Swatter{x, y, 30, 30, 0}, table), 0);
  }
  EXPECT_EQ(slot(0).swatted, 0);
}
