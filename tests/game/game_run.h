// Helpers for the game's tests: a scripted player that drives WinMain through the kit's headless
// platform, a fixture for drawing straight onto a headless kit, and readers for the log lines the
// drawing calls write while logging is on.
#pragma once

#include "game.h"
#include "random.h"

#include <veldo/headless.h>
#include <veldo/kit.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace game_test {

namespace hl = veldo::headless;

using Lines = std::vector<std::string>;

// Clicks canvas point (x, y): the client area is 601 x 501 pixels with the origin at its centre.
inline void click_canvas(int x, int y) {
  hl::click(300 + x, 250 - y);
}

inline std::string strip_newline(std::string line) {
  if (!line.empty() && line.back() == '\n')
    line.pop_back();
  return line;
}

// Every log line since the last reset, without trailing newlines.
inline Lines all_log_lines() {
  Lines lines;
  for (const std::string& line : hl::log_lines())
    lines.push_back(strip_newline(line));
  return lines;
}

// Plays the game from its entry. Each time the kit waits with nothing to do, the next scripted
// action is taken; a tick action injects nothing, so the virtual clock runs on to the next tick.
// The log lines written between one action and the next are that action's answer: with logging
// on, the frame the game drew for the event the action caused. When the script runs out, the
// player quits with Ctrl+Q.
class ScriptedRun {
public:
  using Action = std::function<void()>;

  size_t tick() {
    return add([] {}, false);
  }
  // Several ticks; returns the index of the last.
  size_t ticks(int count) {
    size_t last = 0;
    for (int i = 0; i < count; i++)
      last = tick();
    return last;
  }
  size_t click(int x, int y) {
    return add([x, y] { click_canvas(x, y); }, false);
  }
  // A click at a point worked out when the action is taken, from what has been drawn so far.
  size_t click_at(std::function<std::pair<int, int>()> where) {
    return add(
        [where] {
          const auto [x, y] = where();
          click_canvas(x, y);
        },
        false);
  }
  size_t key(char character) {
    return add([character] { hl::type(character); }, false);
  }
  // A Run menu shortcut: 'L' logging, 'H' halt, 'A' animate, 'F' one frame, 'Q' quit.
  size_t shortcut(char letter) {
    return add([letter] { hl::ctrl_shortcut(letter); }, false);
  }
  size_t menu(int id) {
    return add([id] { hl::choose_menu(id); }, false);
  }
  size_t close_window() {
    return add([] { hl::close_graphics_window(); }, false);
  }
  // Runs `check` between two events; it takes no time and causes no event.
  size_t check(std::function<void()> check) { return add(std::move(check), true); }

  // Runs WinMain from a fresh kit and a fresh random sequence; returns its result.
  int play() {
    hl::reset();
    random_restart();
    hl::set_idle_handler([this] { on_idle(); });
    static char no_command_line[] = "";
    const int result = WinMain(nullptr, nullptr, no_command_line, 1);
    hl::set_idle_handler(nullptr);
    EXPECT_EQ(hl::stall_quits(), 0)
        << "the game ended on the headless platform's stall guard, not on the player's quit";
    lines_ = all_log_lines();
    return result;
  }

  // The lines logged after the action was taken and before the next one (up to now, while the
  // run is still going).
  Lines answer(size_t action) const {
    const Lines& lines = finished() ? lines_ : live_lines();
    if (action >= marks_.size())
      return {};
    const size_t from = marks_[action];
    const size_t to = action + 1 < marks_.size() ? marks_[action + 1] : lines.size();
    return Lines(lines.begin() + static_cast<long>(from), lines.begin() + static_cast<long>(to));
  }
  // Whether the script was used up before the game ended.
  bool all_taken() const { return next_ == actions_.size(); }

private:
  struct Step {
    Action act;
    bool instant;
  };

  size_t add(Action act, bool instant) {
    actions_.push_back({std::move(act), instant});
    return actions_.size() - 1;
  }

  bool finished() const { return !lines_.empty() || (next_ == actions_.size() && quit_sent_); }
  static Lines live_lines() { return all_log_lines(); }

  void on_idle() {
    while (next_ < actions_.size()) {
      marks_.push_back(hl::log_lines().size());
      Step& step = actions_[next_++];
      step.act();
      if (!step.instant)
        return;
    }
    // The closing quit gets a mark of its own, so the last action's answer ends where the quit's
    // final frame begins.
    if (!quit_sent_)
      marks_.push_back(hl::log_lines().size());
    quit_sent_ = true;
    // A game that goes on after many a Ctrl+Q would run for ever: end it through the kit's own
    // quit code instead, and say so.
    if (++quits_unheeded_ > 100) {
      ADD_FAILURE() << "the game did not end on Ctrl+Q";
      kit_set_animation(VELDO_END);
      return;
    }
    hl::ctrl_shortcut('Q');
  }

  std::vector<Step> actions_;
  std::vector<size_t> marks_; // the log's length when each action was taken
  size_t next_ = 0;
  bool quit_sent_ = false;
  int quits_unheeded_ = 0;
  Lines lines_; // the whole log, once the run is over
};

// A headless kit, open with drawing-call logging on, for drawing straight onto the canvas.
class DrawingTest : public ::testing::Test {
protected:
  void SetUp() override {
    hl::reset();
    kit_open(nullptr, nullptr, "", 1);
    kit_set_logging(1);
    hl::clear_log_lines();
  }
  void TearDown() override { kit_close(); }
  // The lines drawn since the last call, and forgets them.
  static Lines drawn() {
    Lines lines = all_log_lines();
    hl::clear_log_lines();
    return lines;
  }
};

// ---- Reading frames from log lines ---------------------------------------------------------

inline bool contains(const Lines& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line)
      return true;
  return false;
}

inline int count_starting(const Lines& lines, const std::string& prefix) {
  int count = 0;
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0)
      count++;
  return count;
}

// The first line of every play frame: the filled field.
inline const char* const FIELD_LINE =
    "white rectangle with bounding box (-300,226) to (300,-250), filled";

inline int play_frames(const Lines& lines) {
  return count_starting(lines, FIELD_LINE);
}

// The value of a heads-up counter ("Score", "Time", ...) in the frame, or -1 when not drawn.
inline int hud(const Lines& frame, const std::string& label) {
  const std::string needle = "\"" + label + ": ";
  for (const std::string& l : frame) {
    if (l.rfind("white text at (", 0) != 0)
      continue;
    const size_t at = l.find(needle);
    if (at != std::string::npos)
      return std::stoi(l.substr(at + needle.size()));
  }
  return -1;
}

struct DrawnFly {
  int x, y;
  int eye_radius;
};

// The flies drawn in the frame, in drawing order, recognised by the two body discs that begin
// every fly and the left eye four lines later.
inline std::vector<DrawnFly> flies(const Lines& frame) {
  std::vector<DrawnFly> found;
  for (size_t i = 0; i + 4 < frame.size(); i++) {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, ex = 0, ey = 0, r = 0;
    if (std::sscanf(frame[i].c_str(), "50%% gray circle at (%d,%d), radius 8", &x1, &y1) != 2)
      continue;
    if (std::sscanf(frame[i + 1].c_str(), "50%% gray circle at (%d,%d), radius 8", &x2, &y2) != 2)
      continue;
    if (x1 != x2 || y1 != y2 - 4)
      continue;
    if (std::sscanf(frame[i + 4].c_str(), "red circle at (%d,%d), radius %d", &ex, &ey, &r) != 3)
      continue;
    found.push_back({x2, y2, r});
    i += 13;
  }
  return found;
}

// Lines of the swatter's net and frame: it is the only thing drawn in blue and purple.
inline int swatter_lines(const Lines& frame) {
  return count_starting(frame, "blue line") + count_starting(frame, "purple ");
}

} // namespace game_test
