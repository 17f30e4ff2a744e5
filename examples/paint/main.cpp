// paint: a click-to-draw toy, and the whole shape of a program on the kit. Click a swatch along
// the bottom to pick one of the 24 colours, click anywhere else to draw. Keys pick the shape
// (c circle, r square, t triangle, l line from the last click), + and - change the size, and the
// space bar clears. Ctrl+L shows every drawing call in the log window; Ctrl+R records a script.
#include <algorithm>
#include <veldo/kit.h>

constexpr int SWATCH_WIDTH = 25;  // 24 swatches of 25 fill the width from x = -300
constexpr int PALETTE_TOP = -226; // the palette row spans y -250..-226

// The program keeps no picture of its own: after every event it draws what must stay on top.
static void draw_palette_and_status(int colour, char shape, int size) {
  for (int c = 0; c < VELDO_COLOUR_COUNT; ++c)
    kit_rectangle(c, -300 + c * SWATCH_WIDTH, -250, -276 + c * SWATCH_WIDTH, PALETTE_TOP, 0);
  kit_rectangle(VELDO_GRAY_50, -300, -250, 300, PALETTE_TOP, 1); // so that white shows too
  kit_rectangle(VELDO_WHITE, -299, 249, 299, 228, 0);
  kit_printf(VELDO_BLACK, -290, 232, 14, "%s, shape %c, size %d  (keys: c r t l + - space)",
             kit_colour_name(colour), shape, size);
}

int main() {
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0); // the kit starts with logging on; Ctrl+L turns it on again
  kit_clear();
  int colour = VELDO_BLUE, size = 10, last_x = 0, last_y = 0;
  char shape = 'c';
  draw_palette_and_status(colour, shape, size);
  for (;;) {
    int x, y;
    char key;
    int kind = kit_await_event(&x, &y, &key); // blocks; the windows live only while it waits
    if (kind == VELDO_QUIT)
      break;
    if (kind == VELDO_KBD && key == ' ')
      kit_clear();
    else if (kind == VELDO_KBD && (key == '+' || key == '-'))
      size = std::clamp(size + (key == '+' ? 2 : -2), 2, 100);
    else if (kind == VELDO_KBD && (key == 'c' || key == 'r' || key == 't' || key == 'l'))
      shape = key;
    else if (kind == VELDO_MOUSE && y <= PALETTE_TOP)
      colour = std::min((x + 300) / SWATCH_WIDTH, VELDO_COLOUR_COUNT - 1);
    else if (kind == VELDO_MOUSE) {
      if (shape == 'c')
        kit_circle(colour, x, y, size);
      else if (shape == 'r')
        kit_rectangle(colour, x - size, y - size, x + size, y + size, 0);
      else if (shape == 't')
        kit_triangle(colour, x - size, y - size, x + size, y - size, x, y + size, 0);
      else
        kit_line(colour, last_x, last_y, x, y, size / 4);
      last_x = x;
      last_y = y;
    }
    draw_palette_and_status(colour, shape, size);
  }
  kit_close();
  return 0;
}
