// Replay throughput at full load: a ten-minute game (24,000 ticks) replayed through the replay
// driver with --png only, as dovuvezuvir-replay runs it. The script is made here: play starts with
// the spawn button pressed until all 50 slots hold a fly, then every 25 ticks a swing lands on a
// flying fly and the button refills the slots that falling flies have freed, so every frame draws
// a full table of flies, the debris of the hits and, once the spree has grown, its announcement.
// The game's own rules, run here before the replay, tell where the flies are. For comparison, a
// player's game follows: the same swings without the button, so the level rule alone fills the
// table as the score grows.
//
//   replay [ticks]    (default 24000: ten minutes at 40 ticks a second; goal: at most 10 s)
//
// Both the wall-clock time and the CPU time of the replay are printed: on a machine busy with
// other work the wall clock says more about the load than about the replay.
#include "game.h"
#include "random.h"

#include <veldo/kit.h>
#include <veldo/replay.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr int SPAWN_X = -266; // strictly inside the spawn button
constexpr int SPAWN_Y = 237;

struct ScriptMaker {
  GameState state = game_state_initial();
  BugTable bugs{};
  ParticleTable particles{};
  std::string text;
  int pending_ticks = 0;
  long events = 0;
  long ticks = 0;
  long clicks = 0;
  long fly_frames = 0; // flies drawn, summed over the play frames

  ScriptMaker() {
    random_restart();
    bugs_clear(bugs);
    particles_clear(particles);
  }

  void flush() {
    if (pending_ticks > 0)
      text += "VELDO_PERIODIC(" + std::to_string(pending_ticks) + ");\n";
    pending_ticks = 0;
  }
  void tick() {
    play_event(VELDO_PERIODIC, 0, 0, state, bugs, particles);
    fly_frames += bugs_count(bugs);
    ++pending_ticks;
    ++events;
    ++ticks;
  }
  void click(int x, int y) {
    flush();
    play_event(VELDO_MOUSE, x, y, state, bugs, particles);
    fly_frames += bugs_count(bugs);
    text += "VELDO_MOUSE(" + std::to_string(x) + ", " + std::to_string(y) + ");\n";
    ++events;
    ++clicks;
  }
  void fill_table() {
    while (bugs_count(bugs) < BUG_SLOTS)
      click(SPAWN_X, SPAWN_Y);
  }
  // A swing at the first flying fly that lies inside the field below the button row.
  void swing() {
    for (const Bug& bug : bugs.slots)
      if (bug.kind == BUG_FLY && bug.swatted == 0 && !spawn_button_hit(bug.x, bug.y)) {
        click(bug.x, bug.y);
        return;
      }
  }
};

int play_game() {
  static char no_command_line[] = "";
  return WinMain(nullptr, nullptr, no_command_line, 1);
}

double cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string cpu_model() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line))
    if (line.rfind("model name", 0) == 0)
      return line.substr(line.find(':') + 2);
  return "unknown CPU";
}

// Makes the script of one game, replays it with --png only and prints the figures. Returns false
// when the replay failed.
bool measure(const char* title, bool full_table, long total_ticks) {
  // The title for one tick, the click that starts play, then the game.
  ScriptMaker maker;
  maker.text = "VELDO_PERIODIC(1);\nVELDO_MOUSE(0, -150);\n";
  maker.events = 2;
  if (full_table)
    maker.fill_table();
  while (maker.ticks < total_ticks) {
    maker.tick();
    if (maker.state.swatter.cooldown == 0) {
      maker.swing();
      if (full_table)
        maker.fill_table();
    }
  }
  maker.flush();
  // The closing quit is an event too, and draws the final frame; the click that leaves the title
  // draws none.
  const long events = maker.events + 1;
  const long frames = events - 1;

  char directory[] = "/tmp/veldo-replay-bench-XXXXXX";
  if (mkdtemp(directory) == nullptr) {
    std::perror("mkdtemp");
    return false;
  }
  const std::string script = std::string(directory) + "/game.scr";
  const std::string picture = std::string(directory) + "/final.png";
  {
    std::ofstream out(script);
    out << maker.text;
  }

  // The replay runs the game from a fresh start, as dovuvezuvir-replay does in a new process.
  random_restart();
  std::string arguments[] = {"dovuvezuvir-replay", "--png", picture, script};
  char* argv_replay[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                         arguments[3].data(), nullptr};
  const double cpu_start = cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  const int status = kit_replay_main(4, argv_replay, play_game);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = cpu_seconds() - cpu_start;
  std::remove(script.c_str());
  std::remove(picture.c_str());
  rmdir(directory);
  if (status != 0) {
    std::fprintf(stderr, "the replay failed with status %d\n", status);
    return false;
  }

  const double minutes = static_cast<double>(maker.ticks) / 40.0 / 60.0;
  const double seconds_for_goal = cpu * 24000.0 / static_cast<double>(maker.ticks);
  std::printf("%s (%.1f flies per frame on average; score %d, level %d, %d swings)\n", title,
              static_cast<double>(maker.fly_frames) / static_cast<double>(maker.events - 2),
              maker.state.score, maker.state.level, maker.state.swings);
  std::printf("  script: %ld ticks (%.1f minutes of play), %ld clicks, %ld events with the quit\n",
              maker.ticks, minutes, maker.clicks, events);
  std::printf("  wall clock %.2f s: %.0f events per second, %.0f frames per second\n", wall,
              static_cast<double>(events) / wall, static_cast<double>(frames) / wall);
  std::printf("  CPU time   %.2f s: %.0f events per second, %.0f frames per second\n", cpu,
              static_cast<double>(events) / cpu, static_cast<double>(frames) / cpu);
  std::printf("  a ten-minute game (24000 ticks) in %.1f s of CPU time (goal: at most 10 s, %s)\n",
              seconds_for_goal, seconds_for_goal <= 10.0 ? "met" : "MISSED");
  return true;
}

} // namespace

int main(int argc, char** argv) {
  const long total_ticks = argc > 1 ? std::atol(argv[1]) : 24000;
  if (total_ticks <= 0) {
    std::fprintf(stderr, "usage: replay [ticks]\n");
    return 2;
  }
  std::printf("replay, headless, --png only\n");
  std::printf("  machine: %s, %u hardware threads, %ld online\n", cpu_model().c_str(),
              std::thread::hardware_concurrency(), sysconf(_SC_NPROCESSORS_ONLN));
  bool ok = measure("full load: the spawn button keeps all 50 slots filled", true, total_ticks);
  ok = measure("a player's game: a swing at a fly whenever the swatter is ready", false,
               total_ticks) &&
       ok;
  return ok ? 0 : 1;
}
