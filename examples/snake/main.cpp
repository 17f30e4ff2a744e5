// snake: an arrow key sets the snake off; steer it with the arrow keys to the apples. Each apple
// makes it one cell longer; running into the wall or into itself ends the game, and Enter starts
// a new one. F2 saves a screenshot, snake.png. Ctrl+R before the first arrow key records the game
// to VELDO.SCR, and `snake --png final.png VELDO.SCR` replays it.
#include <veldo/kit.h>
#include <veldo/replay.h>

#include <cstdio>

// The field is a grid of 30 x 23 cells of 20 pixels below a score line: cell (0, 0) is the
// bottom-left one, with its lower-left corner at canvas point (-300, -250).
const int CELL = 20, COLUMNS = 30, ROWS = 23;
const int MAX_LENGTH = COLUMNS * ROWS;

// Colours of our own, besides the kit's 24 named ones.
const int GRASS = 24, DARK_GRASS = 25, SNAKE = 26, SNAKE_HEAD = 27, APPLE = 28;

struct Cell {
  int column, row;
};

bool same(Cell a, Cell b) {
  return a.column == b.column && a.row == b.row;
}

struct Game {
  Cell body[MAX_LENGTH] = {}; // body[0] is the head
  int length = 3;
  int dx = 1, dy = 0;           // the direction it moves in, one cell a tick
  int next_dx = 1, next_dy = 0; // the direction asked for by the last arrow key
  Cell apple = {20, 11};
  int apples_eaten = 0;
  bool waiting = true; // for the first arrow key
  bool over = false;
  unsigned random_state = 2024; // the apples' places come from this, never from the clock
};

void start(Game& game) {
  game = Game();
  for (int i = 0; i < game.length; ++i)
    game.body[i] = {8 - i, 11};
}

// Whether the cell is one of the snake's first `count` cells, counted from the head.
bool on_snake(const Game& game, Cell cell, int count) {
  for (int i = 0; i < count; ++i)
    if (same(game.body[i], cell))
      return true;
  return false;
}

// A simple pseudo-random number generator: the same game always gets the same apples.
int next_random(Game& game, int limit) {
  game.random_state = game.random_state * 1103515245u + 12345u;
  return static_cast<int>((game.random_state >> 16) % static_cast<unsigned>(limit));
}

void place_apple(Game& game) {
  do {
    game.apple = {next_random(game, COLUMNS), next_random(game, ROWS)};
  } while (on_snake(game, game.apple, game.length));
}

// An arrow key turns the snake at the next tick, but never straight back into itself.
void steer(Game& game, int key) {
  int dx = 0, dy = 0;
  if (key == VELDO_KEY_LEFT)
    dx = -1;
  else if (key == VELDO_KEY_RIGHT)
    dx = 1;
  else if (key == VELDO_KEY_UP)
    dy = 1;
  else if (key == VELDO_KEY_DOWN)
    dy = -1;
  else
    return;
  game.waiting = false;
  if (dx != -game.dx || dy != -game.dy) {
    game.next_dx = dx;
    game.next_dy = dy;
  }
}

// One tick: the head moves one cell and the body follows; an apple makes the snake longer.
void step(Game& game) {
  game.dx = game.next_dx;
  game.dy = game.next_dy;
  Cell head = {game.body[0].column + game.dx, game.body[0].row + game.dy};
  bool eats = same(head, game.apple);
  bool hits_wall = head.column < 0 || head.column >= COLUMNS || head.row < 0 || head.row >= ROWS;
  // Unless the snake grows, its tail moves on too, so the head may take the cell the tail leaves.
  bool hits_itself = on_snake(game, head, eats ? game.length : game.length - 1);
  if (hits_wall || hits_itself) {
    game.over = true;
    return;
  }
  if (eats && game.length < MAX_LENGTH)
    game.length++;
  for (int i = game.length - 1; i > 0; --i)
    game.body[i] = game.body[i - 1];
  game.body[0] = head;
  if (eats) {
    game.apples_eaten++;
    place_apple(game);
  }
}

void fill_cell(int colour, Cell cell, int inset) {
  int left = -300 + cell.column * CELL + inset, bottom = -250 + cell.row * CELL + inset;
  kit_rectangle(colour, left, bottom + CELL - 1 - 2 * inset, left + CELL - 1 - 2 * inset, bottom,
                0);
}

// Text centred on x = 0, measured before it is drawn.
void centred_text(int colour, int y, int size, const char* text) {
  kit_text(colour, -kit_text_width(size, text) / 2, y, size, text);
}

void draw(const Game& game) {
  kit_rectangle(VELDO_BLACK, -300, 250, 300, -250 + ROWS * CELL, 0);
  kit_rectangle(GRASS, -300, -251 + ROWS * CELL, 300, -250, 0);
  for (int column = 0; column < COLUMNS; ++column) // a chequered lawn
    for (int row = column % 2; row < ROWS; row += 2)
      fill_cell(DARK_GRASS, {column, row}, 0);
  kit_circle(APPLE, -300 + game.apple.column * CELL + CELL / 2,
             -250 + game.apple.row * CELL + CELL / 2, CELL / 2 - 2);
  for (int i = game.length - 1; i >= 0; --i)
    fill_cell(i == 0 ? SNAKE_HEAD : SNAKE, game.body[i], 1);

  kit_printf(VELDO_WHITE, -290, 224, 20, "Apples: %d", game.apples_eaten);
  char length[32];
  std::snprintf(length, sizeof length, "Length: %d", game.length);
  kit_text(VELDO_WHITE, 290 - kit_text_width(20, length), 224, 20, length);
  if (game.waiting)
    centred_text(VELDO_WHITE, 60, 24, "Press an arrow key to start");
  if (game.over) {
    kit_rectangle(VELDO_BLACK, -150, 30 + kit_text_line_height(40), 150, -20, 0);
    centred_text(VELDO_WHITE, 30, 40, "Game over");
    centred_text(VELDO_GRAY_20, 0, 18, "Press Enter to play again");
  }
}

int play() {
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  kit_clear();
  kit_define_colour(GRASS, 140, 200, 90, "grass");
  kit_define_colour(DARK_GRASS, 120, 184, 76, "dark grass");
  kit_define_colour(SNAKE, 60, 90, 200, "snake");
  kit_define_colour(SNAKE_HEAD, 30, 50, 140, "snake head");
  kit_define_colour(APPLE, 220, 40, 40, "apple");
  kit_enable_input(VELDO_INPUT_KEYS); // the arrow keys, Enter and F2 as key presses
  kit_set_tick_period(110);
  kit_set_animation(VELDO_RUN);

  Game game;
  start(game);
  for (;;) {
    int x, y;
    char key;
    int kind = kit_await_event(&x, &y, &key);
    if (kind == VELDO_QUIT)
      break;
    if (kind == VELDO_KEY_PRESS && key == VELDO_KEY_F2)
      kit_save_png("snake.png");
    else if (kind == VELDO_KEY_PRESS && key == VELDO_KEY_ENTER && game.over)
      start(game);
    else if (kind == VELDO_KEY_PRESS)
      steer(game, key);
    else if (kind == VELDO_PERIODIC && !game.waiting && !game.over)
      step(game);
    draw(game);
  }
  kit_close();
  return 0;
}

// `snake` plays; `snake [--png FILE] SCRIPT` replays a recorded game without a window.
int main(int argc, char** argv) {
  return argc > 1 ? kit_replay_main(argc, argv, play) : play();
}
