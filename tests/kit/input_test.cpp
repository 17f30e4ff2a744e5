// Input a program asks for with kit_enable_input(): special keys and their releases, right and
// middle clicks and the mouse's motion; what a program that asks for nothing sees of them; the
// Ctrl shortcuts' priority; and the motion rule (at most one event a tick, always the latest).
#include "kit_test_support.h"

#include "platform/platform.h"
#include "src/keys.h"

#include <random>
#include <vector>

namespace veldo::testing {
namespace {

Event event(int kind, int x = 0, int y = 0, char key = 0) {
  Event e;
  e.kind = kind;
  e.x = x;
  e.y = y;
  e.key = key;
  return e;
}

// Canvas point (x, y) as a client pixel of the 601 x 501 client area, whose centre is (300, 250).
int px(int x) {
  return 300 + x;
}
int py(int y) {
  return 250 - y;
}

// The events of the calls made until a typed '~' comes, which ends the run and is left out. The
// '~' is typed the first time the kit would wait with nothing queued.
std::vector<Event> events_until_idle() {
  std::vector<Event> events;
  headless::set_idle_handler([] { headless::type('~'); });
  for (int guard = 0; guard < 1000; ++guard) {
    Event e = await_event();
    if (e == event(VELDO_KBD, 0, 0, '~'))
      break;
    events.push_back(e);
  }
  headless::set_idle_handler(nullptr);
  return events;
}

// Everything new at once: each special key pressed and released, both other buttons, moves.
void inject_everything_new() {
  for (const SpecialKey& special : SPECIAL_KEYS)
    headless::press_special_key(special.key);
  headless::right_click(px(10), py(20));
  headless::middle_click(px(-30), py(-40));
  headless::mouse_move(px(5), py(6));
}

class InputTest : public KitTest {};

// A program that asks for nothing new sees, of all that, only the characters the keys type.
TEST_F(InputTest, NothingAskedForGivesOnlyTheTypedCharactersAsBefore) {
  inject_everything_new();
  headless::click(px(1), py(2));
  EXPECT_EQ(events_until_idle(),
            (std::vector<Event>{event(VELDO_KBD, 0, 0, 27), event(VELDO_KBD, 0, 0, 13),
                                event(VELDO_KBD, 0, 0, 9), event(VELDO_KBD, 0, 0, 8),
                                event(VELDO_MOUSE, 1, 2)}));
  // Asking and then asking for nothing again is the same.
  EXPECT_EQ(kit_enable_input(VELDO_INPUT_ALL), 1);
  EXPECT_EQ(kit_enable_input(0), 1);
  inject_everything_new();
  EXPECT_EQ(events_until_idle().size(), 4u);
}

// Nor do they change when events come: a move or another button the program did not ask for
// takes no pumping step, so a tick already queued when a call begins still does not end it.
TEST_F(InputTest, InputNotAskedForTakesNoStepOfTheAwaitLoop) {
  kit_set_animation(VELDO_RUN);
  headless::mouse_move(px(1), py(1));
  headless::right_click(px(2), py(2));
  headless::advance_clock(100); // a tick waits in the queue behind them
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
  EXPECT_EQ(headless::clock_ms(), 200);
  // Asked for, the same input is the call's event at once.
  kit_enable_input(VELDO_INPUT_MOTION);
  headless::mouse_move(px(1), py(1));
  headless::advance_clock(100);
  EXPECT_EQ(await_event(), event(VELDO_MOTION, 1, 1));
  EXPECT_EQ(headless::clock_ms(), 300);
}

TEST_F(InputTest, EverySpecialKeyComesWithItsCodeAndItsRelease) {
  kit_enable_input(VELDO_INPUT_KEYS | VELDO_INPUT_RELEASES);
  for (const SpecialKey& special : SPECIAL_KEYS) {
    SCOPED_TRACE(::testing::Message() << "key " << special.key);
    headless::press_special_key(special.key);
    std::vector<Event> expected{event(VELDO_KEY_PRESS, 0, 0, static_cast<char>(special.key))};
    // The keys that type a character still type it, right after their press.
    if (special.character != 0)
      expected.push_back(event(VELDO_KBD, 0, 0, static_cast<char>(special.character)));
    expected.push_back(event(VELDO_KEY_RELEASE, 0, 0, static_cast<char>(special.key)));
    EXPECT_EQ(events_until_idle(), expected);
  }
  // The codes are the manual's: the arrows first, F1..F12 in a row.
  EXPECT_EQ(special_key_of_platform_code(37), VELDO_KEY_LEFT);
  EXPECT_EQ(special_key_of_platform_code(40), VELDO_KEY_DOWN);
  for (int n = 1; n <= 12; ++n)
    EXPECT_EQ(special_key_of_platform_code(111 + n), VELDO_KEY_F1 + n - 1);
  EXPECT_EQ(special_key_of_platform_code('A'), 0);
}

TEST_F(InputTest, PressesAndReleasesAreAskedForApartAndOtherKeysAreNoSpecialKeys) {
  kit_enable_input(VELDO_INPUT_KEYS);
  headless::press_special_key(VELDO_KEY_UP);
  headless::type('q');
  headless::key_down(16); // Shift: no special key
  headless::key_up(16);
  EXPECT_EQ(events_until_idle(), (std::vector<Event>{event(VELDO_KEY_PRESS, 0, 0, VELDO_KEY_UP),
                                                     event(VELDO_KBD, 0, 0, 'q')}));
  kit_enable_input(VELDO_INPUT_RELEASES);
  headless::press_special_key(VELDO_KEY_F5);
  EXPECT_EQ(events_until_idle(),
            (std::vector<Event>{event(VELDO_KEY_RELEASE, 0, 0, VELDO_KEY_F5)}));
}

// The keys reach the program from the log window too, which hands them on.
TEST_F(InputTest, SpecialKeysTypedInTheLogWindowArrive) {
  kit_enable_input(VELDO_INPUT_KEYS);
  headless::press_special_key(VELDO_KEY_ENTER, true);
  EXPECT_EQ(events_until_idle(), (std::vector<Event>{event(VELDO_KEY_PRESS, 0, 0, VELDO_KEY_ENTER),
                                                     event(VELDO_KBD, 0, 0, 13)}));
}

// While Ctrl is held the shortcuts come first and no key is pressed for the program, but a
// release still comes, so that no key seems held for ever.
TEST_F(InputTest, CtrlShortcutsKeepPriorityAndReleasesStillCome) {
  kit_enable_input(VELDO_INPUT_ALL);
  headless::special_key_down(VELDO_KEY_LEFT);
  headless::key_down(platform::VK_CONTROL);
  headless::special_key_up(VELDO_KEY_LEFT);
  headless::press_special_key(VELDO_KEY_RIGHT);
  headless::press_special_key(VELDO_KEY_ENTER);
  headless::key_down('A', 1); // Ctrl+A: the shortcut, not a character
  headless::key_up('A');
  headless::key_up(platform::VK_CONTROL);
  EXPECT_EQ(events_until_idle(),
            (std::vector<Event>{event(VELDO_KEY_PRESS, 0, 0, VELDO_KEY_LEFT),
                                event(VELDO_KEY_RELEASE, 0, 0, VELDO_KEY_LEFT),
                                event(VELDO_KEY_RELEASE, 0, 0, VELDO_KEY_RIGHT),
                                event(VELDO_KEY_RELEASE, 0, 0, VELDO_KEY_ENTER)}));
  EXPECT_TRUE(kit.animating) << "Ctrl+A did not run its command";
}

TEST_F(InputTest, RightAndMiddleClicksComeInCanvasCoordinatesWhenAskedFor) {
  headless::right_click(px(0), py(0));
  headless::middle_click(px(0), py(0));
  EXPECT_TRUE(events_until_idle().empty());
  kit_enable_input(VELDO_INPUT_BUTTONS);
  headless::right_click(px(-300), py(250));
  headless::middle_click(px(300), py(-250));
  headless::click(px(1), py(1));
  EXPECT_EQ(events_until_idle(),
            (std::vector<Event>{event(VELDO_RIGHT_CLICK, -300, 250),
                                event(VELDO_MIDDLE_CLICK, 300, -250), event(VELDO_MOUSE, 1, 1)}));
}

// A click of any button ends an armed periodic wait, as a left click does.
TEST_F(InputTest, AClickOfAnyButtonReplacesAnArmedWait) {
  kit_enable_input(VELDO_INPUT_BUTTONS | VELDO_INPUT_MOTION);
  kit_set_animation(VELDO_RUN);
  once_idle_at(0, [] { headless::right_click(px(3), py(4)); });
  EXPECT_EQ(await_event(), event(VELDO_RIGHT_CLICK, 3, 4));
  EXPECT_EQ(headless::clock_ms(), 0);
  once_idle_at(0, [] { headless::mouse_move(px(7), py(8)); });
  EXPECT_EQ(await_event(), event(VELDO_MOTION, 7, 8));
  EXPECT_EQ(headless::clock_ms(), 0);
  EXPECT_EQ(await_event().kind, VELDO_PERIODIC);
}

// ---- Motion -------------------------------------------------------------------------------------

// Moves queued one after another, with only ticks between them, make one message with the latest
// position; a click or key between them keeps both, in order, and so does another window.
TEST_F(InputTest, QueuedMovesCoalesceUnlessOtherInputLiesBetween) {
  auto position = [](int x, int y) { return static_cast<intptr_t>(y << 16 | x); };
  const platform::Window graphics = kit.graphics_window;
  const platform::Window log = kit.log_window;
  platform::post_message(graphics, platform::WM_MOUSEMOVE, 0, position(1, 1));
  platform::post_message(graphics, platform::WM_TIMER, 2, 0);
  platform::post_message(log, platform::WM_MOUSEMOVE, 0, position(9, 9));
  platform::post_message(graphics, platform::WM_MOUSEMOVE, 0, position(2, 2));
  platform::post_message(graphics, platform::WM_LBUTTONDOWN, 1, position(3, 3));
  platform::post_message(graphics, platform::WM_MOUSEMOVE, 0, position(4, 4));
  platform::post_message(graphics, platform::WM_MOUSEMOVE, 0, position(5, 5));
  struct Taken {
    platform::Window window;
    unsigned message;
    intptr_t lparam;
    bool operator==(const Taken&) const = default;
  };
  std::vector<Taken> taken;
  platform::Message message;
  while (platform::peek_message(&message))
    if (message.message != platform::WM_PAINT)
      taken.push_back({message.window, message.message, message.lparam});
  EXPECT_EQ(taken, (std::vector<Taken>{{graphics, platform::WM_MOUSEMOVE, position(2, 2)},
                                       {graphics, platform::WM_TIMER, 0},
                                       {log, platform::WM_MOUSEMOVE, position(9, 9)},
                                       {graphics, platform::WM_LBUTTONDOWN, position(3, 3)},
                                       {graphics, platform::WM_MOUSEMOVE, position(5, 5)}}));
}

// The first move after a tick comes at once; moves after it are held until the next tick, which
// comes for this even while the program is halted, and then only the latest comes. Moves outside
// the client area are none of the program's.
TEST_F(InputTest, MotionComesAtOnceThenOncePerTickWithTheLatestPosition) {
  kit_enable_input(VELDO_INPUT_MOTION);
  once_idle_at(0, [] { headless::mouse_move(px(10), py(10)); });
  EXPECT_EQ(await_event(), event(VELDO_MOTION, 10, 10));
  EXPECT_EQ(headless::clock_ms(), 0);
  once_idle_at(0, [] {
    headless::mouse_move(px(20), py(20));
    headless::click(px(0), py(0));
    headless::mouse_move(px(30), py(30));
  });
  EXPECT_EQ(await_event(), event(VELDO_MOUSE, 0, 0));
  EXPECT_EQ(await_event(), event(VELDO_MOTION, 30, 30));
  EXPECT_EQ(headless::clock_ms(), 100) << "the held move waited for the next tick";
  // Nothing is held now, so the halted program sleeps until its next input. A move just outside
  // the client area, where the desktop never reports one, is not taken either.
  once_idle_at(200, [] { headless::mouse_move(px(301), py(0)); });
  headless::mouse_move(px(0), py(-251));
  once_idle_at(1000, [] { headless::type('x'); });
  EXPECT_EQ(await_event(), event(VELDO_KBD, 0, 0, 'x'));
  EXPECT_EQ(headless::clock_ms(), 1000);
}

// Random moves over random stretches of time, halted and running: between two ticks at most one
// motion event comes; each carries the latest position the mouse has reached; and no move waits
// longer than the next tick.
TEST_F(InputTest, MotionPropertyAtMostOneATickAlwaysTheLatestNeverLate) {
  constexpr int PERIOD = 25;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    headless::reset();
    kit_open(nullptr, nullptr, "", 1);
    kit_set_tick_period(PERIOD);
    kit_enable_input(VELDO_INPUT_MOTION);
    const bool running = seed % 2 == 0;
    kit_set_animation(running ? VELDO_RUN : VELDO_HALT);
    std::mt19937 random(seed);

    // Now and then, when the kit would wait, the mouse moves a few times at once.
    struct Mouse {
      int x = 0, y = 0;
      int moves_left = 200;
      bool unreported = false;      // it has moved since a motion event last carried its position
      int64_t unreported_since = 0; // the first such move
    };
    auto mouse = std::make_shared<Mouse>();
    headless::set_idle_handler([mouse, &random] {
      if (mouse->moves_left == 0 || random() % 3 != 0)
        return;
      int moves = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < moves && mouse->moves_left > 0; ++i, --mouse->moves_left) {
        mouse->x = static_cast<int>(random() % 601) - 300;
        mouse->y = static_cast<int>(random() % 501) - 250;
        headless::mouse_move(px(mouse->x), py(mouse->y));
      }
      if (!mouse->unreported)
        mouse->unreported_since = headless::clock_ms();
      mouse->unreported = true;
    });

    int64_t last_motion_tick = -1;
    int motions = 0;
    for (int call = 0; call < 3000 && (mouse->moves_left > 0 || mouse->unreported); ++call) {
      Event e = await_event();
      const int64_t now = headless::clock_ms();
      if (mouse->unreported) {
        ASSERT_LE(now, (mouse->unreported_since / PERIOD + 1) * PERIOD)
            << "a move waited past the next tick";
      }
      if (e.kind == VELDO_MOTION) {
        ++motions;
        ASSERT_GT(now / PERIOD, last_motion_tick) << "two motion events between two ticks";
        last_motion_tick = now / PERIOD;
        ASSERT_EQ(e.x, mouse->x);
        ASSERT_EQ(e.y, mouse->y);
        mouse->unreported = false;
      } else {
        ASSERT_TRUE(running && e.kind == VELDO_PERIODIC) << "an event of kind " << e.kind;
      }
    }
    EXPECT_FALSE(mouse->unreported) << "the last position never came";
    EXPECT_GT(motions, 10);
    headless::set_idle_handler(nullptr);
    kit_close();
    ASSERT_EQ(headless::stall_quits(), 0);
  }
  headless::reset();
  kit_open(nullptr, nullptr, "", 1);
}

} // namespace
} // namespace veldo::testing
