// Drawing calls at the ends of the 32-bit range: coordinates, radii and widths up to INT_MAX and
// INT_MIN, shapes far larger than the canvas that must be clipped to it. Each call is timed by
// the CPU time this thread spends on it (median of several), and the slowest is named: no call
// may become slower than the slowest one was before the rasteriser changed.
//
//   extremes [repeats]    (default 9 of each call)
#include <veldo/kit.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

namespace {

struct Case {
  const char* name;
  std::function<void()> draw;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"disc of radius INT_MAX at the origin", [] { kit_circle(2, 0, 0, INT_MAX); }},
      {"disc of radius INT_MAX centred at x = INT_MIN", [] { kit_circle(2, INT_MIN, 0, INT_MAX); }},
      {"disc of radius INT_MAX far away", [] { kit_circle(2, INT_MAX, INT_MAX, INT_MAX); }},
      {"disc of radius 1,000,000 crossing the canvas", [] { kit_circle(2, 0, 1000200, 1000000); }},
      {"rectangle over the whole range, filled",
       [] { kit_rectangle(2, INT_MAX, INT_MIN, INT_MIN, INT_MAX, 0); }},
      {"rectangle over the whole range, outlined",
       [] { kit_rectangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1); }},
      {"rectangle with a pen of INT_MAX", [] { kit_rectangle(2, -10, -10, 10, 10, INT_MAX); }},
      {"oval over the whole range, filled",
       [] { kit_oval(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0); }},
      {"oval over the whole range, outlined",
       [] { kit_oval(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 3); }},
      {"oval over the whole range, a pen of 1,000",
       [] { kit_oval(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1000); }},
      {"flat oval across the whole range", [] { kit_oval(2, INT_MIN, -5, INT_MAX, 5, 1); }},
      {"tall oval across the whole range", [] { kit_oval(2, -5, INT_MIN, 5, INT_MAX, 3); }},
      {"oval with a pen of INT_MAX", [] { kit_oval(2, -3, -3, 3, 3, INT_MAX); }},
      {"oval of 2,000,000 pixels crossing the canvas",
       [] { kit_oval(2, -1000000, -240, 1000000, 2000000, 1); }},
      {"line along the whole x range", [] { kit_line(2, INT_MIN, 0, INT_MAX, 0, 0); }},
      {"diagonal line across the whole range",
       [] { kit_line(2, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1); }},
      {"line with a pen of INT_MAX", [] { kit_line(2, 0, 0, 1, 0, INT_MAX); }},
      {"triangle over the whole range, filled",
       [] { kit_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 0); }},
      {"triangle over the whole range, outlined",
       [] { kit_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 3); }},
      {"thin triangle across the whole range",
       [] { kit_triangle(2, INT_MIN, 0, INT_MAX, 0, 0, 10, 1); }},
      {"triangle with a pen of INT_MAX", [] { kit_triangle(2, 0, 0, 5, 0, 0, 5, INT_MAX); }},
      {"triangle over the whole range, a pen of 1,000",
       [] { kit_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 1000); }},
  };
  return all;
}

double cpu_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

} // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  kit_use_platform("headless");
  kit_open(nullptr, nullptr, "", 1);
  kit_set_logging(0);
  std::printf("Extreme drawing calls, median CPU time of %d calls each\n", repeats);
  double slowest = 0;
  const char* slowest_name = "";
  for (const Case& c : cases()) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
      kit_clear();
      double start = cpu_microseconds();
      c.draw();
      times.push_back(cpu_microseconds() - start);
    }
    std::sort(times.begin(), times.end());
    double us = times[times.size() / 2];
    std::printf("  %10.1f us  %s\n", us, c.name);
    if (us > slowest) {
      slowest = us;
      slowest_name = c.name;
    }
  }
  std::printf("slowest: %.1f us (%s)\n", slowest, slowest_name);
  kit_close();
  return 0;
}
