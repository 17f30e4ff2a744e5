// A browser's key events in the kit's terms: the key code and the character a key-down posts,
// the same as the desktop backend posts for the same key. The browser names a key twice: `key`,
// what it yields on the current layout with the modifiers applied ("a", "A", "!", "ArrowLeft"),
// and `code`, the physical key on a US layout ("KeyA", "Digit1", "Numpad4"). Plain C++, so that
// the desktop's unit tests check it too.
#pragma once

namespace veldo::platform::web_keys {

// The original platform's key code: letters are their upper-case codes and digits their
// characters, whatever Shift says; the rest follow that platform's numbering (Left 37, Up 38,
// Right 39, Down 40, F1 112, ...). 0 for a key the kit has no code for.
unsigned key_code(const char* key, const char* code);

// The character the key yields: its Unicode character when that fits in 8 bits, 8, 9, 13 and 27
// for Backspace, Tab, Enter and Escape, and 0 for every other key (Delete included).
unsigned key_character(const char* key);

// Whether the browser's own action for the key is kept from happening while the page has the
// focus: the Run menu's Ctrl shortcuts (Ctrl+A selects all, Ctrl+H opens the history, ...) and the
// keys that would scroll the page. Alt combinations, function keys and the rest keep the browser's
// meaning (a reload, full screen, the developer tools).
bool keep_from_browser(const char* key, const char* code, bool ctrl, bool alt);

} // namespace veldo::platform::web_keys
