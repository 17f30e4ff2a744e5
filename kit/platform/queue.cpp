// The thread's message queue: posting, taking at most one message without waiting, translating a
// key-down into its character, dispatching, waiting without spinning, the quit that signals post,
// and the timers, whose messages are coalesced as the original platform's are, as mouse moves are.
#include "platform_state.h"

namespace veldo::platform {

using namespace shared;

namespace {

// Gives a queued move of the window the new position, when no other input has come after it:
// skipping timer messages and moves keeps every click and key in its place among the moves.
bool coalesce_move(Window window, uintptr_t wparam, intptr_t lparam) {
  for (auto queued = state.queue.rbegin(); queued != state.queue.rend(); ++queued) {
    if (queued->message == WM_MOUSEMOVE && queued->window == window) {
      queued->wparam = wparam;
      queued->lparam = lparam;
      return true;
    }
    if (queued->message != WM_TIMER && queued->message != WM_MOUSEMOVE)
      return false;
  }
  return false;
}

} // namespace

void post_message(Window window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  if (message == WM_MOUSEMOVE && coalesce_move(window, wparam, lparam))
    return;
  Message posted;
  posted.window = window;
  posted.message = message;
  posted.wparam = wparam;
  posted.lparam = lparam;
  if (message == WM_KEYDOWN)
    posted.character = state.key_characters[wparam & 0xFF];
  state.queue.push_back(posted);
}

void post_quit_message(int exit_code) {
  post_message(0, WM_QUIT, static_cast<uintptr_t>(exit_code), 0);
}

bool peek_message(Message* message) {
  backend().poll();
  Message taken;
  if (quit_signal_pending != 0) {
    quit_signal_pending = 0;
    taken.message = WM_QUIT;
  } else if (!state.queue.empty()) {
    taken = state.queue.front();
    state.queue.pop_front();
  } else {
    // A paint is delivered only when nothing else waits, as the original platform does; taking
    // it validates the window, so each request makes one paint.
    bool found = false;
    for (size_t i = 0; i < state.windows.size() && !found; ++i) {
      WindowRecord& record = state.windows[i];
      if (record.alive && record.visible && record.invalid) {
        record.invalid = false;
        taken.window = static_cast<Window>(i + 1);
        taken.message = WM_PAINT;
        found = true;
      }
    }
    if (!found)
      return false;
  }
  if (message != nullptr)
    *message = taken;
  return true;
}

void translate_message(const Message& message) {
  if (message.message != WM_KEYDOWN || message.character == 0)
    return;
  Message character;
  character.window = message.window;
  character.message = WM_CHAR;
  character.wparam = message.character;
  character.lparam = message.lparam;
  state.queue.push_front(character);
}

intptr_t dispatch_message(const Message& message) {
  return send_message(message.window, message.message, message.wparam, message.lparam);
}

void wait_message() {
  if (!queue_empty())
    return;
  backend().wait();
}

bool queue_empty() {
  if (quit_signal_pending != 0 || !state.queue.empty())
    return false;
  for (const WindowRecord& record : state.windows)
    if (record.alive && record.visible && record.invalid)
      return false;
  return true;
}

void quit_on_signals(bool on) {
  backend().quit_on_signals(on);
}

void note_quit_signal() {
  quit_signal_pending = 1;
}

void note_event_returned() {
  ++state.events_returned;
}

uint64_t events_returned() {
  return state.events_returned;
}

void post_key_down(Window window, unsigned key_code, unsigned character) {
  Message key;
  key.window = window;
  key.message = WM_KEYDOWN;
  key.wparam = key_code;
  key.lparam = 1; // a repeat count of one, as the original platform's key messages carry
  key.character = character;
  state.key_characters[key_code & 0xFF] = character;
  state.queue.push_back(key);
}

void set_timer(Window window, int id, int period_ms) {
  if (find_window(window) == nullptr)
    return;
  backend().set_timer(window, id, period_ms > 0 ? period_ms : 1);
}

void kill_timer(Window window, int id) {
  backend().kill_timer(window, id);
}

void pause_timer(Window window, int id, bool paused) {
  backend().pause_timer(window, id, paused);
}

void post_timer_message(Window window, int id) {
  for (const Message& queued : state.queue)
    if (queued.window == window && queued.message == WM_TIMER &&
        queued.wparam == static_cast<uintptr_t>(id))
      return;
  post_message(window, WM_TIMER, static_cast<uintptr_t>(id), 0);
}

} // namespace veldo::platform
