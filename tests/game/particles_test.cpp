// Debris particles: adding, the free-slot search and ageing.
#include <gtest/gtest.h>

#include "particles.h"
#include "random.h"
#include "random_draws.h"

namespace {

class ParticleTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    random_restart();
    particles_clear(table);
  }

  ParticleTable table;
};

} // namespace

TEST_F(ParticleTableTest, AddTakesItsLifeFromOneDraw) {
  particles_add(12, -34, table);
  EXPECT_EQ(table.slots[0].x, 12);
  EXPECT_EQ(table.slots[0].y, -34);
  EXPECT_EQ(table.slots[0].life, 10 * (41 / 32767.0));
  EXPECT_EQ(random_state(), test_draws::next_state(1));

  // A draw of 1 gives the longest life, 10.
  test_draws::arrange({{1.0, 1.0}});
  particles_add(0, 0, table);
  EXPECT_EQ(table.slots[1].life, 10.0);
}

TEST_F(ParticleTableTest, AddIntoAFullTableDrawsOnceAndChangesNoSlot) {
  for (int i = 0; i < PARTICLE_SLOTS; ++i)
    table.slots[i] = Particle{i, -i, 5.0};
  std::uint32_t before = random_state();
  particles_add(99, 99, table);
  EXPECT_EQ(test_draws::draws_since(before), 1);
  for (int i = 0; i < PARTICLE_SLOTS; ++i) {
    EXPECT_EQ(table.slots[i].x, i);
    EXPECT_EQ(table.slots[i].y, -i);
    EXPECT_EQ(table.slots[i].life, 5.0);
  }
}

TEST_F(ParticleTableTest, SearchStopsAtTheFirstExactZero) {
  table.slots[0].life = 1e-300; // tiny but positive: still occupied
  table.slots[2].life = 3.0;
  particles_add(7, 8, table);
  EXPECT_EQ(table.slots[0].life, 1e-300);
  EXPECT_EQ(table.slots[1].x, 7);
  EXPECT_GT(table.slots[1].life, 0.0);
  EXPECT_EQ(table.slots[2].life, 3.0);
  EXPECT_EQ(table.slots[3].life, 0.0);
}

TEST_F(ParticleTableTest, ZeroDrawLeavesTheSlotFree) {
  random_set_state(test_draws::state_before_integer(0));
  particles_add(5, 6, table);
  EXPECT_EQ(table.slots[0].life, 0.0);
  particles_add(7, 8, table);
  EXPECT_EQ(table.slots[0].x, 7);
  EXPECT_GT(table.slots[0].life, 0.0);
}

TEST_F(ParticleTableTest, LifeQuarterIsFreedByTheThirdAgeing) {
  table.slots[4] = Particle{1, 2, 0.25};
  particles_age(table);
  EXPECT_NEAR(table.slots[4].life, 0.15, 1e-12);
  particles_age(table);
  EXPECT_NEAR(table.slots[4].life, 0.05, 1e-12);
  EXPECT_GT(table.slots[4].life, 0.0);
  particles_age(table);
  EXPECT_EQ(table.slots[4].life, 0.0);
  // A freed slot keeps its position and stays at 0.0.
  particles_age(table);
  EXPECT_EQ(table.slots[4].life, 0.0);
  EXPECT_EQ(table.slots[4].x, 1);
  EXPECT_EQ(table.slots[4].y, 2);
}
