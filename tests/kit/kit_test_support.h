// What the kit's headless tests share: a fresh, opened kit for every test and a way to take one
// event with all its data.
#pragma once

#include "src/kit_internal.h"
#include "veldo/headless.h"
#include "veldo/kit.h"

#include <gtest/gtest.h>

#include <vector>

namespace veldo::testing {

struct Event {
  int kind = 0;
  int x = -1;
  int y = -1;
  char key = 'z';
  bool operator==(const Event&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "{kind " << e.kind << ", x " << e.x << ", y " << e.y << ", key "
             << static_cast<int>(e.key) << "}";
}

inline Event await_event() {
  Event event;
  event.kind = kit_await_event(&event.x, &event.y, &event.key);
  return event;
}

// Every canvas pixel (0xRRGGBB), row by row.
inline std::vector<uint32_t> canvas_snapshot() {
  std::vector<uint32_t> pixels;
  pixels.reserve(CANVAS_WIDTH * CANVAS_HEIGHT);
  for (int y = 0; y < CANVAS_HEIGHT; ++y)
    for (int x = 0; x < CANVAS_WIDTH; ++x)
      pixels.push_back(headless::canvas_pixel(x, y));
  return pixels;
}

// Runs `action` once, the first time the kit would wait with an empty queue at or after
// `at_ms` of virtual time.
inline void once_idle_at(int64_t at_ms, std::function<void()> action) {
  auto done = std::make_shared<bool>(false);
  headless::set_idle_handler([at_ms, action, done] {
    if (!*done && headless::clock_ms() >= at_ms) {
      *done = true;
      action();
    }
  });
}

class KitTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::reset();
    ASSERT_EQ(kit_open(nullptr, nullptr, "", 1), 1);
  }
  void TearDown() override {
    headless::set_idle_handler(nullptr);
    kit_close();
    EXPECT_EQ(headless::stall_quits(), expected_stall_quits)
        << "a quit came from the headless platform's stall guard, not from the test";
  }

  // The stall guard's quits a test expects: only a test that waits for ever on purpose has any.
  int expected_stall_quits = 0;
};

} // namespace veldo::testing
