// The menu model: menu bars and popups, their entries, check marks by command id and greyed
// entries. Backends show it and are told whenever it changes.
#include "platform_state.h"

namespace veldo::platform {

using namespace shared;

namespace {

// Where a menu with this entry sits: the windows whose menu bar is `menu` or holds it as a popup
// must be told when it changes.
// Where a menu with this entry sits: the windows whose menu bar is `menu` or holds it as a popup
// must be told when it changes.
void notify_menu_changed(Menu menu) {
  for (size_t i = 0; i < state.windows.size(); ++i) {
    WindowRecord& record = state.windows[i];
    if (!record.alive || record.menu_bar == 0)
      continue;
    bool shows_menu = record.menu_bar == menu;
    if (!shows_menu) {
      if (MenuRecord* bar = find_menu(record.menu_bar))
        for (const MenuItemRecord& item : bar->items)
          if ((item.flags & MF_POPUP) != 0 && static_cast<Menu>(item.id) == menu)
            shows_menu = true;
    }
    if (shows_menu)
      backend().menu_changed(static_cast<Window>(i + 1));
  }
}

} // namespace

namespace shared {

MenuRecord* find_menu(Menu menu) {
  if (menu <= 0 || menu > static_cast<int>(state.menus.size()))
    return nullptr;
  return &state.menus[menu - 1];
}

} // namespace shared

Menu create_menu_bar() {
  state.menus.emplace_back();
  return static_cast<Menu>(state.menus.size());
}

Menu create_popup_menu() {
  return create_menu_bar();
}

void append_menu(Menu menu, unsigned flags, uintptr_t id_or_popup, const char* text) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr)
    return;
  MenuItemRecord item;
  item.flags = flags;
  item.id = id_or_popup;
  item.text = (text != nullptr && (flags & MF_SEPARATOR) == 0) ? text : "";
  record->items.push_back(item);
}

void set_menu(Window window, Menu menu_bar) {
  WindowRecord* record = find_window(window);
  if (record == nullptr)
    return;
  record->menu_bar = menu_bar;
  backend().menu_changed(window);
}

void draw_menu_bar(Window window) {
  if (find_window(window) != nullptr)
    backend().menu_changed(window);
}

int check_menu_item(Menu menu, int id, unsigned check) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr)
    return -1;
  // As on the original platform, an entry is looked for in the menu and then in its popups.
  for (int pass = 0; pass < 2; ++pass) {
    for (MenuItemRecord& item : record->items) {
      if ((item.flags & (MF_POPUP | MF_SEPARATOR)) != 0) {
        if (pass == 1 && (item.flags & MF_POPUP) != 0) {
          int previous = check_menu_item(static_cast<Menu>(item.id), id, check);
          if (previous >= 0)
            return previous;
        }
        continue;
      }
      if (pass == 0 && item.id == static_cast<uintptr_t>(id)) {
        int previous = static_cast<int>(item.flags & MF_CHECKED);
        item.flags = (item.flags & ~static_cast<unsigned>(MF_CHECKED)) | (check & MF_CHECKED);
        notify_menu_changed(menu);
        return previous;
      }
    }
  }
  return -1;
}

Menu window_menu(Window window) {
  WindowRecord* record = find_window(window);
  return record != nullptr ? record->menu_bar : 0;
}

int menu_item_count(Menu menu) {
  MenuRecord* record = find_menu(menu);
  return record != nullptr ? static_cast<int>(record->items.size()) : 0;
}

MenuItemView menu_item(Menu menu, int index) {
  MenuRecord* record = find_menu(menu);
  if (record == nullptr || index < 0 || index >= static_cast<int>(record->items.size()))
    return MenuItemView{0, 0, ""};
  const MenuItemRecord& item = record->items[static_cast<size_t>(index)];
  return MenuItemView{item.flags, item.id, item.text.c_str()};
}

} // namespace veldo::platform
