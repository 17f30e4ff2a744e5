// Test helpers that make the game's next random draws known in advance. They use the
// generator's documented formula independently of the game's code, and set its state through
// the hook kept for tests and replays.
#pragma once

#include <cstdint>
#include <initializer_list>

#include <gtest/gtest.h>

#include "random.h"

namespace test_draws {

inline std::uint32_t next_state(std::uint32_t state) {
  return state * 214013u + 2531011u;
}

inline double fraction_of(std::uint32_t state) {
  return static_cast<int>((state >> 16) & 32767u) / 32767.0;
}

// A closed range of fractions that one draw must fall in.
struct Draw {
  double low;
  double high;
};

// Sets the generator so that its next draws fall, in order, in the given ranges. It walks the
// generator's own sequence until a stretch of draws fits, so the state it finds is an ordinary
// one a game could reach.
inline void arrange(std::initializer_list<Draw> draws) {
  std::uint32_t start = 1;
  for (int attempt = 0; attempt < 50'000'000; ++attempt) {
    std::uint32_t state = start;
    bool fits = true;
    for (const Draw& draw : draws) {
      state = next_state(state);
      double r = fraction_of(state);
      if (r < draw.low || r > draw.high) {
        fits = false;
        break;
      }
    }
    if (fits) {
      random_set_state(start);
      return;
    }
    start = next_state(start);
  }
  ADD_FAILURE() << "no stretch of the random sequence fits the requested draws";
}

// The state after which the next draw yields exactly `integer` (0..32767).
inline std::uint32_t state_before_integer(int integer) {
  // The multiplier is odd, so it has an inverse modulo 2^32 (Newton's iteration doubles the
  // number of correct bits each round).
  std::uint32_t inverse = 214013u;
  for (int i = 0; i < 5; ++i)
    inverse *= 2u - 214013u * inverse;
  std::uint32_t next = static_cast<std::uint32_t>(integer) << 16;
  return (next - 2531011u) * inverse;
}

// How many draws were made since the generator was at `before`; -1 when it is not within 1000.
inline int draws_since(std::uint32_t before) {
  std::uint32_t state = before;
  for (int count = 0; count <= 1000; ++count) {
    if (state == random_state())
      return count;
    state = next_state(state);
  }
  return -1;
}

} // namespace test_draws
