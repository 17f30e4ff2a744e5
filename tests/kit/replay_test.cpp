// The replay driver with programs of the tests' own: the script's events come first, then exactly
// one quit with logging on, with no tick between and without the virtual clock moving, whatever
// the program does with the animation; --trace, --frames and the checks made before a run.
#include "src/kit_internal.h"
#include "veldo/headless.h"
#include "veldo/kit.h"
#include "veldo/replay.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Seen {
  int kind;
  int x;
  int y;
  char key;
  bool logging;     // drawing-call logging was on when the event came
  int64_t clock_ms; // the virtual clock when it came
};

// What the programs below saw; they are plain functions, as kit_replay_main() takes them.
std::vector<Seen> seen;
bool program_ran = false;

Seen take_event() {
  Seen event{};
  event.kind = kit_await_event(&event.x, &event.y, &event.key);
  event.logging = veldo::kit.logging_enabled;
  event.clock_ms = veldo::headless::clock_ms();
  seen.push_back(event);
  return event;
}

void open_like_a_game() {
  program_ran = true;
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  kit_clear();
  kit_set_animation(VELDO_RUN);
  kit_set_tick_period(25);
}

// Draws a filled rectangle over the visible canvas after every event, in colour 1, 2, 3, ... by
// the event's number, and ends on the quit.
int drawing_program() {
  open_like_a_game();
  for (int number = 1;; ++number) {
    const int kind = take_event().kind;
    kit_rectangle(number % VELDO_COLOUR_COUNT, -300, -250, 300, 250, 0);
    if (kind == VELDO_QUIT)
      break;
  }
  kit_close();
  return 0;
}

// Sets the animation running again after every event, as a program may.
int animating_program() {
  open_like_a_game();
  while (take_event().kind != VELDO_QUIT)
    kit_set_animation(VELDO_RUN);
  kit_close();
  return 0;
}

// Asks for two more events after the quit before it ends.
int lingering_program() {
  open_like_a_game();
  while (take_event().kind != VELDO_QUIT) {
  }
  take_event();
  take_event();
  kit_close();
  return 0;
}

class ReplayDriverTest : public ::testing::Test {
protected:
  void SetUp() override {
    seen.clear();
    program_ran = false;
    directory_ = fs::temp_directory_path() /
                 ("veldo-replay-test-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  std::string path(const std::string& name) const { return (directory_ / name).string(); }

  std::string write_script(const std::string& text) const {
    std::ofstream(path("test.scr")) << text;
    return path("test.scr");
  }

  static int replay(std::vector<std::string> arguments, int (*program)()) {
    arguments.insert(arguments.begin(), "replay");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    return kit_replay_main(static_cast<int>(arguments.size()), argv.data(), program);
  }

  std::string read(const std::string& name) const {
    std::ifstream in(path(name));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // 0xRRGGBB of a pixel of a saved PNG.
  uint32_t png_pixel(const std::string& name, int x, int y) const {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path(name).c_str());
    EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS) << name;
    uint32_t pixel = 0;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      const unsigned char* row = cairo_image_surface_get_data(surface) +
                                 static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
      pixel = reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    cairo_surface_destroy(surface);
    return pixel;
  }

  fs::path directory_;
};

uint32_t rgb_of(int colour) {
  const veldo::Colour& c = veldo::colour_table[colour];
  return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

TEST_F(ReplayDriverTest, TheScriptsEventsComeFirstThenOneQuitWithLoggingOnAndNoTimePassing) {
  const std::string script = write_script("VELDO_KBD(97);\nVELDO_MOUSE(1, 2);\n"
                                          "VELDO_PERIODIC(2);\nVELDO_KBD(-23);\n");
  ASSERT_EQ(replay({script}, drawing_program), 0);

  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].kind, VELDO_KBD);
  EXPECT_EQ(seen[0].key, 'a');
  EXPECT_EQ(seen[1].kind, VELDO_MOUSE);
  EXPECT_EQ(seen[1].x, 1);
  EXPECT_EQ(seen[1].y, 2);
  EXPECT_EQ(seen[2].kind, VELDO_PERIODIC);
  EXPECT_EQ(seen[3].kind, VELDO_PERIODIC);
  EXPECT_EQ(seen[4].kind, VELDO_KBD);
  EXPECT_EQ(static_cast<unsigned char>(seen[4].key), 233);
  EXPECT_EQ(seen[5].kind, VELDO_QUIT);
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].logging, i == 5) << "event " << i;
    EXPECT_EQ(seen[i].clock_ms, 0) << "event " << i;
  }
}

TEST_F(ReplayDriverTest, AProgramThatKeepsTheAnimationRunningGetsNoTickBeforeTheQuit) {
  const std::string script = write_script("VELDO_PERIODIC(1);\nVELDO_MOUSE(0, 0);\n");
  ASSERT_EQ(replay({script}, animating_program), 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].kind, VELDO_PERIODIC);
  EXPECT_EQ(seen[1].kind, VELDO_MOUSE);
  EXPECT_EQ(seen[2].kind, VELDO_QUIT);
  EXPECT_EQ(seen[2].clock_ms, 0);
}

TEST_F(ReplayDriverTest, AnUnreadableLineEndsTheScriptLikeItsEnd) {
  const std::string script = write_script("VELDO_MOUSE(3, 4);\nVELDO_NOTE(1);\nVELDO_KBD(98);\n");
  ASSERT_EQ(replay({"--log", path("out.log"), script}, drawing_program), 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, VELDO_MOUSE);
  EXPECT_EQ(seen[1].kind, VELDO_QUIT);
  // No message for a line of no known kind: only the quit's drawing call is logged.
  EXPECT_EQ(read("out.log"), "red rectangle with bounding box (-300,250) to (300,-250), filled\n");
}

TEST_F(ReplayDriverTest, AProgramThatTakesEventsAfterTheQuitGetsMoreQuits) {
  const std::string script = write_script("VELDO_PERIODIC(1);\n");
  ASSERT_EQ(replay({script}, lingering_program), 0);
  ASSERT_EQ(seen.size(), 4u);
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_EQ(seen[i].kind, VELDO_QUIT) << "event " << i;
}

TEST_F(ReplayDriverTest, TheLogHoldsTheEndOfTheScriptThenTheFinalFrame) {
  const std::string script = write_script("VELDO_MOUSE(0, 0);\nVELDO_PERIODIC(2);\n");
  ASSERT_EQ(replay({"--log", path("out.log"), script}, drawing_program), 0);
  EXPECT_EQ(read("out.log"), "EOF encountered in script file " + script +
                                 "\nblue rectangle with bounding box (-300,250) to (300,-250), "
                                 "filled\n");
}

TEST_F(ReplayDriverTest, TraceLogsEveryFrameFromTheFirstEvent) {
  const std::string script = write_script("VELDO_MOUSE(0, 0);\nVELDO_PERIODIC(1);\n");
  ASSERT_EQ(replay({"--trace", "--log", path("out.log"), script}, drawing_program), 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[0].logging);
  EXPECT_EQ(read("out.log"),
            "white rectangle with bounding box (-300,250) to (300,-250), filled\n"
            "red rectangle with bounding box (-300,250) to (300,-250), filled\n"
            "EOF encountered in script file " +
                script +
                "\n"
                "green rectangle with bounding box (-300,250) to (300,-250), filled\n");
}

TEST_F(ReplayDriverTest, EachFrameShowsWhatTheProgramDrewForItsEvent) {
  const std::string script = write_script("VELDO_PERIODIC(4);\n");
  ASSERT_EQ(
      replay({"--frames", path("frames"), "--png", path("final.png"), script}, drawing_program), 0);
  // Four ticks and the quit: five events, five frames, each in the colour of its event's number.
  for (int number = 1; number <= 5; ++number) {
    char name[64];
    std::snprintf(name, sizeof name, "frames/frame-%06d.png", number);
    ASSERT_TRUE(fs::exists(path(name))) << name;
    EXPECT_EQ(png_pixel(name, 300, 250), rgb_of(number)) << name;
  }
  EXPECT_FALSE(fs::exists(path("frames/frame-000006.png")));
  EXPECT_EQ(png_pixel("final.png", 300, 250), rgb_of(5));
  // Below the visible area, the canvas keeps kit_clear()'s white and black frame.
  EXPECT_EQ(png_pixel("final.png", 300, 520), 0xFFFFFFu);
  EXPECT_EQ(png_pixel("final.png", 300, 539), 0x000000u);
}

// Counts its events, and ends on the quit; it draws nothing, so that millions of events are quick.
long long events_counted = 0;
int counting_program() {
  open_like_a_game();
  events_counted = 0;
  int kind;
  do {
    kind = kit_await_event(nullptr, nullptr, nullptr);
    ++events_counted;
  } while (kind != VELDO_QUIT);
  kit_close();
  return 0;
}

TEST_F(ReplayDriverTest, MaxEventsLetsThatManyOfTheScriptsEventsThroughAndNoMore) {
  // Five events, two of them from the middle of a periodic run.
  const std::string script =
      write_script("VELDO_KBD(97);\nVELDO_PERIODIC(3);\nVELDO_MOUSE(1, 2);\n");
  for (int limit = 1; limit <= 6; ++limit) {
    SCOPED_TRACE(testing::Message() << "--max-events " << limit);
    seen.clear();
    const int status = replay({"--max-events", std::to_string(limit), script}, drawing_program);
    const size_t replayed = static_cast<size_t>(std::min(limit, 5));
    EXPECT_EQ(status, limit < 5 ? 3 : 0);
    ASSERT_EQ(seen.size(), replayed + 1);
    EXPECT_EQ(seen.back().kind, VELDO_QUIT);
    EXPECT_TRUE(seen.back().logging);
    EXPECT_EQ(seen.back().clock_ms, 0);
    EXPECT_EQ(seen[replayed - 1].kind, replayed == 5   ? VELDO_MOUSE
                                       : replayed == 1 ? VELDO_KBD
                                                       : VELDO_PERIODIC);
  }
}

// A hostile script's two billion ticks are cut at the default limit, well short of them.
TEST_F(ReplayDriverTest, TheDefaultLimitCutsAnEndlessScript) {
  const std::string script = write_script("VELDO_PERIODIC(2147483647);\n");
  EXPECT_EQ(replay({script}, counting_program), 3);
  EXPECT_EQ(events_counted, 4000000 + 1);
}

TEST_F(ReplayDriverTest, NothingRunsWhenTheScriptOrAnOutputFails) {
  EXPECT_EQ(replay({path("missing.scr")}, drawing_program), 1);
  const std::string script = write_script("VELDO_PERIODIC(1);\n");
  EXPECT_EQ(replay({"--png", path("no/such/dir/x.png"), script}, drawing_program), 1);
  EXPECT_EQ(replay({"--frames", script + "/frames", script}, drawing_program), 1);
  EXPECT_EQ(replay({"--every", "3", script}, drawing_program), 2);
  EXPECT_FALSE(program_ran);
}

} // namespace
