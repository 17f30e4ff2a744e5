// pong: you hold the left paddle, the computer the right one. Press Enter or click to serve, then
// move your paddle with the Up and Down arrow keys, or with the mouse over the window. A ball that
// passes a paddle is a point for the other side; the first to 7 points wins, and Enter starts a
// new match. F2 saves a screenshot, pong.png. Ctrl+R before the serve records the match to
// VELDO.SCR, and `pong --png final.png VELDO.SCR` replays it.
#include <veldo/kit.h>
#include <veldo/replay.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

// The court spans the whole window: x -300..300, y -250..250, with the score line along the top.
const int TOP = 220, BOTTOM = -250;
const int PADDLE_X = 270, PADDLE_HALF_HEIGHT = 40, PADDLE_WIDTH = 10, PADDLE_SPEED = 8;
const int BALL_SIZE = 10, WINNING_SCORE = 7;

// Colours of our own, besides the kit's 24 named ones.
const int NIGHT = 24, AMBER = 25, MINT = 26, GREY_BLUE = 27;

struct Ball {
  int x, y;   // the centre
  int dx, dy; // pixels per tick
};

struct Match {
  Ball ball;
  int player_y = 0, computer_y = 0; // the paddles' centres
  int player_score = 0, computer_score = 0;
  int serves = 0;
  bool up_held = false, down_held = false;
  bool waiting = true; // for the first serve
};

// The ball starts in the middle, towards whoever lost the last point, a little up or down.
void serve(Match& match, int towards) {
  int slopes[] = {2, -3, 1, -1, 3, -2};
  match.ball = {0, 0, 6 * towards, slopes[match.serves % 6]};
  match.serves++;
}

bool match_over(const Match& match) {
  return match.player_score == WINNING_SCORE || match.computer_score == WINNING_SCORE;
}

int clamp_paddle(int y) {
  return std::clamp(y, BOTTOM + PADDLE_HALF_HEIGHT, TOP - PADDLE_HALF_HEIGHT);
}

// A paddle at (paddle_x, paddle_y) sends the ball back when they touch; where it hits the paddle
// decides how steeply it leaves.
void bounce_off_paddle(Ball& ball, int paddle_x, int paddle_y) {
  bool touching = std::abs(ball.x - paddle_x) <= (BALL_SIZE + PADDLE_WIDTH) / 2 &&
                  std::abs(ball.y - paddle_y) <= PADDLE_HALF_HEIGHT + BALL_SIZE / 2;
  bool coming_closer = (paddle_x > 0) == (ball.dx > 0);
  if (touching && coming_closer) {
    ball.dx = -ball.dx;
    ball.dy = (ball.y - paddle_y) / 6;
  }
}

// One tick of play: the paddles move, then the ball, which bounces or scores.
void step(Match& match) {
  if (match.up_held)
    match.player_y = clamp_paddle(match.player_y + PADDLE_SPEED);
  if (match.down_held)
    match.player_y = clamp_paddle(match.player_y - PADDLE_SPEED);
  // The computer follows the ball, but no faster than 5 pixels a tick, so it can be beaten.
  match.computer_y =
      clamp_paddle(match.computer_y + std::clamp(match.ball.y - match.computer_y, -5, 5));

  Ball& ball = match.ball;
  ball.x += ball.dx;
  ball.y += ball.dy;
  if (ball.y + BALL_SIZE / 2 >= TOP) // off the top and bottom walls
    ball.dy = -std::abs(ball.dy);
  if (ball.y - BALL_SIZE / 2 <= BOTTOM)
    ball.dy = std::abs(ball.dy);
  bounce_off_paddle(ball, -PADDLE_X, match.player_y);
  bounce_off_paddle(ball, PADDLE_X, match.computer_y);
  if (ball.x < -300) {
    match.computer_score++;
    serve(match, -1);
  } else if (ball.x > 300) {
    match.player_score++;
    serve(match, 1);
  }
}

// Text centred on x = 0 on a box of the court's colour, both measured before they are drawn.
void centred_text(int colour, int y, int size, const char* text) {
  int width = kit_text_width(size, text);
  kit_rectangle(NIGHT, -width / 2 - 8, y + kit_text_line_height(size), width / 2 + 8, y, 0);
  kit_text(colour, -width / 2, y, size, text);
}

void draw(const Match& match) {
  kit_rectangle(NIGHT, -300, 250, 300, -250, 0);
  kit_rectangle(GREY_BLUE, -300, TOP, 300, TOP - 1, 0);
  for (int y = TOP - 10; y > BOTTOM; y -= 30) // the net
    kit_rectangle(GREY_BLUE, -2, y, 2, y - 14, 0);
  kit_rectangle(AMBER, -PADDLE_X - PADDLE_WIDTH / 2, match.player_y + PADDLE_HALF_HEIGHT,
                -PADDLE_X + PADDLE_WIDTH / 2, match.player_y - PADDLE_HALF_HEIGHT, 0);
  kit_rectangle(MINT, PADDLE_X - PADDLE_WIDTH / 2, match.computer_y + PADDLE_HALF_HEIGHT,
                PADDLE_X + PADDLE_WIDTH / 2, match.computer_y - PADDLE_HALF_HEIGHT, 0);
  if (!match_over(match))
    kit_circle(VELDO_WHITE, match.ball.x, match.ball.y, BALL_SIZE / 2);

  kit_printf(AMBER, -280, 226, 20, "You %d", match.player_score);
  char computer[32];
  std::snprintf(computer, sizeof computer, "Computer %d", match.computer_score);
  kit_text(MINT, 280 - kit_text_width(20, computer), 226, 20, computer);
  centred_text(GREY_BLUE, 226, 14, "first to 7");
  if (match.waiting)
    centred_text(VELDO_WHITE, 40, 24, "Press Enter or click to serve");
  if (match_over(match)) {
    centred_text(VELDO_WHITE, 40, 40,
                 match.player_score == WINNING_SCORE ? "You win!" : "The computer wins");
    centred_text(GREY_BLUE, -20, 18, "Press Enter to play again");
  }
}

int play() {
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  kit_clear();
  kit_define_colour(NIGHT, 16, 24, 48, "night");
  kit_define_colour(AMBER, 255, 191, 64, "amber");
  kit_define_colour(MINT, 112, 224, 176, "mint");
  kit_define_colour(GREY_BLUE, 96, 112, 144, "grey blue");
  // Beyond clicks and characters: the special keys, their releases, and the mouse's motion.
  kit_enable_input(VELDO_INPUT_KEYS | VELDO_INPUT_RELEASES | VELDO_INPUT_MOTION);
  kit_set_tick_period(20); // 50 ticks a second
  kit_set_animation(VELDO_RUN);

  Match match;
  serve(match, 1);
  for (;;) {
    int x, y;
    char key;
    int kind = kit_await_event(&x, &y, &key);
    if (kind == VELDO_QUIT)
      break;
    if (kind == VELDO_KEY_PRESS || kind == VELDO_KEY_RELEASE) {
      bool pressed = kind == VELDO_KEY_PRESS;
      if (key == VELDO_KEY_UP)
        match.up_held = pressed;
      else if (key == VELDO_KEY_DOWN)
        match.down_held = pressed;
      else if (key == VELDO_KEY_F2 && pressed)
        kit_save_png("pong.png");
      else if (key == VELDO_KEY_ENTER && pressed && match_over(match)) {
        match = Match();
        serve(match, 1);
      } else if (key == VELDO_KEY_ENTER && pressed)
        match.waiting = false;
    } else if (kind == VELDO_MOUSE) {
      match.waiting = false;
    } else if (kind == VELDO_MOTION) {
      match.player_y = clamp_paddle(y);
    } else if (kind == VELDO_PERIODIC && !match.waiting && !match_over(match)) {
      step(match);
    }
    draw(match);
  }
  kit_close();
  return 0;
}

// `pong` plays; `pong [--png FILE] SCRIPT` replays a recorded match without a window.
int main(int argc, char** argv) {
  return argc > 1 ? kit_replay_main(argc, argv, play) : play();
}
