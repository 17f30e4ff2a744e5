// The play loop's rules: swings and their scoring, the cooldown, the spawn button, the population
// target and the halted game. Most cases play the whole game through WinMain; a few set the
// table up by hand and apply the loop's rules to it directly.
#include "game_run.h"

#include <cstdlib>

namespace game_test {
namespace {

constexpr int BUTTON_X = -266; // the middle of the spawn button
constexpr int BUTTON_Y = 237;

// How many of the flies a swing centred on (x, y) reaches: the swatter's striking box reaches 15
// from its centre, a fly's box its full 30, so a fly is hit within 45 on both axes.
int reach(const std::vector<DrawnFly>& drawn, int x, int y) {
  int hits = 0;
  for (const DrawnFly& fly : drawn)
    if (std::abs(fly.x - x) <= 45 && std::abs(fly.y - y) <= 45)
      hits++;
  return hits;
}

// The point among the flies' centres and the midpoints of pairs that a swing hits most flies from.
std::pair<int, int> best_swing(const std::vector<DrawnFly>& drawn, int* hits) {
  std::pair<int, int> best{drawn.at(0).x, drawn.at(0).y};
  *hits = 0;
  for (const DrawnFly& a : drawn) {
    for (const DrawnFly& b : drawn) {
      const int x = (a.x + b.x) / 2;
      const int y = (a.y + b.y) / 2;
      const int n = reach(drawn, x, y);
      if (n > *hits) {
        *hits = n;
        best = {x, y};
      }
    }
  }
  return best;
}

TEST(Play, TicksAddOneFlyAtATimeUpToTheTargetOfTwo) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  std::vector<size_t> ticks;
  for (int i = 0; i < 5; i++)
    ticks.push_back(run.tick());
  EXPECT_EQ(run.play(), 0);

  const std::vector<size_t> expected = {1, 2, 2, 2, 2};
  for (size_t i = 0; i < ticks.size(); i++) {
    const Lines frame = run.answer(ticks[i]);
    EXPECT_EQ(play_frames(frame), 1);
    EXPECT_EQ(flies(frame).size(), expected[i]) << "after tick " << i + 1;
    EXPECT_EQ(hud(frame, "Swings"), 0);
  }
  // The run's first fly comes from the first five numbers of the random sequence: it enters at
  // the right edge, in the lower part of the field.
  const std::vector<DrawnFly> first = flies(run.answer(ticks[0]));
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].x, 285);
  EXPECT_EQ(first[0].y, -117);
  EXPECT_EQ(first[0].eye_radius, 2);
}

TEST(Play, ASwingThatHitsNothingCountsButScoresNothing) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t swing = run.click(50, -60); // no fly has arrived yet
  const size_t after = run.tick();
  EXPECT_EQ(run.play(), 0);

  const Lines frame = run.answer(swing);
  EXPECT_EQ(hud(frame, "Swings"), 1);
  EXPECT_EQ(hud(frame, "Score"), 0);
  EXPECT_EQ(hud(frame, "Level"), 0);
  EXPECT_EQ(hud(frame, "Last"), 0);
  EXPECT_EQ(hud(frame, "Spree"), 0);
  // The swatter is in mid-swing until the next tick, then shows its full net where it landed.
  EXPECT_EQ(swatter_lines(frame), 0);
  EXPECT_TRUE(
      contains(run.answer(after),
               "purple rectangle with bounding box (35,-45) to (65,-75) with line width 3"));
}

// Flies spawned while the game is halted stay where they entered, so a swing can be aimed at a
// cluster of them. While halted the cooldown stands still: a second click is ignored until
// ticks have run it down.
TEST(Play, ASwingScoresEveryFlyItHitsAndTheHaltedCooldownStandsStill) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('H');
  for (int i = 0; i < 11; i++)
    run.click(BUTTON_X, BUTTON_Y);
  run.shortcut('L');
  const size_t spawned = run.click(BUTTON_X, BUTTON_Y);
  int expected_hits = 0;
  std::pair<int, int> aim;
  const size_t swing = run.click_at([&] {
    aim = best_swing(flies(run.answer(spawned)), &expected_hits);
    return aim;
  });
  const size_t ignored = run.click_at([&] { return aim; });
  run.shortcut('F');
  const size_t step = run.tick();
  run.shortcut('A');
  const size_t waited = run.ticks(24);
  int second_hits = 0;
  const size_t second =
      run.click_at([&] { return best_swing(flies(run.answer(waited)), &second_hits); });
  EXPECT_EQ(run.play(), 0);

  ASSERT_EQ(flies(run.answer(spawned)).size(), 12u);
  ASSERT_GE(expected_hits, 2);
  const Lines hit = run.answer(swing);
  EXPECT_EQ(hud(hit, "Swings"), 1);
  EXPECT_EQ(hud(hit, "Last"), expected_hits);
  EXPECT_EQ(hud(hit, "Score"), expected_hits);
  EXPECT_EQ(hud(hit, "Spree"), expected_hits);
  EXPECT_EQ(hud(hit, "Level"), (expected_hits + 10) / 20);
  int staring = 0;
  for (const DrawnFly& fly : flies(hit))
    staring += fly.eye_radius == 4 ? 1 : 0;
  EXPECT_EQ(staring, expected_hits);

  // Halted: no tick has come, so the cooldown is still 25 and the click is not a swing.
  const Lines still = run.answer(ignored);
  EXPECT_EQ(hud(still, "Swings"), 1);
  EXPECT_EQ(hud(still, "Time"), 0);
  EXPECT_EQ(swatter_lines(still), 0);
  // One frame's step brings one tick: the swatter appears with its full net.
  EXPECT_EQ(hud(run.answer(step), "Time"), 0);
  EXPECT_EQ(swatter_lines(run.answer(step)), 20);

  // 25 ticks in all have run the cooldown out; the next swing hits at least the fly it aims at,
  // and its hits extend the spree.
  ASSERT_GE(second_hits, 1);
  const Lines next = run.answer(second);
  EXPECT_EQ(hud(next, "Swings"), 2);
  EXPECT_EQ(hud(next, "Last"), second_hits);
  EXPECT_EQ(hud(next, "Spree"), expected_hits + second_hits);
  EXPECT_EQ(hud(next, "Score"), expected_hits + second_hits);
}

TEST(Play, ClicksAreIgnoredUntilTheCooldownHasRunOut) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  run.click(0, 0);
  run.ticks(24);
  const size_t early = run.click(100, 100);
  run.tick();
  const size_t ready = run.click(100, 100);
  const size_t after = run.tick();
  EXPECT_EQ(run.play(), 0);

  // One tick short: not a swing, and the swatter stays where the first swing left it.
  const Lines ignored = run.answer(early);
  EXPECT_EQ(hud(ignored, "Swings"), 1);
  EXPECT_TRUE(contains(
      ignored, "purple rectangle with bounding box (-15,15) to (15,-15) with line width 3"));
  EXPECT_EQ(hud(run.answer(ready), "Swings"), 2);
  EXPECT_EQ(swatter_lines(run.answer(ready)), 0);
  EXPECT_TRUE(
      contains(run.answer(after),
               "purple rectangle with bounding box (85,115) to (115,85) with line width 3"));
}

TEST(Play, TheSpawnButtonAddsAFlyDuringTheCooldownAndAboveTheTarget) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t two = run.ticks(2);
  run.click(0, 200); // a swing far from the flies: the cooldown starts
  const size_t first = run.click(BUTTON_X, BUTTON_Y);
  const size_t second = run.click(-232 - 2, 228); // just inside the lower right corner
  const size_t tick = run.tick();
  EXPECT_EQ(run.play(), 0);

  EXPECT_EQ(flies(run.answer(two)).size(), 2u);
  const Lines pressed = run.answer(first);
  EXPECT_EQ(flies(pressed).size(), 3u);
  EXPECT_EQ(hud(pressed, "Swings"), 1);
  EXPECT_EQ(swatter_lines(pressed), 0); // still in mid-swing: the press did not touch it
  EXPECT_EQ(flies(run.answer(second)).size(), 4u);
  // Above the target no tick adds a fly, and the swatter lands where the swing went.
  const Lines later = run.answer(tick);
  EXPECT_EQ(flies(later).size(), 4u);
  EXPECT_TRUE(contains(
      later, "purple rectangle with bounding box (-15,215) to (15,185) with line width 3"));
}

TEST(Play, AClickOnTheButtonsOutlineIsASwing) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t left_edge = run.click(-299, BUTTON_Y);
  run.ticks(25);
  const size_t top_edge = run.click(BUTTON_X, 247);
  EXPECT_EQ(run.play(), 0);

  EXPECT_EQ(hud(run.answer(left_edge), "Swings"), 1);
  EXPECT_TRUE(flies(run.answer(left_edge)).empty());
  EXPECT_EQ(hud(run.answer(top_edge), "Swings"), 2);
}

TEST(Play, KeysChangeNothingButRedrawTheFrame) {
  ScriptedRun run;
  run.click(0, 0);
  run.shortcut('L');
  const size_t before = run.tick();
  const size_t key = run.key('s');
  EXPECT_EQ(run.play(), 0);

  Lines frame = run.answer(key);
  EXPECT_EQ(play_frames(frame), 1);
  EXPECT_EQ(frame, run.answer(before));
}

TEST(Play, SpawnButtonHitIsStrictlyInsideTheOutline) {
  EXPECT_EQ(spawn_button_hit(-266, 237), 1);
  EXPECT_EQ(spawn_button_hit(-298, 228), 1);
  EXPECT_EQ(spawn_button_hit(-234, 246), 1);
  EXPECT_EQ(spawn_button_hit(-299, 237), 0);
  EXPECT_EQ(spawn_button_hit(-233, 237), 0);
  EXPECT_EQ(spawn_button_hit(-266, 247), 0);
  EXPECT_EQ(spawn_button_hit(-266, 227), 0);
  EXPECT_EQ(spawn_button_hit(0, 0), 0);
}

using PressButton = DrawingTest;

TEST_F(PressButton, TheFirstCellSpawnsAFlyAndAnyOtherPointIsAnInternalError) {
  random_restart();
  BugTable bugs;
  bugs_clear(bugs);
  press_button(-266, 237, bugs);
  press_button(-299, 227, bugs); // the row includes its outline
  EXPECT_EQ(bugs_count(bugs), 2);
  EXPECT_TRUE(drawn().empty());

  const std::string error = "red text at (0,0), \"INTERNAL ERROR!\"";
  press_button(-200, 237, bugs); // the second cell: no button there
  EXPECT_EQ(drawn(), Lines{error});
  press_button(-266, 248, bugs);
  EXPECT_EQ(drawn(), Lines{error});
  press_button(-266, 226, bugs);
  EXPECT_EQ(drawn(), Lines{error});
  // Left of the row: the cell would truncate to 0, but no button lies there.
  press_button(-330, 237, bugs);
  EXPECT_EQ(drawn(), Lines{error});
  EXPECT_EQ(bugs_count(bugs), 2);
}

// ---- The loop's rules on a table set up by hand ----------------------------------------------

struct Table {
  GameState state = game_state_initial();
  BugTable bugs{};
  ParticleTable particles{};

  Table() {
    random_restart();
    bugs_clear(bugs);
    particles_clear(particles);
  }
  // A fly at rest at (x, y): no speed, no target speed, so it stays put.
  void place(int x, int y) { bugs_add(Bug{BUG_FLY, x, y, 30, 30, 0.0, 0.0, 0.0, 0.0, 0, 0}, bugs); }
  void event(int kind, int x = 0, int y = 0) { play_event(kind, x, y, state, bugs, particles); }
};

TEST(PlayRules, TheTenthPointTakesTheLevelToOneAndTheTargetToFour) {
  Table t;
  t.state.score = 9;
  t.state.swings = 12;
  t.state.spree = 3;
  t.place(100, 0);
  t.place(-100, 0);
  t.event(VELDO_MOUSE, 140, -40);
  EXPECT_EQ(t.state.score, 10);
  EXPECT_EQ(t.state.level, 1);
  EXPECT_EQ(t.state.last, 1);
  EXPECT_EQ(t.state.spree, 4);
  EXPECT_EQ(t.state.swings, 13);
  EXPECT_EQ(t.state.swatter.x, 140);
  EXPECT_EQ(t.state.swatter.y, -40);
  EXPECT_EQ(t.state.swatter.cooldown, 25);

  // The falling fly still counts toward the target of 4: two ticks add one fly each.
  const int expected[] = {3, 4, 4, 4};
  for (int count : expected) {
    t.event(VELDO_PERIODIC);
    EXPECT_EQ(bugs_count(t.bugs), count);
  }
  EXPECT_EQ(t.state.swatter.cooldown, 21);
  EXPECT_EQ(t.state.tick_count, 4);
}

TEST(PlayRules, ASwingOverSeveralFliesScoresThemAllAndAMissEndsTheSpree) {
  Table t;
  t.place(0, 0);
  t.place(45, 45);
  t.place(-45, -45);
  t.place(46, 0); // one unit out of reach
  t.event(VELDO_MOUSE, 0, 0);
  EXPECT_EQ(t.state.last, 3);
  EXPECT_EQ(t.state.score, 3);
  EXPECT_EQ(t.state.spree, 3);
  for (int i = 0; i < 25; i++)
    t.event(VELDO_PERIODIC);
  EXPECT_EQ(t.state.swatter.cooldown, 0);
  t.event(VELDO_MOUSE, -200, 150);
  EXPECT_EQ(t.state.swings, 2);
  EXPECT_EQ(t.state.last, 0);
  EXPECT_EQ(t.state.spree, 0);
  EXPECT_EQ(t.state.score, 3);
}

TEST(PlayRules, TicksClimbToTheTargetOneFlyAtATime) {
  Table t;
  t.state.score = 30;
  t.state.level = 2;
  const int expected[] = {1, 2, 3, 4, 5, 6, 6, 6};
  for (int count : expected) {
    t.event(VELDO_PERIODIC);
    EXPECT_EQ(bugs_count(t.bugs), count);
  }
}

} // namespace
} // namespace game_test
