// The game: its entry, its state, and the drawing of its frames.
#pragma once

#include "bugs.h"
#include "particles.h"

// The button row in the top bar: buttons BUTTON_WIDTH wide side by side from BUTTON_LEFT, each
// from BUTTON_BOTTOM to BUTTON_TOP. It holds one button, index 0, "Spawn fly".
constexpr int BUTTON_COUNT = 1;
constexpr int BUTTON_LEFT = -299;
constexpr int BUTTON_WIDTH = 66;
constexpr int BUTTON_BOTTOM = 227;
constexpr int BUTTON_TOP = 247;

// Ticks of a swing's cooldown: 625 ms at 40 ticks a second.
constexpr int SWING_COOLDOWN = 25;

struct GameState {
  int score;
  int tick_count;
  int level;
  int swings;
  int spree;
  int last;
  Swatter swatter;
};

// The program's entry: opens the kit, shows the title until a click, plays until quit.
int WinMain(void* instance, void* previous_instance, char* command_line, int show_mode);

void draw_title_screen();

// The game state as it stands before play: no score, the swatter resting at the origin.
GameState game_state_initial();

// The play loop: takes events until quit, applying each to the game and redrawing the frame.
void play_loop(GameState& state, BugTable& bugs, ParticleTable& particles);
// One pass of the play loop's rules for an event of `kind` (a click at (x, y), a tick, a key or
// quit), without the redraw.
void play_event(int kind, int x, int y, GameState& state, BugTable& bugs, ParticleTable& particles);
// The whole play frame, from the bottom up: playfield, button, debris, flies, swatter, HUD.
void draw_frame(const GameState& state, const BugTable& bugs, const ParticleTable& particles);

// Play loop helpers.
int spawn_button_hit(int x, int y);
void press_button(int x, int y, BugTable& table);
void draw_internal_error();

// Playfield and heads-up display.
void draw_playfield();
void draw_spawn_button();
void draw_hud(int score, int tick_count, int level, int swings, int spree, int last);

// Sprites.
void bugs_draw(const BugTable& table);
void bug_draw(Bug bug);
void swatter_draw(Swatter swatter);
