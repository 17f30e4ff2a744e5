// Measuring canvas text without drawing it: the widths and the line height kit_text() will use,
// taken from the same text engine that draws it.
#include "kit_internal.h"

#include "../platform/text.h"

#include <veldo/kit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// kit_text()'s corrections of the size, without their messages: a negative size is used as its
// magnitude, and a size above the limit as the limit.
constexpr int TEXT_SIZE_LIMIT = 127;

int corrected_size(int size) {
  const int64_t magnitude = size < 0 ? -int64_t{size} : size;
  return static_cast<int>(std::min<int64_t>(magnitude, TEXT_SIZE_LIMIT));
}

} // namespace

using namespace veldo;

extern "C" int kit_text_width(int size, const char* text) {
  if (text == nullptr)
    return 0;
  size = corrected_size(size);
  int widest = 0;
  for (const char* line = text;;) {
    const char* feed = std::strchr(line, '\n');
    const size_t length = feed != nullptr ? static_cast<size_t>(feed - line) : std::strlen(line);
    widest = std::max(widest, platform::measure_text_line(size, line, length).width);
    if (feed == nullptr)
      return widest;
    line = feed + 1;
  }
}

extern "C" int kit_text_line_height(int size) {
  return platform::text_line_height(corrected_size(size));
}
