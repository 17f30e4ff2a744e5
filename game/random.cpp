// The game's pseudo-random sequence. A game is fixed by its events and this one sequence, so the
// generator is our own 15-bit linear congruential generator rather than a library facility whose
// range or sequence could differ between hosts.
#include "random.h"

namespace {

// The generator's state: the game's only global. It starts at 1 with the program and is shared
// by every caller of random_fraction.
std::uint32_t generator_state = 1;

// Advances the state (modulo 2^32 through unsigned wrap-around) and returns its next 15-bit
// integer, 0..32767.
int next_integer() {
  generator_state = generator_state * 214013u + 2531011u;
  return static_cast<int>((generator_state >> 16) & 32767u);
}

} // namespace

double random_fraction() {
  // Dividing by 32767 rather than 32768 makes both 0.0 and 1.0 possible; the game's thresholds
  // depend on it.
  return next_integer() / 32767.0;
}

int round_half_away(double value) {
  if (value >= 0)
    return static_cast<int>(value + 0.5);
  return static_cast<int>(value - 0.5);
}

void random_restart() {
  generator_state = 1;
}

std::uint32_t random_state() {
  return generator_state;
}

void random_set_state(std::uint32_t state) {
  generator_state = state;
}
