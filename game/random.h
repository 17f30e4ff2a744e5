// The game's one pseudo-random sequence and its rounding rule.
#pragma once

#include <cstdint>

// The next number of the sequence, in [0, 1] (both ends possible).
double random_fraction();
// Nearest integer, halves away from zero.
int round_half_away(double value);
// Starts the sequence again from its first number (a new run of the game).
void random_restart();

// For tests and replays only: the generator's raw 32-bit state, read and set. The game itself
// never calls these; a test sets a state to make the next draws known in advance.
std::uint32_t random_state();
void random_set_state(std::uint32_t state);
