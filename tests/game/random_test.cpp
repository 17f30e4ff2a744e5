// The game's random sequence and rounding rule.
#include <gtest/gtest.h>

#include "random.h"
#include "random_draws.h"

TEST(RandomFraction, FirstNumbersOfARunAndAfterARestart) {
  const int first_integers[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int round = 0; round < 2; ++round) {
    random_restart();
    for (int integer : first_integers)
      EXPECT_EQ(random_fraction(), integer / 32767.0);
  }
}

TEST(RandomFraction, ReachesBothEndsExactly) {
  random_set_state(test_draws::state_before_integer(0));
  EXPECT_EQ(random_fraction(), 0.0);
  random_set_state(test_draws::state_before_integer(32767));
  EXPECT_EQ(random_fraction(), 1.0);
}

TEST(RoundHalfAway, HalvesGoAwayFromZero) {
  EXPECT_EQ(round_half_away(2.5), 3);
  EXPECT_EQ(round_half_away(-2.5), -3);
  EXPECT_EQ(round_half_away(0.5), 1);
  EXPECT_EQ(round_half_away(-0.5), -1);
  EXPECT_EQ(round_half_away(0.49), 0);
  EXPECT_EQ(round_half_away(-0.49), 0);
  EXPECT_EQ(round_half_away(7.0), 7);
  EXPECT_EQ(round_half_away(-7.0), -7);
  EXPECT_EQ(round_half_away(0.0), 0);
}
