// The headless backend: no display and a virtual clock. Time moves only when the kit waits with
// an empty queue, and then straight to the next timer, so a run is as fast as the CPU allows and
// repeats exactly. The kit's test and replay interface (veldo/headless.h) drives it through the
// clock controls of headless_backend.h.
#include "headless_backend.h"

#include <csignal>
#include <cstdio>
#include <vector>

namespace veldo::platform {

namespace {

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;
// A program that has taken no event for this long, in virtual time, would wait forever: nothing
// but the tick timer can happen without a caller injecting input.
constexpr int64_t STALL_LIMIT_MS = 10 * 60 * 1000;

struct Timer {
  Window window;
  int id;
  int period_ms;
  int64_t due_ms;
  bool paused = false;
};

struct HeadlessState {
  int64_t now_ms = 0;
  std::vector<Timer> timers;
  std::function<void()> idle_handler;
  uint64_t events_seen = 0;
  int64_t last_event_ms = 0;
  int stall_quits = 0;
};

HeadlessState clock_state;

Timer* find_timer(Window window, int id) {
  for (Timer& timer : clock_state.timers)
    if (timer.window == window && timer.id == id)
      return &timer;
  return nullptr;
}

// The timer that falls due first (the earliest started on a tie), or nullptr.
Timer* next_timer() {
  Timer* next = nullptr;
  for (Timer& timer : clock_state.timers)
    if (next == nullptr || timer.due_ms < next->due_ms)
      next = &timer;
  return next;
}

// Moves the clock to `target_ms`, posting the tick of every timer that falls due on the way.
void advance_to(int64_t target_ms) {
  for (Timer* timer = next_timer(); timer != nullptr && timer->due_ms <= target_ms;
       timer = next_timer()) {
    clock_state.now_ms = timer->due_ms;
    timer->due_ms += timer->period_ms;
    // A paused timer still marks the time (the clock moves as it would on a desktop), but posts
    // nothing.
    if (!timer->paused)
      post_timer_message(timer->window, timer->id);
  }
  if (target_ms > clock_state.now_ms)
    clock_state.now_ms = target_ms;
}

bool start_up(char*, int) {
  return true;
}

void reset_backend() {
  clock_state = HeadlessState();
}

void screen_size(int* width, int* height) {
  *width = SCREEN_WIDTH;
  *height = SCREEN_HEIGHT;
}

void window_created(Window, const WindowDesc&) {}
void window_shown(Window, bool) {}
void window_destroyed(Window window) {
  std::erase_if(clock_state.timers,
                [window](const Timer& timer) { return timer.window == window; });
}
void menu_changed(Window) {}
void present(Window) {}

void set_timer(Window window, int id, int period_ms) {
  // Setting a running timer again starts it anew with the new period, as the original does.
  if (Timer* timer = find_timer(window, id)) {
    timer->period_ms = period_ms;
    timer->due_ms = clock_state.now_ms + period_ms;
    return;
  }
  clock_state.timers.push_back(Timer{window, id, period_ms, clock_state.now_ms + period_ms});
}

void pause_timer(Window window, int id, bool paused) {
  if (Timer* timer = find_timer(window, id))
    timer->paused = paused;
}

void kill_timer(Window window, int id) {
  std::erase_if(clock_state.timers, [window, id](const Timer& timer) {
    return timer.window == window && timer.id == id;
  });
}

void poll() {}

void stall(const char* why) {
  std::fprintf(stderr, "veldo headless: %s; posting a quit\n", why);
  ++clock_state.stall_quits;
  clock_state.events_seen = events_returned();
  clock_state.last_event_ms = clock_state.now_ms;
  post_quit_message(0);
}

void wait() {
  if (!queue_empty())
    return;
  if (clock_state.idle_handler) {
    // Copied, so that a handler may replace itself.
    std::function<void()> handler = clock_state.idle_handler;
    handler();
    if (!queue_empty())
      return;
  }
  if (events_returned() != clock_state.events_seen) {
    clock_state.events_seen = events_returned();
    clock_state.last_event_ms = clock_state.now_ms;
  }
  Timer* timer = next_timer();
  if (timer == nullptr) {
    stall("no timer runs and no input is queued");
    return;
  }
  if (timer->due_ms - clock_state.last_event_ms > STALL_LIMIT_MS) {
    stall("ten minutes of virtual time passed without an event");
    return;
  }
  advance_to(timer->due_ms);
}

extern "C" void headless_quit_on_signal(int) {
  note_quit_signal();
}

void quit_on_signals(bool on) {
  struct sigaction action = {};
  action.sa_handler = on ? headless_quit_on_signal : SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const Backend headless = {
    .name = "headless",
    .start_up = start_up,
    .reset = reset_backend,
    .screen_size = screen_size,
    .window_created = window_created,
    .window_shown = window_shown,
    .window_destroyed = window_destroyed,
    .menu_changed = menu_changed,
    .present = present,
    .set_timer = set_timer,
    .kill_timer = kill_timer,
    .pause_timer = pause_timer,
    .poll = poll,
    .wait = wait,
    .quit_on_signals = quit_on_signals,
};

} // namespace

const Backend& headless_backend() {
  return headless;
}

namespace headless_clock {

void advance(int milliseconds) {
  if (milliseconds > 0)
    advance_to(clock_state.now_ms + milliseconds);
}

int64_t now_ms() {
  return clock_state.now_ms;
}

void set_idle_handler(std::function<void()> handler) {
  clock_state.idle_handler = std::move(handler);
}

int timer_period_ms(Window window, int id) {
  Timer* timer = find_timer(window, id);
  return timer != nullptr ? timer->period_ms : 0;
}

bool timer_paused(Window window, int id) {
  Timer* timer = find_timer(window, id);
  return timer != nullptr && timer->paused;
}

int stall_quits() {
  return clock_state.stall_quits;
}

} // namespace headless_clock

} // namespace veldo::platform
