// Linux starts a program at main; the game's entry is WinMain, which takes the four start-up
// arguments of the original platform. There is no instance handle here, and the game itself reads
// no command line, so the entry gets none, and the window opens in its normal state.
//
// The only options are the conventional ones, handled here before the game starts: --help and
// --version print and exit 0; anything else is refused with the usage and status 2.
#include "game.h"

#include <getopt.h>

#include <cstdio>

#ifndef VELDO_VERSION
#define VELDO_VERSION "unknown"
#endif

namespace {

constexpr const char* PROGRAM = "dovuvezuvir";

void print_usage(std::FILE* to) {
  std::fprintf(to,
               "Usage: %s [OPTION]\n"
               "Swat the flies on the field with your mouse.\n"
               "Without an option the game opens its window: click to start, Ctrl+Q quits.\n"
               "\n"
               "  -h, --help     show this help and exit\n"
               "  -V, --version  show the version and exit\n"
               "\n"
               "The rules and the Run menu: man 6 dovuvezuvir\n",
               PROGRAM);
}

} // namespace

int main(int argc, char** argv) {
  static const option options[] = {
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},
      {nullptr, 0, nullptr, 0},
  };
  int choice = 0;
  while ((choice = getopt_long(argc, argv, "hV", options, nullptr)) != -1) {
    switch (choice) {
    case 'h':
      print_usage(stdout);
      return 0;
    case 'V':
      std::printf("%s %s\n", PROGRAM, VELDO_VERSION);
      return 0;
    default: // getopt_long has named the unknown option on standard error
      print_usage(stderr);
      return 2;
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "%s: unexpected argument '%s'\n", PROGRAM, argv[optind]);
    print_usage(stderr);
    return 2;
  }

  static char no_command_line[] = "";
  return WinMain(nullptr, nullptr, no_command_line, 1);
}
