// The browser's keys in the kit's terms: the key codes and characters a page posts must be the
// ones the desktop posts for the same keys, so a script or a program sees no difference.
#include "platform/web/web_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace veldo::platform::web_keys {
namespace {

TEST(WebKeys, LettersAreTheirUpperCaseCodesAndYieldWhatTheLayoutTyped) {
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string lower(1, letter);
    const std::string upper(1, static_cast<char>(letter - 'a' + 'A'));
    const std::string code = "Key" + upper;
    const unsigned expected = static_cast<unsigned>(upper[0]);
    EXPECT_EQ(key_code(lower.c_str(), code.c_str()), expected) << lower;
    EXPECT_EQ(key_code(upper.c_str(), code.c_str()), expected) << upper; // Shift or Caps Lock
    EXPECT_EQ(key_character(lower.c_str()), static_cast<unsigned>(letter));
    EXPECT_EQ(key_character(upper.c_str()), expected);
  }
  // The layout decides the letter, not the key's place: "a" typed on the Q key of a French
  // layout is A, and a letter outside A..Z has no code, as on the desktop.
  EXPECT_EQ(key_code("a", "KeyQ"), unsigned{'A'});
  EXPECT_EQ(key_code("\xd1\x84", "KeyA"), 0u); // Cyrillic ef
  EXPECT_EQ(key_character("\xd1\x84"), 0u);
}

TEST(WebKeys, DigitsKeepTheirCodeUnderShiftAndTheKeypadFollowsNumLock) {
  const char* shifted = ")!@#$%^&*(";
  for (int digit = 0; digit <= 9; ++digit) {
    const std::string code = "Digit" + std::to_string(digit);
    const std::string plain(1, static_cast<char>('0' + digit));
    const std::string with_shift(1, shifted[digit]);
    EXPECT_EQ(key_code(plain.c_str(), code.c_str()), static_cast<unsigned>('0' + digit));
    EXPECT_EQ(key_code(with_shift.c_str(), code.c_str()), static_cast<unsigned>('0' + digit));
    EXPECT_EQ(key_character(with_shift.c_str()), static_cast<unsigned>(shifted[digit]));
    const std::string pad = "Numpad" + std::to_string(digit);
    EXPECT_EQ(key_code(plain.c_str(), pad.c_str()), 96u + static_cast<unsigned>(digit));
  }
  // Without Num Lock the keypad moves the cursor, and the desktop gives those keys no code.
  EXPECT_EQ(key_code("End", "Numpad1"), 0u);
  EXPECT_EQ(key_code("Delete", "NumpadDecimal"), 0u);
  EXPECT_EQ(key_code(".", "NumpadDecimal"), 110u);
  EXPECT_EQ(key_code("Enter", "NumpadEnter"), 13u);
  EXPECT_EQ(key_code("+", "NumpadAdd"), 107u);
}

TEST(WebKeys, NamedKeysHaveTheDesktopsCodesAndCharacters) {
  struct Case {
    const char* key;
    const char* code;
    unsigned key_code;
    unsigned character;
  };
  const Case cases[] = {
      {"Backspace", "Backspace", 8, 8},
      {"Tab", "Tab", 9, 9},
      {"Enter", "Enter", 13, 13},
      {"Shift", "ShiftLeft", 16, 0},
      {"Control", "ControlRight", 17, 0},
      {"Escape", "Escape", 27, 27},
      {" ", "Space", 32, 32},
      {"PageUp", "PageUp", 33, 0},
      {"Home", "Home", 36, 0},
      {"ArrowLeft", "ArrowLeft", 37, 0},
      {"ArrowUp", "ArrowUp", 38, 0},
      {"ArrowRight", "ArrowRight", 39, 0},
      {"ArrowDown", "ArrowDown", 40, 0},
      {"Delete", "Delete", 46, 0},
      {"Meta", "MetaLeft", 91, 0},
      {"ContextMenu", "ContextMenu", 93, 0},
      {";", "Semicolon", 186, ';'},
      {":", "Semicolon", 186, ':'},
      {"/", "Slash", 191, '/'},
      {"'", "Quote", 222, '\''},
      {"\xc3\xa9", "Digit2", '2', 0xE9}, // é on a French layout's 2 key
      {"Unidentified", "", 0, 0},
      {"", "", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(key_code(c.key, c.code), c.key_code) << c.key;
    EXPECT_EQ(key_character(c.key), c.character) << c.key;
  }
  for (unsigned n = 1; n <= 24; ++n) {
    const std::string name = "F" + std::to_string(n);
    EXPECT_EQ(key_code(name.c_str(), name.c_str()), 111 + n) << name;
    EXPECT_EQ(key_character(name.c_str()), 0u) << name;
  }
  EXPECT_EQ(key_code("F25", "F25"), 0u);
  EXPECT_EQ(key_code("F0", "F0"), 0u);
  EXPECT_EQ(key_character("\xe2\x82\xac"), 0u); // the euro sign is beyond 8 bits
  EXPECT_EQ(key_character("ab"), 0u);
  EXPECT_EQ(key_character("\xc3"), 0u); // a cut-off sequence is no character
  EXPECT_EQ(key_code(nullptr, nullptr), 0u);
  EXPECT_EQ(key_character(nullptr), 0u);
}

TEST(WebKeys, OnlyTheRunMenusShortcutsAndScrollingKeysAreKeptFromTheBrowser) {
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string key(1, letter);
    const std::string code = "Key" + std::string(1, static_cast<char>(letter - 'a' + 'A'));
    const bool shortcut = std::string("ahflrpoq").find(letter) != std::string::npos;
    EXPECT_EQ(keep_from_browser(key.c_str(), code.c_str(), true, false), shortcut) << letter;
    EXPECT_FALSE(keep_from_browser(key.c_str(), code.c_str(), false, false)) << letter;
    // Alt belongs to the page's menu and the browser.
    EXPECT_FALSE(keep_from_browser(key.c_str(), code.c_str(), true, true)) << letter;
  }
  for (const char* key : {"ArrowDown", " ", "PageDown", "Backspace", "Tab"})
    EXPECT_TRUE(keep_from_browser(key, key, false, false)) << key;
  for (const char* key : {"F5", "F11", "F12", "Enter", "Escape"})
    EXPECT_FALSE(keep_from_browser(key, key, false, false)) << key;
  EXPECT_FALSE(keep_from_browser("Control", "ControlLeft", true, false));
}

} // namespace
} // namespace veldo::platform::web_keys
