// The page side of the browser backend (web_backend.cpp): the windows' canvases, the menu bar,
// the mouse, leaving the page, the script file in the page's storage, and the sleep that gives the
// thread back to the browser while the program waits.
//
// Everything the page reports only queues a message (Module._veldo_web_post) and wakes a program
// that sleeps; none of it calls into the kit's logic.

mergeInto(LibraryManager.library, {
  $VeldoWeb__deps: ['$FS'],
  $VeldoWeb: {
    // Window id -> {fixed, panel, canvas, context, title}.
    windows: {},
    // The function that ends the current sleep, while the program sleeps.
    sleeper: null,
    // The menu bar's model, what is open (the bar entry's index, or -1) and the highlighted entry.
    menuWindow: 0,
    menuModel: [],
    openMenu: -1,
    highlight: -1,
    // The script file: its path in the program's file system, its key in the page's storage, and
    // the version of it that was last kept there.
    scriptPath: '',
    storageKey: '',
    keptStamp: null,
    ended: false,
    watchingReturn: false,
    zeroDelay: null,

    element: function(id) {
      return document.getElementById(id);
    },

    // Ends the program's sleep once the code that queued a message has returned: the program may
    // only be resumed with none of its own code on the stack.
    wakeSoon: function() {
      var sleeper = VeldoWeb.sleeper;
      if (sleeper) Promise.resolve().then(sleeper);
    },

    post: function(win, message, wparam, lparam) {
      if (VeldoWeb.ended) return;
      Module['_veldo_web_post'](win, message, wparam, lparam);
      VeldoWeb.wakeSoon();
    },

    // ---- The script file ----------------------------------------------------------------------

    // Scripts are kept in localStorage, one byte a character, so any file comes back byte for byte.
    // localStorage is synchronous: a page being left can still store the completed recording,
    // which an IndexedDB transaction started then is not sure to finish.
    bytesToString: function(bytes) {
      var parts = [];
      for (var i = 0; i < bytes.length; i += 8192)
        parts.push(String.fromCharCode.apply(null, bytes.subarray(i, i + 8192)));
      return parts.join('');
    },

    stringToBytes: function(text) {
      var bytes = new Uint8Array(text.length);
      for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xFF;
      return bytes;
    },

    scriptStamp: function() {
      try {
        var stat = FS.stat(VeldoWeb.scriptPath);
        return stat.mtime.getTime() + ':' + stat.size;
      } catch (e) {
        return null;
      }
    },

    scriptBytes: function() {
      try {
        return FS.readFile(VeldoWeb.scriptPath);
      } catch (e) {
        return null;
      }
    },

    keepScript: function() {
      var stamp = VeldoWeb.scriptStamp();
      if (stamp === null || stamp === VeldoWeb.keptStamp) return;
      var bytes = VeldoWeb.scriptBytes();
      if (bytes === null) return;
      try {
        localStorage.setItem(VeldoWeb.storageKey, VeldoWeb.bytesToString(bytes));
        VeldoWeb.keptStamp = stamp;
      } catch (e) {
        VeldoWeb.status('The script could not be kept in the page\'s storage: ' + e.message);
      }
    },

    writeScript: function(bytes) {
      FS.writeFile(VeldoWeb.scriptPath, bytes);
      VeldoWeb.keptStamp = null;
      VeldoWeb.keepScript();
    },

    status: function(text) {
      var status = VeldoWeb.element('veldo-status');
      if (status) status.textContent = text;
    },

    downloadScript: function() {
      VeldoWeb.keepScript();
      var bytes = VeldoWeb.scriptBytes();
      if (bytes === null) {
        VeldoWeb.status('There is no VELDO.SCR yet: record one with Ctrl+R.');
        return;
      }
      var link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], {type: 'text/plain'}));
      link.download = 'VELDO.SCR';
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function() { URL.revokeObjectURL(link.href); }, 10000);
    },

    loadScript: function(file) {
      file.arrayBuffer().then(function(buffer) {
        VeldoWeb.writeScript(new Uint8Array(buffer));
        VeldoWeb.status('Loaded ' + file.name + ' as VELDO.SCR (' + buffer.byteLength +
                        ' bytes): Playback Script (Ctrl+P) plays it.');
      });
    },

    // ---- The menu bar -------------------------------------------------------------------------

    // "&Run" as text with the letter after '&' underlined ("&&" is a plain '&'); the mnemonic
    // letter, lower-case, in `mnemonic`.
    labelNodes: function(text, into) {
      var mnemonic = '';
      var plain = '';
      for (var i = 0; i < text.length; i++) {
        var c = text[i];
        if (c === '&' && i + 1 < text.length) {
          i++;
          if (text[i] === '&') {
            plain += '&';
          } else {
            if (plain) into.appendChild(document.createTextNode(plain));
            plain = '';
            var underlined = document.createElement('u');
            underlined.textContent = text[i];
            into.appendChild(underlined);
            if (!mnemonic) mnemonic = text[i].toLowerCase();
          }
        } else {
          plain += c;
        }
      }
      if (plain) into.appendChild(document.createTextNode(plain));
      return mnemonic;
    },

    MF_GRAYED: 1,
    MF_CHECKED: 8,
    MF_POPUP: 0x10,
    MF_SEPARATOR: 0x800,

    chosenEntry: function(item) {
      return (item.flags & (VeldoWeb.MF_SEPARATOR | VeldoWeb.MF_GRAYED | VeldoWeb.MF_POPUP)) === 0;
    },

    buildMenuBar: function() {
      var bar = VeldoWeb.element('veldo-menubar');
      if (!bar) return;
      bar.textContent = '';
      VeldoWeb.menuModel.forEach(function(top, index) {
        var title = document.createElement('span');
        title.className = 'veldo-menu-title';
        title.setAttribute('role', 'menuitem');
        top.mnemonic = VeldoWeb.labelNodes(top.text, title);
        title.addEventListener('mousedown', function(event) {
          event.preventDefault();
          event.stopPropagation();
          if (VeldoWeb.openMenu === index) VeldoWeb.closeMenu();
          else VeldoWeb.openPopup(index);
        });
        title.addEventListener('mouseenter', function() {
          if (VeldoWeb.openMenu >= 0 && VeldoWeb.openMenu !== index) VeldoWeb.openPopup(index);
        });
        bar.appendChild(title);
        if (!top.items) return;
        var popup = document.createElement('div');
        popup.className = 'veldo-popup';
        popup.setAttribute('role', 'menu');
        top.items.forEach(function(item, position) {
          var row = document.createElement('div');
          if (item.flags & VeldoWeb.MF_SEPARATOR) {
            row.className = 'veldo-separator';
            row.setAttribute('role', 'separator');
          } else {
            row.className = 'veldo-item';
            row.setAttribute('role', 'menuitemcheckbox');
            var check = document.createElement('span');
            check.className = 'veldo-check';
            var label = document.createElement('span');
            label.className = 'veldo-label';
            var tab = item.text.indexOf('\t');
            item.mnemonic = VeldoWeb.labelNodes(tab >= 0 ? item.text.slice(0, tab) : item.text, label);
            var shortcut = document.createElement('span');
            shortcut.className = 'veldo-shortcut';
            shortcut.textContent = tab >= 0 ? item.text.slice(tab + 1) : '';
            row.appendChild(check);
            row.appendChild(label);
            row.appendChild(shortcut);
            row.addEventListener('mousedown', function(event) {
              event.preventDefault();
              event.stopPropagation();
            });
            row.addEventListener('mouseup', function(event) {
              event.stopPropagation();
              VeldoWeb.choose(index, position);
            });
            row.addEventListener('mouseenter', function() {
              VeldoWeb.setHighlight(position);
            });
          }
          item.row = row;
          popup.appendChild(row);
        });
        top.popup = popup;
        top.title = title;
        title.appendChild(popup);
      });
      VeldoWeb.showMenuState();
    },

    // Check marks, greyed entries, the open popup and the highlighted entry.
    showMenuState: function() {
      VeldoWeb.menuModel.forEach(function(top, index) {
        if (!top.title) return;
        var open = index === VeldoWeb.openMenu;
        top.title.classList.toggle('veldo-open', open);
        if (!top.items) return;
        top.popup.style.display = open ? 'block' : 'none';
        top.items.forEach(function(item, position) {
          if (item.flags & VeldoWeb.MF_SEPARATOR) return;
          var checked = (item.flags & VeldoWeb.MF_CHECKED) !== 0;
          var grayed = (item.flags & VeldoWeb.MF_GRAYED) !== 0;
          item.row.classList.toggle('veldo-checked', checked);
          item.row.classList.toggle('veldo-grayed', grayed);
          item.row.classList.toggle('veldo-highlight', open && position === VeldoWeb.highlight);
          item.row.setAttribute('aria-checked', checked ? 'true' : 'false');
          item.row.setAttribute('aria-disabled', grayed ? 'true' : 'false');
          item.row.firstChild.textContent = checked ? '\u2713' : '';
        });
      });
    },

    setMenu: function(win, model) {
      var open = VeldoWeb.openMenu;
      VeldoWeb.menuWindow = win;
      VeldoWeb.menuModel = model;
      if (open >= model.length) VeldoWeb.openMenu = -1;
      VeldoWeb.buildMenuBar();
    },

    openPopup: function(index) {
      VeldoWeb.openMenu = index;
      VeldoWeb.highlight = -1;
      VeldoWeb.showMenuState();
    },

    // The program goes on once the menu has closed.
    closeMenu: function() {
      if (VeldoWeb.openMenu < 0) return;
      VeldoWeb.openMenu = -1;
      VeldoWeb.highlight = -1;
      VeldoWeb.showMenuState();
      VeldoWeb.wakeSoon();
    },

    setHighlight: function(position) {
      VeldoWeb.highlight = position;
      VeldoWeb.showMenuState();
    },

    choose: function(index, position) {
      var item = VeldoWeb.menuModel[index].items[position];
      if (!VeldoWeb.chosenEntry(item)) return;
      VeldoWeb.closeMenu();
      VeldoWeb.post(VeldoWeb.menuWindow, 273 /* WM_COMMAND */, item.id, 0);
    },

    // The next entry that can be chosen, from `position` in steps of `step`, or -1.
    nextChoosable: function(items, position, step) {
      for (var n = 0; n < items.length; n++) {
        position = (position + step + items.length) % items.length;
        if (VeldoWeb.chosenEntry(items[position])) return position;
      }
      return -1;
    },

    // The keyboard, while the menu is open or about to open: Alt and the bar entry's mnemonic open
    // its popup; then the arrows move, Enter chooses, Escape closes and an entry's mnemonic
    // chooses it. Every key goes to the menu while it is open.
    onMenuKey: function(event) {
      if (VeldoWeb.ended) return;
      var model = VeldoWeb.menuModel;
      var letter = event.key.length === 1 ? event.key.toLowerCase() : '';
      if (VeldoWeb.openMenu < 0) {
        if (!event.altKey || !letter || event.ctrlKey) return;
        for (var i = 0; i < model.length; i++) {
          if (model[i].mnemonic === letter && model[i].items) {
            event.preventDefault();
            event.stopPropagation();
            VeldoWeb.openPopup(i);
            return;
          }
        }
        return;
      }
      event.preventDefault();
      event.stopPropagation();
      if (event.type !== 'keydown') return;
      var items = model[VeldoWeb.openMenu].items;
      if (event.key === 'Escape') {
        VeldoWeb.closeMenu();
      } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        var next = VeldoWeb.nextChoosable(items, VeldoWeb.highlight < 0 && event.key === 'ArrowDown' ?
                                          -1 : VeldoWeb.highlight, event.key === 'ArrowDown' ? 1 : -1);
        VeldoWeb.setHighlight(next);
      } else if (event.key === 'Enter' || event.key === ' ') {
        if (VeldoWeb.highlight >= 0) VeldoWeb.choose(VeldoWeb.openMenu, VeldoWeb.highlight);
      } else if (letter) {
        for (var p = 0; p < items.length; p++)
          if (items[p].mnemonic === letter && VeldoWeb.chosenEntry(items[p])) {
            VeldoWeb.choose(VeldoWeb.openMenu, p);
            return;
          }
      }
    },

    // ---- Windows and the mouse ----------------------------------------------------------------

    // The canvas pixel under the mouse, whatever size CSS gives the canvas.
    canvasPixel: function(canvas, event) {
      var rect = canvas.getBoundingClientRect();
      var clamp = function(v) { return Math.max(0, Math.min(65535, Math.floor(v))); };
      var x = clamp((event.clientX - rect.left) * canvas.width / (rect.width || 1));
      var y = clamp((event.clientY - rect.top) * canvas.height / (rect.height || 1));
      return (y << 16) | x;
    },

    // The MK_* flags: the buttons held and the Shift and Ctrl keys.
    mouseFlags: function(event) {
      var flags = 0;
      if (event.buttons & 1) flags |= 1;
      if (event.buttons & 2) flags |= 2;
      if (event.buttons & 4) flags |= 16;
      if (event.shiftKey) flags |= 4;
      if (event.ctrlKey) flags |= 8;
      return flags;
    },

    watchMouse: function(win, canvas) {
      canvas.addEventListener('mousedown', function(event) {
        if (VeldoWeb.openMenu >= 0) return;
        // WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN, with the pressed button's flag.
        var message = [513, 519, 516][event.button];
        var pressed = [1, 16, 2][event.button];
        if (!message) return;
        event.preventDefault();
        VeldoWeb.post(win, message, VeldoWeb.mouseFlags(event) | pressed,
                      VeldoWeb.canvasPixel(canvas, event));
      });
      canvas.addEventListener('mousemove', function(event) {
        if (VeldoWeb.openMenu >= 0) return;
        VeldoWeb.post(win, 512 /* WM_MOUSEMOVE */, VeldoWeb.mouseFlags(event),
                      VeldoWeb.canvasPixel(canvas, event));
      });
      canvas.addEventListener('contextmenu', function(event) { event.preventDefault(); });
    },

    // The program's main() returned after it had slept: Asyncify hands its status here, and the
    // runtime ends as it would have for a main() that never slept (atexit handlers, stdio).
    programReturned: function(status) {
      VeldoWeb.onExit();
      try {
        exit(status);
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    // The program has ended: nothing is queued any more, and the page says so.
    onExit: function() {
      if (VeldoWeb.ended) return;
      VeldoWeb.keepScript();
      VeldoWeb.ended = true;
      VeldoWeb.closeMenu();
      document.body.classList.add('veldo-ended');
      VeldoWeb.status('The program has ended. Reload the page to start it again.');
    },
  },

  veldo_web_start__deps: ['$VeldoWeb', '$FS'],
  veldo_web_start: function() {
    var graphics = VeldoWeb.element('veldo-graphics');
    if (!graphics) return 0;
    // The script lives in the program's working directory, and in the page's storage under the
    // page's own folder: each program keeps its VELDO.SCR, as each directory does on a desktop.
    VeldoWeb.scriptPath = FS.cwd().replace(/\/$/, '') + '/VELDO.SCR';
    VeldoWeb.storageKey = 'veldo:' + location.pathname.replace(/[^\/]*$/, '') + 'VELDO.SCR';
    var kept = null;
    try {
      kept = localStorage.getItem(VeldoWeb.storageKey);
    } catch (e) {
      VeldoWeb.status('The page\'s storage cannot be used: scripts last until the page is left.');
    }
    if (kept !== null) {
      FS.writeFile(VeldoWeb.scriptPath, VeldoWeb.stringToBytes(kept));
      VeldoWeb.keptStamp = VeldoWeb.scriptStamp();
    }
    var channel = new MessageChannel();
    channel.port1.onmessage = function() {
      if (VeldoWeb.zeroDelay) VeldoWeb.zeroDelay();
    };
    VeldoWeb.zeroDelay = null;
    VeldoWeb.channel = channel;

    window.addEventListener('keydown', VeldoWeb.onMenuKey, true);
    window.addEventListener('keyup', VeldoWeb.onMenuKey, true);
    document.addEventListener('mousedown', function() { VeldoWeb.closeMenu(); });
    window.addEventListener('pagehide', function() {
      if (VeldoWeb.ended) return;
      Module['_veldo_web_leave']();
      VeldoWeb.keepScript();
    });
    var download = VeldoWeb.element('veldo-download');
    if (download) download.addEventListener('click', VeldoWeb.downloadScript);
    var load = VeldoWeb.element('veldo-load');
    if (load)
      load.addEventListener('change', function() {
        if (load.files.length > 0) VeldoWeb.loadScript(load.files[0]);
        load.value = '';
      });
    var exit = Module['onExit'];
    Module['onExit'] = function(status) {
      VeldoWeb.onExit();
      if (exit) exit(status);
    };
    return 1;
  },

  veldo_web_window_created__deps: ['$VeldoWeb'],
  veldo_web_window_created: function(win, fixed, title, width, height) {
    // The fixed window is the page's graphics panel; a sizeable one is the log panel.
    var panel = VeldoWeb.element(fixed ? 'veldo-graphics' : 'veldo-log-window');
    var canvas = VeldoWeb.element(fixed ? 'canvas' : 'veldo-log');
    if (!panel || !canvas) return;
    canvas.width = width;
    canvas.height = height;
    var caption = panel.querySelector('.veldo-caption');
    if (caption) caption.textContent = UTF8ToString(title);
    VeldoWeb.windows[win] = {fixed: fixed, panel: panel, canvas: canvas,
                             context: canvas.getContext('2d')};
    if (fixed) VeldoWeb.watchMouse(win, canvas);
  },

  veldo_web_window_shown__deps: ['$VeldoWeb'],
  veldo_web_window_shown: function(win, visible) {
    var w = VeldoWeb.windows[win];
    if (w) w.panel.hidden = !visible;
  },

  veldo_web_window_destroyed__deps: ['$VeldoWeb'],
  veldo_web_window_destroyed: function(win) {
    var w = VeldoWeb.windows[win];
    if (!w) return;
    w.panel.hidden = true;
    delete VeldoWeb.windows[win];
  },

  veldo_web_set_menu__deps: ['$VeldoWeb'],
  veldo_web_set_menu: function(win, model) {
    VeldoWeb.setMenu(win, JSON.parse(UTF8ToString(model)));
  },

  veldo_web_show_picture__deps: ['$VeldoWeb'],
  veldo_web_show_picture: function(win, rgba, width, height) {
    var w = VeldoWeb.windows[win];
    if (!w) return;
    if (w.canvas.width !== width) w.canvas.width = width;
    if (w.canvas.height !== height) w.canvas.height = height;
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    w.context.putImageData(new ImageData(pixels, width, height), 0, 0);
  },

  veldo_web_menu_open__deps: ['$VeldoWeb'],
  veldo_web_menu_open: function() {
    return VeldoWeb.openMenu >= 0 ? 1 : 0;
  },

  veldo_web_wake__deps: ['$VeldoWeb'],
  veldo_web_wake: function() {
    VeldoWeb.wakeSoon();
  },

  veldo_web_keep_script__deps: ['$VeldoWeb'],
  veldo_web_keep_script: function() {
    VeldoWeb.keepScript();
  },

  veldo_web_sleep__deps: ['$VeldoWeb', '$Asyncify'],
  veldo_web_sleep: function(until) {
    if (!VeldoWeb.watchingReturn) {
      // Once the first sleep has unwound main(), its eventual return is awaited.
      VeldoWeb.watchingReturn = true;
      Promise.resolve().then(function() {
        Asyncify.whenDone().then(VeldoWeb.programReturned);
      });
    }
    return Asyncify.handleSleep(function(wakeUp) {
      var timer = null;
      var done = false;
      var finish = function() {
        if (done) return;
        done = true;
        if (timer !== null) clearTimeout(timer);
        VeldoWeb.sleeper = null;
        VeldoWeb.zeroDelay = null;
        wakeUp();
      };
      VeldoWeb.sleeper = finish;
      if (until < 0) return;
      var delay = until - performance.now();
      if (delay > 0) {
        timer = setTimeout(finish, delay);
      } else {
        // A turn for the browser and nothing more: a message comes back sooner than a zero
        // timeout, which the browser stretches to 4 ms once timeouts nest.
        VeldoWeb.zeroDelay = finish;
        VeldoWeb.channel.port2.postMessage(0);
      }
    });
  },
});
