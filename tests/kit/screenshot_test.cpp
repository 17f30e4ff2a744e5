// Screenshots: the saved picture is the visible canvas pixel for pixel; it replaces an earlier one
// whole; a picture that cannot be saved says why and leaves nothing behind; and before the kit is
// open nothing is saved. Also the other new calls before kit_open().
#include "kit_test_support.h"

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

namespace fs = std::filesystem;

class ScreenshotTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    directory_ = fs::temp_directory_path() / ("veldo-screenshot-" + std::to_string(::getpid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
    kit_set_logging(0);
    headless::clear_log_lines();
  }
  void TearDown() override {
    fs::remove_all(directory_);
    KitTest::TearDown();
  }

  std::string path(const std::string& name) const { return (directory_ / name).string(); }

  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory_))
      names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path directory_;
};

// Something in every corner and across the line below which the window shows nothing.
void draw_a_picture() {
  kit_clear();
  kit_define_colour(99, 12, 34, 56, "mine");
  kit_circle(99, -300, 250, 20);
  kit_rectangle(VELDO_GOLD, 280, -230, 320, -290, 0);
  kit_line(VELDO_BLUE, -300, -250, 300, 250, 3);
  kit_text(VELDO_PURPLE, -100, 0, 40, "Screenshot");
  kit_rectangle(VELDO_GREEN, -300, -251, 300, -289, 0); // only on the hidden rows
}

TEST_F(ScreenshotTest, TheSavedPictureIsTheVisibleCanvasPixelForPixel) {
  draw_a_picture();
  ASSERT_EQ(kit_save_png(path("shot.png").c_str()), 1);
  EXPECT_TRUE(headless::log_lines().empty());
  EXPECT_EQ(files(), std::vector<std::string>{"shot.png"});

  cairo_surface_t* saved = cairo_image_surface_create_from_png(path("shot.png").c_str());
  ASSERT_EQ(cairo_surface_status(saved), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(saved), 601);
  ASSERT_EQ(cairo_image_surface_get_height(saved), 501);
  const unsigned char* data = cairo_image_surface_get_data(saved);
  const int stride = cairo_image_surface_get_stride(saved);
  int differences = 0;
  for (int y = 0; y < 501; ++y)
    for (int x = 0; x < 601; ++x) {
      const uint32_t pixel = reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
      if (pixel != headless::canvas_pixel(x, y) && ++differences <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
    }
  EXPECT_EQ(differences, 0);
  cairo_surface_destroy(saved);
}

TEST_F(ScreenshotTest, ASecondSaveReplacesTheFirstWhole) {
  { std::ofstream(path("shot.png")) << "an earlier file, longer than nothing"; }
  kit_clear();
  ASSERT_EQ(kit_save_png(path("shot.png").c_str()), 1);
  cairo_surface_t* saved = cairo_image_surface_create_from_png(path("shot.png").c_str());
  EXPECT_EQ(cairo_surface_status(saved), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(saved);
  EXPECT_EQ(files(), std::vector<std::string>{"shot.png"});
}

TEST_F(ScreenshotTest, APictureThatCannotBeSavedSaysWhyAndLeavesNothing) {
  { std::ofstream(path("kept.png")) << "kept"; }
  fs::create_directory(path("folder"));
  const std::string missing = path("no/such/place.png");
  const std::string folder = path("folder");
  const std::string under_a_file = path("kept.png/shot.png");
  EXPECT_EQ(kit_save_png(missing.c_str()), 0);
  EXPECT_EQ(kit_save_png(folder.c_str()), 0);
  EXPECT_EQ(kit_save_png((folder + "/").c_str()), 0);
  EXPECT_EQ(kit_save_png(under_a_file.c_str()), 0);
  EXPECT_EQ(kit_save_png(""), 0);
  EXPECT_EQ(kit_save_png(nullptr), 0);
  EXPECT_EQ(headless::log_lines(),
            (std::vector<std::string>{
                "Cannot save the picture " + missing + ": No such file or directory\n",
                "Cannot save the picture " + folder + ": Is a directory\n",
                "Cannot save the picture " + folder + "/: Is a directory\n",
                "Cannot save the picture " + under_a_file + ": Not a directory\n",
                "Cannot save the picture \"\": no file name\n",
                "Cannot save the picture \"\": no file name\n"}));
  std::vector<std::string> left = files();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"folder", "kept.png"}));
  EXPECT_TRUE(fs::is_empty(path("folder")));
  std::ifstream kept(path("kept.png"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
}

// Before kit_open() the calls that need the windows do nothing and say so, once each; the ones
// that do not need them work, and say nothing.
TEST(NewCallsBeforeOpeningTest, OnlyTheCallsThatNeedTheWindowsRefuse) {
  headless::reset();
  const std::string picture =
      (fs::temp_directory_path() / ("veldo-early-" + std::to_string(::getpid()) + ".png")).string();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(kit_enable_input(VELDO_INPUT_ALL), 0);
  EXPECT_EQ(kit_enable_input(VELDO_INPUT_ALL), 0);
  EXPECT_EQ(kit_save_png(picture.c_str()), 0);
  EXPECT_EQ(kit_define_colour(24, 1, 2, 3, "early"), 1);
  EXPECT_GT(kit_text_width(12, "early"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "veldo: kit_enable_input() called before kit_open(); it does nothing\n"
            "veldo: kit_save_png() called before kit_open(); it does nothing\n");
  EXPECT_FALSE(fs::exists(picture));
  EXPECT_TRUE(headless::log_lines().empty());
  // The input asked for too early was not taken.
  kit_open(nullptr, nullptr, "", 1);
  headless::right_click(300, 250);
  headless::type('k');
  int x, y;
  char key;
  EXPECT_EQ(kit_await_event(&x, &y, &key), VELDO_KBD);
  kit_close();
  EXPECT_EQ(headless::stall_quits(), 0);
  headless::reset();
}

} // namespace
} // namespace veldo::testing
