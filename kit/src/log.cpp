// The log window: kit_log() and the ring of the last 25 lines, the drawing of one line at the
// bottom of the window, the repaint that replays the ring, and the logging switch.
#include "kit_internal.h"

#include "veldo/kit.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace veldo {

namespace {

LogObserver log_observer = nullptr;

int next_slot(int slot) {
  return slot + 1 < LOG_RING_SLOTS ? slot + 1 : 0;
}

// Keeps the line as the newest of the ring, pushing the oldest out when all slots are used.
void store_line(const char* text, size_t length) {
  LogRing& ring = kit.log_ring;
  if (ring.oldest == ring.next) {
    ring.lines[ring.oldest].reset();
    ring.oldest = next_slot(ring.oldest);
  }
  // A line that cannot be stored is dropped; the indices stay as they were, so the ring still
  // holds the lines from `oldest` up to `next` - 1.
  std::unique_ptr<char[]> block(new (std::nothrow) char[length + 1]);
  if (!block)
    return;
  std::memcpy(block.get(), text, length + 1);
  ring.lines[ring.next] = std::move(block);
  if (ring.oldest < 0)
    ring.oldest = ring.next;
  ring.next = next_slot(ring.next);
}

// VELDO_LOG=stderr in the environment copies every line to standard error too, so a learner sees
// the kit's corrections in the terminal the program was started from.
bool copy_to_stderr() {
  const char* where = std::getenv("VELDO_LOG");
  return where != nullptr && std::strcmp(where, "stderr") == 0;
}

void write_to_stderr(const char* text, size_t length) {
  std::fwrite(text, 1, length, stderr);
  if (length == 0 || text[length - 1] != '\n')
    std::fputc('\n', stderr);
  std::fflush(stderr);
}

} // namespace

void kit_set_log_observer(LogObserver observer) {
  log_observer = observer;
}

void kit_show_log_line(const char* text) {
  platform::Window window = kit.log_window;
  // A hidden window shows nothing; when it is shown again its repaint replays the ring. So a line
  // written while the window is hidden (or closed) costs only its formatting.
  if (!platform::window_visible(window))
    return;
  int line_height = platform::fixed_font_line_height();
  platform::scroll_window_up(window, line_height);
  platform::Rect client = platform::client_rect(window);
  // The strip the scroll uncovered, across the whole width.
  platform::fill_window_rect(
      window,
      platform::Rect{client.left, client.bottom - line_height, client.right, client.bottom + 1},
      platform::window_background(window));
  size_t length = text != nullptr ? std::strlen(text) : 0;
  if (length > 0 && text[length - 1] == '\n')
    --length;
  if (length > 0)
    platform::draw_window_text(window, client.left + 5, client.bottom - line_height, text,
                               static_cast<int>(length));
}

intptr_t log_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                         intptr_t lparam) {
  switch (message) {
  case platform::WM_PAINT: {
    platform::begin_paint(window);
    const LogRing& ring = kit.log_ring;
    if (ring.oldest >= 0) {
      // Each line drawn scrolls the others up, so the newest ends at the bottom.
      int slot = ring.oldest;
      do {
        if (ring.lines[slot])
          kit_show_log_line(ring.lines[slot].get());
        slot = next_slot(slot);
      } while (slot != ring.next);
    }
    platform::end_paint(window);
    return 0;
  }
  case platform::WM_KEYDOWN:
  case platform::WM_KEYUP:
    // The Ctrl key and the shortcuts work while the log window has the focus.
    platform::post_message(kit.graphics_window, message, wparam, lparam);
    return 0;
  default:
    return platform::default_window_proc(window, message, wparam, lparam);
  }
}

} // namespace veldo

using namespace veldo;

extern "C" int kit_log(const char* format, ...) {
  if (format == nullptr)
    return 0;
  char buffer[LOG_FORMAT_BUFFER];
  va_list arguments;
  va_start(arguments, format);
  int formatted = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (formatted < 0) {
    buffer[0] = '\0';
    formatted = 0;
  }
  // The line stored is what fits in the buffer, up to its first zero byte; the result counts every
  // character formatted, as printf's does.
  size_t length = std::strlen(buffer);

  store_line(buffer, length);
  if (log_observer != nullptr)
    log_observer(buffer);
  if (copy_to_stderr())
    write_to_stderr(buffer, length);
  kit_show_log_line(buffer);
  return formatted;
}

extern "C" int kit_set_logging(int on) {
  if (!kit_is_open(CALL_SET_LOGGING))
    return 0;
  kit.logging_enabled = on != 0;
  platform::check_menu_item(kit.run_menu, MENU_LOGGING,
                            kit.logging_enabled ? platform::MF_CHECKED : platform::MF_UNCHECKED);
  if (kit.logging_enabled)
    platform::show_window(kit.log_window, platform::SW_SHOW);
  return 1;
}

extern "C" int kit_show_log_window(int show) {
  if (!kit_is_open(CALL_SHOW_LOG_WINDOW))
    return 0;
  return platform::show_window(kit.log_window, show ? platform::SW_SHOW : platform::SW_HIDE) ? 1
                                                                                             : 0;
}
