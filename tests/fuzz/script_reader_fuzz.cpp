// Feeds arbitrary bytes to the script reader as the contents of a script file and plays it to its
// end. The reader must never read or write out of bounds, overflow, or deliver an event that an
// event cannot be; everything else a hostile script does is allowed.
//
// Built from the script source alone: the few things it uses of the rest of the kit (the state
// record, the log and the menu's check marks) are stood in for here.
#include "kit_internal.h"

#include <veldo/kit.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace veldo {
KitState kit;
namespace platform {
int check_menu_item(Menu, int, unsigned) {
  return 0;
}
} // namespace platform
} // namespace veldo

extern "C" int kit_log(const char*, ...) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using veldo::kit;
  // An empty buffer cannot be opened as a memory stream; the unit tests cover the empty script.
  if (size == 0)
    return 0;
  kit.script_file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (kit.script_file == nullptr)
    return 0;
  kit.periodic_run_count = 0;
  kit.playing_back = true;

  // Every call either plays one event or ends playback; a line yields at most one event besides
  // a periodic run, whose replay is cut short here so that a huge count costs no time.
  size_t calls = 0;
  while (kit.playing_back) {
    kit.pending = veldo::PendingEvent{};
    int got = veldo::kit_script_read();
    if (got == 1) {
      int kind = kit.pending.event_kind;
      if (kind != VELDO_MOUSE && kind != VELDO_KBD && kind != VELDO_PERIODIC)
        std::abort();
      if (kit.periodic_run_count < 0)
        std::abort();
      if (kit.periodic_run_count > 2)
        kit.periodic_run_count = 2;
    } else if (got != 0 || kit.playing_back) {
      std::abort();
    }
    if (++calls > 3 * size + 8)
      std::abort();
  }
  veldo::kit_script_close();
  return 0;
}
