// The static parts of every play frame: the tiled field, the top bar with its button row, and the
// heads-up display with its counters and announcements.
#include "game.h"

#include <veldo/kit.h>

namespace {

// The layout of the play area in canvas coordinates.
constexpr int FIELD_LEFT = -300;
constexpr int FIELD_RIGHT = 300;
constexpr int FIELD_BOTTOM = -250;
constexpr int FIELD_TOP = 226; // the lower edge of the top bar
constexpr int AREA_TOP = 250;
constexpr int TILE_WIDTH = 50;
constexpr int TILE_HEIGHT = 55;

constexpr int BUTTON_LABEL_SIZE = 12;

constexpr int HUD_Y = 231;
constexpr int HUD_SIZE = 12;

} // namespace

void draw_playfield() {
  kit_rectangle(VELDO_WHITE, FIELD_LEFT, FIELD_BOTTOM, FIELD_RIGHT, FIELD_TOP, 0);
  // The tiles are drawn column by column from the left, each column from the bottom up; the top
  // row reaches above the field and is cut back by the top bar drawn after it.
  for (int x = FIELD_LEFT; x < FIELD_RIGHT; x += TILE_WIDTH)
    for (int y = FIELD_BOTTOM; y < FIELD_TOP; y += TILE_HEIGHT)
      kit_rectangle(VELDO_GRAY_20, x, y, x + TILE_WIDTH, y + TILE_HEIGHT, 1);
  kit_rectangle(VELDO_BLACK, FIELD_LEFT, FIELD_TOP, FIELD_RIGHT, AREA_TOP, 0);
}

void draw_spawn_button() {
  for (int i = 0; i < BUTTON_COUNT; i++)
    kit_rectangle(VELDO_RED, BUTTON_WIDTH * i + BUTTON_LEFT, BUTTON_TOP,
                  BUTTON_WIDTH * (i + 1) + BUTTON_LEFT, BUTTON_BOTTOM, 1);
  // The label sits on the button's middle line, lowered by half its own size.
  kit_printf(VELDO_WHITE, -289, (BUTTON_TOP + BUTTON_BOTTOM) / 2 - BUTTON_LABEL_SIZE / 2,
             BUTTON_LABEL_SIZE, "Spawn fly");
}

void draw_hud(int score, int tick_count, int level, int swings, int spree, int last) {
  kit_printf(VELDO_WHITE, -100, HUD_Y, HUD_SIZE, "Score: %d", score);
  // Ticks come 40 a second, so this is the time played in whole seconds.
  kit_printf(VELDO_WHITE, -40, HUD_Y, HUD_SIZE, "Time: %d", tick_count / 40);
  kit_printf(VELDO_WHITE, 20, HUD_Y, HUD_SIZE, "Level: %d", level);
  kit_printf(VELDO_WHITE, 80, HUD_Y, HUD_SIZE, "Swings: %d", swings);
  kit_printf(VELDO_WHITE, 150, HUD_Y, HUD_SIZE, "Spree: %d", spree);
  kit_printf(VELDO_WHITE, 210, HUD_Y, HUD_SIZE, "Last: %d", last);

  // The spree's announcement: only the highest row it reaches is shown.
  if (spree >= 25)
    kit_printf(VELDO_RED, -240, -80, 100, "GODLIKE!");
  else if (spree >= 20)
    kit_printf(VELDO_RED, -90, -20, 30, "Unstoppable!");
  else if (spree >= 15)
    kit_printf(VELDO_RED, -70, -20, 30, "Rampage!");
  else if (spree >= 10)
    kit_printf(VELDO_RED, -85, -20, 30, "Dominating!");
  else if (spree >= 5)
    kit_printf(VELDO_RED, -90, -20, 30, "Killing Spree!");

  // The last swing's kill is drawn second, so it lies over the spree where they overlap.
  if (last == 2)
    kit_printf(VELDO_RED, -80, 20, 30, "Double Kill!");
  else if (last == 3)
    kit_printf(VELDO_RED, -60, 20, 30, "Multi Kill!");
  else if (last == 4)
    kit_printf(VELDO_RED, -60, 20, 30, "Ultra Kill!");
  else if (last >= 5)
    kit_printf(VELDO_RED, -270, 30, 70, "MONSTER KILL!");
}
