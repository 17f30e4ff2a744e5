// The smallest real program written against the kit: it opens the kit, sets the animation
// running and reports every event it receives, one line per event, on standard output and in the
// log window, until it is told to quit. Run as `events --all-input` it asks for every kind of
// input, special keys, their releases, the other buttons and the mouse's motion included. The
// real-window tests drive it and read its output.
#include <veldo/kit.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Writes one report line to standard output at once (a test reads it while the program runs) and
// to the log window.
void report(const char* format, ...) VELDO_PRINTF(1, 2);

void report(const char* format, ...) {
  char line[128];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  std::fputs(line, stdout);
  std::fflush(stdout);
  kit_log("%s", line);
}

} // namespace

int main(int argc, char** argv) {
  kit_open(nullptr, nullptr, "", 1);
  if (argc > 1 && std::strcmp(argv[1], "--all-input") == 0)
    kit_enable_input(VELDO_INPUT_ALL);
  kit_set_animation(VELDO_RUN);
  for (;;) {
    int x = 0;
    int y = 0;
    char key = 0;
    const int kind = kit_await_event(&x, &y, &key);
    if (kind == VELDO_MOUSE)
      report("MOUSE %d %d\n", x, y);
    else if (kind == VELDO_KBD)
      report("KBD %d\n", static_cast<unsigned char>(key));
    else if (kind == VELDO_PERIODIC)
      report("PERIODIC\n");
    else if (kind == VELDO_KEY_PRESS)
      report("KEY_PRESS %d\n", key);
    else if (kind == VELDO_KEY_RELEASE)
      report("KEY_RELEASE %d\n", key);
    else if (kind == VELDO_RIGHT_CLICK)
      report("RIGHT_CLICK %d %d\n", x, y);
    else if (kind == VELDO_MIDDLE_CLICK)
      report("MIDDLE_CLICK %d %d\n", x, y);
    else if (kind == VELDO_MOTION)
      report("MOTION %d %d\n", x, y);
    else if (kind == VELDO_QUIT)
      break;
    else
      report("EVENT %d\n", kind);
  }
  report("QUIT\n");
  kit_close();
  return 0;
}
