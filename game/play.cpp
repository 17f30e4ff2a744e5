// The play loop and its scoring: clicks press the spawn button or swing the swatter, ticks move the
// bug world on and keep the population up to the level's target, and every event redraws the
// whole frame.
#include "game.h"

#include <veldo/kit.h>

#include <algorithm>

GameState game_state_initial() {
  GameState state{};
  state.swatter.width = 30;
  state.swatter.height = 30;
  return state;
}

int spawn_button_hit(int x, int y) {
  // Strictly inside: a click on the outline itself belongs to the field.
  return x > BUTTON_LEFT && x < BUTTON_LEFT + BUTTON_WIDTH && y > BUTTON_BOTTOM && y < BUTTON_TOP
             ? 1
             : 0;
}

void press_button(int x, int y, BugTable& table) {
  // A point left of the row would truncate into cell 0 like a point on the first button does, so
  // it is turned away before the cell is worked out.
  if (y > BUTTON_TOP || y < BUTTON_BOTTOM || x < BUTTON_LEFT) {
    draw_internal_error();
    return;
  }
  const int cell = (x - BUTTON_LEFT) / BUTTON_WIDTH;
  if (cell == 0)
    bugs_spawn_random(table);
  else
    draw_internal_error();
}

void draw_internal_error() {
  kit_printf(VELDO_RED, 0, 0, 16, "INTERNAL ERROR!");
}

namespace {

// A click can carry any 32-bit position: a script may hold one that no window could produce.
// Beyond a million units from the origin, far past any screen, a swing is the same everywhere: it
// hits nothing and its swatter lies off the canvas. Such a click swings at that bound instead,
// which keeps the swatter's and the hit test's sums far inside int.
constexpr int SWING_REACH = 1000000;

void swing(int x, int y, GameState& state, BugTable& bugs) {
  state.swatter.x = std::clamp(x, -SWING_REACH, SWING_REACH);
  state.swatter.y = std::clamp(y, -SWING_REACH, SWING_REACH);
  state.swatter.cooldown = SWING_COOLDOWN;
  state.swings++;
  const int hits = bugs_swat(state.swatter, bugs);
  state.last = hits;
  state.score += hits;
  state.level = (state.score + 10) / 20;
  // A miss ends the spree; every hitting swing adds all of its hits to it.
  state.spree = hits > 0 ? state.spree + hits : 0;
}

void tick(GameState& state, BugTable& bugs, ParticleTable& particles) {
  bugs_step(bugs, particles);
  particles_age(particles);
  state.tick_count++;
  if (state.swatter.cooldown > 0)
    state.swatter.cooldown--;
  // Flies still falling count toward the target until they leave the field.
  if (bugs_count(bugs) < 2 * state.level + 2)
    bugs_spawn_random(bugs);
}

} // namespace

void play_event(int kind, int x, int y, GameState& state, BugTable& bugs,
                ParticleTable& particles) {
  switch (kind) {
  case VELDO_MOUSE:
    // The button works whatever the cooldown; a click on the field swings only once the last
    // swing's cooldown has run out, and is otherwise ignored.
    if (spawn_button_hit(x, y) == 1)
      press_button(x, y, bugs);
    else if (state.swatter.cooldown == 0)
      swing(x, y, state, bugs);
    break;
  case VELDO_PERIODIC:
    tick(state, bugs, particles);
    break;
  default:
    break;
  }
}

void draw_frame(const GameState& state, const BugTable& bugs, const ParticleTable& particles) {
  draw_playfield();
  draw_spawn_button();
  particles_draw(particles);
  bugs_draw(bugs);
  swatter_draw(state.swatter);
  draw_hud(state.score, state.tick_count, state.level, state.swings, state.spree, state.last);
}

void play_loop(GameState& state, BugTable& bugs, ParticleTable& particles) {
  int x = 0;
  int y = 0;
  char key = 0;
  for (;;) {
    const int kind = kit_await_event(&x, &y, &key);
    play_event(kind, x, y, state, bugs, particles);
    // Even the quit is followed by one last frame, so the canvas shows the final state.
    draw_frame(state, bugs, particles);
    if (kind == VELDO_QUIT)
      break;
  }
}
