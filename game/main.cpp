// Linux starts a program at main; the game's entry is WinMain, which takes the four start-up
// arguments of the original platform. There is no instance handle here and no command line is
// read, so the entry gets none, and the window opens in its normal state.
#include "game.h"

int main() {
  static char no_command_line[] = "";
  return WinMain(nullptr, nullptr, no_command_line, 1);
}
