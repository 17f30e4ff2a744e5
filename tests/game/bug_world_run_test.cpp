// A long run of the bug world driven the way the play loop drives it, checking the invariants
// that must hold after every step, and that the same events give the same game.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "bugs.h"
#include "particles.h"
#include "random.h"

namespace {

// The player's swings come from a sequence of the test's own, so that they do not disturb the
// game's random sequence.
struct SwingSource {
  std::uint32_t state = 12345;
  int next(int low, int high) {
    state = state * 1103515245u + 12345u;
    return low + static_cast<int>((state >> 8) % static_cast<std::uint32_t>(high - low + 1));
  }
};

struct RunResult {
  BugTable bugs;
  ParticleTable particles;
  long hits = 0;
  long spawns_into_full_table = 0;
  long steps_with_particles_full = 0;
  long falling_freed = 0;
  long corner_steps = 0;
  int longest_corner_streak = 0;
};

bool inside_x(const Bug& bug) {
  return bug.x - bug.width / 2 >= -300 && bug.x + bug.width / 2 <= 300;
}

bool inside_y(const Bug& bug) {
  return bug.y - bug.height / 2 >= -250 && bug.y + bug.height / 2 <= 226;
}

// Runs `steps` ticks from a fresh generator: step, age, then spawn toward a target population
// that sweeps from 2 to beyond the table's 50 slots and back, with swings now and then.
void run(int steps, RunResult& result) {
  random_restart();
  bugs_clear(result.bugs);
  particles_clear(result.particles);
  SwingSource swings;
  // How many steps running each slot's fly has ended outside the field on y.
  std::vector<int> outside_streak(BUG_SLOTS, 0);

  for (int tick = 0; tick < steps; ++tick) {
    BugTable before = result.bugs;
    bugs_step(result.bugs, result.particles);
    particles_age(result.particles);

    for (int i = 0; i < BUG_SLOTS; ++i) {
      const Bug& bug = result.bugs.slots[i];
      if (before.slots[i].kind != 0 && before.slots[i].swatted != 0 && bug.kind == 0)
        ++result.falling_freed;
      if (bug.kind == 0) {
        outside_streak[i] = 0;
        continue;
      }
      ASSERT_EQ(bug.kind, BUG_FLY);
      if (bug.swatted != 0) {
        // A falling fly leaves the table in the step that takes it below the field.
        ASSERT_GE(bug.y, -250) << "slot " << i << " at tick " << tick;
        outside_streak[i] = 0;
        continue;
      }
      ASSERT_GE(bug.ticks, 1) << "slot " << i << " at tick " << tick;
      ASSERT_LE(bug.ticks, 30) << "slot " << i << " at tick " << tick;
      ASSERT_GE(bug.speed, 0.0) << "slot " << i << " at tick " << tick;
      ASSERT_TRUE(inside_x(bug)) << "slot " << i << " x " << bug.x << " at tick " << tick;
      if (!inside_y(bug)) {
        // The side walls are handled before the top and bottom, so only a fly that was just put
        // back against a side wall may be left outside on y. Its mirrored heading comes from the
        // already-turned heading and can point it back into the same wall, so such a fly can
        // stay outside on y for a few steps running, until a draw sends it straight away from
        // the wall.
        ++result.corner_steps;
        ASSERT_TRUE(bug.x == -285 || bug.x == 285) << "slot " << i << " at tick " << tick;
        outside_streak[i] += 1;
        result.longest_corner_streak = std::max(result.longest_corner_streak, outside_streak[i]);
      } else {
        outside_streak[i] = 0;
      }
    }
    int live_particles = 0;
    for (const Particle& particle : result.particles.slots) {
      ASSERT_GE(particle.life, 0.0);
      ASSERT_LE(particle.life, 10.0);
      if (particle.life > 0)
        ++live_particles;
    }
    if (live_particles == PARTICLE_SLOTS)
      ++result.steps_with_particles_full;

    int period = tick % 20000;
    int level = period < 10000 ? period / 350 : (20000 - period) / 350;
    if (bugs_count(result.bugs) < 2 * level + 2) {
      if (bugs_count(result.bugs) == BUG_SLOTS)
        ++result.spawns_into_full_table;
      bugs_spawn_random(result.bugs);
    }
    // A frenzy of a swing every tick around the crowded middle of each sweep fills the debris
    // table; otherwise a swing every 7 ticks.
    int swing_every = period >= 8000 && period < 12000 ? 1 : 7;
    if (tick % swing_every == 0) {
      Swatter swatter{swings.next(-300, 300), swings.next(-250, 226), 30, 30, 0};
      int hits = bugs_swat(swatter, result.bugs);
      ASSERT_GE(hits, 0);
      result.hits += hits;
    }
  }
}

} // namespace

TEST(BugWorldRun, InvariantsHoldOverALongRun) {
  static RunResult result;
  run(100000, result);
  if (HasFatalFailure())
    return;
  // The run must have exercised what it claims to check.
  EXPECT_GT(result.hits, 1000);
  EXPECT_GT(result.spawns_into_full_table, 100);
  EXPECT_GT(result.falling_freed, 1000);
  EXPECT_GT(result.corner_steps, 0);
  // A fly left beyond the top or bottom in a corner is not stuck there: every step it stays
  // against the side wall has a 0.7 chance of being sent straight away from it.
  EXPECT_LE(result.longest_corner_streak, 10);
  EXPECT_GT(result.steps_with_particles_full, 0);
}

TEST(BugWorldRun, SameEventsGiveTheSameGame) {
  static RunResult first;
  static RunResult second;
  run(5000, first);
  run(5000, second);
  // The same run on every build: these figures were taken from GCC and Clang builds at -O0 and
  // -O3. A build option that changes floating-point results, or a draw moved or added anywhere,
  // changes them.
  std::uint64_t fingerprint = 0;
  for (const Bug& bug : first.bugs.slots) {
    fingerprint = fingerprint * 31u +
                  static_cast<std::uint32_t>(bug.kind * 7 + bug.x * 3 + bug.y + bug.ticks);
  }
  EXPECT_EQ(first.hits, 290);
  EXPECT_EQ(fingerprint, 6314477843997113092u);
  EXPECT_EQ(random_state(), 2685871825u);
  EXPECT_EQ(first.hits, second.hits);
  for (int i = 0; i < BUG_SLOTS; ++i) {
    const Bug& a = first.bugs.slots[i];
    const Bug& b = second.bugs.slots[i];
    EXPECT_TRUE(a.kind == b.kind && a.x == b.x && a.y == b.y && a.speed == b.speed &&
                a.target_speed == b.target_speed && a.turn_rate == b.turn_rate &&
                a.heading == b.heading && a.ticks == b.ticks && a.swatted == b.swatted)
        << "slot " << i;
  }
  for (int i = 0; i < PARTICLE_SLOTS; ++i) {
    EXPECT_EQ(first.particles.slots[i].life, second.particles.slots[i].life) << "slot " << i;
  }
}
