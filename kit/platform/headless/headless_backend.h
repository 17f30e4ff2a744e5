// What the headless backend offers beside its Backend table: the controls of its virtual clock,
// through which the kit's test and replay interface (veldo/headless.h) drives it.
#pragma once

#include "../backend.h"

#include <cstdint>
#include <functional>

namespace veldo::platform::headless_clock {

// Moves the virtual clock on, posting the ticks of every timer that falls due.
void advance(int milliseconds);
int64_t now_ms();
// Called whenever the kit would wait with an empty queue, before the clock moves; nullptr for none.
void set_idle_handler(std::function<void()> handler);
// The period of a running timer in ms, or 0 when it is not running.
int timer_period_ms(Window window, int id);
bool timer_paused(Window window, int id);
// How many quits the stall guard has posted since the backend was reset.
int stall_quits();

} // namespace veldo::platform::headless_clock
