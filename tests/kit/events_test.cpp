// The await loop: which event each call returns, and when, in every animation mode.
#include "kit_test_support.h"

#include <csignal>

namespace veldo::testing {
namespace {

using EventsTest = KitTest;

TEST_F(EventsTest, RunningCallReturnsTheFirstTickAfterArmingNotOneAlreadyQueued) {
  kit_set_animation(VELDO_RUN);
  headless::advance_clock(100); // a tick waits in the queue before the call
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 200);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_EQ(event.key, 0);

  // Each later call costs one period of its own.
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 300);
}

TEST_F(EventsTest, SeveralTicksBeforeTheCheckMakeOneEvent) {
  kit_set_animation(VELDO_RUN);
  // During the armed wait the clock jumps three periods at once: the coalesced timer message
  // makes one periodic event.
  once_idle_at(0, [] { headless::advance_clock(300); });
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 300);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 400);
}

TEST_F(EventsTest, HaltedCallWaitsThroughTicksForInput) {
  once_idle_at(1000, [] { headless::click(300, 250); });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_MOUSE);
  EXPECT_EQ(headless::clock_ms(), 1000);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_EQ(event.key, 0);
}

// A halted wait sleeps through the tick timer; once the animation runs again the ticks fall due on
// the timer's old schedule, so the running program sees exactly the ticks it saw before.
TEST_F(EventsTest, HaltedWaitPausesTheTickTimerAndAnimatingResumesItsSchedule) {
  std::vector<bool> paused_while_waiting;
  headless::set_idle_handler([&paused_while_waiting] {
    paused_while_waiting.push_back(headless::tick_timer_paused());
    if (headless::clock_ms() >= 1030 && paused_while_waiting.size() < 100)
      headless::ctrl_shortcut('a');
  });
  // Halted until 1030 ms: the program waits for input with the timer asleep.
  once_idle_at(0, [&paused_while_waiting] {
    paused_while_waiting.push_back(headless::tick_timer_paused());
    headless::advance_clock(1030);
    headless::ctrl_shortcut('a');
  });
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 1100); // the first tick of the old schedule after arming
  ASSERT_FALSE(paused_while_waiting.empty());
  EXPECT_TRUE(paused_while_waiting.front());
  headless::set_idle_handler(
      [&paused_while_waiting] { paused_while_waiting.push_back(headless::tick_timer_paused()); });
  paused_while_waiting.clear();
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 1200);
  EXPECT_EQ(paused_while_waiting, std::vector<bool>{false});
}

TEST_F(EventsTest, AnimationStartedByCodeTwoTicksAtTheFirstTickAfterArming) {
  headless::advance_clock(150); // one tick came while halted
  EXPECT_EQ(kit_set_animation(VELDO_RUN), 1);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 200);
}

TEST_F(EventsTest, SingleStepGivesOneTickThenTheKitIsHalted) {
  headless::ctrl_shortcut('f');
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 100);

  once_idle_at(800, [] { headless::type('k'); });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'k');
  EXPECT_EQ(headless::clock_ms(), 800);
}

TEST_F(EventsTest, SingleStepRequestWaitsUntilACallArmsIt) {
  EXPECT_EQ(kit_set_animation(VELDO_STEP), 1);
  headless::advance_clock(1000);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 1100);
}

TEST_F(EventsTest, ClickBeforeTheSteppedTickUsesTheStepUp) {
  headless::ctrl_shortcut('F');
  headless::click(310, 240);
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_MOUSE);
  EXPECT_EQ(event.x, 10);
  EXPECT_EQ(event.y, 10);

  once_idle_at(1000, [] { headless::click(300, 250); });
  EXPECT_EQ(await_event().kind, VELDO_MOUSE);
  EXPECT_EQ(headless::clock_ms(), 1000);
}

TEST_F(EventsTest, ClickReplacesAnArmedWaitWhileRunning) {
  kit_set_animation(VELDO_RUN);
  headless::advance_clock(30);
  // The click comes while the call waits, armed, for its tick.
  once_idle_at(0, [] { headless::click(301, 251); });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_MOUSE);
  EXPECT_EQ(event.x, 1);
  EXPECT_EQ(event.y, -1);
  EXPECT_EQ(event.key, 0);
  EXPECT_EQ(headless::clock_ms(), 30);

  // The next call arms anew: the tick at 100 ends it.
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 100);
}

TEST_F(EventsTest, ClickQueuedBehindTheTickThatEndedAWaitComesNext) {
  kit_set_animation(VELDO_RUN);
  once_idle_at(0, [] {
    headless::advance_clock(100);
    headless::click(300, 250);
  });
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_MOUSE);
  EXPECT_EQ(headless::clock_ms(), 100);
}

TEST_F(EventsTest, TwoQuickClicksAreTwoEvents) {
  headless::click(300, 250);
  headless::click(305, 250);
  EXPECT_EQ(await_event().x, 0);
  EXPECT_EQ(await_event().x, 5);
}

TEST_F(EventsTest, HaltDuringAnArmedWaitStillEndsItWithATick) {
  kit_set_animation(VELDO_RUN);
  once_idle_at(0, [] { headless::choose_menu(MENU_HALT); });
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 100);

  once_idle_at(700, [] { headless::click(300, 250); });
  EXPECT_EQ(await_event().kind, VELDO_MOUSE);
  EXPECT_EQ(headless::clock_ms(), 700);
}

TEST_F(EventsTest, CtrlQQuits) {
  headless::ctrl_shortcut('q');
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
}

TEST_F(EventsTest, MenuQuitQuits) {
  kit_set_animation(VELDO_RUN);
  headless::choose_menu(MENU_QUIT);
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_QUIT);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.key, 0);
}

TEST_F(EventsTest, CloseBoxQuitsAndStopsTheTicks) {
  kit_set_animation(VELDO_RUN);
  once_idle_at(0, [] { headless::close_graphics_window(); });
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  EXPECT_EQ(headless::tick_period_ms(), 0);
  EXPECT_FALSE(headless::graphics_window_visible());
}

TEST_F(EventsTest, CodeFiveStillWaitsThenQuitsForEver) {
  EXPECT_EQ(kit_set_animation(VELDO_END), 1);
  once_idle_at(500, [] { headless::type('x'); });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_QUIT);
  EXPECT_EQ(event.key, 'x');
  EXPECT_EQ(headless::clock_ms(), 500);

  headless::click(302, 247);
  event = await_event();
  EXPECT_EQ(event.kind, VELDO_QUIT);
  EXPECT_EQ(event.x, 2);
  EXPECT_EQ(event.y, 3);

  // Halting and running again change nothing about it.
  kit_set_animation(VELDO_HALT);
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
}

TEST_F(EventsTest, CtrlShortcutRunsItsCommandAndItsCharacterIsNoEvent) {
  headless::ctrl_shortcut('a');
  headless::type('b');
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'b');
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_TRUE(kit.animating);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
}

TEST_F(EventsTest, ShortcutsAnswerToUpperAndLowerCaseKeyCodes) {
  kit_set_animation(VELDO_RUN);
  headless::key_down(platform::VK_CONTROL);
  headless::key_down('h'); // the lower-case code
  headless::key_up('h');
  headless::key_up(platform::VK_CONTROL);
  headless::type('c');
  EXPECT_EQ(await_event().key, 'c');
  EXPECT_FALSE(kit.animating);

  headless::key_down(platform::VK_CONTROL);
  headless::key_down('A'); // the upper-case code
  headless::key_up(platform::VK_CONTROL);
  headless::type('d');
  EXPECT_EQ(await_event().key, 'd');
  EXPECT_TRUE(kit.animating);
}

TEST_F(EventsTest, ShortcutLetterWithoutCtrlIsATypedCharacter) {
  headless::type('q');
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'q');
  headless::type('A');
  event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'A');
  EXPECT_FALSE(kit.animating);
}

TEST_F(EventsTest, CtrlStuckDownDropsCharactersUntilItsKeyUp) {
  headless::key_down(platform::VK_CONTROL); // released while another program had the focus
  headless::type('x');
  headless::type('y');
  once_idle_at(300, [] {
    headless::key_up(platform::VK_CONTROL);
    headless::type('z');
  });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'z');
  EXPECT_EQ(headless::clock_ms(), 300);
}

TEST_F(EventsTest, CharacterAbove127KeepsItsLowEightBits) {
  headless::key_down(0xDE, 233);
  EXPECT_EQ(static_cast<unsigned char>(await_event().key), 233);
}

TEST_F(EventsTest, ShortcutsWorkFromTheLogWindow) {
  headless::ctrl_shortcut('l', true);
  headless::ctrl_shortcut('a', true);
  // A character typed in the log window reaches the program as if typed in the graphics window:
  // the forwarded key-down is translated with the character the key yielded.
  headless::type('m', true);
  once_idle_at(0, [] { headless::type('n'); });
  Event event = await_event();
  EXPECT_EQ(event.kind, VELDO_KBD);
  EXPECT_EQ(event.key, 'm');
  EXPECT_EQ(await_event().key, 'n');
  EXPECT_FALSE(kit.logging_enabled);
  EXPECT_FALSE(headless::menu_checked(MENU_LOGGING));
  EXPECT_TRUE(kit.animating);
  EXPECT_FALSE(kit.ctrl_held);
}

TEST_F(EventsTest, MenuChoiceRunsItsCommand) {
  headless::choose_menu(MENU_ANIMATE);
  headless::type('1');
  EXPECT_EQ(await_event().key, '1');
  EXPECT_TRUE(kit.animating);
  headless::choose_menu(99); // no such command
  headless::choose_menu(MENU_INFO);
  headless::choose_menu(MENU_HALT);
  headless::type('2');
  EXPECT_EQ(await_event().key, '2');
  EXPECT_FALSE(kit.animating);
}

TEST_F(EventsTest, CommandsSetTheAnimationFlags) {
  kit_set_animation(VELDO_RUN);
  kit_set_animation(VELDO_STEP);
  kit_run_command(MENU_HALT); // leaves the step request
  EXPECT_FALSE(kit.animating);
  EXPECT_TRUE(kit.step_pending);

  kit_set_animation(VELDO_HALT);
  kit_set_animation(VELDO_RUN);
  kit_run_command(MENU_STEP);
  EXPECT_FALSE(kit.animating);
  EXPECT_TRUE(kit.step_pending);

  kit_set_animation(VELDO_RUN);
  kit_run_command(MENU_PLAY_ONE);
  EXPECT_FALSE(kit.animating);
  EXPECT_FALSE(kit.step_pending);
  EXPECT_TRUE(kit.play_one_requested);
}

TEST_F(EventsTest, PlayOneWithoutAScriptEndsTheRequestAndTakesLiveInput) {
  kit_set_animation(VELDO_RUN);
  kit.script_path = ::testing::TempDir() + "no_such_dir/VELDO.SCR";
  headless::choose_menu(MENU_PLAY_ONE);
  once_idle_at(0, [] { headless::type('4'); });
  EXPECT_EQ(await_event().key, '4');
  EXPECT_FALSE(kit.play_one_requested);
  EXPECT_FALSE(kit.playing_back);
}

TEST_F(EventsTest, PlaybackStartHaltsAndChecksItsEntry) {
  kit_set_animation(VELDO_RUN);
  kit_run_command(MENU_PLAYBACK);
  EXPECT_TRUE(kit.playing_back);
  EXPECT_FALSE(kit.animating);
  EXPECT_TRUE(headless::menu_checked(MENU_PLAYBACK));
  kit_run_command(MENU_PLAYBACK);
  EXPECT_FALSE(kit.playing_back);
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
}

TEST_F(EventsTest, RecordingCommandChecksItsEntryAndCountsTicks) {
  std::string path = ::testing::TempDir() + "events_test_record.scr";
  kit.script_path = path;
  headless::ctrl_shortcut('r');
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_TRUE(headless::menu_checked(MENU_RECORD));
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(kit.periodic_run_count, 2);
  headless::click(300, 250);
  EXPECT_EQ(await_event().kind, VELDO_MOUSE);
  EXPECT_EQ(kit.periodic_run_count, 0); // flushed before the click's line
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(kit.periodic_run_count, 1);

  kit_run_command(MENU_RECORD);
  EXPECT_FALSE(kit.recording);
  EXPECT_EQ(kit.periodic_run_count, 0); // the open run is flushed when recording stops
  EXPECT_FALSE(headless::menu_checked(MENU_RECORD));
  std::remove(path.c_str());
}

TEST(AnimationTest, SetAnimationBeforeOpenDoesNothing) {
  headless::reset();
  EXPECT_EQ(kit_set_animation(VELDO_RUN), 0);
  EXPECT_EQ(kit_set_animation(VELDO_END), 0);
  EXPECT_FALSE(kit.animating);
  EXPECT_FALSE(kit.quit_requested);
  EXPECT_EQ(kit_set_tick_period(25), 0);
}

TEST_F(EventsTest, SetAnimationAppliesEveryCode) {
  EXPECT_EQ(kit_set_animation(VELDO_RUN), 1);
  EXPECT_EQ(kit_set_animation(VELDO_STEP), 1);
  EXPECT_TRUE(kit.animating);
  EXPECT_TRUE(kit.step_pending);
  for (int code : {3, 4, 6, -1, 1000}) {
    EXPECT_EQ(kit_set_animation(code), 1);
    EXPECT_TRUE(kit.animating);
    EXPECT_TRUE(kit.step_pending);
    EXPECT_FALSE(kit.quit_requested);
  }
  EXPECT_EQ(kit_set_animation(VELDO_HALT), 1);
  EXPECT_FALSE(kit.animating);
  EXPECT_FALSE(kit.step_pending);
}

TEST_F(EventsTest, HaltedProgramWithNoInputGetsAQuitInsteadOfWaitingForEver) {
  expected_stall_quits = 1;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  std::string note = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(note.find("virtual time"), std::string::npos);
  EXPECT_GE(headless::clock_ms(), 10 * 60 * 1000 - 100);
  EXPECT_LE(headless::clock_ms(), 10 * 60 * 1000);
}

TEST_F(EventsTest, TickPeriodCanBeChanged) {
  EXPECT_EQ(headless::tick_period_ms(), 100);
  EXPECT_EQ(kit_set_tick_period(25), 1);
  EXPECT_EQ(headless::tick_period_ms(), 25);
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 25);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 50);
  kit_set_tick_period(0); // at least one millisecond
  EXPECT_EQ(headless::tick_period_ms(), 1);
}

TEST_F(EventsTest, TerminationSignalBecomesAQuit) {
  platform::quit_on_signals(true);
  kit_set_animation(VELDO_RUN);
  std::raise(SIGTERM);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  std::raise(SIGINT);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
}

TEST_F(EventsTest, CloseMessageDestroysTheGraphicsWindowAndQuits) {
  kit_set_animation(VELDO_RUN);
  platform::post_message(kit.graphics_window, platform::WM_CLOSE, 0, 0);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  EXPECT_EQ(headless::tick_period_ms(), 0);
}

TEST_F(EventsTest, ClosedLogWindowStillKeepsItsLines) {
  platform::post_message(kit.log_window, platform::WM_CLOSE, 0, 0);
  headless::type('x');
  EXPECT_EQ(await_event().kind, VELDO_KBD);
  EXPECT_FALSE(headless::log_window_visible());
  EXPECT_EQ(kit_log("after closing\n"), 14);
  EXPECT_STREQ(kit.log_ring.lines[0].get(), "after closing\n");
  EXPECT_EQ(kit_show_log_window(1), 0);
  EXPECT_FALSE(headless::log_window_visible());
}

} // namespace
} // namespace veldo::testing
