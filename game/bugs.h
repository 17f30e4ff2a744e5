// The bug table: the flies in play, their flight, and swatting.
#pragma once

#include "particles.h"

constexpr int BUG_SLOTS = 50;
constexpr int BUG_FLY = 2;

struct Bug {
  int kind; // 0 free slot, 2 a fly
  int x;    // centre
  int y;
  int width;    // 30 for every fly
  int height;   // 30 for every fly
  double speed; // units per step
  double target_speed;
  double turn_rate; // radians added to the heading every step
  double heading;   // radians: 0 toward +x, 1.57 toward +y
  int ticks;        // steps since the last re-choice of turn rate and target speed
  int swatted;      // 0 flying, 1 swatted and falling
};

struct BugTable {
  Bug slots[BUG_SLOTS];
};

struct Swatter {
  int x; // where the last swing landed
  int y;
  int width; // striking box, centred on (x, y)
  int height;
  int cooldown; // ticks until the next swing is accepted
};

void bugs_clear(BugTable& table);
void bugs_add(Bug bug, BugTable& table);
void bugs_spawn_random(BugTable& table);
void bugs_step(BugTable& table, ParticleTable& particles);
int bugs_swat(Swatter swatter, BugTable& table);
void bug_mark_swatted(int slot, BugTable& table);
void bug_remove(int slot, BugTable& table);
int bugs_count(const BugTable& table);
