// The bug table: spawning flies, their flight and wall bounces, and swatting.
//
// The course of a game is fixed by its events and the one random sequence, so every draw happens
// exactly where and in the order written here, and the arithmetic keeps its written form: doubles,
// the decimal angles 1.57, 3.14, 4.71 and 6.28 (not multiples of pi), and integer halves that
// truncate toward zero. Reordering a formula or drawing one fraction more would change every game
// that follows.
#include "bugs.h"

#include <cmath>

#include "particles.h"
#include "random.h"

namespace {

// The field the flies move in, in canvas units: the heads-up bar lies above y = 226.
constexpr int FIELD_LEFT = -300;
constexpr int FIELD_RIGHT = 300;
constexpr int FIELD_TOP = 226;
constexpr int FIELD_BOTTOM = -250;

constexpr int FLY_SIZE = 30;
// A fly re-chooses its turn rate and target speed when it has counted this many steps.
constexpr int RECHOICE_TICKS = 30;
// How far a swatted fly drops per step.
constexpr int FALL_PER_STEP = 20;

// The new turn rate for a re-choice draw r; a draw below 0.15 keeps the current rate.
double chosen_turn_rate(double r, double current) {
  if (r >= 0.925)
    return 0.6;
  if (r >= 0.85)
    return -0.6;
  if (r >= 0.75)
    return 0.4;
  if (r >= 0.65)
    return -0.4;
  if (r >= 0.55)
    return 0.2;
  if (r >= 0.45)
    return -0.2;
  if (r >= 0.3)
    return 0.1;
  if (r >= 0.15)
    return -0.1;
  return current;
}

// Every 30 steps a flying fly picks a new turn rate and nudges its target speed. Slow flies turn
// more gently, whether or not the draw changed the rate.
void rechoose(Bug& bug) {
  bug.turn_rate = chosen_turn_rate(random_fraction(), bug.turn_rate);
  if (bug.speed < 6.0)
    bug.turn_rate *= 0.6;

  double r = random_fraction();
  if (r >= 0.65)
    bug.target_speed += 3.0;
  else if (r >= 0.45)
    bug.target_speed = -3.0;

  // The extra draw is made only for a slow target; drawing it always would shift the sequence.
  if (bug.target_speed <= 6.0) {
    if (random_fraction() >= 0.5)
      bug.target_speed += 6.0;
  } else if (bug.target_speed > 18.0) {
    bug.target_speed = 18.0;
  }
  bug.ticks = 0;
}

// Puts a fly that has left the field back inside on one axis. Only the first wall that applies is
// handled, so in a corner the top or bottom wall waits for a later step. Each bounce draws one
// fraction after the position is set: above 0.3 the fly turns to face straight into the field,
// otherwise its heading is mirrored (and left unwrapped until the next turn).
void bounce_off_walls(Bug& bug) {
  int half_width = bug.width / 2;
  int half_height = bug.height / 2;

  if (bug.x - half_width < FIELD_LEFT) {
    bug.x = FIELD_LEFT + half_width;
    if (random_fraction() > 0.3)
      bug.heading = 0.0;
    else
      bug.heading = bug.heading - 2 * (bug.heading - 1.57);
  } else if (bug.x + half_width > FIELD_RIGHT) {
    bug.x = FIELD_RIGHT - half_width;
    if (random_fraction() > 0.3)
      bug.heading = 3.14;
    else
      bug.heading = bug.heading - 2 * (bug.heading - 1.57);
  } else if (bug.y + half_height > FIELD_TOP) {
    bug.y = FIELD_TOP - half_height;
    if (random_fraction() > 0.3)
      bug.heading = 4.71;
    else
      bug.heading = bug.heading - 2 * (bug.heading - 3.14);
  } else if (bug.y - half_height < FIELD_BOTTOM) {
    bug.y = FIELD_BOTTOM + half_height;
    if (random_fraction() > 0.3)
      bug.heading = 1.57;
    else
      bug.heading = bug.heading - 2 * (bug.heading - 3.14);
  }
}

// A swatted fly drops, sheds debris on most steps, and frees its slot once below the field.
void fall(int slot, BugTable& table, ParticleTable& particles) {
  Bug& bug = table.slots[slot];
  bug.y -= FALL_PER_STEP;
  if (random_fraction() > 0.1) {
    // The vertical offset is drawn before the horizontal one.
    int dy = round_half_away(4 * random_fraction() - 2);
    int dx = round_half_away(4 * random_fraction() - 2);
    particles_add(bug.x + dx, bug.y + dy, particles);
  }
  if (bug.y < FIELD_BOTTOM)
    bug_remove(slot, table);
}

void fly(Bug& bug) {
  // Easing toward the target without snapping: a speed that misses its target by a fraction
  // keeps stepping across it.
  if (bug.target_speed > bug.speed)
    bug.speed += 0.1;
  else if (bug.target_speed < bug.speed)
    bug.speed -= 0.1;

  // Tested before the count goes up, so a new fly first re-chooses in its 31st step.
  if (bug.ticks == RECHOICE_TICKS)
    rechoose(bug);

  // A target of -3 brings the fly to a standstill here rather than flying it backwards.
  if (bug.speed < 0)
    bug.speed = 0;

  // The move uses the heading from before this step's turn.
  bug.x += round_half_away(std::cos(bug.heading) * bug.speed);
  bug.y += round_half_away(std::sin(bug.heading) * bug.speed);

  // Wrapping keeps the sign of the heading and brings it into (-6.28, 6.28).
  bug.heading += bug.turn_rate;
  bug.heading -= 2 * std::trunc(bug.heading / 6.28) * 3.14;

  bug.ticks += 1;
  bounce_off_walls(bug);
}

} // namespace

void bugs_clear(BugTable& table) {
  for (Bug& bug : table.slots)
    bug = Bug{};
}

void bugs_add(Bug bug, BugTable& table) {
  for (Bug& slot : table.slots) {
    if (slot.kind == 0) {
      slot = bug;
      return;
    }
  }
}

void bugs_spawn_random(BugTable& table) {
  // All five fractions are drawn before the table is searched, so a spawn into a full table
  // still moves the sequence on by five.
  Bug bug{};
  bug.kind = BUG_FLY;
  bug.width = FLY_SIZE;
  bug.height = FLY_SIZE;
  bug.speed = 30 * random_fraction();
  bug.target_speed = 30 * random_fraction();
  double r3 = random_fraction();
  bug.heading = (r3 + r3) * 3.14;
  if (random_fraction() > 0.5)
    bug.x = FIELD_RIGHT - bug.width / 2;
  else
    bug.x = FIELD_LEFT + bug.width / 2;
  bug.y = static_cast<int>(random_fraction() * 226 - 250);
  bug.turn_rate = 0.0;
  bug.ticks = 0;
  bug.swatted = 0;
  bugs_add(bug, table);
}

void bugs_step(BugTable& table, ParticleTable& particles) {
  for (int slot = 0; slot < BUG_SLOTS; ++slot) {
    Bug& bug = table.slots[slot];
    if (bug.kind != BUG_FLY)
      continue;
    if (bug.swatted != 0)
      fall(slot, table, particles);
    else
      fly(bug);
  }
}

int bugs_swat(Swatter swatter, BugTable& table) {
  // The fly reaches its full width and height from its centre, the swatter half of its own: with
  // 30 x 30 boxes a fly is hit within 45 units of the swing on both axes.
  int half_width = swatter.width / 2;
  int half_height = swatter.height / 2;
  int hits = 0;
  for (int slot = 0; slot < BUG_SLOTS; ++slot) {
    const Bug& bug = table.slots[slot];
    if (bug.kind == 0)
      continue;
    // Falling flies are tested too, so a swing can count one again.
    if (bug.x - bug.width <= swatter.x + half_width &&
        bug.x + bug.width >= swatter.x - half_width &&
        bug.y - bug.height <= swatter.y + half_height &&
        bug.y + bug.height >= swatter.y - half_height) {
      bug_mark_swatted(slot, table);
      ++hits;
    }
  }
  return hits;
}

void bug_mark_swatted(int slot, BugTable& table) {
  table.slots[slot].swatted = 1;
}

void bug_remove(int slot, BugTable& table) {
  // Only the kind is cleared; the freed slot's other fields stay until the next add overwrites
  // the whole record.
  table.slots[slot].kind = 0;
}

int bugs_count(const BugTable& table) {
  int count = 0;
  for (const Bug& bug : table.slots) {
    if (bug.kind != 0)
      ++count;
  }
  return count;
}
