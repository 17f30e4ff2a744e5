#!/usr/bin/python3
"""The Run menu's Ctrl shortcuts reach the game's page through a real browser window.

A headless browser has no shortcuts of its own, so this case runs Chromium with its window on an
X server (run_under_xvfb.sh provides one) and types with xdotool, as a person would: each key goes
through the browser's own shortcut handling before the page may see it. For each of Ctrl+A, H, F,
L, R, P, O and Q the page must receive the key and keep the browser from acting on it, and the
kit must act on it where that shows: Ctrl+L and Ctrl+R set their check marks, Ctrl+Q ends the
program. The browser must neither open a tab or window (Ctrl+H would open the history) nor
reload the page (Ctrl+R).

    browser_keys.py --pages BUILD-WEB
"""

import argparse
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

# The page tests' quiet server handler and their polling wait.
from browser_test import WAIT_LIMIT, QuietHandler, wait_until

ARGS = None

# Runs in the page before its own scripts: each key-down the page receives, and whether the page
# kept the browser from acting on it, once every listener has seen it.
WATCH_KEYS = """
window.__keys = [];
addEventListener('keydown', e => {
  setTimeout(() => __keys.push({key: e.key, ctrl: e.ctrlKey, kept: e.defaultPrevented}), 0);
}, true);
"""


class Shortcuts(unittest.TestCase):
    def setUp(self):
        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=ARGS.pages))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.profile = tempfile.mkdtemp(prefix="veldo-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--window-position=0,0", "--window-size=1100,1000",
                         f"--user-data-dir={self.profile}"]:
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH_KEYS})

    def tearDown(self):
        self.driver.quit()
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def press(self, keys):
        """Real X key events to the browser window, which has the focus."""
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "dovuvezuvir",
                        "windowactivate", "--sync"], check=True, stdout=subprocess.DEVNULL,
                       timeout=WAIT_LIMIT)
        subprocess.run(["xdotool", "key", "--clearmodifiers", keys], check=True, timeout=WAIT_LIMIT)

    def checked(self, label):
        return self.driver.execute_script("""
            return Array.from(document.querySelectorAll('.veldo-item')).some(row =>
              row.querySelector('.veldo-label').textContent === arguments[0] &&
              row.classList.contains('veldo-checked'));""", label)

    def test_the_run_menus_shortcuts_reach_the_kit_and_not_the_browser(self):
        self.driver.get(f"http://127.0.0.1:{self.server.server_address[1]}/dovuvezuvir/")
        wait_until("the game's menu bar", lambda: self.driver.execute_script(
            "return document.querySelectorAll('.veldo-item').length") == 12)
        # The page's content has the focus, not the address bar.
        self.driver.find_element(By.ID, "canvas").click()
        handles = len(self.driver.window_handles)
        # Gone if the page is loaded again.
        self.driver.execute_script("window.__sameDocument = true")
        for letter in "ahflrpoq":
            self.press(f"ctrl+{letter}")
            seen = wait_until(f"the page to receive Ctrl+{letter.upper()}", lambda: [
                k for k in self.driver.execute_script("return __keys")
                if k["key"].lower() == letter and k["ctrl"]])
            self.assertTrue(seen[-1]["kept"], f"Ctrl+{letter.upper()} was left to the browser")
            if letter == "l":
                wait_until("Ctrl+L to turn logging on", lambda: self.checked("Logging"))
            if letter == "r":
                wait_until("Ctrl+R to start a recording", lambda: self.checked("Record Script"))
            self.assertEqual(len(self.driver.window_handles), handles,
                             f"Ctrl+{letter.upper()} opened a tab or a window")
            self.assertTrue(self.driver.execute_script("return window.__sameDocument === true"),
                            f"Ctrl+{letter.upper()} loaded the page again")
        wait_until("Ctrl+Q to end the program", lambda: "ended" in self.driver.find_element(
            By.ID, "veldo-status").text)
        self.assertTrue(self.driver.execute_script("return window.__sameDocument === true"),
                        "the page was loaded again")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", required=True, help="the folder make web built")
    ARGS, rest = parser.parse_known_args()
    ARGS.pages = os.path.abspath(ARGS.pages)
    if not os.environ.get("DISPLAY"):
        sys.exit("browser_keys: needs an X display (run it through run_under_xvfb.sh)")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
