/* A C program on the installed kit, built with pkg-config: it opens the kit on the headless
 * platform, draws, lets three ticks pass and ends through VELDO_END, checking every answer the
 * kit gives on the way. Exits 0 when all of them are right. That it compiles as C at all checks
 * that the public header is plain C. */
#include <stdio.h>
#include <string.h>
#include <veldo/kit.h>

static int failures = 0;

static void expect(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "FAIL: %s\n", what);
    failures++;
  }
}

int main(void) {
  int x = -1, y = -1, i;
  char key = 'x';

  expect(kit_set_animation(VELDO_RUN) == 0, "kit_set_animation before kit_open returns 0");
  expect(kit_use_platform("no such platform") == 0, "an unknown platform is refused");
  expect(kit_use_platform("headless") == 1, "the headless platform is known");
  expect(kit_open(NULL, NULL, "", 1) == 1, "kit_open returns 1");
  expect(kit_set_logging(0) == 1, "kit_set_logging returns 1 after kit_open");
  expect(kit_clear() == 1, "kit_clear returns 1");
  expect(kit_circle(VELDO_BLUE, 0, 0, 20) == 1, "kit_circle returns 1");
  expect(kit_printf(VELDO_BLACK, -100, 0, 12, "Score: %d", 5) == 8,
         "kit_printf returns the number of characters formatted");
  expect(kit_check_colour(99) == VELDO_RED, "an invalid colour becomes red");
  expect(kit_colour_name(VELDO_GRAY_50) != NULL &&
             strcmp(kit_colour_name(VELDO_GRAY_50), "50% gray") == 0,
         "colour 22 is called 50% gray");
  expect(kit_set_tick_period(25) == 1, "kit_set_tick_period returns 1");
  expect(kit_set_animation(VELDO_RUN) == 1, "kit_set_animation returns 1 after kit_open");
  for (i = 0; i < 3; i++) {
    expect(kit_await_event(&x, &y, &key) == VELDO_PERIODIC, "a running kit delivers ticks");
    expect(x == 0 && y == 0 && key == 0, "a tick leaves x, y and key 0");
  }
  kit_set_animation(VELDO_END);
  expect(kit_await_event(&x, &y, &key) == VELDO_QUIT, "after VELDO_END the next event is a quit");
  expect(kit_close() == 1, "kit_close returns 1");

  if (failures == 0)
    puts("a C program ran on the installed kit, headless");
  return failures == 0 ? 0 : 1;
}
