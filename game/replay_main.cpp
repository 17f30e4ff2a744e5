// The replay tool: the game's own entry, run by the kit's replay driver on the headless platform,
// with a recorded script played into it. The driver reads the command line; the game reads none.
#include "game.h"

#include <veldo/replay.h>

namespace {

int play_game() {
  static char no_command_line[] = "";
  return WinMain(nullptr, nullptr, no_command_line, 1);
}

} // namespace

int main(int argc, char** argv) {
  return kit_replay_main(argc, argv, play_game);
}
