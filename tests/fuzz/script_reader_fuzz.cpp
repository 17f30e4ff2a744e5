// Feeds arbitrary bytes to the script reader as the contents of a script file and plays it to its
// end, twice: for a program that asked for no more input than clicks and characters, and for one
// that asked for everything. The reader must never read or write out of bounds, overflow, or
// deliver an event that an event cannot be (a key line only ever brings a special key's code); and
// the first program must see exactly the second one's events up to the first of a kind it did not
// ask for, where its playback ends. Everything else a hostile script does is allowed.
//
// Built from the script source alone: the few things it uses of the rest of the kit (the state
// record, the log and the menu's check marks) are stood in for here.
#include "keys.h"
#include "kit_internal.h"

#include <veldo/kit.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

namespace {

bool asked_for_kind(int kind) {
  return kind >= VELDO_KEY_PRESS && kind <= VELDO_MOTION;
}

// Plays the script to its end for a program that asked for `input_flags`; the events it saw.
std::vector<veldo::PendingEvent> play(const uint8_t* data, size_t size, unsigned input_flags) {
  using veldo::kit;
  std::vector<veldo::PendingEvent> events;
  kit.script_file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (kit.script_file == nullptr)
    std::abort();
  kit.input_flags = input_flags;
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
      bool known = kind == VELDO_MOUSE || kind == VELDO_KBD || kind == VELDO_PERIODIC;
      if (!known && !(input_flags != 0 && asked_for_kind(kind)))
        std::abort();
      if ((kind == VELDO_KEY_PRESS || kind == VELDO_KEY_RELEASE) &&
          veldo::special_key(kit.pending.event_key) == nullptr)
        std::abort();
      if (kit.periodic_run_count < 0)
        std::abort();
      if (kit.periodic_run_count > 2)
        kit.periodic_run_count = 2;
      events.push_back(kit.pending);
    } else if (got != 0 || kit.playing_back) {
      std::abort();
    }
    if (++calls > 3 * size + 8)
      std::abort();
  }
  veldo::kit_script_close();
  return events;
}

bool same(const veldo::PendingEvent& a, const veldo::PendingEvent& b) {
  return a.event_kind == b.event_kind && a.event_x == b.event_x && a.event_y == b.event_y &&
         a.event_key == b.event_key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An empty buffer cannot be opened as a memory stream; the unit tests cover the empty script.
  if (size == 0)
    return 0;
  const std::vector<veldo::PendingEvent> plain = play(data, size, 0);
  const std::vector<veldo::PendingEvent> asking = play(data, size, VELDO_INPUT_ALL);
  size_t shared = 0;
  while (shared < asking.size() && !asked_for_kind(asking[shared].event_kind))
    ++shared;
  if (plain.size() != shared)
    std::abort();
  for (size_t i = 0; i < shared; ++i)
    if (!same(plain[i], asking[i]))
      std::abort();
  return 0;
}
