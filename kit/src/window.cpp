// The kit's windows, canvas and named colours: opening and closing the kit, the coordinate origin
// that follows the graphics window's size, and the rule that brings the window up to date with the
// canvas.
#include "kit_internal.h"

#include "veldo/kit.h"

#include <cstdio>

namespace veldo {

KitState kit;

const Colour colour_table[24] = {
    {"black", 0, 0, 0},           {"white", 255, 255, 255},      {"red", 255, 0, 0},
    {"green", 0, 255, 0},         {"blue", 0, 0, 255},           {"yellow", 255, 255, 0},
    {"magenta", 255, 0, 255},     {"cyan", 0, 255, 255},         {"purple", 153, 0, 204},
    {"navy blue", 0, 51, 153},    {"dusty plum", 153, 102, 153}, {"ice blue", 153, 255, 255},
    {"turquoise", 153, 255, 204}, {"orange", 255, 102, 0},       {"brown", 153, 102, 51},
    {"pink", 255, 153, 204},      {"chalk", 255, 255, 153},      {"gold", 204, 153, 51},
    {"peach", 255, 153, 102},     {"forest green", 0, 102, 51},  {"sea green", 51, 204, 153},
    {"olive", 153, 153, 51},      {"50% gray", 128, 128, 128},   {"20% gray", 204, 204, 204},
};

namespace {

// White, colour 1: the background of both window classes.
constexpr uint32_t WINDOW_BACKGROUND = 0xFFFFFF;

} // namespace

void kit_reset_state() {
  kit_script_close();
  if (kit.script_file != nullptr)
    std::fclose(kit.script_file);
  kit = KitState();
}

bool kit_is_open(KitCall call) {
  if (kit.graphics_window != 0)
    return true;
  static constexpr const char* NAMES[] = {
      "kit_await_event",
      "kit_set_animation",
      "kit_set_logging",
      "kit_show_log_window",
      "kit_set_tick_period",
      "kit_circle",
      "kit_triangle",
      "kit_rectangle",
      "kit_oval",
      "kit_line",
      "kit_text",
      "kit_printf",
      "kit_clear",
      "kit_enable_input",
      "kit_save_png",
  };
  unsigned bit = 1u << call;
  if ((kit.misuse_reported & bit) == 0) {
    kit.misuse_reported |= bit;
    std::fprintf(stderr, "veldo: %s() called before kit_open(); it does nothing\n", NAMES[call]);
  }
  return false;
}

void kit_set_origin_from_client(platform::Window window) {
  platform::Rect client = platform::client_rect(window);
  kit.origin_x = client.left + (client.right - client.left) / 2;
  kit.origin_y = client.top + (client.bottom - client.top) / 2;
}

void kit_repaint_graphics(platform::Window window) {
  platform::begin_paint(window);
  platform::copy_canvas_to_window(window);
  platform::end_paint(window);
  kit.canvas_dirty = false;
}

} // namespace veldo

using namespace veldo;

extern "C" int kit_use_platform(const char* name) {
  // The backend cannot change under windows it has made.
  if (kit.graphics_window != 0)
    return 0;
  return platform::select_backend(name) ? 1 : 0;
}

extern "C" int kit_open(void* instance, void* previous_instance, const char* command_line,
                        int show_mode) {
  (void)instance;
  (void)command_line;
  platform::start_up();
  // SIGINT and SIGTERM arrive as a quit, as Ctrl+Q does, so the program ends through kit_close()
  // and nothing recorded in a script is lost.
  platform::quit_on_signals(true);
  // Without a display nothing more can happen, but a recording must still be completed.
  platform::on_display_lost([] { kit_close(); });

  // A second instance finds the classes registered by the first.
  if (previous_instance == nullptr) {
    platform::register_class(platform::WindowClass{
        "DrawWndClass", platform::CS_HREDRAW | platform::CS_VREDRAW, WINDOW_BACKGROUND});
    platform::register_class(platform::WindowClass{
        "TextWndClass", platform::CS_HREDRAW | platform::CS_VREDRAW, WINDOW_BACKGROUND});
  }

  int screen_width = 0, screen_height = 0;
  platform::screen_size(&screen_width, &screen_height);

  kit.animating = false;
  kit.step_pending = false;

  kit.graphics_window = platform::create_window(
      platform::WindowDesc{"DrawWndClass", "VELDO Graphics", platform::WindowStyle::Fixed, 0, 0,
                           CLIENT_WIDTH, CLIENT_HEIGHT, graphics_window_proc, WINDOW_BACKGROUND});
  // The log window runs along the bottom third of the screen.
  kit.log_window = platform::create_window(platform::WindowDesc{
      "TextWndClass", "VELDO Text", platform::WindowStyle::Sizeable, 0, (2 * screen_height) / 3 + 1,
      screen_width, screen_height / 3, log_window_proc, WINDOW_BACKGROUND});

  kit.window_dc_held = true;
  platform::create_canvas(CANVAS_WIDTH, CANVAS_HEIGHT);

  platform::show_window(kit.log_window, show_mode);
  platform::show_window(kit.graphics_window, show_mode);

  platform::set_timer(kit.graphics_window, TICK_TIMER_ID, INITIAL_TICK_MS);
  return 1;
}

extern "C" int kit_close(void) {
  kit.window_dc_held = false;
  // A recording or a playback ends with the kit, as its Run menu command would end it: a program
  // that still takes an event afterwards (or a page whose program runs once more after it was
  // left) must not open the script again, which would start a new, empty one over the recording.
  if (kit.recording)
    kit_run_command(MENU_RECORD);
  if (kit.playing_back)
    kit_run_command(MENU_PLAYBACK);
  kit.play_one_requested = false;
  kit_script_close();
  // Nobody takes events any more: Ctrl+C and a termination request end the process again.
  if (kit.graphics_window != 0)
    platform::quit_on_signals(false);
  return 1;
}

extern "C" int kit_set_tick_period(int milliseconds) {
  if (!kit_is_open(CALL_SET_TICK_PERIOD))
    return 0;
  platform::set_timer(kit.graphics_window, TICK_TIMER_ID, milliseconds >= 1 ? milliseconds : 1);
  return 1;
}
