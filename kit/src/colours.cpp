// Colours by index: the 24 named colours of the kit's table and the colours 24..255 a program
// defines for itself, their names in the log lines, and the red, green and blue they draw with.
#include "kit_internal.h"

#include "../platform/text.h"

#include <veldo/kit.h>

#include <cstdio>
#include <cstring>

namespace veldo {

namespace {

const OwnColour* own_colour(int colour) {
  if (colour < VELDO_COLOUR_COUNT || colour >= VELDO_COLOUR_LIMIT)
    return nullptr;
  const OwnColour& own = kit.own_colours[colour - VELDO_COLOUR_COUNT];
  return own.defined ? &own : nullptr;
}

// A channel outside 0..255 is used as the nearer end, with a message.
uint8_t check_channel(const char* title, const char* word, int value) {
  if (value >= 0 && value <= 255)
    return static_cast<uint8_t>(value);
  int used = value < 0 ? 0 : 255;
  kit_log("%s of %d not possible, using %s %d\n", title, value, word, used);
  return static_cast<uint8_t>(used);
}

// Copies the name into the colour's own buffer. A name too long for it is cut at the last
// character boundary that fits: between whole UTF-8 sequences when the name is UTF-8, else at the
// byte, since every other byte is a character of its own.
void keep_name(int index, const char* name, OwnColour& own) {
  const size_t capacity = sizeof own.name - 1;
  if (name == nullptr || name[0] == '\0') {
    std::snprintf(own.name, sizeof own.name, "colour %d", index);
    kit_log("Colour %d has no name, using \"%s\"\n", index, own.name);
    return;
  }
  size_t length = std::strlen(name);
  if (length <= capacity) {
    std::memcpy(own.name, name, length + 1);
    return;
  }
  size_t kept = capacity;
  if (platform::is_valid_utf8(name, length))
    while (kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
      --kept;
  std::memcpy(own.name, name, kept);
  own.name[kept] = '\0';
  kit_log("Colour name of %zu bytes not possible, using \"%s\"\n", length, own.name);
}

} // namespace

bool kit_colour_valid(int colour) {
  return (colour >= 0 && colour < VELDO_COLOUR_COUNT) || own_colour(colour) != nullptr;
}

uint32_t kit_colour_rgb(int colour) {
  uint8_t red, green, blue;
  if (const OwnColour* own = own_colour(colour)) {
    red = own->red;
    green = own->green;
    blue = own->blue;
  } else {
    const Colour& entry =
        colour_table[colour >= 0 && colour < VELDO_COLOUR_COUNT ? colour : VELDO_RED];
    red = entry.red;
    green = entry.green;
    blue = entry.blue;
  }
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

} // namespace veldo

using namespace veldo;

extern "C" const char* kit_colour_name(int colour) {
  if (colour >= 0 && colour < VELDO_COLOUR_COUNT)
    return colour_table[colour].name;
  const OwnColour* own = own_colour(colour);
  return own != nullptr ? own->name : nullptr;
}

extern "C" int kit_define_colour(int index, int red, int green, int blue, const char* name) {
  if (index < VELDO_COLOUR_COUNT || index >= VELDO_COLOUR_LIMIT) {
    kit_log("Cannot define colour %d; only colours %d to %d can be defined\n", index,
            VELDO_COLOUR_COUNT, VELDO_COLOUR_LIMIT - 1);
    return 0;
  }
  // Built apart and stored whole, so the colour is never seen half defined.
  OwnColour own;
  own.red = check_channel("Red", "red", red);
  own.green = check_channel("Green", "green", green);
  own.blue = check_channel("Blue", "blue", blue);
  keep_name(index, name, own);
  own.defined = true;
  kit.own_colours[index - VELDO_COLOUR_COUNT] = own;
  return 1;
}
