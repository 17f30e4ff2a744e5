// The input a program asks for, in scripts: the lines recording writes for it, random runs played
// back unchanged, the whole range of every line, a program that has not asked for a kind, lines
// that cannot be played, and a replay through the replay driver.
#include "script_fixture.h"

#include "src/keys.h"

#include <veldo/replay.h>

#include <random>

namespace veldo::script_test {
namespace {

using Events = std::vector<Event>;

Event press(int key) {
  return {VELDO_KEY_PRESS, 0, 0, static_cast<char>(key)};
}
Event release(int key) {
  return {VELDO_KEY_RELEASE, 0, 0, static_cast<char>(key)};
}
Event at(int kind, int x, int y) {
  return {kind, x, y, 0};
}

// Client pixel of canvas point (x, y) for the 601 x 501 client area.
int px(int x) {
  return 300 + x;
}
int py(int y) {
  return 250 - y;
}

class InputScriptTest : public ScriptTest {
protected:
  void SetUp() override {
    ScriptTest::SetUp();
    kit_enable_input(VELDO_INPUT_ALL);
  }
};

TEST_F(InputScriptTest, EachKindIsRecordedAsALineOfItsOwn) {
  headless::choose_menu(MENU_RECORD);
  headless::press_special_key(VELDO_KEY_F1);
  headless::right_click(px(10), py(-20));
  headless::middle_click(px(-300), py(250));
  headless::mouse_move(px(7), py(8));
  headless::press_special_key(VELDO_KEY_LEFT);
  for (int i = 0; i < 7; ++i)
    await_event();
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  const std::string lines = "VELDO_DOWN(14);\nVELDO_UP(14);\nVELDO_RIGHT(10, -20);\n"
                            "VELDO_WHEEL(-300, 250);\nVELDO_HOVER(7, 8);\nVELDO_DOWN(1);\n"
                            "VELDO_UP(1);\n";
  EXPECT_EQ(script_text(), lines);
  // A reader that knows only clicks, characters and ticks finds none of its letters there, so it
  // stops at such a line instead of misreading it.
  std::istringstream text(lines);
  for (std::string line; std::getline(text, line);)
    EXPECT_EQ(std::string("KMP").find(line[6]), std::string::npos) << line;
}

// Random runs of every kind of input, recorded through the kit, play back as the same events in
// the same order.
TEST_F(InputScriptTest, RecordedRunsOfEveryKindPlayBackUnchanged) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    open_kit();
    kit_enable_input(VELDO_INPUT_ALL);
    std::mt19937 random(seed);
    auto coordinate = [&random](int limit) {
      return std::uniform_int_distribution<int>(0, limit)(random);
    };
    kit_set_animation(VELDO_RUN);
    headless::choose_menu(MENU_RECORD);
    Events recorded;
    int length = std::uniform_int_distribution<int>(1, 40)(random);
    for (int i = 0; i < length; ++i) {
      const SpecialKey& special = SPECIAL_KEYS[random() % std::size(SPECIAL_KEYS)];
      switch (random() % 7) {
      case 0:
        headless::click(coordinate(600), coordinate(500));
        break;
      case 1:
        headless::right_click(coordinate(600), coordinate(500));
        break;
      case 2:
        headless::middle_click(coordinate(600), coordinate(500));
        break;
      case 3:
        headless::mouse_move(coordinate(600), coordinate(500));
        break;
      case 4:
        headless::press_special_key(special.key);
        break;
      case 5:
        type_key(static_cast<char>(coordinate(254) + 1));
        break;
      default:
        break; // a tick
      }
      recorded.push_back(await_event());
    }
    // A key that types a character makes three events, so input may still wait in the queue: the
    // recording goes on until the kit has nothing left to do but wait for a tick.
    auto idle = std::make_shared<bool>(false);
    headless::set_idle_handler([idle] { *idle = true; });
    while (!*idle)
      recorded.push_back(await_event());
    headless::set_idle_handler(nullptr);
    headless::choose_menu(MENU_RECORD);
    await_live_event();
    ASSERT_EQ(play_back_all(), recorded);
  }
}

// The lines carry every value their events can hold: any 32-bit position, every special key.
TEST_F(InputScriptTest, WrittenLinesReadBackToTheSameEventsOverTheWholeRange) {
  const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
  const int positioned[] = {VELDO_RIGHT_CLICK, VELDO_MIDDLE_CLICK, VELDO_MOTION, VELDO_MOUSE};
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    auto any_int = [&] {
      if (random() % 4 == 0)
        return extremes[random() % std::size(extremes)];
      return static_cast<int>(random());
    };
    Events written;
    int length = std::uniform_int_distribution<int>(1, 30)(random);
    for (int i = 0; i < length; ++i) {
      Event e;
      if (random() % 2 == 0) {
        e = at(positioned[random() % std::size(positioned)], any_int(), any_int());
      } else {
        int key = SPECIAL_KEYS[random() % std::size(SPECIAL_KEYS)].key;
        e = random() % 2 == 0 ? press(key) : release(key);
      }
      kit_script_write(e.kind, e.x, e.y, e.key);
      written.push_back(e);
    }
    kit_script_close();

    Events read;
    kit.playing_back = true;
    while (read.size() <= written.size()) {
      kit.pending = PendingEvent{};
      if (kit_script_read() == 0)
        break;
      const PendingEvent& p = kit.pending;
      read.push_back({p.event_kind, p.event_x, p.event_y, p.event_key});
    }
    kit_script_close();
    ASSERT_EQ(read, written);
  }
}

// A program that has not asked for a kind gets none of its lines: playback ends there, without a
// message, as it would at a line of no known kind, and the line is used up.
TEST_F(InputScriptTest, ALineOfAKindNotAskedForEndsPlaybackAsAnUnknownLine) {
  write_script("VELDO_KBD(97);\nVELDO_DOWN(1);\nVELDO_KBD(98);\nVELDO_HOVER(1, 2);\n"
               "VELDO_KBD(99);\nVELDO_HOVER(3, 4);\nVELDO_HOVER(5, 6);\n");
  kit_enable_input(VELDO_INPUT_KEYS);
  EXPECT_EQ(play_back_all(), (Events{key('a'), press(VELDO_KEY_LEFT), key('b')}));
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_TRUE(log().empty());
  kit_enable_input(0);
  EXPECT_EQ(play_back_all(), (Events{key('c')}));
  kit_enable_input(VELDO_INPUT_MOTION);
  EXPECT_EQ(play_back_all(), (Events{at(VELDO_MOTION, 5, 6)}));
}

// A key line must name a special key: no other key can come live, so no other can be played.
TEST_F(InputScriptTest, AKeyLineWithoutASpecialKeysCodeCannotBePlayed) {
  for (const char* line : {"VELDO_DOWN(0);\n", "VELDO_DOWN(26);\n", "VELDO_UP(-1);\n",
                           "VELDO_UP(257);\n", "VELDO_DOWN();\n", "VELDO_HOVER(5);\n"}) {
    SCOPED_TRACE(line);
    write_script(std::string("VELDO_UP(25);\n") + line + "VELDO_KBD(97);\n");
    EXPECT_EQ(play_back_all(), (Events{release(VELDO_KEY_F12)}));
    EXPECT_TRUE(log().empty());
    kit_script_close();
  }
}

// ---- The replay driver --------------------------------------------------------------------------

Events replayed;

// Asks for everything and keeps every event until the replay's quit.
int asking_program() {
  kit_open(nullptr, nullptr, "", 1);
  kit_enable_input(VELDO_INPUT_ALL);
  kit_set_animation(VELDO_RUN);
  for (;;) {
    Event e;
    e.kind = kit_await_event(&e.x, &e.y, &e.key);
    if (e.kind == VELDO_QUIT)
      break;
    replayed.push_back(e);
  }
  kit_close();
  return 0;
}

TEST_F(InputScriptTest, TheReplayDriverPlaysEveryKindBack) {
  write_script("VELDO_HOVER(-5, 6);\nVELDO_PERIODIC(2);\nVELDO_DOWN(4);\nVELDO_UP(4);\n"
               "VELDO_RIGHT(2147483647, -2147483648);\nVELDO_WHEEL(0, 0);\nVELDO_KBD(13);\n");
  replayed.clear();
  std::string arguments[] = {"replay", "VELDO.SCR"};
  char* argv[] = {arguments[0].data(), arguments[1].data(), nullptr};
  ASSERT_EQ(kit_replay_main(2, argv, asking_program), 0);
  EXPECT_EQ(replayed,
            (Events{at(VELDO_MOTION, -5, 6), periodic(), periodic(), press(VELDO_KEY_DOWN),
                    release(VELDO_KEY_DOWN), at(VELDO_RIGHT_CLICK, INT_MAX, INT_MIN),
                    at(VELDO_MIDDLE_CLICK, 0, 0), key(13)}));
  EXPECT_EQ(headless::stall_quits(), 0);
  open_kit();
}

} // namespace
} // namespace veldo::script_test
