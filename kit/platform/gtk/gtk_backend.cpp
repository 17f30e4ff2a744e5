// The desktop backend: GTK 3 windows, the menu bar, timers and input.
//
// The shared part of the platform layer owns the queue, the window records, the menu model, the
// timers' bookkeeping and every picture; this backend only makes the native windows, shows what
// the shared part drew, and turns what the toolkit reports into queued messages. Every GTK
// callback here appends to the queue, marks a window for repainting or (for a new client size)
// resizes its picture; none calls into the kit's logic.
//
// There is one main context and no gtk_main(): poll() lets the toolkit collect what it has
// without blocking, and wait() blocks in the toolkit until the queue holds a message, so an idle
// program sleeps in poll(2) instead of spinning.
#include "../backend.h"

#include <X11/Xlib.h>
#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace veldo::platform {
namespace {

// The native side of one window record.
struct NativeWindow {
  GtkWidget* toplevel = nullptr;
  GtkWidget* box = nullptr;
  GtkWidget* menu_bar = nullptr;
  GtkWidget* area = nullptr; // the client area: the picture is painted here, the mouse's messages
                             // come from here
  int client_width = 0;
  int client_height = 0;
  // A sizeable window's requested rectangle is its outer one, frame included, as on the original
  // platform; the frame is known only once the window manager has framed the window.
  int frame_fits_left = 0;
  gint64 frame_fit_until = 0;
  guint frame_checks = 0;
  GdkRectangle outer{0, 0, 0, 0};
  // The menu model's structure (texts, ids, kinds) the menu bar was built from, and the widgets
  // of its entries, so that a change of check marks or greyed states updates them in place.
  std::string menu_shape;
  struct Entry {
    GtkWidget* item;
    Menu menu;
    int index;
  };
  std::vector<Entry> entries;
};

std::map<Window, NativeWindow> native_windows;

// Set while the menu bar is changed from the model, so that the activations GTK emits for the
// changed check marks are not taken for the user's choices.
bool updating_menu = false;

NativeWindow* find_native(Window window) {
  auto found = native_windows.find(window);
  return found == native_windows.end() ? nullptr : &found->second;
}

gpointer window_data(Window window) {
  return GINT_TO_POINTER(window);
}
Window data_window(gpointer data) {
  return GPOINTER_TO_INT(data);
}

// ---- Timers ------------------------------------------------------------------------------------

// A timer keeps its first start and period and fires on the absolute deadlines start + n * period,
// skipping any it missed, so a late wake-up never makes the following ticks late as well.
struct TimerSource {
  GSource source;
  Window window;
  int id;
  gint64 start_us;
  gint64 period_us;
  bool paused;
};

std::map<std::pair<Window, int>, GSource*> timers;

// The first deadline of the timer's schedule after `now_us`.
gint64 next_deadline(const TimerSource* timer, gint64 now_us) {
  const gint64 periods_done = (now_us - timer->start_us) / timer->period_us + 1;
  return timer->start_us + periods_done * timer->period_us;
}

gboolean dispatch_timer(GSource* source, GSourceFunc, gpointer) {
  auto* timer = reinterpret_cast<TimerSource*>(source);
  g_source_set_ready_time(source, next_deadline(timer, g_source_get_time(source)));
  post_timer_message(timer->window, timer->id);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs timer_functions = {nullptr, nullptr, dispatch_timer, nullptr, nullptr, nullptr};

void stop_timer(std::map<std::pair<Window, int>, GSource*>::iterator found) {
  g_source_destroy(found->second);
  g_source_unref(found->second);
  timers.erase(found);
}

void native_kill_timer(Window window, int id) {
  auto found = timers.find({window, id});
  if (found != timers.end())
    stop_timer(found);
}

void native_set_timer(Window window, int id, int period_ms) {
  native_kill_timer(window, id);
  GSource* source = g_source_new(&timer_functions, sizeof(TimerSource));
  auto* timer = reinterpret_cast<TimerSource*>(source);
  timer->window = window;
  timer->id = id;
  timer->start_us = g_get_monotonic_time();
  timer->period_us = static_cast<gint64>(period_ms < 1 ? 1 : period_ms) * 1000;
  timer->paused = false;
  g_source_set_ready_time(source, timer->start_us + timer->period_us);
  g_source_set_name(source, "veldo timer");
  g_source_attach(source, nullptr);
  timers[{window, id}] = source;
}

// A paused timer has no ready time, so the main loop never wakes for it; resumed, it falls due at
// the next deadline of its old schedule.
void native_pause_timer(Window window, int id, bool paused) {
  auto found = timers.find({window, id});
  if (found == timers.end())
    return;
  auto* timer = reinterpret_cast<TimerSource*>(found->second);
  if (timer->paused == paused)
    return;
  timer->paused = paused;
  g_source_set_ready_time(found->second,
                          paused ? -1 : next_deadline(timer, g_get_monotonic_time()));
}

void kill_timers_of(Window window) {
  for (auto found = timers.begin(); found != timers.end();) {
    auto current = found++;
    if (current->first.first == window)
      stop_timer(current);
  }
}

// ---- Keys --------------------------------------------------------------------------------------

// The original platform's key code for a key: letters are their upper-case codes and digits their
// characters, whatever Shift says; the rest follow that platform's numbering.
unsigned key_code_of(guint keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
    return keyval - GDK_KEY_a + 'A';
  if ((keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) || (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9))
    return keyval;
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
    return 96 + (keyval - GDK_KEY_KP_0);
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24)
    return 112 + (keyval - GDK_KEY_F1);
  switch (keyval) {
  case GDK_KEY_BackSpace:
    return 8;
  case GDK_KEY_Tab:
  case GDK_KEY_ISO_Left_Tab:
    return 9;
  case GDK_KEY_Return:
  case GDK_KEY_KP_Enter:
    return 13;
  case GDK_KEY_Shift_L:
  case GDK_KEY_Shift_R:
    return 16;
  case GDK_KEY_Control_L:
  case GDK_KEY_Control_R:
    return VK_CONTROL;
  case GDK_KEY_Pause:
    return 19;
  case GDK_KEY_Caps_Lock:
    return 20;
  case GDK_KEY_Escape:
    return 27;
  case GDK_KEY_space:
    return 32;
  case GDK_KEY_Page_Up:
    return 33;
  case GDK_KEY_Page_Down:
    return 34;
  case GDK_KEY_End:
    return 35;
  case GDK_KEY_Home:
    return 36;
  case GDK_KEY_Left:
    return 37;
  case GDK_KEY_Up:
    return 38;
  case GDK_KEY_Right:
    return 39;
  case GDK_KEY_Down:
    return 40;
  case GDK_KEY_Insert:
    return 45;
  case GDK_KEY_Delete:
    return 46;
  case GDK_KEY_Super_L:
    return 91;
  case GDK_KEY_Super_R:
    return 92;
  case GDK_KEY_Menu:
    return 93;
  case GDK_KEY_KP_Multiply:
    return 106;
  case GDK_KEY_KP_Add:
    return 107;
  case GDK_KEY_KP_Separator:
    return 108;
  case GDK_KEY_KP_Subtract:
    return 109;
  case GDK_KEY_KP_Decimal:
    return 110;
  case GDK_KEY_KP_Divide:
    return 111;
  case GDK_KEY_Num_Lock:
    return 144;
  case GDK_KEY_Scroll_Lock:
    return 145;
  case GDK_KEY_semicolon:
    return 186;
  case GDK_KEY_equal:
    return 187;
  case GDK_KEY_comma:
    return 188;
  case GDK_KEY_minus:
    return 189;
  case GDK_KEY_period:
    return 190;
  case GDK_KEY_slash:
    return 191;
  case GDK_KEY_grave:
    return 192;
  case GDK_KEY_bracketleft:
    return 219;
  case GDK_KEY_backslash:
    return 220;
  case GDK_KEY_bracketright:
    return 221;
  case GDK_KEY_apostrophe:
    return 222;
  default:
    return 0;
  }
}

// The key's own symbol with no modifier applied (Shift+1 is still the key "1"); keypad keys keep
// what Num Lock made of them.
guint unshifted_keyval(const GdkEventKey* event) {
  if (event->keyval >= GDK_KEY_KP_Space && event->keyval <= GDK_KEY_KP_9)
    return event->keyval;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(event->window));
  guint keyval = 0;
  if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode,
                                          static_cast<GdkModifierType>(0), event->group, &keyval,
                                          nullptr, nullptr, nullptr))
    return keyval;
  return event->keyval;
}

// The character the key yields: its Unicode character when that fits in 8 bits, 0 otherwise.
unsigned character_of(const GdkEventKey* event) {
  switch (event->keyval) {
  case GDK_KEY_BackSpace:
    return 8;
  case GDK_KEY_Tab:
  case GDK_KEY_ISO_Left_Tab:
    return 9;
  case GDK_KEY_Return:
  case GDK_KEY_KP_Enter:
    return 13;
  case GDK_KEY_Escape:
    return 27;
  case GDK_KEY_Delete:
  case GDK_KEY_KP_Delete:
    return 0;
  default:
    break;
  }
  const gunichar character = gdk_keyval_to_unicode(event->keyval);
  return character < 256 ? character : 0;
}

bool is_alt_key(guint keyval) {
  return keyval == GDK_KEY_Alt_L || keyval == GDK_KEY_Alt_R || keyval == GDK_KEY_Meta_L ||
         keyval == GDK_KEY_Meta_R || keyval == GDK_KEY_ISO_Level3_Shift;
}

// Every key but Alt and the keys pressed with it is the kit's: returning TRUE keeps GTK's own
// accelerators, mnemonics and key bindings from acting on it (Ctrl+Q, Ctrl+A, ... are the Run
// menu's shortcuts, handled by the kit). Alt combinations go to GTK, which opens the menu by its
// mnemonic, as the original platform's menu keys did.
gboolean on_key_press(GtkWidget*, GdkEventKey* event, gpointer data) {
  if ((event->state & GDK_MOD1_MASK) != 0 || is_alt_key(event->keyval))
    return FALSE;
  post_key_down(data_window(data), key_code_of(unshifted_keyval(event)), character_of(event));
  return TRUE;
}

gboolean on_key_release(GtkWidget*, GdkEventKey* event, gpointer data) {
  if ((event->state & GDK_MOD1_MASK) != 0 || is_alt_key(event->keyval))
    return FALSE;
  post_message(data_window(data), WM_KEYUP, key_code_of(unshifted_keyval(event)), 0);
  return TRUE;
}

// ---- Mouse, paint, size, close -----------------------------------------------------------------

// A mouse message's position parameter: the pixel's column in the low 16 bits, its row in the
// high 16.
intptr_t position_of(double x, double y) {
  const auto px = static_cast<uintptr_t>(std::clamp(std::floor(x), 0.0, 65535.0));
  const auto py = static_cast<uintptr_t>(std::clamp(std::floor(y), 0.0, 65535.0));
  return static_cast<intptr_t>(py << 16 | px);
}

// The buttons and keys held, as the mouse messages carry them.
uintptr_t held_of(guint state) {
  uintptr_t held = 0;
  if ((state & GDK_BUTTON1_MASK) != 0)
    held |= MK_LBUTTON;
  if ((state & GDK_BUTTON3_MASK) != 0)
    held |= MK_RBUTTON;
  if ((state & GDK_BUTTON2_MASK) != 0)
    held |= MK_MBUTTON;
  if ((state & GDK_SHIFT_MASK) != 0)
    held |= MK_SHIFT;
  if ((state & GDK_CONTROL_MASK) != 0)
    held |= MK_CONTROL;
  return held;
}

gboolean on_button_press(GtkWidget*, GdkEventButton* event, gpointer data) {
  // Only the first press of a button counts: the window classes ask for no double clicks.
  if (event->type != GDK_BUTTON_PRESS)
    return FALSE;
  unsigned message;
  uintptr_t pressed;
  switch (event->button) {
  case GDK_BUTTON_PRIMARY:
    message = WM_LBUTTONDOWN;
    pressed = MK_LBUTTON;
    break;
  case GDK_BUTTON_SECONDARY:
    message = WM_RBUTTONDOWN;
    pressed = MK_RBUTTON;
    break;
  case GDK_BUTTON_MIDDLE:
    message = WM_MBUTTONDOWN;
    pressed = MK_MBUTTON;
    break;
  default:
    return FALSE;
  }
  post_message(data_window(data), message, held_of(event->state) | pressed,
               position_of(event->x, event->y));
  return TRUE;
}

// Moves are the window's while the pointer is over its client area; a drag that leaves it (the
// toolkit keeps reporting while a button is held) is not.
gboolean on_motion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
  if (event->x < 0 || event->y < 0 || event->x >= gtk_widget_get_allocated_width(widget) ||
      event->y >= gtk_widget_get_allocated_height(widget))
    return FALSE;
  post_message(data_window(data), WM_MOUSEMOVE, held_of(event->state),
               position_of(event->x, event->y));
  return TRUE;
}

gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
  const Window window = data_window(data);
  // Whatever the picture does not cover (for a moment, while a resize is under way) shows the
  // class background.
  const uint32_t background = window_background(window);
  cairo_set_source_rgb(cr, ((background >> 16) & 0xff) / 255.0, ((background >> 8) & 0xff) / 255.0,
                       (background & 0xff) / 255.0);
  cairo_paint(cr);
  if (cairo_surface_t* picture = window_surface(window)) {
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(widget),
                    gtk_widget_get_allocated_height(widget));
    cairo_fill(cr);
  }
  return TRUE;
}

void on_size_allocate(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  const Window window = data_window(data);
  NativeWindow* native = find_native(window);
  if (native == nullptr ||
      (allocation->width == native->client_width && allocation->height == native->client_height))
    return;
  native->client_width = allocation->width;
  native->client_height = allocation->height;
  window_resized(window, allocation->width, allocation->height);
  invalidate_window(window);
}

// Shrinks a framed window's client area so that the frame takes the requested outer rectangle
// (for the log window: the bottom third of the screen, exactly). Runs when the window is mapped,
// on the configure events that follow and, until the frame is first seen, every tenth of a second
// (a window manager may announce its frame without a configure event), until the frame is in
// place or a few seconds have passed since the frame was first seen: the window manager may push a
// window that does not fit the screen before it sees the request. The request goes to the window
// itself: GTK would drop a move to the position it last asked for, not knowing that the window
// manager has moved the window since.
constexpr gint64 frame_fit_period_us = 3 * G_USEC_PER_SEC;
constexpr int frame_fit_requests = 20;
// A window manager that has not framed the window within this time after mapping never will.
constexpr guint frame_wait_checks = 100;

// The width and height the window manager's decorations add around the client, as it announces
// them on the window (_NET_FRAME_EXTENTS: left, right, top, bottom). They do not change while the
// window is resized, unlike the frame's own geometry, which a resize changes a moment after the
// client's. False when the window manager announces none.
bool decoration_size(GdkWindow* gdk_window, int* width, int* height) {
  GdkAtom type = GDK_NONE;
  gint format = 0;
  gint length = 0;
  guchar* data = nullptr;
  if (!gdk_property_get(gdk_window, gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"),
                        gdk_atom_intern_static_string("CARDINAL"), 0, 4 * sizeof(long), FALSE,
                        &type, &format, &length, &data) ||
      data == nullptr)
    return false;
  // Format 32 comes as longs, whatever their size.
  const bool complete = format == 32 && length >= static_cast<gint>(4 * sizeof(long));
  if (complete) {
    const long* extents = reinterpret_cast<const long*>(data);
    *width = static_cast<int>(extents[0] + extents[1]);
    *height = static_cast<int>(extents[2] + extents[3]);
  }
  g_free(data);
  return complete;
}

void fit_frame(NativeWindow* native) {
  GdkWindow* gdk_window = gtk_widget_get_window(native->toplevel);
  if (native->frame_fits_left <= 0 || gdk_window == nullptr ||
      !gtk_widget_get_mapped(native->toplevel))
    return;
  const gint64 now = g_get_monotonic_time();
  if (native->frame_fit_until != 0 && now > native->frame_fit_until) {
    native->frame_fits_left = 0;
    return;
  }
  GdkRectangle frame{0, 0, 0, 0};
  gdk_window_get_frame_extents(gdk_window, &frame);
  // Without a window manager the client rectangle is the outer one and matches at once. Once the
  // frame has matched, every later change is the user's.
  if (frame.x == native->outer.x && frame.y == native->outer.y &&
      frame.width == native->outer.width && frame.height == native->outer.height) {
    native->frame_fits_left = 0;
    return;
  }
  int frame_width = 0;
  int frame_height = 0;
  if (!decoration_size(gdk_window, &frame_width, &frame_height)) {
    // The frame's own geometry less the client's: right only when neither is changing.
    frame_width = frame.width - gdk_window_get_width(gdk_window);
    frame_height = frame.height - gdk_window_get_height(gdk_window);
  }
  // A frame no larger than the client: the window manager has not framed the window yet. One
  // larger than the whole rectangle asked for was read while the frame was changing.
  if ((frame_width <= 0 && frame_height <= 0) || frame_width < 0 || frame_height < 0 ||
      frame_width >= native->outer.width || frame_height >= native->outer.height)
    return;
  if (native->frame_fit_until == 0)
    native->frame_fit_until = now + frame_fit_period_us;
  --native->frame_fits_left;
  const int width = std::max(1, native->outer.width - frame_width);
  const int height = std::max(1, native->outer.height - frame_height);
  gtk_window_resize(GTK_WINDOW(native->toplevel), width, height);
  gdk_window_move_resize(gdk_window, native->outer.x, native->outer.y, width, height);
}

// Until the frame is first seen, a tenth of a second at a time; from then on the configure events
// that each request brings take the fitting on.
gboolean refit_frame(gpointer data) {
  NativeWindow* native = find_native(data_window(data));
  if (native == nullptr || native->frame_fits_left <= 0 || native->frame_fit_until != 0 ||
      ++native->frame_checks > frame_wait_checks)
    return G_SOURCE_REMOVE;
  fit_frame(native);
  return native->frame_fits_left > 0 && native->frame_fit_until == 0 ? G_SOURCE_CONTINUE
                                                                     : G_SOURCE_REMOVE;
}

gboolean on_map(GtkWidget*, GdkEvent*, gpointer data) {
  const Window window = data_window(data);
  if (NativeWindow* native = find_native(window)) {
    fit_frame(native);
    if (native->frame_fits_left > 0 && native->frame_checks == 0)
      g_timeout_add(100, refit_frame, data);
  }
  invalidate_window(window);
  return FALSE;
}

gboolean on_configure(GtkWidget*, GdkEvent*, gpointer data) {
  if (NativeWindow* native = find_native(data_window(data)))
    fit_frame(native);
  return FALSE;
}

// The close box queues WM_CLOSE, as the original platform's frame did; its default handling
// destroys the window through the shared path, so the window's procedure sees WM_DESTROY inside
// a pumping step (the graphics window's stops the tick timer and posts the quit message).
gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  post_message(data_window(data), WM_CLOSE, 0, 0);
  return TRUE;
}

// ---- Menus -------------------------------------------------------------------------------------

// "&Run" becomes "_Run": the original platform marks the access key with '&' ("&&" is a plain
// '&'), GTK with '_' (so a plain '_' must be doubled).
std::string mnemonic_label(const std::string& text) {
  std::string label;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '&' && i + 1 < text.size()) {
      ++i;
      label += text[i] == '&' ? "&" : "_";
      if (text[i] != '&')
        label += text[i] == '_' ? "__" : std::string(1, text[i]);
    } else if (c == '_') {
      label += "__";
    } else {
      label += c;
    }
  }
  return label;
}

// "Ctrl+A" as the key and modifiers an accelerator label shows; false when the text is not of
// that form.
bool parse_shortcut(const std::string& shortcut, guint* key, GdkModifierType* modifiers) {
  unsigned mask = 0;
  size_t start = 0;
  for (size_t plus = shortcut.find('+'); plus != std::string::npos && plus + 1 < shortcut.size();
       plus = shortcut.find('+', start)) {
    const std::string modifier = shortcut.substr(start, plus - start);
    if (modifier == "Ctrl" || modifier == "Control")
      mask |= GDK_CONTROL_MASK;
    else if (modifier == "Shift")
      mask |= GDK_SHIFT_MASK;
    else if (modifier == "Alt")
      mask |= GDK_MOD1_MASK;
    else
      return false;
    start = plus + 1;
  }
  const std::string name = shortcut.substr(start);
  guint keyval = 0;
  if (name.size() == 1)
    keyval = gdk_keyval_to_lower(gdk_unicode_to_keyval(static_cast<unsigned char>(name[0])));
  else if (!name.empty())
    keyval = gdk_keyval_from_name(name.c_str());
  if (keyval == 0 || keyval == GDK_KEY_VoidSymbol)
    return false;
  *key = keyval;
  *modifiers = static_cast<GdkModifierType>(mask);
  return true;
}

void on_menu_activate(GtkMenuItem* item, gpointer data) {
  if (updating_menu)
    return;
  if (GTK_IS_CHECK_MENU_ITEM(item)) {
    // GTK has just flipped the mark on its own; the mark only ever shows the menu model, which
    // the kit changes when it handles the command.
    const bool checked = g_object_get_data(G_OBJECT(item), "veldo-checked") != nullptr;
    updating_menu = true;
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), checked);
    updating_menu = false;
  }
  const auto id = reinterpret_cast<uintptr_t>(g_object_get_data(G_OBJECT(item), "veldo-command"));
  post_message(data_window(data), WM_COMMAND, id, 0);
}

// The structure of a menu (and its popups): what decides whether the widgets can be kept.
void describe_menu(Menu menu, int depth, std::string* shape) {
  const int count = menu_item_count(menu);
  for (int i = 0; i < count; ++i) {
    const MenuItemView view = menu_item(menu, i);
    *shape += std::to_string(view.flags & (MF_POPUP | MF_SEPARATOR)) + ":" +
              std::to_string(view.id) + ":" + (view.text ? view.text : "") + "\n";
    if ((view.flags & MF_POPUP) != 0 && depth < 8) {
      *shape += "{\n";
      describe_menu(static_cast<Menu>(view.id), depth + 1, shape);
      *shape += "}\n";
    }
  }
}

void apply_entry_state(GtkWidget* item, const MenuItemView& view) {
  gtk_widget_set_sensitive(item, (view.flags & MF_GRAYED) == 0);
  if (GTK_IS_CHECK_MENU_ITEM(item)) {
    const bool checked = (view.flags & MF_CHECKED) != 0;
    g_object_set_data(G_OBJECT(item), "veldo-checked", checked ? GINT_TO_POINTER(1) : nullptr);
    if (gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)) != checked)
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), checked);
  }
}

// How many popup menus are open. While one is, the program stands still, as it would in the
// original platform's menu loop: the pumping step that found the menu open returns only once it
// has closed (see native_poll), so no tick and no click reaches the program meanwhile. Timer
// messages still queue up (coalesced), and make one tick when the menu closes.
int open_popups = 0;

void on_popup_shown(GtkWidget* popup, gpointer) {
  if (g_object_get_data(G_OBJECT(popup), "veldo-open") == nullptr) {
    g_object_set_data(G_OBJECT(popup), "veldo-open", GINT_TO_POINTER(1));
    ++open_popups;
  }
}

void on_popup_hidden(GtkWidget* popup, gpointer) {
  if (g_object_get_data(G_OBJECT(popup), "veldo-open") != nullptr) {
    g_object_set_data(G_OBJECT(popup), "veldo-open", nullptr);
    --open_popups;
  }
}

void watch_popup(GtkWidget* popup) {
  g_signal_connect(popup, "show", G_CALLBACK(on_popup_shown), nullptr);
  g_signal_connect(popup, "hide", G_CALLBACK(on_popup_hidden), nullptr);
  g_signal_connect(popup, "destroy", G_CALLBACK(on_popup_hidden), nullptr);
}

void build_menu(NativeWindow* native, Window window, GtkMenuShell* shell, Menu menu, bool in_popup,
                int depth) {
  const int count = menu_item_count(menu);
  for (int i = 0; i < count; ++i) {
    const MenuItemView view = menu_item(menu, i);
    GtkWidget* item = nullptr;
    if ((view.flags & MF_SEPARATOR) != 0) {
      item = gtk_separator_menu_item_new();
    } else {
      std::string text = view.text ? view.text : "";
      std::string shortcut;
      if (const size_t tab = text.find('\t'); tab != std::string::npos) {
        shortcut = text.substr(tab + 1);
        text.erase(tab);
      }
      guint key = 0;
      GdkModifierType modifiers{};
      const bool shows_accelerator =
          !shortcut.empty() && parse_shortcut(shortcut, &key, &modifiers);
      if (!shortcut.empty() && !shows_accelerator)
        text += "    " + shortcut;
      const std::string label = mnemonic_label(text);
      // Every leaf entry of a popup can carry a check mark, as on the original platform.
      const bool checkable = in_popup && (view.flags & MF_POPUP) == 0;
      item = checkable ? gtk_check_menu_item_new_with_mnemonic(label.c_str())
                       : gtk_menu_item_new_with_mnemonic(label.c_str());
      // The shortcut is only shown: the kit acts on the Ctrl keys itself, so no accelerator is
      // installed.
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(item));
      if (shows_accelerator && GTK_IS_ACCEL_LABEL(child))
        gtk_accel_label_set_accel(GTK_ACCEL_LABEL(child), key, modifiers);
      if ((view.flags & MF_POPUP) != 0) {
        GtkWidget* popup = gtk_menu_new();
        watch_popup(popup);
        gtk_style_context_add_class(gtk_widget_get_style_context(popup), "veldo-menu");
        if (depth < 8)
          build_menu(native, window, GTK_MENU_SHELL(popup), static_cast<Menu>(view.id), true,
                     depth + 1);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), popup);
      } else {
        g_object_set_data(G_OBJECT(item), "veldo-command", reinterpret_cast<gpointer>(view.id));
        g_signal_connect(item, "activate", G_CALLBACK(on_menu_activate), window_data(window));
      }
      apply_entry_state(item, view);
    }
    native->entries.push_back({item, menu, i});
    gtk_menu_shell_append(shell, item);
  }
}

// Brings the menu bar in line with the window's menu model: check marks and greyed states are
// changed in place; a changed structure builds the bar anew.
void update_menu_bar(Window window) {
  NativeWindow* native = find_native(window);
  if (native == nullptr)
    return;
  const Menu bar = window_menu(window);
  std::string shape;
  if (bar != 0)
    describe_menu(bar, 0, &shape);
  updating_menu = true;
  if (native->menu_bar != nullptr && shape == native->menu_shape) {
    for (const NativeWindow::Entry& entry : native->entries)
      if (!GTK_IS_SEPARATOR_MENU_ITEM(entry.item))
        apply_entry_state(entry.item, menu_item(entry.menu, entry.index));
  } else {
    if (native->menu_bar != nullptr)
      gtk_widget_destroy(native->menu_bar);
    native->menu_bar = nullptr;
    native->entries.clear();
    native->menu_shape = shape;
    if (bar != 0) {
      native->menu_bar = gtk_menu_bar_new();
      build_menu(native, window, GTK_MENU_SHELL(native->menu_bar), bar, false, 0);
      gtk_box_pack_start(GTK_BOX(native->box), native->menu_bar, FALSE, FALSE, 0);
      gtk_widget_show_all(native->menu_bar);
    }
  }
  updating_menu = false;
}

// Every entry of a popup is a check item, but as on the original platform only a checked entry
// shows a mark: the theme's empty box of an unchecked entry is made invisible.
void hide_unchecked_marks() {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider,
                                  "menu.veldo-menu menuitem check:not(:checked) {"
                                  "  border-color: transparent; background: none;"
                                  "  box-shadow: none; -gtk-icon-source: none; }",
                                  -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

// ---- The backend's operations
// --------------------------------------------------------------------

// Xlib calls this when the connection to the X server breaks (the server ended, or the network to
// it went away). Nothing can be shown any more; the kit completes what must be kept and the
// process ends, with one line on stderr instead of the toolkit's own exit without a word.
int on_display_broken(Display* display) {
  display_lost(display != nullptr ? DisplayString(display) : nullptr);
}

// The windows' icon. GTK names the program after its executable and gives every window that
// name's class (WM_CLASS "paint", "Paint" for a program named paint), which is how a desktop
// matches the windows with the program's desktop entry; the icon follows the same name. An icon
// file beside the executable (NAME.svg or NAME.png, as the build tree has it) comes first, so a
// program run from where it was built shows its own icon; otherwise the icon theme's icon of that
// name (an installed program's), if the theme has one.
void set_default_icon() {
  if (gchar* executable = g_file_read_link("/proc/self/exe", nullptr)) {
    for (const char* extension : {".svg", ".png"}) {
      gchar* file = g_strconcat(executable, extension, nullptr);
      const bool loaded = g_file_test(file, G_FILE_TEST_IS_REGULAR) &&
                          gtk_window_set_default_icon_from_file(file, nullptr);
      g_free(file);
      if (loaded) {
        g_free(executable);
        return;
      }
    }
    g_free(executable);
  }
  if (const char* name = g_get_prgname())
    gtk_window_set_default_icon_name(name);
}

bool native_start_up(char* why, int why_size) {
  // Windows are placed by position, which only the X11 backend allows; elsewhere GTK picks.
  gdk_set_allowed_backends("x11,*");
  if (gtk_init_check(nullptr, nullptr)) {
    hide_unchecked_marks();
    if (GDK_IS_X11_DISPLAY(gdk_display_get_default()))
      XSetIOErrorHandler(on_display_broken);
    set_default_icon();
    return true;
  }
  const char* display = g_getenv("DISPLAY");
  if (display != nullptr && *display != '\0')
    g_snprintf(why, static_cast<gulong>(why_size), "cannot open display %s", display);
  else
    g_snprintf(why, static_cast<gulong>(why_size), "cannot open display: DISPLAY is not set");
  return false;
}

void native_reset() {
  while (!timers.empty())
    stop_timer(timers.begin());
  for (auto& [window, native] : native_windows)
    gtk_widget_destroy(native.toplevel);
  native_windows.clear();
}

void native_screen_size(int* width, int* height) {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr)
    monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle geometry{0, 0, 0, 0};
  if (monitor != nullptr)
    gdk_monitor_get_geometry(monitor, &geometry);
  *width = geometry.width;
  *height = geometry.height;
}

// A fixed window asks the window manager for a title bar with a close box only: no sizing
// border, no minimise or maximise box.
void on_fixed_realize(GtkWidget* toplevel, gpointer) {
  GdkWindow* gdk_window = gtk_widget_get_window(toplevel);
  gdk_window_set_functions(gdk_window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
  gdk_window_set_decorations(gdk_window, static_cast<GdkWMDecoration>(
                                             GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

void native_window_created(Window window, const WindowDesc& desc) {
  NativeWindow& native = native_windows[window];
  native.client_width = desc.width;
  native.client_height = desc.height;
  native.toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* toplevel = GTK_WINDOW(native.toplevel);
  gtk_window_set_title(toplevel, desc.title);
  gtk_window_set_gravity(toplevel, GDK_GRAVITY_NORTH_WEST);
  gtk_window_move(toplevel, desc.x, desc.y);

  native.box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  native.area = gtk_drawing_area_new();
  gtk_widget_add_events(native.area, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK);
  if (desc.style == WindowStyle::Fixed) {
    gtk_widget_set_size_request(native.area, desc.width, desc.height);
    gtk_window_set_resizable(toplevel, FALSE);
    g_signal_connect(native.toplevel, "realize", G_CALLBACK(on_fixed_realize), nullptr);
  } else {
    gtk_window_set_default_size(toplevel, desc.width, desc.height);
    native.frame_fits_left = frame_fit_requests;
    native.outer = {desc.x, desc.y, desc.width, desc.height};
  }
  gtk_box_pack_end(GTK_BOX(native.box), native.area, TRUE, TRUE, 0);
  gtk_container_add(GTK_CONTAINER(toplevel), native.box);

  g_signal_connect(native.area, "draw", G_CALLBACK(on_draw), window_data(window));
  g_signal_connect(native.area, "button-press-event", G_CALLBACK(on_button_press),
                   window_data(window));
  g_signal_connect(native.area, "motion-notify-event", G_CALLBACK(on_motion), window_data(window));
  g_signal_connect(native.area, "size-allocate", G_CALLBACK(on_size_allocate), window_data(window));
  g_signal_connect(native.toplevel, "key-press-event", G_CALLBACK(on_key_press),
                   window_data(window));
  g_signal_connect(native.toplevel, "key-release-event", G_CALLBACK(on_key_release),
                   window_data(window));
  g_signal_connect(native.toplevel, "map-event", G_CALLBACK(on_map), window_data(window));
  g_signal_connect(native.toplevel, "configure-event", G_CALLBACK(on_configure),
                   window_data(window));
  g_signal_connect(native.toplevel, "delete-event", G_CALLBACK(on_delete), window_data(window));

  gtk_widget_show_all(native.box);
  update_menu_bar(window);
}

void native_window_shown(Window window, bool visible) {
  NativeWindow* native = find_native(window);
  if (native == nullptr)
    return;
  if (visible)
    gtk_widget_show(native->toplevel);
  else
    gtk_widget_hide(native->toplevel);
}

void native_window_destroyed(Window window) {
  kill_timers_of(window);
  NativeWindow* native = find_native(window);
  if (native == nullptr)
    return;
  gtk_widget_destroy(native->toplevel);
  native_windows.erase(window);
}

void native_menu_changed(Window window) {
  update_menu_bar(window);
}

void native_present(Window window) {
  if (NativeWindow* native = find_native(window))
    gtk_widget_queue_draw(native->area);
}

void native_poll() {
  // A few passes, so that a burst of input is collected in one step, but never an unbounded loop.
  for (int pass = 0; pass < 4; ++pass)
    if (!g_main_context_iteration(nullptr, FALSE))
      break;
  // An open menu holds the program inside this step until it closes.
  while (open_popups > 0)
    g_main_context_iteration(nullptr, TRUE);
}

void native_wait() {
  while (queue_empty() || open_popups > 0)
    g_main_context_iteration(nullptr, TRUE);
}

// The signal has already been turned into a main-loop callback by GLib, so it is safe to queue.
gboolean on_quit_signal(gpointer) {
  note_quit_signal();
  return G_SOURCE_CONTINUE;
}

// GLib turns the signals into main-loop callbacks; removing its sources gives them back their
// default handling, which is set explicitly as well.
guint signal_sources[2] = {0, 0};

void native_quit_on_signals(bool on) {
  if (on) {
    if (signal_sources[0] == 0)
      signal_sources[0] = g_unix_signal_add(SIGINT, on_quit_signal, nullptr);
    if (signal_sources[1] == 0)
      signal_sources[1] = g_unix_signal_add(SIGTERM, on_quit_signal, nullptr);
    return;
  }
  for (guint& source : signal_sources) {
    if (source != 0)
      g_source_remove(source);
    source = 0;
  }
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

} // namespace

const Backend& gtk_backend() {
  static const Backend backend = {
      .name = "gtk",
      .start_up = native_start_up,
      .reset = native_reset,
      .screen_size = native_screen_size,
      .window_created = native_window_created,
      .window_shown = native_window_shown,
      .window_destroyed = native_window_destroyed,
      .menu_changed = native_menu_changed,
      .present = native_present,
      .set_timer = native_set_timer,
      .kill_timer = native_kill_timer,
      .pause_timer = native_pause_timer,
      .poll = native_poll,
      .wait = native_wait,
      .quit_on_signals = native_quit_on_signals,
  };
  return backend;
}

} // namespace veldo::platform
