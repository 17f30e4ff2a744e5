// Scripts where a careless kit would lose or corrupt a recording, or misread a hostile script:
// recording and playback kept apart, recordings that survive the program being ended or killed,
// and lines with numbers that are missing, overlong or out of range.
#include "script_fixture.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>

namespace veldo::script_test {
namespace {

using Events = std::vector<Event>;
const char* const END_MESSAGE = "EOF encountered in script file VELDO.SCR\n";

bool log_has(const std::string& line) {
  for (const std::string& l : headless::log_lines())
    if (l == line)
      return true;
  return false;
}

// ---- Recording and playback kept apart ----------------------------------------------------------

TEST_F(ScriptTest, RecordingCannotStartDuringPlayback) {
  const std::string script = "VELDO_KBD(97);\nVELDO_KBD(98);\nVELDO_KBD(99);\n";
  write_script(script);
  EXPECT_EQ(command(MENU_PLAYBACK), key('a'));
  // Recording now would empty the script being played.
  EXPECT_EQ(command(MENU_RECORD), key('b'));
  EXPECT_TRUE(log_has("Cannot record a script during playback\n"));
  EXPECT_FALSE(kit.recording);
  EXPECT_FALSE(headless::menu_checked(MENU_RECORD));
  EXPECT_TRUE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_EQ(await_event(), key('c'));
  EXPECT_EQ(await_live_event(), key('~'));
  EXPECT_EQ(script_text(), script);

  // With playback over, recording starts.
  headless::choose_menu(MENU_RECORD);
  click(1, 2);
  EXPECT_EQ(await_event(), mouse(1, 2));
  EXPECT_TRUE(headless::menu_checked(MENU_RECORD));
}

TEST_F(ScriptTest, PlaybackCannotStartWhileRecording) {
  write_script("VELDO_KBD(97);\nVELDO_KBD(98);\n");
  headless::choose_menu(MENU_RECORD);
  // Playing the earlier script now would record its events over it while it is read.
  headless::choose_menu(MENU_PLAYBACK);
  click(1, 1);
  EXPECT_EQ(await_event(), mouse(1, 1));
  EXPECT_TRUE(log_has("Cannot play back a script while recording\n"));
  EXPECT_FALSE(kit.playing_back);
  EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  EXPECT_TRUE(headless::menu_checked(MENU_RECORD));

  headless::clear_log_lines();
  headless::ctrl_shortcut('O');
  click(2, 2);
  EXPECT_EQ(await_event(), mouse(2, 2));
  EXPECT_EQ(log(), std::vector<std::string>{"Cannot play back a script while recording\n"});

  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_EQ(script_text(), "VELDO_MOUSE(1, 1);\nVELDO_MOUSE(2, 2);\n");
}

TEST_F(ScriptTest, RecordingAfterAPlaybackReachedTheEndIsWritten) {
  write_script("VELDO_KBD(97);\n");
  EXPECT_EQ(play_back_all(), Events{key('a')});
  // The file is still open, at its end, for reading.
  headless::choose_menu(MENU_RECORD);
  click(5, 5);
  EXPECT_EQ(await_event(), mouse(5, 5));
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_EQ(script_text(), "VELDO_MOUSE(5, 5);\n");
}

TEST_F(ScriptTest, RecordingAfterPlayOneCountsItsOwnPeriodicEvents) {
  write_script("VELDO_PERIODIC(3);\nVELDO_KBD(97);\n");
  EXPECT_EQ(command(MENU_PLAY_ONE), periodic()); // two periodic events of the run are left
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(command(MENU_RECORD), periodic());
  click(1, 2);
  EXPECT_EQ(await_event(), mouse(1, 2));
  headless::choose_menu(MENU_RECORD);
  await_live_event();
  EXPECT_EQ(script_text(), "VELDO_PERIODIC(1);\nVELDO_MOUSE(1, 2);\n");
}

// ---- Recordings that outlive the program --------------------------------------------------------

TEST_F(ScriptTest, ClosingTheKitWhileRecordingWritesTheOpenPeriodicRun) {
  kit_set_animation(VELDO_RUN);
  EXPECT_EQ(command(MENU_RECORD), periodic());
  EXPECT_EQ(await_event(), periodic());
  EXPECT_EQ(kit_close(), 1);
  EXPECT_EQ(script_text(), "VELDO_PERIODIC(2);\n");
}

// Runs `child` in a forked copy of this process, which must never come back into the test
// framework; returns its pid. The child reports readiness by writing one byte to `ready`.
template <typename Child> pid_t fork_child(int ready[2], Child child) {
  EXPECT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    child();
    _exit(0);
  }
  close(ready[1]);
  return pid;
}

void wait_until_ready(int ready[2]) {
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child ended before it was ready";
  close(ready[0]);
}

TEST_F(ScriptTest, RecordingSurvivesTheProgramBeingKilled) {
  int ready[2];
  pid_t child = fork_child(ready, [&] {
    headless::choose_menu(MENU_RECORD);
    click(7, -8);
    int x, y;
    char c;
    kit_await_event(&x, &y, &c);
    (void)!write(ready[1], "r", 1);
    for (;;)
      pause();
  });
  ASSERT_GT(child, 0);
  wait_until_ready(ready);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(script_text(), "VELDO_MOUSE(7, -8);\n");
}

class ScriptSignalTest : public ScriptTest, public testing::WithParamInterface<int> {};

// SIGINT and SIGTERM end the program the way Ctrl+Q does: the program sees a quit and closes the
// kit, so the periodic run still being counted is written too.
TEST_P(ScriptSignalTest, SignalEndsTheProgramLikeQuitAndKeepsTheRecording) {
  int ready[2];
  pid_t child = fork_child(ready, [&] {
    open_kit();
    kit_set_animation(VELDO_RUN);
    headless::choose_menu(MENU_RECORD);
    click(3, 4);
    int x, y, periodic_events = 0;
    char c;
    int kind;
    while ((kind = kit_await_event(&x, &y, &c)) != VELDO_QUIT)
      if (kind == VELDO_PERIODIC && ++periodic_events == 5)
        (void)!write(ready[1], "r", 1);
    kit_close();
    _exit(periodic_events >= 5 ? 0 : 2);
  });
  ASSERT_GT(child, 0);
  wait_until_ready(ready);
  kill(child, GetParam());
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the signal killed the program";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string text = script_text();
  const std::string first = "VELDO_MOUSE(3, 4);\nVELDO_PERIODIC(";
  ASSERT_EQ(text.compare(0, first.size(), first), 0) << text;
  int count = std::atoi(text.c_str() + first.size());
  EXPECT_GE(count, 5);
  EXPECT_EQ(text.substr(first.size()), std::to_string(count) + ");\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, ScriptSignalTest, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                           return info.param == SIGINT ? std::string("SIGINT")
                                                       : std::string("SIGTERM");
                         });

// ---- Script files that are not files -----------------------------------------------------------

// A VELDO.SCR that is a named pipe (with or without its other end open), a device or a directory
// is refused at once with the kit's message, for playback and for recording alike, and nothing is
// read from or written into it. A plain open of a pipe would freeze the program instead.
TEST_F(ScriptTest, AScriptThatIsNotARegularFileIsRefusedWithoutWaiting) {
  struct Kind {
    const char* name;
    std::function<int()> make; // makes VELDO.SCR; returns a descriptor to close after, or -1
  };
  const Kind kinds[] = {
      {"a named pipe", [] { return mkfifo("VELDO.SCR", 0600) == 0 ? -1 : -2; }},
      {"a named pipe held open at both ends",
       [] { return mkfifo("VELDO.SCR", 0600) == 0 ? open("VELDO.SCR", O_RDWR | O_NONBLOCK) : -2; }},
      {"a device", [] { return symlink("/dev/zero", "VELDO.SCR") == 0 ? -1 : -2; }},
      {"a directory", [] { return mkdir("VELDO.SCR", 0700) == 0 ? -1 : -2; }},
  };
  // A blocked open would hang the test: let it fail instead.
  alarm(60);
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    std::filesystem::remove_all("VELDO.SCR");
    const int held = kind.make();
    ASSERT_NE(held, -2);

    open_kit();
    EXPECT_EQ(command_or_live(MENU_PLAYBACK), key('~'));
    EXPECT_EQ(log(), std::vector<std::string>{"Cannot open script file VELDO.SCR for reading\n"});
    EXPECT_FALSE(kit.playing_back);

    headless::clear_log_lines();
    headless::choose_menu(MENU_RECORD);
    click(1, 2);
    EXPECT_EQ(await_event(), mouse(1, 2));
    EXPECT_EQ(log(), std::vector<std::string>{"Cannot open script file VELDO.SCR for writing\n"});
    EXPECT_EQ(kit.script_file, nullptr);
    if (held >= 0) {
      char byte = 0;
      EXPECT_EQ(read(held, &byte, 1), -1) << "the recording wrote into the pipe";
      close(held);
    }
  }
  alarm(0);
  std::filesystem::remove_all("VELDO.SCR");
}

// ---- Numbers ------------------------------------------------------------------------------------

// Numbers beyond the 32-bit range saturate; leading zeros make a long number, not a large one.
TEST_F(ScriptTest, OverlongNumbersSaturate) {
  write_script("VELDO_MOUSE(99999999999999999999, -99999999999999999999);\n"
               "VELDO_MOUSE(-000000000000000000012, 2147483648);\n"
               "VELDO_MOUSE(2147483647, -2147483648);\n"
               "VELDO_KBD(000000000000000000000097);\n"
               "VELDO_KBD(-99999999999999999999);\n");
  EXPECT_EQ(play_back_all(), (Events{mouse(INT_MAX, INT_MIN), mouse(-12, INT_MAX),
                                     mouse(INT_MAX, INT_MIN), key('a'), key(0)}));

  write_script("VELDO_PERIODIC(18446744073709551617);\n");
  open_kit();
  EXPECT_EQ(command(MENU_PLAYBACK), periodic());
  EXPECT_EQ(kit.periodic_run_count, INT_MAX - 1);
}

// A line whose number is missing cannot be replayed faithfully: it ends playback like a line of
// unknown kind, without a message, and is used up.
TEST_F(ScriptTest, LineWithAMissingNumberEndsPlayback) {
  write_script("VELDO_MOUSE(5);\nVELDO_KBD(97);\nVELDO_KBD();\nVELDO_KBD(98);\nVELDO_PERIODIC(-);\n"
               "VELDO_KBD(99);\nVELDO_MOUSE(-, 4);\nVELDO_KBD(100);\nVELDO_M\n");
  EXPECT_EQ(command_or_live(MENU_PLAYBACK), key('~'));
  for (char expected : {'a', 'b', 'c', 'd'}) {
    EXPECT_EQ(command(MENU_PLAYBACK), key(expected));
    EXPECT_EQ(await_live_event(), key('~'));
    EXPECT_FALSE(kit.playing_back);
    EXPECT_FALSE(headless::menu_checked(MENU_PLAYBACK));
  }
  EXPECT_TRUE(log().empty());
}

TEST_F(ScriptTest, CarriageReturnBeforeTheLineFeedIsPartOfTheLineEnd) {
  write_script("VELDO_KBD(97);\r\n\r\nVELDO_MOUSE(1, 2);\r\nVELDO_PERIODIC(2);\r\n");
  EXPECT_EQ(play_back_all(), (Events{key('a'), mouse(1, 2), periodic(), periodic()}));
  EXPECT_EQ(log(), std::vector<std::string>{END_MESSAGE});
}

// Hostile scripts: whatever they hold, the reader stays inside its buffer, delivers only events
// that exist, and comes to an end.
TEST_F(ScriptTest, HostileScriptsArePlayedSafelyToAnEnd) {
  const std::string long_digits(5000, '9');
  const std::string hostile[] = {
      std::string("VELDO_M\0 5, 7\n", 14),
      std::string("\0\0\0\0\0\0\0\0\n", 9),
      std::string("VELDO_K\xff\xfe\x80-\n"),
      "VELDO_",
      "VELDO_\n",
      "VELDO_M",
      "\r",
      "\r\r\r\n",
      "-------------------\n",
      "VELDO_P-------------\n",
      "VELDO_K-\n",
      "VELDO_M--1--2--\n",
      "VELDO_M" + long_digits + "," + long_digits + "\n",
      "VELDO_P" + long_digits + "\n",
      "VELDO_K-" + long_digits + "\n",
      std::string(100000, '\n'),
      std::string(100000, 'M'),
      std::string(511, 'x') + "\n",
      std::string(510, 'x') + "\n" + std::string(1023, 'y') + "\n",
  };
  for (const std::string& script : hostile) {
    SCOPED_TRACE(testing::Message() << "script of " << script.size() << " bytes starting "
                                    << testing::PrintToString(script.substr(0, 24)));
    write_script(script);
    open_kit();
    kit.playing_back = true;
    int calls = 0;
    while (kit.playing_back && calls < 1000) {
      kit.pending = PendingEvent{};
      if (kit_script_read() == 1) {
        int kind = kit.pending.event_kind;
        EXPECT_TRUE(kind == VELDO_MOUSE || kind == VELDO_KBD || kind == VELDO_PERIODIC);
        EXPECT_GE(kit.periodic_run_count, 0);
        kit.periodic_run_count = 0; // a huge run would take long to replay
      }
      ++calls;
    }
    EXPECT_FALSE(kit.playing_back);
  }
}

} // namespace
} // namespace veldo::script_test
