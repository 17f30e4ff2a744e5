// A real-window benchmark of the kit's waiting: how much CPU a halted program uses, and how many
// ticks a running program receives per second at the game's 25 ms period. It needs a display;
// bench/run_window_bench.sh runs it under Xvfb and prints the figures.
//
//   ticks halted    waits halted until it is told to quit (SIGTERM), then prints the CPU it used
//   ticks running   runs at 25 ms for 10 s and prints the ticks per second and the CPU used
#include <veldo/kit.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int await() {
  int x = 0;
  int y = 0;
  char key = 0;
  return kit_await_event(&x, &y, &key);
}

// One single step first, so that the measurement starts once the windows are up and the await
// loop has taken a tick; then halted until quit.
int halted() {
  // The game's tick period: a kit that woke for every tick while halted would wake 40 times a
  // second.
  kit_set_tick_period(25);
  kit_set_animation(VELDO_STEP);
  while (await() != VELDO_PERIODIC) {
  }
  std::printf("halted: waiting\n");
  std::fflush(stdout);
  const Clock::time_point start = Clock::now();
  const double cpu_start = cpu_seconds();
  while (await() != VELDO_QUIT) {
  }
  const double wall = seconds_since(start);
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("halted: %.3f s of CPU over %.2f s = %.2f%% of a core (by the program itself)\n", cpu,
              wall, 100.0 * cpu / wall);
  return 0;
}

int running() {
  constexpr double measured_seconds = 10.0;
  kit_set_tick_period(25);
  kit_set_animation(VELDO_RUN);
  // The clock starts at the first tick, so start-up is not counted.
  while (await() != VELDO_PERIODIC) {
  }
  const Clock::time_point start = Clock::now();
  const double cpu_start = cpu_seconds();
  int ticks = 0;
  for (;;) {
    const int kind = await();
    if (kind == VELDO_QUIT)
      break;
    if (seconds_since(start) > measured_seconds)
      break;
    if (kind == VELDO_PERIODIC)
      ++ticks;
  }
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("running: %d ticks in %.0f s at 25 ms = %.2f ticks per second (goal 40 +- 1); "
              "%.2f%% of a core\n",
              ticks, measured_seconds, ticks / measured_seconds, 100.0 * cpu / measured_seconds);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "halted") != 0 && std::strcmp(mode, "running") != 0) {
    std::printf("ticks: a real-window benchmark; bench/run_window_bench.sh runs it under Xvfb "
                "(modes: halted, running)\n");
    return 0;
  }
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  const int status = std::strcmp(mode, "halted") == 0 ? halted() : running();
  kit_close();
  return status;
}
