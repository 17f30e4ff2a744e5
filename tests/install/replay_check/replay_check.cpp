// Replays a script headless through a small drawing program, the way the README tells a newcomer
// to test a program: the program's loop is one function, and the test starts continuous playback
// when the program first waits and closes the window once playback has ended. It checks the events
// the loop received, the log lines and the canvas, and saves the canvas as PNG. Run it in an empty
// directory: it writes VELDO.SCR and final.png there.
#include <cstdio>
#include <string>
#include <vector>
#include <veldo/headless.h>
#include <veldo/kit.h>

namespace {

// The program under test: a disc at every click, until quit. It returns what it received.
std::vector<std::string> run_program() {
  std::vector<std::string> received;
  kit_open(nullptr, nullptr, "", 1);
  kit_clear();
  for (;;) {
    int x, y;
    char key;
    int kind = kit_await_event(&x, &y, &key);
    received.push_back(std::to_string(kind) + " " + std::to_string(x) + " " + std::to_string(y) +
                       " " + std::to_string(key));
    if (kind == VELDO_QUIT)
      break;
    if (kind == VELDO_MOUSE)
      kit_circle(VELDO_BLUE, x, y, 10);
  }
  kit_close();
  return received;
}

int failures = 0;

void expect(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    ++failures;
  }
}

bool has_line(const std::string& line) {
  for (const std::string& logged : veldo::headless::log_lines())
    if (logged == line)
      return true;
  return false;
}

} // namespace

int main() {
  std::FILE* script = std::fopen("VELDO.SCR", "w");
  if (!script) {
    std::perror("VELDO.SCR");
    return 1;
  }
  std::fputs("VELDO_MOUSE(-50, 40);\nVELDO_KBD(98);\nVELDO_PERIODIC(3);\n", script);
  std::fclose(script);

  veldo::headless::reset();
  bool playback_started = false;
  veldo::headless::set_idle_handler([&playback_started] {
    if (!playback_started) {
      veldo::headless::ctrl_shortcut('P');
      playback_started = true;
    } else if (!veldo::headless::menu_checked(6)) {
      veldo::headless::close_graphics_window();
    }
  });
  std::vector<std::string> received = run_program();
  veldo::headless::set_idle_handler(nullptr);

  const std::vector<std::string> expected = {"1 -50 40 0", "2 0 0 98", "3 0 0 0",
                                             "3 0 0 0",    "3 0 0 0",  "4 0 0 0"};
  expect(received == expected, "the loop receives the script's events, then the quit");
  expect(has_line("blue circle at (-50,40), radius 10\n"), "the click's disc is logged");
  expect(has_line("EOF encountered in script file VELDO.SCR\n"), "the end of the script is logged");
  int blue_pixels = 0;
  for (int py = 0; py < 540; ++py)
    for (int px = 0; px < 601; ++px)
      blue_pixels += veldo::headless::canvas_pixel(px, py) == 0x0000FF;
  expect(blue_pixels > 0 && blue_pixels <= 21 * 21,
         "the disc lies in its 21 x 21 box, blue pixels: " + std::to_string(blue_pixels));
  expect(veldo::headless::save_canvas_png("final.png"), "the canvas is saved as PNG");

  if (failures == 0)
    std::puts("a script replayed headless through a program built on the installed kit");
  return failures == 0 ? 0 : 1;
}
