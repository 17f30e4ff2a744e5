// Script recording and playback as the Run menu and the await loop use them: the line format the
// writer produces, the reader's rules, and recorded runs played back unchanged.
#include "script_fixture.h"

#include <random>

namespace veldo::script_test {
namespace {

const char* const FOUR_LINES =
    "VELDO_PERIODIC(3);\nVELDO_MOUSE(10, -20);\nVELDO_KBD(97);\nVELDO_PERIODIC(2);\n";
const char* const END_MESSAGE = "EOF encountered in script file VELDO.SCR\n";

using Events = std::vector<Event>;

// ---- Recording ----------------------------------------------------------------------------------

TEST_F(ScriptTest, RecordingWritesOneLinePerEventAndOneLinePerPeriodicRun) {
  write_script("an earlier script\n");
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(command(MENU_RECORD), periodic());
  EXPECT_TRUE(headless::menu_checked(MENU_RECORD));
  EXPECT_EQ(await_event(), periodic());
  EXPECT_EQ(await_event(), periodic());
  // Periodic events alone do not touch the file: it is emptied by the first line written.
  EXPECT_EQ(script_text(), "an earlier script\n");
  click(10, -20);
  EXPECT_EQ(await_event(), mouse(10, -20));
  type_key('a');
  EXPECT_EQ(await_event(), key('a'));
  EXPECT_EQ(await_event(), periodic());
  EXPECT_EQ(await_event(), periodic());
  command(MENU_RECORD);
  EXPECT_FALSE(headless::menu_checked(MENU_RECORD));
  EXPECT_EQ(script_text(), FOUR_LINES);

  // A later recording counts its periodic events from zero.
  command(MENU_RECORD);
  click(1, 1);
  await_event();
  command(MENU_RECORD);
  EXPECT_EQ(script_text(), "VELDO_PERIODIC(1);\nVELDO_MOUSE(1, 1);\n");
}

TEST_F(ScriptTest, CharacterAbove127IsWrittenAsNegativeAndPlaysBackAsItself) {
  const char e_acute = static_cast<char>(233);
  headless::choose_menu(MENU_RECORD);
  type_key(e_acute);
  EXPECT_EQ(await_event(), key(e_acute));
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_EQ(script_text(), "VELDO_KBD(-23);\n");
  EXPECT_EQ(play_back_all(), Events{key(e_acute)});
}

TEST_F(ScriptTest, RecordingThatSawNoEventLeavesTheEarlierScript) {
  write_script(FOUR_LINES);
  headless::choose_menu(MENU_RECORD);
  headless::choose_menu(MENU_RECORD);
  EXPECT_EQ(await_live_event(), key('~'));
  EXPECT_EQ(script_text(), FOUR_LINES);
}

TEST_F(ScriptTest, RecordingWhoseOnlyEventWasAQuitLeavesAnEmptyScript) {
  write_script(FOUR_LINES);
  headless::choose_menu(MENU_RECORD);
  headless::choose_menu(MENU_QUIT);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_TRUE(script_exists());
  EXPECT_EQ(script_text(), "");
}

// The kit's close ends the recording with it: an event taken afterwards (a page whose program
// runs once more after it was left) neither empties the script nor adds to it.
TEST_F(ScriptTest, ClosingTheKitEndsTheRecordingSoLaterEventsLeaveItAsItIs) {
  kit_set_animation(VELDO_RUN);
  command(MENU_RECORD);
  click(10, -20);
  EXPECT_EQ(await_event(), mouse(10, -20));
  EXPECT_EQ(await_event(), periodic());
  kit_close();
  const std::string recorded = "VELDO_PERIODIC(1);\nVELDO_MOUSE(10, -20);\nVELDO_PERIODIC(1);\n";
  EXPECT_EQ(script_text(), recorded);
  EXPECT_FALSE(headless::menu_checked(MENU_RECORD));
  headless::choose_menu(MENU_QUIT);
  EXPECT_EQ(await_event().kind, VELDO_QUIT);
  EXPECT_EQ(await_event(), periodic());
  EXPECT_EQ(script_text(), recorded);
}

// ---- Playback -----------------------------------------------------------------------------------

TEST_F(ScriptTest, PlaybackYieldsTheRecordedEventsThenReportsTheEnd) {
  write_script(FOUR_LINES);
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(command(MENU_PLAYBACK), periodic());
  EXPECT_TRUE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_FALSE(kit.animating); // starting playback halts the animation
  Events rest;
  for (int i = 0; i < 6; ++i)
    rest.push_back(await_event());
  EXPECT_EQ(rest,
            (Events{periodic(), periodic(), mouse(10, -20), key('a'), periodic(), periodic()}));
  EXPECT_TRUE(log().empty());
  // The end of the script: the call goes on with live input.
  EXPECT_EQ(await_live_event(), key('~'));
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
  EXPECT_FALSE(kit.playing_back);
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
}

TEST_F(ScriptTest, BlankLinesAreSkippedAndPeriodicCountsOf1And0YieldOneEvent) {
  write_script("\n\nVELDO_KBD(97);\n\n\n\nVELDO_MOUSE(1, 2);\n\nVELDO_PERIODIC(1);\n"
               "VELDO_PERIODIC(0);\nVELDO_KBD(98);\n\n\n");
  EXPECT_EQ(play_back_all(), (Events{key('a'), mouse(1, 2), periodic(), periodic(), key('b')}));
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
}

TEST_F(ScriptTest, PlayOneYieldsOnePeriodicEventOfARunPerRequest) {
  write_script("VELDO_PERIODIC(3);\nVELDO_MOUSE(4, 5);\n");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(command(MENU_PLAY_ONE), periodic()) << "request " << i;
    // Without a request the kit takes live input again.
    EXPECT_EQ(await_live_event(), key('~'));
  }
  headless::ctrl_shortcut('O');
  EXPECT_EQ(await_event(), mouse(4, 5));
  EXPECT_TRUE(log().empty());
  headless::ctrl_shortcut('O');
  EXPECT_EQ(await_live_event(), key('~'));
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
}

TEST_F(ScriptTest, MissingScriptEndsPlaybackWithAMessage) {
  EXPECT_EQ(command_or_live(MENU_PLAYBACK), key('~'));
  EXPECT_EQ(log(), std::vector<std::string>{"Cannot open script file VELDO.SCR for reading\n"});
  EXPECT_FALSE(kit.playing_back);
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_FALSE(script_exists());
}

TEST_F(ScriptTest, LineOfUnknownKindEndsPlaybackSilentlyAndIsUsedUp) {
  write_script("VELDO_MOUSE(1, 2);\nVELDO_NOTE(5);\nVELDO_KBD(120);\nabc\nVELDO_MOUSE(3, 4);\n");
  EXPECT_EQ(command(MENU_PLAYBACK), mouse(1, 2));
  EXPECT_EQ(await_live_event(), key('~')); // VELDO_NOTE
  EXPECT_FALSE(kit.playing_back);
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_EQ(command(MENU_PLAYBACK), key('x'));
  EXPECT_EQ(await_live_event(), key('~')); // "abc" has no kind letter
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_EQ(command(MENU_PLAYBACK), mouse(3, 4));
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(await_live_event(), key('~'));
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
}

TEST_F(ScriptTest, LastLineWithoutItsLineEndIsNotPlayed) {
  write_script("VELDO_KBD(97);\nVELDO_KBD(98);");
  EXPECT_EQ(play_back_all(), Events{key('a')});
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
}

TEST_F(ScriptTest, ReaderLooksOnlyAtTheKindLetterAndTheNumbers) {
  write_script("abcdefM5 7\nVELDO_MOUSE(12,-3);\nVELDO_MOUSE(1-2, 3);\nVELDO_KILOGRAM 65\n"
               "VELDO_PERIODIC(-2);\nVELDO_KBD(353);\n");
  EXPECT_EQ(play_back_all(), (Events{mouse(5, 7), mouse(12, -3), mouse(1, 3), key('A'), periodic(),
                                     periodic(), key('a')}));
}

TEST_F(ScriptTest, LongLineIsReadIn511CharacterPieces) {
  std::string first = "VELDO_KBD(65);";
  first.resize(511, ' ');
  write_script(first + "VELDO_KBD(66);\n");
  EXPECT_EQ(play_back_all(), (Events{key('A'), key('B')}));

  // A last line that fills the buffer exactly still lacks its line feed: it is not played.
  write_script("VELDO_KBD(66);\n" + first);
  open_kit();
  EXPECT_EQ(play_back_all(), Events{key('B')});
}

TEST_F(ScriptTest, StartingAgainAfterTheEndReportsTheEndUntilTheFileIsClosed) {
  write_script("VELDO_KBD(97);\nVELDO_KBD(98);\n");
  EXPECT_EQ(play_back_all(), (Events{key('a'), key('b')}));
  EXPECT_EQ(command_or_live(MENU_PLAYBACK), key('~'));
  EXPECT_EQ(log(), (std::vector<std::string>{END_MESSAGE, END_MESSAGE}));

  // A recording started and stopped closes the file: playback starts at the first line again.
  headless::choose_menu(MENU_RECORD);
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_EQ(command(MENU_PLAYBACK), key('a'));

  // So does stopping a playback that is still running.
  EXPECT_EQ(command_or_live(MENU_PLAYBACK), key('~'));
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_EQ(play_back_all(), (Events{key('a'), key('b')}));
}

// ---- Round trips --------------------------------------------------------------------------------

// Random runs recorded through the kit play back as the same events in the same order.
TEST_F(ScriptTest, RecordedRunsPlayBackUnchanged) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    open_kit();
    std::mt19937 random(seed);
    kit_set_animation(VELDO_RUN);
    headless::choose_menu(MENU_RECORD);
    Events recorded;
    int length = std::uniform_int_distribution<int>(1, 40)(random);
    for (int i = 0; i < length; ++i) {
      switch (std::uniform_int_distribution<int>(0, 3)(random)) {
      case 0:
        headless::click(std::uniform_int_distribution<int>(0, 600)(random),
                        std::uniform_int_distribution<int>(0, 500)(random));
        break;
      case 1:
        type_key(static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random)));
        break;
      default:
        break; // a tick
      }
      recorded.push_back(await_event());
    }
    headless::choose_menu(MENU_RECORD);
    await_live_event();
    ASSERT_EQ(play_back_all(), recorded);
    ASSERT_EQ(log(), std::vector<std::string>{END_MESSAGE});
  }
}

// The line format carries every value an event can hold, including periodic runs of any length.
TEST_F(ScriptTest, WrittenLinesReadBackToTheSameEventsOverTheWholeRange) {
  const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    auto any_int = [&] {
      if (random() % 4 == 0)
        return extremes[random() % std::size(extremes)];
      return static_cast<int>(random());
    };
    Events written;
    int length = std::uniform_int_distribution<int>(1, 30)(random);
    for (int i = 0; i < length; ++i) {
      switch (random() % 3) {
      case 0: {
        Event e = mouse(any_int(), any_int());
        kit_script_write(e.kind, e.x, e.y, 0);
        written.push_back(e);
        break;
      }
      case 1: {
        Event e = key(static_cast<char>(random()));
        kit_script_write(e.kind, 0, 0, e.key);
        written.push_back(e);
        break;
      }
      default: {
        int run = std::uniform_int_distribution<int>(1, 50)(random);
        kit.periodic_run_count = run;
        kit_flush_recording();
        EXPECT_EQ(kit.periodic_run_count, 0);
        written.insert(written.end(), run, periodic());
      }
      }
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
    EXPECT_FALSE(kit.playing_back);
    kit_script_close();
    ASSERT_EQ(read, written);
  }
}

} // namespace
} // namespace veldo::script_test
