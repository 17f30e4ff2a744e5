// Script recording and playback. Until the script file is built these behave as if there were no
// script file: nothing is written and nothing can be read.
#include "kit_internal.h"

namespace veldo {

int kit_script_read() {
  kit_stop_playback();
  return 0;
}

void kit_script_write(int, int, int, char) {}

void kit_flush_recording() {
  kit.periodic_run_count = 0;
}

void kit_stop_playback() {
  kit.playing_back = false;
  kit.play_one_requested = false;
  if (kit.run_menu != 0)
    platform::check_menu_item(kit.run_menu, MENU_PLAYBACK, platform::MF_UNCHECKED);
}

void kit_script_close() {}

} // namespace veldo
