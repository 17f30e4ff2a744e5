// Colours of the program's own: drawn with their red, green and blue and logged by their names,
// redefined for what follows only; the indices that cannot be defined, the channels and names
// that are corrected; and undefined indices, still red.
#include "kit_test_support.h"

#include <random>
#include <string>
#include <vector>

namespace veldo::testing {
namespace {

class OwnColourTest : public KitTest {
protected:
  void SetUp() override {
    KitTest::SetUp();
    kit_set_logging(0);
    kit_clear();
    headless::clear_log_lines();
  }

  static uint32_t origin_pixel(int dx = 0) { return headless::canvas_pixel(300 + dx, 250); }
  static std::vector<std::string> lines() { return headless::log_lines(); }
};

TEST_F(OwnColourTest, ADefinedColourIsDrawnWithItsValueAndLoggedByItsName) {
  EXPECT_EQ(kit_define_colour(24, 10, 20, 30, "deep sea"), 1);
  EXPECT_EQ(kit_define_colour(255, 250, 251, 252, "last"), 1);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(kit_check_colour(24), 24);
  EXPECT_STREQ(kit_colour_name(24), "deep sea");
  kit_set_logging(1);
  kit_circle(24, 0, 0, 3);
  kit_rectangle(255, 5, 0, 6, 0, 0);
  EXPECT_EQ(origin_pixel(), 0x0A141Eu);
  EXPECT_EQ(origin_pixel(5), 0xFAFBFCu);
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "deep sea circle at (0,0), radius 3\n",
                         "last rectangle with bounding box (5,0) to (6,0), filled\n"}));
}

// Random definitions and redefinitions over the whole range: every shape takes the definition
// in force when it was drawn, and keeps it after a later redefinition.
TEST_F(OwnColourTest, EachDrawingTakesTheDefinitionInForceWhenItWasDrawn) {
  std::mt19937 random(14);
  struct Drawn {
    int x;
    uint32_t rgb;
  };
  std::vector<Drawn> drawn;
  for (int i = 0; i < 300; ++i) {
    const int index = std::uniform_int_distribution<int>(24, 255)(random);
    const uint32_t rgb = random() & 0xFFFFFF;
    ASSERT_EQ(kit_define_colour(index, rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF, "any"), 1);
    const int x = -290 + i % 580;
    kit_rectangle(index, x, -240 + i / 580, x, -240 + i / 580, 0);
    drawn.push_back({x, rgb});
  }
  for (size_t i = 0; i < drawn.size(); ++i)
    ASSERT_EQ(headless::canvas_pixel(300 + drawn[i].x, 490 - static_cast<int>(i) / 580),
              drawn[i].rgb)
        << "drawing " << i;
  EXPECT_TRUE(lines().empty());
}

TEST_F(OwnColourTest, AnIndexNeitherNamedNorDefinedIsStillRed) {
  kit_define_colour(31, 1, 2, 3, "thirty-one");
  kit_circle(30, 0, 0, 2);
  EXPECT_EQ(origin_pixel(), 0xFF0000u);
  EXPECT_EQ(kit_check_colour(VELDO_COLOUR_LIMIT), VELDO_RED);
  EXPECT_EQ(kit_colour_name(30), nullptr);
  EXPECT_EQ(kit_colour_name(VELDO_COLOUR_LIMIT), nullptr);
  EXPECT_EQ(lines(), (std::vector<std::string>{"Illegal color 30; using RED.\n",
                                               "Illegal color 256; using RED.\n"}));
}

// The named colours cannot be changed, and nothing outside 24..255 can be defined.
TEST_F(OwnColourTest, IndicesOutsideTheOwnRangeAreRefusedAndChangeNothing) {
  for (int index : {0, 2, 23, 256, -1, INT_MIN, INT_MAX}) {
    headless::clear_log_lines();
    EXPECT_EQ(kit_define_colour(index, 1, 2, 3, "mine"), 0) << index;
    EXPECT_EQ(lines(), std::vector<std::string>{"Cannot define colour " + std::to_string(index) +
                                                "; only colours 24 to 255 can be defined\n"});
  }
  EXPECT_STREQ(kit_colour_name(0), "black");
  EXPECT_STREQ(kit_colour_name(2), "red");
  kit_circle(VELDO_RED, 0, 0, 1);
  EXPECT_EQ(origin_pixel(), 0xFF0000u);
}

TEST_F(OwnColourTest, ChannelsOutsideTheirRangeAreUsedAsTheNearerEndWithAMessageEach) {
  EXPECT_EQ(kit_define_colour(40, -5, 300, INT_MIN, "odd"), 1);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"Red of -5 not possible, using red 0\n",
                                      "Green of 300 not possible, using green 255\n",
                                      "Blue of -2147483648 not possible, using blue 0\n"}));
  kit_circle(40, 0, 0, 1);
  EXPECT_EQ(origin_pixel(), 0x00FF00u);
}

TEST_F(OwnColourTest, NamesAreCopiedAndMissingOrLongOnesAreCorrected) {
  char name[] = "borrowed";
  kit_define_colour(50, 0, 0, 0, name);
  name[0] = 'X';
  EXPECT_STREQ(kit_colour_name(50), "borrowed");

  kit_define_colour(51, 0, 0, 0, nullptr);
  kit_define_colour(52, 0, 0, 0, "");
  EXPECT_STREQ(kit_colour_name(51), "colour 51");
  EXPECT_STREQ(kit_colour_name(52), "colour 52");

  const std::string fits(VELDO_COLOUR_NAME_MAX, 'a');
  kit_define_colour(53, 0, 0, 0, fits.c_str());
  EXPECT_EQ(kit_colour_name(53), fits);
  kit_define_colour(54, 0, 0, 0, (fits + "b").c_str());
  EXPECT_EQ(kit_colour_name(54), fits);
  // UTF-8 is cut between characters: "é" would straddle the limit, so it goes whole.
  const std::string utf8 = std::string(VELDO_COLOUR_NAME_MAX - 1, 'c') + "\xC3\xA9";
  kit_define_colour(55, 0, 0, 0, utf8.c_str());
  EXPECT_EQ(kit_colour_name(55), std::string(VELDO_COLOUR_NAME_MAX - 1, 'c'));
  // Any other text has a character per byte, so it is cut at the limit itself.
  const std::string latin1 = std::string(VELDO_COLOUR_NAME_MAX - 1, 'd') + "\xE9\xE9";
  kit_define_colour(56, 0, 0, 0, latin1.c_str());
  EXPECT_EQ(kit_colour_name(56), latin1.substr(0, VELDO_COLOUR_NAME_MAX));

  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "Colour 51 has no name, using \"colour 51\"\n",
                         "Colour 52 has no name, using \"colour 52\"\n",
                         "Colour name of 32 bytes not possible, using \"" + fits + "\"\n",
                         "Colour name of 32 bytes not possible, using \"" +
                             std::string(VELDO_COLOUR_NAME_MAX - 1, 'c') + "\"\n",
                         "Colour name of 32 bytes not possible, using \"" +
                             latin1.substr(0, VELDO_COLOUR_NAME_MAX) + "\"\n"}));
}

// A definition made before kit_open() holds once the kit is open.
TEST(OwnColourBeforeOpeningTest, ADefinitionMayComeBeforeTheKitIsOpen) {
  headless::reset();
  EXPECT_EQ(kit_define_colour(100, 1, 2, 3, "early"), 1);
  kit_open(nullptr, nullptr, "", 1);
  kit_clear();
  kit_circle(100, 0, 0, 1);
  EXPECT_EQ(headless::canvas_pixel(300, 250), 0x010203u);
  EXPECT_STREQ(kit_colour_name(100), "early");
  kit_close();
  // A new process starts with none.
  headless::reset();
  EXPECT_EQ(kit_colour_name(100), nullptr);
}

} // namespace
} // namespace veldo::testing
