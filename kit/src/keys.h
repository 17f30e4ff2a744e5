// The special keys a program can ask for: the kit's own code of each (VELDO_KEY_...), the key code
// the platform layer gives it (the original platform's numbering, which every backend posts), and
// the character its key-down yields, which the kit still delivers as a typed character.
#pragma once

#include <veldo/kit.h>

#include <cstdint>

namespace veldo {

struct SpecialKey {
  int key;                // VELDO_KEY_...
  unsigned platform_code; // the key code of WM_KEYDOWN and WM_KEYUP
  unsigned character;     // what its key-down types, 0 for nothing
};

inline constexpr SpecialKey SPECIAL_KEYS[] = {
    {VELDO_KEY_LEFT, 37, 0},    {VELDO_KEY_UP, 38, 0},        {VELDO_KEY_RIGHT, 39, 0},
    {VELDO_KEY_DOWN, 40, 0},    {VELDO_KEY_HOME, 36, 0},      {VELDO_KEY_END, 35, 0},
    {VELDO_KEY_PAGE_UP, 33, 0}, {VELDO_KEY_PAGE_DOWN, 34, 0}, {VELDO_KEY_ESCAPE, 27, 27},
    {VELDO_KEY_ENTER, 13, 13},  {VELDO_KEY_TAB, 9, 9},        {VELDO_KEY_BACKSPACE, 8, 8},
    {VELDO_KEY_DELETE, 46, 0},  {VELDO_KEY_F1, 112, 0},       {VELDO_KEY_F2, 113, 0},
    {VELDO_KEY_F3, 114, 0},     {VELDO_KEY_F4, 115, 0},       {VELDO_KEY_F5, 116, 0},
    {VELDO_KEY_F6, 117, 0},     {VELDO_KEY_F7, 118, 0},       {VELDO_KEY_F8, 119, 0},
    {VELDO_KEY_F9, 120, 0},     {VELDO_KEY_F10, 121, 0},      {VELDO_KEY_F11, 122, 0},
    {VELDO_KEY_F12, 123, 0},
};

// The special key of a VELDO_KEY_ code, or nullptr for any other value.
constexpr const SpecialKey* special_key(int key) {
  for (const SpecialKey& special : SPECIAL_KEYS)
    if (special.key == key)
      return &special;
  return nullptr;
}

// The VELDO_KEY_ code of a platform key code, or 0 when the key is not a special key.
constexpr int special_key_of_platform_code(uintptr_t platform_code) {
  for (const SpecialKey& special : SPECIAL_KEYS)
    if (special.platform_code == platform_code)
      return special.key;
  return 0;
}

} // namespace veldo
