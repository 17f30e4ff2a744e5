// What the script tests share: each test runs in a fresh temporary working directory (the script
// file is looked up there) with a freshly opened headless kit, and drives it through the await
// loop as a program would.
#pragma once

#include "src/kit_internal.h"

#include <veldo/headless.h>
#include <veldo/kit.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace veldo::script_test {

struct Event {
  int kind = 0;
  int x = 0;
  int y = 0;
  char key = 0;
  bool operator==(const Event&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "{kind " << e.kind << ", x " << e.x << ", y " << e.y << ", key "
             << static_cast<int>(static_cast<unsigned char>(e.key)) << "}";
}

inline Event mouse(int x, int y) {
  return {VELDO_MOUSE, x, y, 0};
}
inline Event key(char c) {
  return {VELDO_KBD, 0, 0, c};
}
inline Event periodic() {
  return {VELDO_PERIODIC, 0, 0, 0};
}

class ScriptTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/veldo-script-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    previous_directory_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
    open_kit();
  }

  void TearDown() override {
    headless::set_idle_handler(nullptr);
    EXPECT_EQ(stall_quits_ + headless::stall_quits(), expected_stall_quits)
        << "a quit came from the headless platform's stall guard, not from the test";
    headless::reset();
    std::filesystem::current_path(previous_directory_);
    std::filesystem::remove_all(directory_);
  }

  // A new process's kit, in the same working directory.
  void open_kit() {
    stall_quits_ += headless::stall_quits();
    headless::reset();
    kit_open(nullptr, nullptr, "", 1);
    headless::clear_log_lines();
  }

  // The stall guard's quits a test expects: only a test that waits for ever on purpose has any.
  int expected_stall_quits = 0;

  static void write_script(const std::string& text, const char* name = "VELDO.SCR") {
    std::ofstream(name, std::ios::binary) << text;
  }

  static std::string script_text(const char* name = "VELDO.SCR") {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static bool script_exists() { return std::filesystem::exists("VELDO.SCR"); }

  static Event await_event() {
    Event e;
    e.kind = kit_await_event(&e.x, &e.y, &e.key);
    return e;
  }

  // Runs one Run menu command: it is handled by the next call's first pumping step, and that
  // call's event (returned) follows it.
  static Event command(int id) {
    headless::choose_menu(id);
    return await_event();
  }

  // The same, in a call that falls back on live input (see await_live_event()).
  static Event command_or_live(int id) {
    headless::choose_menu(id);
    return await_live_event();
  }

  // Queues a click at canvas coordinates.
  static void click(int x, int y) { headless::click(kit.origin_x + x, kit.origin_y - y); }

  static void type_key(char c) {
    headless::key_down('A', static_cast<unsigned char>(c));
    headless::key_up('A');
  }

  // The event of a call that must fall back on live input: when the kit would wait with nothing
  // queued, a live '~' is typed.
  static Event await_live_event() {
    headless::set_idle_handler([] { type_key('~'); });
    Event e = await_event();
    headless::set_idle_handler(nullptr);
    return e;
  }

  // Plays events back one call at a time while playback is on; the call that finds the end gets
  // the live '~', which is not part of the result.
  static std::vector<Event> play_back_all() {
    std::vector<Event> events;
    headless::choose_menu(MENU_PLAYBACK);
    for (int guard = 0; guard < 100000; ++guard) {
      Event e = await_live_event();
      if (!kit.playing_back && e == key('~'))
        break;
      events.push_back(e);
    }
    return events;
  }

  static const std::vector<std::string>& log() { return headless::log_lines(); }

  std::filesystem::path directory_;
  std::filesystem::path previous_directory_;
  int stall_quits_ = 0; // posted by kits of earlier "processes" of the test
};

} // namespace veldo::script_test
