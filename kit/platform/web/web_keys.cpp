// The browser's key names turned into the desktop's key codes and characters.
#include "web_keys.h"

#include <cstring>

namespace veldo::platform::web_keys {

namespace {

struct Named {
  const char* name;
  unsigned value;
};

// Keys known by what they do, from the browser's `key`.
constexpr Named NAMED_KEYS[] = {
    {"Backspace", 8},   {"Tab", 9},          {"Enter", 13},  {"Shift", 16},     {"Control", 17},
    {"Pause", 19},      {"CapsLock", 20},    {"Escape", 27}, {" ", 32},         {"PageUp", 33},
    {"PageDown", 34},   {"End", 35},         {"Home", 36},   {"ArrowLeft", 37}, {"ArrowUp", 38},
    {"ArrowRight", 39}, {"ArrowDown", 40},   {"Insert", 45}, {"Delete", 46},    {"ContextMenu", 93},
    {"NumLock", 144},   {"ScrollLock", 145},
};

// Keys known by where they are, from the browser's `code`: the keypad's operators, the two
// Windows keys, and the punctuation keys, numbered after their unshifted US characters as the
// desktop's unshifted key symbols number them.
constexpr Named PLACED_KEYS[] = {
    {"MetaLeft", 91},        {"OSLeft", 91},        {"MetaRight", 92},    {"OSRight", 92},
    {"NumpadMultiply", 106}, {"NumpadAdd", 107},    {"NumpadComma", 108}, {"NumpadSubtract", 109},
    {"NumpadDecimal", 110},  {"NumpadDivide", 111}, {"NumpadEnter", 13},  {"Semicolon", 186},
    {"Equal", 187},          {"Comma", 188},        {"Minus", 189},       {"Period", 190},
    {"Slash", 191},          {"Backquote", 192},    {"BracketLeft", 219}, {"Backslash", 220},
    {"BracketRight", 221},   {"Quote", 222},
};

unsigned find(const Named* table, size_t count, const char* name) {
  for (size_t i = 0; i < count; ++i)
    if (std::strcmp(table[i].name, name) == 0)
      return table[i].value;
  return 0;
}

bool starts_with(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The one Unicode character `text` holds as UTF-8, or -1 when it holds none or several.
long single_character(const char* text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const unsigned char lead = bytes[0];
  int length = 0;
  long value = 0;
  if (lead == 0)
    return -1;
  if (lead < 0x80) {
    length = 1;
    value = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80)
      return -1;
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  return bytes[length] == 0 ? value : -1;
}

// The number after `prefix` in `text` ("F12" -> 12), or 0 when `text` is not of that form.
unsigned number_after(const char* text, const char* prefix) {
  if (!starts_with(text, prefix))
    return 0;
  const char* digits = text + std::strlen(prefix);
  unsigned value = 0;
  int count = 0;
  for (; *digits >= '0' && *digits <= '9' && count < 3; ++digits, ++count)
    value = value * 10 + static_cast<unsigned>(*digits - '0');
  return *digits == '\0' && count > 0 ? value : 0;
}

} // namespace

unsigned key_code(const char* key, const char* code) {
  if (key == nullptr)
    key = "";
  if (code == nullptr)
    code = "";
  // A letter is the one the layout gives, upper-case, whatever Shift or Caps Lock say.
  const long character = single_character(key);
  if (character >= 'a' && character <= 'z')
    return static_cast<unsigned>(character - 'a' + 'A');
  if (character >= 'A' && character <= 'Z')
    return static_cast<unsigned>(character);
  // The digit row gives its digit with or without Shift; the keypad's digits have codes of their
  // own while Num Lock makes digits of them, and are the keys they stand for otherwise.
  if (starts_with(code, "Digit") && code[5] >= '0' && code[5] <= '9' && code[6] == '\0')
    return static_cast<unsigned>(code[5]);
  // Without Num Lock the keypad's digit and decimal keys move the cursor, and the desktop gives
  // those keypad keys no code.
  if (starts_with(code, "Numpad")) {
    if (code[6] >= '0' && code[6] <= '9' && code[7] == '\0')
      return character >= '0' && character <= '9' ? 96 + static_cast<unsigned>(code[6] - '0') : 0;
    if (std::strcmp(code, "NumpadDecimal") == 0 && character < 0)
      return 0;
    return find(PLACED_KEYS, sizeof PLACED_KEYS / sizeof *PLACED_KEYS, code);
  }
  if (const unsigned function = number_after(key, "F"); function >= 1 && function <= 24)
    return 111 + function;
  if (const unsigned placed = find(PLACED_KEYS, sizeof PLACED_KEYS / sizeof *PLACED_KEYS, code))
    return placed;
  return find(NAMED_KEYS, sizeof NAMED_KEYS / sizeof *NAMED_KEYS, key);
}

unsigned key_character(const char* key) {
  if (key == nullptr)
    return 0;
  if (std::strcmp(key, "Backspace") == 0)
    return 8;
  if (std::strcmp(key, "Tab") == 0)
    return 9;
  if (std::strcmp(key, "Enter") == 0)
    return 13;
  if (std::strcmp(key, "Escape") == 0)
    return 27;
  const long character = single_character(key);
  return character >= 0 && character < 256 ? static_cast<unsigned>(character) : 0;
}

bool keep_from_browser(const char* key, const char* code, bool ctrl, bool alt) {
  if (alt)
    return false;
  const unsigned kit_code = key_code(key, code);
  if (ctrl)
    return std::strchr("AHFLRPOQ", static_cast<int>(kit_code)) != nullptr && kit_code != 0;
  switch (kit_code) {
  case 8:  // Backspace: once a page went back
  case 9:  // Tab: moves the focus off the canvas
  case 32: // Space, Page Up/Down, End, Home and the arrows scroll the page
  case 33:
  case 34:
  case 35:
  case 36:
  case 37:
  case 38:
  case 39:
  case 40:
    return true;
  default:
    return false;
  }
}

} // namespace veldo::platform::web_keys
