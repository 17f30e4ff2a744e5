// The flies and the swatter, drawn from fixed sets of kit shapes placed around a centre point.
#include "game.h"

#include <veldo/kit.h>

namespace {

// One wing triangle as offsets from the fly's centre, points in the order they are passed on.
struct Wing {
  int x1, y1, x2, y2, x3, y3;
};

// The two wing poses, four triangles each. They alternate with the parity of the fly's ticks, so
// the wings flap once per tick while the fly is in flight and freeze once it has been swatted.
constexpr Wing pose_a[4] = {
    {-8, -3, -16, -3, -16, 3},
    {-8, -7, -8, -3, -16, -3},
    {8, -3, 16, -3, 16, 3},
    {8, -7, 8, -3, 16, -3},
};
constexpr Wing pose_b[4] = {
    {-8, -3, -16, -3, -16, -10},
    {-8, 0, -8, -3, -16, -3},
    {8, -3, 16, -3, 16, -10},
    {8, 0, 8, -3, 16, -3},
};

} // namespace

void bugs_draw(const BugTable& table) {
  for (int slot = 0; slot < BUG_SLOTS; slot++)
    bug_draw(table.slots[slot]);
}

void bug_draw(Bug bug) {
  if (bug.kind != BUG_FLY)
    return;
  const int x = bug.x;
  const int y = bug.y;
  // A swatted fly stares: its eyes are twice their usual size.
  const int eye_radius = bug.swatted != 0 ? 4 : 2;
  const Wing* pose = bug.ticks % 2 != 0 ? pose_a : pose_b;

  kit_circle(VELDO_GRAY_50, x, y - 4, 8);
  kit_circle(VELDO_GRAY_50, x, y, 8);
  kit_oval(VELDO_GRAY_20, x - 8, y - 5, x + 8, y + 9, 0);
  kit_oval(VELDO_GRAY_50, x - 8, y - 5, x + 8, y + 9, 1);
  kit_circle(VELDO_RED, x - 4, y + 2, eye_radius);
  kit_circle(VELDO_RED, x + 4, y + 2, eye_radius);
  for (int i = 0; i < 4; i++) {
    const Wing& w = pose[i];
    kit_triangle(VELDO_GRAY_20, x + w.x1, y + w.y1, x + w.x2, y + w.y2, x + w.x3, y + w.y3, 0);
  }
  kit_line(VELDO_GRAY_50, x - 4, y + 7, x - 8, y + 10, 2);
  kit_line(VELDO_GRAY_50, x + 4, y + 7, x + 8, y + 10, 2);
  kit_line(VELDO_GRAY_50, x - 4, y - 10, x - 8, y - 14, 2);
  kit_line(VELDO_GRAY_50, x + 4, y - 10, x + 8, y - 14, 2);
}

void swatter_draw(Swatter swatter) {
  const int x = swatter.x;
  const int y = swatter.y;
  const int hw = swatter.width / 2;
  const int hh = swatter.height / 2;
  const int third = swatter.height / 3;
  const int phase = swatter.cooldown / 5;

  // The net foreshortens while a swing's cooldown runs down: full height at rest and at both ends
  // of the swing, half height next, a third at the middle. Its lower edge never moves. Right
  // after the click (cooldown 25) the swatter is in mid-air and not drawn at all.
  const int yb = y - hh;
  int yt = 0;
  int row_step = 0;    // spacing of the horizontal mesh lines
  int row_limit = 0;   // horizontal mesh offsets stay below this
  int column_step = 0; // spacing of the vertical mesh lines (they all start 3 in from the left)
  int handle_end = 0;
  switch (phase) {
  case 0:
  case 4:
    yt = y + hh;
    row_step = 3;
    row_limit = swatter.height - 2;
    column_step = 3;
    handle_end = y - (3 * swatter.height) / 2;
    break;
  case 1:
  case 3:
    yt = yb + hh;
    row_step = 2;
    row_limit = hh - 1;
    column_step = 2;
    handle_end = yb - hh;
    break;
  case 2:
    yt = yb + third;
    row_step = 2;
    row_limit = third - 1;
    column_step = 2;
    handle_end = yb - third;
    break;
  default:
    return;
  }

  for (int k = row_step; k < row_limit; k += row_step)
    kit_line(VELDO_BLUE, x - hw, yb + k, x + hw, yb + k, 1);
  for (int k = 3; k < swatter.width - 2; k += column_step)
    kit_line(VELDO_BLUE, x - hw + k, yb, x - hw + k, yt, 1);
  kit_rectangle(VELDO_PURPLE, x - hw, yb, x + hw, yt, 3);
  kit_line(VELDO_PURPLE, x, yb, x, handle_end, 3);
}
