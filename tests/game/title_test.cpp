// The entry and the title screen, played through WinMain on the headless platform.
#include "game_run.h"

namespace game_test {
namespace {

const Lines title_lines = {
    "black rectangle with bounding box (-300,250) to (300,-250), filled",
    "red circle at (0,100), radius 70",
    "black text at (-39,27), \"Z\"",
    "white text at (-260,-50), \"D O V U V E Z U V I R\"",
    "white text at (-90,-110), \"\"Swat 'em all!\"\"",
    "white text at (-125,-240), \"Click the mouse to continue.\"",
};

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t RED = 0xFF0000;

// Canvas pixel of canvas point (x, y).
uint32_t pixel(int x, int y) {
  return hl::canvas_pixel(300 + x, 250 - y);
}

TEST(Title, SetUpLeavesAWhiteCanvasLoggingOffAndTicksEvery25Ms) {
  ScriptedRun run;
  run.check([] {
    EXPECT_EQ(pixel(0, 0), WHITE);
    EXPECT_EQ(pixel(0, 100), WHITE); // where the title's red disc will be
    EXPECT_EQ(pixel(-250, 200), WHITE);
    EXPECT_EQ(hl::tick_period_ms(), 25);
    EXPECT_FALSE(hl::menu_checked(4)); // drawing-call logging
    EXPECT_TRUE(all_log_lines().empty());
  });
  EXPECT_EQ(run.play(), 0);
  EXPECT_TRUE(run.all_taken());
}

TEST(Title, EveryTickAndKeyRedrawsTheTitleWithItsSixCalls) {
  ScriptedRun run;
  run.shortcut('L');
  const size_t first_tick = run.tick();
  const size_t key = run.key('x');
  const size_t second_tick = run.tick();
  run.check([] {
    EXPECT_EQ(pixel(-55, 100), RED); // the disc, left of the logo letter
    EXPECT_EQ(pixel(-250, 200), BLACK);
    EXPECT_EQ(pixel(280, -230), BLACK);
  });
  const size_t quit = run.shortcut('Q');
  EXPECT_EQ(run.play(), 0);

  EXPECT_EQ(run.answer(first_tick), title_lines);
  // A key does not start play: it only draws the title again.
  EXPECT_EQ(run.answer(key), title_lines);
  EXPECT_EQ(run.answer(second_tick), title_lines);
  EXPECT_TRUE(run.answer(quit).empty());
}

TEST(Title, AClickStartsPlayWithoutSwinging) {
  ScriptedRun run;
  run.shortcut('L');
  run.tick();
  const size_t click = run.click(40, -60);
  // The title stays on the canvas until the play loop has taken its first event.
  run.check([] { EXPECT_EQ(pixel(-55, 100), RED); });
  const size_t first = run.tick();
  run.check([] { EXPECT_EQ(pixel(-55, 110), WHITE); }); // inside a tile of the field
  EXPECT_EQ(run.play(), 0);

  EXPECT_TRUE(run.answer(click).empty());
  const Lines frame = run.answer(first);
  ASSERT_EQ(play_frames(frame), 1);
  EXPECT_EQ(hud(frame, "Swings"), 0);
  EXPECT_EQ(hud(frame, "Score"), 0);
  // The swatter rests at the origin: it did not move to the click.
  EXPECT_TRUE(contains(frame, "purple rectangle with bounding box (-15,15) to (15,-15) with line "
                              "width 3"));
}

TEST(Title, AQuitOnTheTitleEndsWithoutAPlayFrame) {
  // The Run menu's Quit, its shortcut and the close box all end the program from the title.
  const std::vector<std::function<void(ScriptedRun&)>> quits = {
      [](ScriptedRun& run) { run.shortcut('Q'); },
      [](ScriptedRun& run) { run.menu(8); },
      [](ScriptedRun& run) { run.close_window(); },
  };
  for (const auto& quit : quits) {
    ScriptedRun run;
    run.shortcut('L');
    run.tick();
    quit(run);
    run.click(0, 0); // never taken: the game is over
    EXPECT_EQ(run.play(), 0);
    EXPECT_FALSE(run.all_taken());
    const Lines lines = all_log_lines();
    EXPECT_EQ(play_frames(lines), 0);
    EXPECT_EQ(lines, title_lines);
  }
}

TEST(Title, HaltedTitleIsNotRedrawnButAClickStillStartsPlay) {
  ScriptedRun run;
  run.shortcut('L');
  run.tick();
  run.shortcut('H');
  // The halt does not cancel the wait for a tick that the title loop had already begun.
  run.tick();
  const size_t waited = run.ticks(3);
  const size_t start = run.click(0, 0);
  const size_t swing = run.click(10, 10);
  EXPECT_EQ(run.play(), 0);

  for (size_t tick = waited - 2; tick <= waited; tick++)
    EXPECT_TRUE(run.answer(tick).empty());
  EXPECT_TRUE(run.answer(start).empty());
  const Lines frame = run.answer(swing);
  EXPECT_EQ(play_frames(frame), 1);
  EXPECT_EQ(hud(frame, "Swings"), 1);
  EXPECT_EQ(hud(frame, "Time"), 0);
}

TEST(Title, DrawTitleScreenMakesExactlySixCalls) {
  hl::reset();
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(1);
  hl::clear_log_lines();
  draw_title_screen();
  EXPECT_EQ(all_log_lines(), title_lines);
  kit_close();
}

} // namespace
} // namespace game_test
