// The game: its entry, its state, and the drawing of its frames.
#pragma once

#include "bugs.h"
#include "particles.h"

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
