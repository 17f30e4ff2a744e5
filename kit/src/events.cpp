// Event acquisition: the await loop, one pumping step, the graphics window's procedure, the Run
// menu with its Ctrl shortcuts and commands, the animation control, and the input a program asks
// for beyond clicks and characters.
#include "keys.h"
#include "kit_internal.h"

#include "veldo/kit.h"

namespace veldo {

namespace {

struct MenuEntryText {
  const char* text; // nullptr for a separator
  int id;
  unsigned flags;
};

// The Run popup, top to bottom. The informational entries are greyed and cannot be chosen.
constexpr MenuEntryText RUN_MENU_ENTRIES[] = {
    {"&Animate\tCtrl+A", MENU_ANIMATE, platform::MF_STRING},
    {"&Halt animation\tCtrl+H", MENU_HALT, platform::MF_STRING},
    {"Advance one &frame\tCtrl+F", MENU_STEP, platform::MF_STRING},
    {nullptr, 0, platform::MF_SEPARATOR},
    {"&Logging\tCtrl+L", MENU_LOGGING, platform::MF_CHECKED},
    {nullptr, 0, platform::MF_SEPARATOR},
    {"&Record Script\tCtrl+R", MENU_RECORD, platform::MF_STRING},
    {"&Playback Script\tCtrl+P", MENU_PLAYBACK, platform::MF_STRING},
    {"Play &One Script\tCtrl+O", MENU_PLAY_ONE, platform::MF_STRING},
    {nullptr, 0, platform::MF_SEPARATOR},
    {"&Quit\tCtrl+Q", MENU_QUIT, platform::MF_STRING},
    {nullptr, 0, platform::MF_SEPARATOR},
    // Where to report a problem and where new versions appear: the README's section of that name.
    {"CONTACTS:", MENU_INFO, platform::MF_GRAYED},
    {"MAC: see \"Contacts and updates\" in README.md", MENU_INFO, platform::MF_GRAYED},
    {"WINDOWS: see \"Contacts and updates\" in README.md", MENU_INFO, platform::MF_GRAYED},
    {"UPDATES: see \"Contacts and updates\" in README.md", MENU_INFO, platform::MF_GRAYED},
};

void build_run_menu(platform::Window window) {
  platform::Menu bar = platform::create_menu_bar();
  platform::Menu popup = platform::create_popup_menu();
  for (const MenuEntryText& entry : RUN_MENU_ENTRIES)
    platform::append_menu(popup, entry.flags, static_cast<uintptr_t>(entry.id), entry.text);
  kit.run_menu = popup;
  platform::append_menu(bar, platform::MF_POPUP, static_cast<uintptr_t>(popup), "&Run");
  platform::set_menu(window, bar);
  platform::draw_menu_bar(window);
}

// The command a Ctrl shortcut runs, by key code (upper- or lower-case letter), or 0.
int shortcut_command(uintptr_t key_code) {
  switch (key_code) {
  case 'A':
  case 'a':
    return MENU_ANIMATE;
  case 'H':
  case 'h':
    return MENU_HALT;
  case 'F':
  case 'f':
    return MENU_STEP;
  case 'L':
  case 'l':
    return MENU_LOGGING;
  case 'R':
  case 'r':
    return MENU_RECORD;
  case 'P':
  case 'p':
    return MENU_PLAYBACK;
  case 'O':
  case 'o':
    return MENU_PLAY_ONE;
  case 'Q':
  case 'q':
    return MENU_QUIT;
  default:
    return 0;
  }
}

unsigned check_state(bool checked) {
  return checked ? platform::MF_CHECKED : platform::MF_UNCHECKED;
}

bool asked_for(unsigned flag) {
  return (kit.input_flags & flag) != 0;
}

// The mouse messages of input the program has not asked for (and every move or other button over
// the log window) are none of the kit's: they are dropped unseen, so that they take no pumping
// step of their own and the program sees its events exactly when it would without them.
bool unasked_for(const platform::Message& message) {
  const bool graphics = message.window == kit.graphics_window;
  switch (message.message) {
  case platform::WM_MOUSEMOVE:
    return !graphics || !asked_for(VELDO_INPUT_MOTION);
  case platform::WM_RBUTTONDOWN:
  case platform::WM_MBUTTONDOWN:
    return !graphics || !asked_for(VELDO_INPUT_BUTTONS);
  default:
    return false;
  }
}

// One pumping step; true when it took a message.
bool pump_one_message() {
  platform::Message message;
  bool taken = platform::peek_message(&message);
  while (taken && unasked_for(message))
    taken = platform::peek_message(&message);
  if (taken) {
    if (message.message == platform::WM_QUIT) {
      kit.pending.event_kind = VELDO_QUIT;
      return true;
    }
    platform::translate_message(message);
    platform::dispatch_message(message);
  }
  if (kit.canvas_dirty) {
    platform::copy_canvas_to_window(kit.graphics_window);
    kit.canvas_dirty = false;
  }
  return taken;
}

// The await loop goes round while no event is pending, or while an armed periodic wait has seen
// no tick yet.
bool still_waiting() {
  return kit.pending.event_kind == -1 ||
         (kit.pending.event_kind == VELDO_PERIODIC && !kit.tick_pending);
}

// A mouse message's pixel in the client area, from its position parameter.
void client_pixel(intptr_t lparam, int* px, int* py) {
  *px = static_cast<int>(static_cast<uintptr_t>(lparam) & 0xFFFF);
  *py = static_cast<int>((static_cast<uintptr_t>(lparam) >> 16) & 0xFFFF);
}

// A click of any button becomes the pending event, in canvas coordinates.
void take_click(int kind, intptr_t lparam) {
  int px, py;
  client_pixel(lparam, &px, &py);
  kit.pending.event_kind = kind;
  kit.pending.event_x = px - kit.origin_x;
  kit.pending.event_y = kit.origin_y - py;
}

// A special key's press or release becomes the pending event; any other key is none of the
// program's.
void take_special_key(int kind, uintptr_t key_code) {
  if (int key = special_key_of_platform_code(key_code); key != 0) {
    kit.pending.event_kind = kind;
    kit.pending.event_key = static_cast<char>(key);
  }
}

// A move over the visible canvas is held as the mouse's latest position; the await loop decides
// when it becomes an event.
void hold_motion(platform::Window window, intptr_t lparam) {
  int px, py;
  client_pixel(lparam, &px, &py);
  platform::Rect client = platform::client_rect(window);
  if (px < client.left || px >= client.right || py < client.top || py >= client.bottom)
    return;
  kit.motion_held = true;
  kit.motion_x = px - kit.origin_x;
  kit.motion_y = kit.origin_y - py;
}

// The held position is returned when nothing else is pending and no motion event has been
// returned since the last tick: at most one a tick, always the latest.
void release_held_motion() {
  if (!kit.motion_held || kit.motion_since_tick || !still_waiting())
    return;
  kit.pending.event_kind = VELDO_MOTION;
  kit.pending.event_x = kit.motion_x;
  kit.pending.event_y = kit.motion_y;
  kit.motion_held = false;
  kit.motion_since_tick = true;
}

} // namespace

void kit_pump_message() {
  pump_one_message();
}

void kit_run_command(int id) {
  switch (id) {
  case MENU_ANIMATE:
    kit.animating = true;
    break;
  case MENU_HALT:
    kit.animating = false;
    break;
  case MENU_STEP:
    kit.animating = false;
    kit.step_pending = true;
    break;
  case MENU_LOGGING:
    kit.logging_enabled = !kit.logging_enabled;
    platform::check_menu_item(kit.run_menu, MENU_LOGGING, check_state(kit.logging_enabled));
    break;
  case MENU_RECORD:
    if (kit.recording) {
      kit.recording = false;
      platform::check_menu_item(kit.run_menu, MENU_RECORD, platform::MF_UNCHECKED);
      if (kit.periodic_run_count > 0)
        kit_flush_recording();
      kit_script_close();
    } else if (kit_script_begin_recording()) {
      kit.recording = true;
      platform::check_menu_item(kit.run_menu, MENU_RECORD, platform::MF_CHECKED);
    }
    break;
  case MENU_PLAYBACK:
    if (kit.playing_back) {
      kit.playing_back = false;
      platform::check_menu_item(kit.run_menu, MENU_PLAYBACK, platform::MF_UNCHECKED);
      kit_script_close();
    } else if (kit_script_begin_playback()) {
      kit.animating = false;
      kit.step_pending = false;
      kit.playing_back = true;
      platform::check_menu_item(kit.run_menu, MENU_PLAYBACK, platform::MF_CHECKED);
    }
    break;
  case MENU_PLAY_ONE:
    if (!kit_script_begin_playback())
      break;
    kit.play_one_requested = true;
    kit.animating = false;
    kit.step_pending = false;
    break;
  case MENU_QUIT:
    platform::post_quit_message(0);
    break;
  default:
    break;
  }
}

intptr_t graphics_window_proc(platform::Window window, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
  switch (message) {
  case platform::WM_CREATE:
    build_run_menu(window);
    return 0;
  case platform::WM_DESTROY:
    platform::kill_timer(window, TICK_TIMER_ID);
    platform::post_quit_message(0);
    return 0;
  case platform::WM_SIZE:
    kit_set_origin_from_client(window);
    return 0;
  case platform::WM_PAINT:
    kit_repaint_graphics(window);
    return 0;
  case platform::WM_KEYDOWN:
    if (wparam == platform::VK_CONTROL) {
      kit.ctrl_held = true;
    } else if (kit.ctrl_held) {
      if (int command = shortcut_command(wparam); command != 0)
        kit_run_command(command);
    } else if (asked_for(VELDO_INPUT_KEYS)) {
      take_special_key(VELDO_KEY_PRESS, wparam);
    }
    return 0;
  case platform::WM_KEYUP:
    if (wparam == platform::VK_CONTROL)
      kit.ctrl_held = false;
    else if (asked_for(VELDO_INPUT_RELEASES))
      take_special_key(VELDO_KEY_RELEASE, wparam);
    return 0;
  case platform::WM_CHAR:
    // The control character of a shortcut is not an event.
    if (!kit.ctrl_held) {
      kit.pending.event_kind = VELDO_KBD;
      kit.pending.event_key = static_cast<char>(wparam & 0xFF);
    }
    return 0;
  case platform::WM_COMMAND:
    kit_run_command(static_cast<int>(wparam & 0xFFFF));
    return 0;
  case platform::WM_TIMER:
    kit.tick_pending = true;
    kit.motion_since_tick = false;
    return 0;
  case platform::WM_LBUTTONDOWN:
    take_click(VELDO_MOUSE, lparam);
    return 0;
  case platform::WM_RBUTTONDOWN:
  case platform::WM_MBUTTONDOWN:
    if (!asked_for(VELDO_INPUT_BUTTONS))
      break;
    take_click(message == platform::WM_RBUTTONDOWN ? VELDO_RIGHT_CLICK : VELDO_MIDDLE_CLICK,
               lparam);
    return 0;
  case platform::WM_MOUSEMOVE:
    if (!asked_for(VELDO_INPUT_MOTION))
      break;
    hold_motion(window, lparam);
    return 0;
  default:
    break;
  }
  return platform::default_window_proc(window, message, wparam, lparam);
}

} // namespace veldo

using namespace veldo;

extern "C" int kit_await_event(int* x, int* y, char* key) {
  // Before kit_open() no event can ever come: the call says so and returns a quit at once.
  if (!kit_is_open(CALL_AWAIT_EVENT)) {
    if (x != nullptr)
      *x = 0;
    if (y != nullptr)
      *y = 0;
    if (key != nullptr)
      *key = 0;
    return VELDO_QUIT;
  }
  if (kit.replay_await_hook != nullptr)
    kit.replay_await_hook();

  PendingEvent& pending = kit.pending;
  pending = PendingEvent();

  while (still_waiting()) {
    bool took_message = pump_one_message();

    // A scripted event takes the place of whatever the pumping step produced, a held motion
    // included.
    if (kit.play_one_requested || kit.playing_back) {
      kit.play_one_requested = false;
      if (kit_script_read() == 1) {
        kit.motion_held = false;
        break;
      }
      kit.play_one_requested = false;
      kit.playing_back = false;
    }

    release_held_motion();

    // Arming: only a tick that arrives from now on ends the wait.
    if ((kit.step_pending || kit.animating) && pending.event_kind == -1) {
      kit.tick_pending = false;
      pending.event_kind = VELDO_PERIODIC;
      kit.step_pending = false;
    }

    // Where the loop would find nothing new by pumping again at once, it sleeps until a message
    // can be taken. A playback request never sleeps: scripted events are not paced. Unless the wait
    // is armed, no tick could end it (a tick that comes now is dropped at the next arming anyway),
    // so the tick timer sleeps too, keeping its schedule for when the wait is armed again; but a
    // held motion waits for the next tick, so then the timer goes on.
    if (!took_message && still_waiting() && !kit.play_one_requested && !kit.playing_back) {
      platform::pause_timer(kit.graphics_window, TICK_TIMER_ID,
                            pending.event_kind != VELDO_PERIODIC && !kit.motion_held);
      platform::wait_message();
    }
  }

  if (kit.recording) {
    if (pending.event_kind == VELDO_PERIODIC) {
      ++kit.periodic_run_count;
    } else {
      if (kit.periodic_run_count > 0)
        kit_flush_recording();
      kit_script_write(pending.event_kind, pending.event_x, pending.event_y, pending.event_key);
    }
  }

  if (x != nullptr)
    *x = pending.event_x;
  if (y != nullptr)
    *y = pending.event_y;
  if (key != nullptr)
    *key = pending.event_key;
  platform::note_event_returned();
  return kit.quit_requested ? VELDO_QUIT : pending.event_kind;
}

extern "C" int kit_set_animation(int code) {
  if (!kit_is_open(CALL_SET_ANIMATION))
    return 0;
  switch (code) {
  case VELDO_HALT:
    kit.step_pending = false;
    kit.animating = false;
    break;
  case VELDO_STEP:
    kit.step_pending = true;
    break;
  case VELDO_RUN:
    kit.animating = true;
    break;
  case VELDO_END:
    kit.quit_requested = true;
    break;
  default:
    break;
  }
  return 1;
}

extern "C" int kit_enable_input(int flags) {
  if (!kit_is_open(CALL_ENABLE_INPUT))
    return 0;
  kit.input_flags = static_cast<unsigned>(flags) & VELDO_INPUT_ALL;
  // A position held from before no longer counts once motion is not asked for.
  if (!asked_for(VELDO_INPUT_MOTION))
    kit.motion_held = false;
  return 1;
}
