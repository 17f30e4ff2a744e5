// Drawing the debris through the kit, observed as the kit's logged drawing calls.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <veldo/headless.h>
#include <veldo/kit.h>

#include "particles.h"

namespace {

class ParticleDrawTest : public ::testing::Test {
protected:
  void SetUp() override {
    veldo::headless::reset();
    kit_open(nullptr, nullptr, "", 1);
    kit_set_logging(1);
    particles_clear(table);
  }

  void TearDown() override { kit_close(); }

  // The circle lines logged by one call of particles_draw, without their line ends.
  std::vector<std::string> draw() {
    veldo::headless::clear_log_lines();
    particles_draw(table);
    std::vector<std::string> circles;
    for (std::string line : veldo::headless::log_lines()) {
      while (!line.empty() && line.back() == '\n')
        line.pop_back();
      circles.push_back(line);
    }
    return circles;
  }

  ParticleTable table;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(ParticleDrawTest, DrawsLiveParticlesInSlotOrderAsRedDiscs) {
  table.slots[0] = Particle{-5, -6, 0.6};
  table.slots[3] = Particle{10, 20, 2.4};
  table.slots[5] = Particle{1, 1, 0.0}; // free
  table.slots[9] = Particle{300, -250, 10.0};
  EXPECT_EQ(draw(), (Lines{"red circle at (-5,-6), radius 1", "red circle at (10,20), radius 2",
                           "red circle at (300,-250), radius 10"}));
}

TEST_F(ParticleDrawTest, LifeQuarterIsDrawnWithRadiusZeroUntilFreed) {
  table.slots[2] = Particle{7, 8, 0.25};
  const Lines radius_zero{"red circle at (7,8), radius 0"};
  EXPECT_EQ(draw(), radius_zero);
  particles_age(table);
  EXPECT_EQ(draw(), radius_zero);
  particles_age(table);
  EXPECT_EQ(draw(), radius_zero);
  particles_age(table);
  EXPECT_EQ(draw(), Lines{});
}

TEST_F(ParticleDrawTest, LifeTenKeepsRadiusTenUntilBelowNineAndAHalf) {
  // Five ageings leave a life just above 9.5, still drawn at 10; the sixth takes it below.
  table.slots[0] = Particle{0, 0, 10.0};
  for (int ageing = 0; ageing <= 5; ++ageing) {
    SCOPED_TRACE(testing::Message() << "after " << ageing << " ageings");
    EXPECT_EQ(draw(), Lines{"red circle at (0,0), radius 10"});
    particles_age(table);
  }
  EXPECT_EQ(draw(), Lines{"red circle at (0,0), radius 9"});
}

TEST_F(ParticleDrawTest, NothingIsDrawnAfterClear) {
  for (int i = 0; i < PARTICLE_SLOTS; ++i)
    table.slots[i] = Particle{i, i, 5.0};
  EXPECT_EQ(draw().size(), static_cast<size_t>(PARTICLE_SLOTS));
  particles_clear(table);
  EXPECT_EQ(draw(), Lines{});
}
