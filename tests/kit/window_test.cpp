// Opening the kit: the windows and their geometry, the window classes, the Run menu, the origin
// and the click mapping, the colour table, and the repaint rule.
#include "kit_test_support.h"

#include "platform/backend.h"

#include <cairo.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace veldo::testing {
namespace {

using WindowTest = KitTest;

// Paints the whole canvas one colour, as a drawing operation would, and marks it dirty.
void paint_canvas(double red, double green, double blue) {
  cairo_t* cr = cairo_create(platform::canvas_surface());
  cairo_set_source_rgb(cr, red, green, blue);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_mark_dirty(platform::canvas_surface());
  kit.canvas_dirty = true;
}

TEST_F(WindowTest, OpeningCreatesBothWindowsWhereTheyBelong) {
  const platform::WindowDesc* graphics = platform::window_desc(kit.graphics_window);
  ASSERT_NE(graphics, nullptr);
  EXPECT_STREQ(graphics->class_name, "DrawWndClass");
  EXPECT_STREQ(graphics->title, "VELDO Graphics");
  EXPECT_EQ(graphics->style, platform::WindowStyle::Fixed);
  EXPECT_EQ(graphics->x, 0);
  EXPECT_EQ(graphics->y, 0);
  platform::Rect client = platform::client_rect(kit.graphics_window);
  EXPECT_EQ(client.right, 601);
  EXPECT_EQ(client.bottom, 501);

  // The log window runs along the bottom third of the 1024 x 768 headless screen.
  const platform::WindowDesc* log = platform::window_desc(kit.log_window);
  ASSERT_NE(log, nullptr);
  EXPECT_STREQ(log->class_name, "TextWndClass");
  EXPECT_STREQ(log->title, "VELDO Text");
  EXPECT_EQ(log->style, platform::WindowStyle::Sizeable);
  EXPECT_EQ(log->x, 0);
  EXPECT_EQ(log->y, 513);
  EXPECT_EQ(log->width, 1024);
  EXPECT_EQ(log->height, 256);

  EXPECT_TRUE(headless::graphics_window_visible());
  EXPECT_TRUE(headless::log_window_visible());
  EXPECT_EQ(headless::registered_class_count(), 2);
  EXPECT_EQ(headless::tick_period_ms(), 100);
  EXPECT_FALSE(kit.animating);
  EXPECT_FALSE(kit.step_pending);
  EXPECT_NE(platform::canvas_surface(), nullptr);
  EXPECT_EQ(cairo_image_surface_get_width(platform::canvas_surface()), 601);
  EXPECT_EQ(cairo_image_surface_get_height(platform::canvas_surface()), 540);
}

TEST(WindowOpenTest, PreviousInstanceSkipsRegistrationButNotTheWindows) {
  headless::reset();
  int previous = 0;
  EXPECT_EQ(kit_open(nullptr, &previous, "", platform::SW_SHOWNORMAL), 1);
  EXPECT_EQ(headless::registered_class_count(), 0);
  EXPECT_TRUE(headless::graphics_window_visible());
  EXPECT_TRUE(headless::log_window_visible());
  EXPECT_EQ(kit_close(), 1);
}

TEST(WindowOpenTest, OpeningWithAHiddenShowModeLeavesBothWindowsHidden) {
  headless::reset();
  kit_open(nullptr, nullptr, "", platform::SW_HIDE);
  EXPECT_FALSE(headless::graphics_window_visible());
  EXPECT_FALSE(headless::log_window_visible());
}

TEST(WindowOpenTest, OpeningStartsHaltedWhateverCameBefore) {
  headless::reset();
  kit.animating = true;
  kit.step_pending = true;
  kit_open(nullptr, nullptr, "", platform::SW_SHOWNORMAL);
  EXPECT_FALSE(kit.animating);
  EXPECT_FALSE(kit.step_pending);
}

TEST_F(WindowTest, RunMenuHoldsItsSixteenEntriesInOrder) {
  std::string title;
  std::vector<headless::MenuEntry> entries = headless::run_menu(&title);
  EXPECT_EQ(title, "&Run");
  ASSERT_EQ(entries.size(), 16u);
  struct Expected {
    const char* text;
    int id;
    bool checked;
  };
  const Expected expected[12] = {
      {"&Animate\tCtrl+A", 1, false},
      {"&Halt animation\tCtrl+H", 2, false},
      {"Advance one &frame\tCtrl+F", 3, false},
      {nullptr, 0, false},
      {"&Logging\tCtrl+L", 4, true},
      {nullptr, 0, false},
      {"&Record Script\tCtrl+R", 5, false},
      {"&Playback Script\tCtrl+P", 6, false},
      {"Play &One Script\tCtrl+O", 7, false},
      {nullptr, 0, false},
      {"&Quit\tCtrl+Q", 8, false},
      {nullptr, 0, false},
  };
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].separator, expected[i].text == nullptr);
    EXPECT_EQ(entries[i].text, expected[i].text != nullptr ? expected[i].text : "");
    EXPECT_EQ(entries[i].id, expected[i].id);
    EXPECT_EQ(entries[i].checked, expected[i].checked);
    EXPECT_FALSE(entries[i].grayed);
  }
  const char* info_texts[4] = {"CONTACTS:", "MAC: see \"Contacts and updates\" in README.md",
                               "WINDOWS: see \"Contacts and updates\" in README.md",
                               "UPDATES: see \"Contacts and updates\" in README.md"};
  for (int i = 12; i < 16; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].text, info_texts[i - 12]);
    EXPECT_EQ(entries[i].id, MENU_INFO);
    EXPECT_TRUE(entries[i].grayed);
    EXPECT_FALSE(entries[i].checked);
    EXPECT_FALSE(entries[i].separator);
  }
}

// Every informational entry that sends the reader to a section of a document names a section
// that document has, word for word, and the manual page sends the reader there too.
TEST_F(WindowTest, RunMenuInformationNamesSectionsThatExist) {
  const auto read = [](const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  const std::string source = VELDO_SOURCE_DIR;
  const std::string manual = read(source + "/data/dovuvezuvir.6");
  ASSERT_FALSE(manual.empty());
  int references = 0;
  for (const headless::MenuEntry& entry : headless::run_menu(nullptr)) {
    if (entry.id != MENU_INFO || entry.text.find(" see \"") == std::string::npos)
      continue;
    SCOPED_TRACE(entry.text);
    const size_t open = entry.text.find('"');
    const size_t close = entry.text.find('"', open + 1);
    ASSERT_NE(close, std::string::npos);
    const std::string section = entry.text.substr(open + 1, close - open - 1);
    const std::string document = entry.text.substr(entry.text.find(" in ", close) + 4);
    const std::string text = read(source + "/" + document);
    EXPECT_NE(text.find("\n## " + section + "\n"), std::string::npos)
        << document << " has no section \"" << section << "\"";
    EXPECT_NE(manual.find(section), std::string::npos) << "the manual page does not name it";
    ++references;
  }
  EXPECT_EQ(references, 3);
}

// Client rectangles are the original platform's: right and bottom lie one past the last pixel, so a
// client rectangle of 0..595 by 0..497 is a client area of 595 x 497 pixels.
TEST_F(WindowTest, OriginIsTheCentreOfTheClientArea) {
  EXPECT_EQ(kit.origin_x, 300);
  EXPECT_EQ(kit.origin_y, 250);
  headless::resize_graphics_client(595, 497);
  EXPECT_EQ(kit.origin_x, 297);
  EXPECT_EQ(kit.origin_y, 248);
}

TEST_F(WindowTest, ClicksMapToCanvasCoordinatesWithYUp) {
  headless::resize_graphics_client(595, 497);
  headless::click(297, 248);
  headless::click(298, 247);
  headless::click(0, 0);
  headless::click(594, 496);
  Event centre = await_event();
  EXPECT_EQ(centre.kind, VELDO_MOUSE);
  EXPECT_EQ(centre.x, 0);
  EXPECT_EQ(centre.y, 0);
  Event right_and_up = await_event();
  EXPECT_EQ(right_and_up.x, 1);
  EXPECT_EQ(right_and_up.y, 1);
  Event top_left = await_event();
  EXPECT_EQ(top_left.x, -297);
  EXPECT_EQ(top_left.y, 248);
  Event bottom_right = await_event();
  EXPECT_EQ(bottom_right.x, 297);
  EXPECT_EQ(bottom_right.y, -248);
}

TEST_F(WindowTest, CanvasPointZeroIsTheOriginPixel) {
  // Canvas point (x, y) is pixel (origin_x + x, origin_y - y): a dot drawn there shows at the
  // client-area centre.
  paint_canvas(1, 1, 1);
  cairo_t* cr = cairo_create(platform::canvas_surface());
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, kit.origin_x + 0, kit.origin_y - 0, 1, 1);
  cairo_fill(cr);
  cairo_destroy(cr);
  headless::click(300, 250);
  await_event();
  EXPECT_EQ(headless::graphics_window_pixel(300, 250), 0x0000FFu);
  EXPECT_EQ(headless::graphics_window_pixel(301, 250), 0xFFFFFFu);
}

TEST_F(WindowTest, ColourTableHoldsTheTwentyFourNamedColours) {
  struct Expected {
    const char* name;
    int red, green, blue;
  };
  const Expected expected[24] = {
      {"black", 0, 0, 0},           {"white", 255, 255, 255},      {"red", 255, 0, 0},
      {"green", 0, 255, 0},         {"blue", 0, 0, 255},           {"yellow", 255, 255, 0},
      {"magenta", 255, 0, 255},     {"cyan", 0, 255, 255},         {"purple", 153, 0, 204},
      {"navy blue", 0, 51, 153},    {"dusty plum", 153, 102, 153}, {"ice blue", 153, 255, 255},
      {"turquoise", 153, 255, 204}, {"orange", 255, 102, 0},       {"brown", 153, 102, 51},
      {"pink", 255, 153, 204},      {"chalk", 255, 255, 153},      {"gold", 204, 153, 51},
      {"peach", 255, 153, 102},     {"forest green", 0, 102, 51},  {"sea green", 51, 204, 153},
      {"olive", 153, 153, 51},      {"50% gray", 128, 128, 128},   {"20% gray", 204, 204, 204},
  };
  for (int i = 0; i < 24; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(colour_table[i].name, expected[i].name);
    EXPECT_STREQ(kit_colour_name(i), expected[i].name);
    EXPECT_EQ(colour_table[i].red, expected[i].red);
    EXPECT_EQ(colour_table[i].green, expected[i].green);
    EXPECT_EQ(colour_table[i].blue, expected[i].blue);
  }
  EXPECT_EQ(kit_colour_name(-1), nullptr);
  EXPECT_EQ(kit_colour_name(24), nullptr);
  EXPECT_EQ(VELDO_GRAY_20, 23);
}

TEST_F(WindowTest, DirtyCanvasIsCopiedAtTheNextPumpStepAndOnlyThen) {
  EXPECT_TRUE(kit.canvas_dirty);
  // The first call also takes the paints that showing the windows asked for.
  once_idle_at(0, [] { headless::click(300, 250); });
  await_event();
  EXPECT_FALSE(kit.canvas_dirty);
  int copies = headless::canvas_copy_count();

  paint_canvas(1, 0, 0);
  EXPECT_NE(headless::graphics_window_pixel(10, 10), 0xFF0000u); // not shown yet
  headless::click(300, 250);
  await_event();
  EXPECT_EQ(headless::graphics_window_pixel(10, 10), 0xFF0000u);
  EXPECT_FALSE(kit.canvas_dirty);
  EXPECT_EQ(headless::canvas_copy_count(), copies + 1);

  // Events that draw nothing copy nothing.
  kit_set_animation(VELDO_RUN);
  for (int i = 0; i < 5; ++i)
    await_event();
  EXPECT_EQ(headless::canvas_copy_count(), copies + 1);
}

TEST_F(WindowTest, PaintCopiesTheCanvasEvenWhenClean) {
  headless::click(300, 250);
  await_event();
  paint_canvas(0, 1, 0);
  kit.canvas_dirty = false; // as if it had been copied
  int copies = headless::canvas_copy_count();
  platform::invalidate_window(kit.graphics_window);
  once_idle_at(0, [] { headless::click(300, 250); });
  await_event();
  EXPECT_EQ(headless::canvas_copy_count(), copies + 1);
  EXPECT_EQ(headless::graphics_window_pixel(600, 500), 0x00FF00u);
}

TEST_F(WindowTest, CloseKeepsTheWindowsAndClosesTheScript) {
  EXPECT_EQ(kit_close(), 1);
  EXPECT_FALSE(kit.window_dc_held);
  EXPECT_EQ(kit.script_file, nullptr);
  EXPECT_TRUE(headless::graphics_window_visible());
}

TEST_F(WindowTest, CanvasCanBeReadAndSaved) {
  paint_canvas(1, 0.6, 0.4);
  EXPECT_EQ(headless::canvas_pixel(0, 0), 0xFF9966u);
  EXPECT_EQ(headless::canvas_pixel(600, 539), 0xFF9966u);
  EXPECT_EQ(headless::canvas_pixel(601, 0), 0u);
  std::string path = ::testing::TempDir() + "window_test_canvas.png";
  EXPECT_TRUE(headless::save_canvas_png(path.c_str()));
  cairo_surface_t* saved = cairo_image_surface_create_from_png(path.c_str());
  EXPECT_EQ(cairo_image_surface_get_width(saved), 601);
  EXPECT_EQ(cairo_image_surface_get_height(saved), 540);
  cairo_surface_destroy(saved);
  std::remove(path.c_str());
  EXPECT_FALSE(headless::save_canvas_png("/no/such/directory/canvas.png"));
}

TEST(PlatformChoiceTest, KnownNamesOnly) {
  // A new process's kit: the platform can change only before kit_open().
  headless::reset();
  EXPECT_EQ(kit_use_platform("headless"), 1);
  EXPECT_EQ(kit_use_platform("gtk"), 1);
  EXPECT_EQ(kit_use_platform("win32"), 0);
  EXPECT_EQ(kit_use_platform(nullptr), 0);
  headless::reset();
  EXPECT_STREQ(platform::backend_name(), "headless");
}

// Before kit_open() a call that needs the windows does nothing, returns what its manual says, and
// names itself on stderr the first time.
TEST(MisuseTest, CallsBeforeOpeningSayWhichAndReturnAtOnce) {
  headless::reset();
  ::testing::internal::CaptureStderr();
  int x = 7, y = 7;
  char key = 'z';
  EXPECT_EQ(kit_await_event(&x, &y, &key), VELDO_QUIT);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(kit_await_event(&x, &y, &key), VELDO_QUIT);
  EXPECT_EQ(kit_set_animation(VELDO_RUN), 0);
  EXPECT_EQ(kit_set_logging(1), 0);
  EXPECT_EQ(kit_set_tick_period(25), 0);
  EXPECT_EQ(kit_circle(VELDO_RED, 0, 0, 5), 1);
  EXPECT_EQ(kit_printf(VELDO_RED, 0, 0, 12, "%d", 1234), 4);
  std::string said = ::testing::internal::GetCapturedStderr();
  for (const char* call : {"kit_await_event", "kit_set_animation", "kit_set_logging",
                           "kit_set_tick_period", "kit_circle", "kit_printf"}) {
    std::string line = std::string("veldo: ") + call + "() called before kit_open()";
    size_t at = said.find(line);
    EXPECT_NE(at, std::string::npos) << call;
    EXPECT_EQ(said.find(line, at + 1), std::string::npos) << call << " said more than once";
  }
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 6) << said;
  EXPECT_TRUE(headless::log_lines().empty());
}

TEST(MisuseTest, ThePlatformCannotChangeUnderOpenWindows) {
  headless::reset();
  kit_open(nullptr, nullptr, "", 1);
  EXPECT_EQ(kit_use_platform("gtk"), 0);
  EXPECT_STREQ(platform::backend_name(), "headless");
  headless::type('k');
  EXPECT_EQ(await_event().kind, VELDO_KBD);
  kit_close();
}

// While the kit is open a termination request is a quit; after kit_close() nobody would take
// that quit, so the signal ends the process again.
TEST(MisuseTest, ClosingGivesTheSignalsBackTheirDefaultHandling) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    headless::reset();
    kit_open(nullptr, nullptr, "", 1);
    std::raise(SIGTERM);
    if (await_event().kind != VELDO_QUIT)
      _exit(3);
    kit_close();
    std::raise(SIGTERM);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

} // namespace
} // namespace veldo::testing
