// The program's entry: set-up, the title screen until a click, the play loop until quit, and
// shut-down. All of the game's state lives here, for the life of the run.
#include "game.h"

#include <veldo/kit.h>

namespace {

// Ticks every 25 ms: the game counts all of its time in these, 40 to the second.
constexpr int TICK_PERIOD_MS = 25;

// Shows the title until the player clicks. Returns true to play, false when quit came first.
bool title_loop() {
  int x = 0;
  int y = 0;
  char key = 0;
  for (;;) {
    const int kind = kit_await_event(&x, &y, &key);
    // The click that leaves the title is not a swing: its position is not used.
    if (kind == VELDO_MOUSE)
      return true;
    if (kind == VELDO_QUIT)
      return false;
    draw_title_screen();
  }
}

} // namespace

int WinMain(void* instance, void* previous_instance, char* command_line, int show_mode) {
  GameState state = game_state_initial();
  BugTable bugs;
  ParticleTable particles;
  bugs_clear(bugs);
  particles_clear(particles);

  kit_open(instance, previous_instance, command_line, show_mode);
  kit_set_logging(0);
  kit_clear();
  kit_set_animation(VELDO_RUN);
  kit_set_tick_period(TICK_PERIOD_MS);

  if (title_loop())
    play_loop(state, bugs, particles);

  kit_close();
  return 0;
}

void draw_title_screen() {
  // The black backdrop covers the whole play area, so each redraw replaces the last one fully.
  kit_rectangle(VELDO_BLACK, -300, -250, 300, 250, 0);
  kit_circle(VELDO_RED, 0, 100, 70);
  kit_printf(VELDO_BLACK, -39, 27, 127, "Z");
  kit_printf(VELDO_WHITE, -260, -50, 40, "D O V U V E Z U V I R");
  kit_printf(VELDO_WHITE, -90, -110, 30, "\"Swat 'em all!\"");
  kit_printf(VELDO_WHITE, -125, -240, 22, "Click the mouse to continue.");
}
