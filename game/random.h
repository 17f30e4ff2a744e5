// The game's one pseudo-random sequence and its rounding rule.
#pragma once

// The next number of the sequence, in [0, 1] (both ends possible).
double random_fraction();
// Nearest integer, halves away from zero.
int round_half_away(double value);
// Starts the sequence again from its first number (a new run of the game).
void random_restart();
