#!/usr/bin/python3
"""The game's page in a real browser: Debian's Chromium, headless, driven through its WebDriver.

The pages are served on 127.0.0.1 by a server of the test's own (a thread of this process), and
the pictures are read from the page's canvas (getImageData of the 601 x 501 canvas element, which
shows the kit's picture as it was handed to the page). The desktop's `dovuvezuvir-replay` says
what the pictures must be.

    browser_test.py --pages BUILD-WEB --replay PATH/dovuvezuvir-replay --pong PATH/examples/pong
                    --data tests/data
"""

import argparse
import base64
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

ARGS = None
WIDTH, HEIGHT = 601, 501
RED = (255, 0, 0)
# A recording started on the title screen begins with the title's ticks.
TITLE_TICKS = r"^(VELDO_PERIODIC\(\d+\);\n)?"
WAIT_LIMIT = float(os.environ.get("VELDO_WAIT_LIMIT", "30"))

# The Run menu as the desktop shows it: text, shortcut, greyed.
RUN_MENU = [
    ("Animate", "Ctrl+A", False),
    ("Halt animation", "Ctrl+H", False),
    ("Advance one frame", "Ctrl+F", False),
    None,
    ("Logging", "Ctrl+L", False),
    None,
    ("Record Script", "Ctrl+R", False),
    ("Playback Script", "Ctrl+P", False),
    ("Play One Script", "Ctrl+O", False),
    None,
    ("Quit", "Ctrl+Q", False),
    None,
    ("CONTACTS:", "", True),
    ('MAC: see "Contacts and updates" in README.md', "", True),
    ('WINDOWS: see "Contacts and updates" in README.md', "", True),
    ('UPDATES: see "Contacts and updates" in README.md', "", True),
]
MNEMONICS = {"Animate": "A", "Halt animation": "H", "Advance one frame": "f", "Logging": "L",
             "Record Script": "R", "Playback Script": "P", "Play One Script": "O", "Quit": "Q"}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def wait_until(what, condition, limit=WAIT_LIMIT):
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {limit:.0f} s waiting for {what}")
        time.sleep(0.05)


def png_rgb(png):
    """The top 601 x 501 of a PNG picture, as RGB bytes."""
    rgb = subprocess.run(["convert", png, "-crop", f"{WIDTH}x{HEIGHT}+0+0", "+repage", "-depth",
                          "8", "rgb:-"], check=True, capture_output=True).stdout
    assert len(rgb) == WIDTH * HEIGHT * 3, len(rgb)
    return rgb


def replay_picture(script, work, tool=None):
    """The top 601 x 501 of a replay tool's final canvas (dovuvezuvir-replay's by default)."""
    png = os.path.join(work, "replayed.png")
    subprocess.run([tool or ARGS.replay, "--png", png, script], check=True, cwd=work,
                   stdout=subprocess.DEVNULL)
    return png_rgb(png)


def differing_pixels(a, b):
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


class Browser(unittest.TestCase):
    """One browser for all cases of a class; each case starts on a fresh page with empty storage."""

    @classmethod
    def setUpClass(cls):
        cls.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=ARGS.pages))
        cls.server_thread = threading.Thread(target=cls.server.serve_forever, daemon=True)
        cls.server_thread.start()
        cls.base = f"http://127.0.0.1:{cls.server.server_address[1]}"
        cls.profile = tempfile.mkdtemp(prefix="veldo-chromium-")
        cls.downloads = tempfile.mkdtemp(prefix="veldo-downloads-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--window-size=1000,1200", f"--user-data-dir={cls.profile}"]:
            options.add_argument(argument)
        options.add_experimental_option("prefs", {
            "download.default_directory": cls.downloads, "download.prompt_for_download": False})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                   {"behavior": "allow", "downloadPath": cls.downloads})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.profile, ignore_errors=True)
        shutil.rmtree(cls.downloads, ignore_errors=True)

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="veldo-web-test-")
        self.driver.get(self.base + "/dovuvezuvir/")
        self.driver.execute_script("localStorage.clear()")
        self.open_game()

    def tearDown(self):
        errors = [entry for entry in self.driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        shutil.rmtree(self.work, ignore_errors=True)
        self.assertEqual(errors, [], "the page reported errors on its console")

    # ---- Driving the page ------------------------------------------------------------------------

    def open_game(self):
        self.driver.get(self.base + "/dovuvezuvir/")
        self.canvas = self.driver.find_element(By.ID, "canvas")
        wait_until("the title's red disc", lambda: self.pixel(245, 150) == RED)

    def picture(self):
        """The canvas element's pixels, RGB."""
        encoded = self.driver.execute_script("""
            const c = document.getElementById('canvas');
            const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
            const rgb = new Uint8Array(rgba.length / 4 * 3);
            for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
              rgb[j] = rgba[i]; rgb[j + 1] = rgba[i + 1]; rgb[j + 2] = rgba[i + 2];
            }
            let text = '';
            for (let i = 0; i < rgb.length; i += 8192)
              text += String.fromCharCode.apply(null, rgb.subarray(i, i + 8192));
            return btoa(text);""")
        return base64.b64decode(encoded)

    def pixel(self, x, y):
        return tuple(self.driver.execute_script(
            "return Array.from(document.getElementById('canvas').getContext('2d')"
            ".getImageData(arguments[0], arguments[1], 1, 1).data.slice(0, 3))", x, y))

    def click(self, x, y):
        """A left click on canvas pixel (x, y)."""
        ActionChains(self.driver).move_to_element_with_offset(
            self.canvas, x - WIDTH // 2, y - HEIGHT // 2).click().perform()

    def ctrl(self, letter):
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys(letter).key_up(
            Keys.CONTROL).perform()

    def settled_picture(self):
        """The picture once two looks 0.3 s apart agree (after a halt one tick may still come)."""
        previous = [self.picture()]

        def same():
            time.sleep(0.3)
            current = self.picture()
            agreed = current == previous[0]
            previous[0] = current
            return agreed
        wait_until("the picture to settle", same)
        return previous[0]

    def menu_entries(self):
        return self.driver.execute_script("""
            return Array.from(document.querySelectorAll('.veldo-popup > div')).map(row =>
              row.classList.contains('veldo-separator') ? null : {
                label: row.querySelector('.veldo-label').textContent,
                underlined: Array.from(row.querySelectorAll('.veldo-label u'))
                                 .map(u => u.textContent).join(''),
                shortcut: row.querySelector('.veldo-shortcut').textContent,
                checked: row.classList.contains('veldo-checked'),
                grayed: row.classList.contains('veldo-grayed')});""")

    def checked(self, label):
        return [e["checked"] for e in self.menu_entries() if e and e["label"] == label][0]

    def stored_script(self):
        return self.driver.execute_script(
            "return localStorage.getItem('veldo:/dovuvezuvir/VELDO.SCR')")

    def has_fly(self):
        """A fly's red eye somewhere on the field, below the top bar."""
        return self.driver.execute_script("""
            const d = document.getElementById('canvas').getContext('2d')
                        .getImageData(0, 30, 601, 471).data;
            for (let i = 0; i < d.length; i += 4)
              if (d[i] === 255 && d[i + 1] === 0 && d[i + 2] === 0) return true;
            return false;""")

    def start_play(self):
        self.click(300, 400)
        wait_until("the play frame (the spawn button's red border)",
                   lambda: self.pixel(1, 13) == RED)



class Page(Browser):
    """The game's page."""


    def test_a_click_starts_play_flies_come_and_ctrl_h_halts_until_ctrl_a(self):
        title = self.picture()
        time.sleep(0.5)
        self.assertEqual(self.picture(), title, "the title changed without input")
        self.start_play()
        wait_until("a fly on the field", self.has_fly)
        wait_until("the flies to move", lambda: self.picture() != self.picture())

        self.ctrl("h")
        halted = self.settled_picture()
        time.sleep(1.0)
        self.assertEqual(differing_pixels(self.picture(), halted), 0,
                         "the picture changed in the second after Ctrl+H")

        self.ctrl("a")
        wait_until("the game to move again after Ctrl+A", lambda: self.picture() != halted, 3)

    def test_the_run_menu_shows_the_desktops_entries_marks_and_greyed_lines(self):
        self.driver.find_element(By.CSS_SELECTOR, ".veldo-menu-title").click()
        entries = self.menu_entries()
        self.assertEqual(len(entries), 16)
        for entry, expected in zip(entries, RUN_MENU):
            if expected is None:
                self.assertIsNone(entry)
                continue
            label, shortcut, grayed = expected
            self.assertEqual((entry["label"], entry["shortcut"], entry["grayed"]),
                             (label, shortcut, grayed))
            self.assertEqual(entry["underlined"], MNEMONICS.get(label, ""), label)
        # The game turns logging off at its start; nothing else is on.
        self.assertEqual([e["label"] for e in entries if e and e["checked"]], [])

        # While the menu is open the game stands still, though it was running.
        self.start_play_with_menu_closed()
        self.driver.find_element(By.CSS_SELECTOR, ".veldo-menu-title").click()
        frozen = self.picture()
        time.sleep(0.6)
        self.assertEqual(self.picture(), frozen, "the game moved while the menu was open")

        # The marks follow the kit: chosen with the mouse, and with the shortcuts.
        self.choose("Logging")
        wait_until("Logging's check mark", lambda: self.checked("Logging"))
        self.ctrl("r")
        wait_until("Record Script's check mark", lambda: self.checked("Record Script"))
        self.ctrl("l")
        wait_until("Logging's mark to go", lambda: not self.checked("Logging"))
        self.assertTrue(self.checked("Record Script"))
        # A greyed entry cannot be chosen: the menu stays open and nothing happens.
        self.driver.find_element(By.CSS_SELECTOR, ".veldo-menu-title").click()
        self.driver.find_elements(By.CSS_SELECTOR, ".veldo-item.veldo-grayed")[0].click()
        self.assertTrue(self.driver.execute_script(
            "return document.querySelector('.veldo-popup').style.display === 'block'"))
        self.choose("Quit")
        wait_until("the page to say the program ended", lambda: "ended" in self.driver.find_element(
            By.ID, "veldo-status").text)
        # Quitting completed the recording that was on: the ticks since Ctrl+R, as one run.
        self.assertRegex(self.stored_script(), r"^VELDO_PERIODIC\([1-9]\d*\);\n$")

    def start_play_with_menu_closed(self):
        self.driver.find_element(By.TAG_NAME, "body").click()
        self.start_play()

    def choose(self, label):
        if not self.driver.execute_script(
                "return document.querySelector('.veldo-popup').style.display === 'block'"):
            self.driver.find_element(By.CSS_SELECTOR, ".veldo-menu-title").click()
        rows = self.driver.find_elements(By.CSS_SELECTOR, ".veldo-item")
        [row for row in rows if row.find_element(By.CSS_SELECTOR, ".veldo-label").text == label][
            0].click()

    def test_a_golden_script_loaded_into_the_page_ends_on_the_desktop_replays_picture(self):
        for name in ["spree.scr", "swat.scr"]:
            script = os.path.join(ARGS.data, "golden", name)
            expected = replay_picture(script, self.work)
            self.driver.find_element(By.ID, "veldo-load").send_keys(script)
            wait_until("the page to load the script",
                       lambda: "Loaded" in self.driver.find_element(By.ID, "veldo-status").text)
            self.ctrl("p")
            wait_until("the end of the playback", lambda: not self.checked("Playback Script"))
            shown = self.settled_picture()
            difference = differing_pixels(shown, expected)
            self.assertEqual(difference, 0, f"{name}: the page's picture differs from the replay's "
                             f"in {difference} pixels")
            self.open_game()

    def test_a_game_recorded_in_the_page_and_downloaded_replays_to_the_pages_picture(self):
        self.ctrl("r")
        self.start_play()
        time.sleep(1.0)
        self.click(150, 300)  # a swing
        time.sleep(0.4)
        self.click(34, 13)  # the spawn button
        time.sleep(0.6)
        self.click(450, 200)
        time.sleep(0.8)
        self.ctrl("h")
        shown = self.settled_picture()
        self.ctrl("r")
        wait_until("Record Script's mark to go", lambda: not self.checked("Record Script"))

        self.driver.find_element(By.ID, "veldo-download").click()
        downloaded = os.path.join(self.downloads, "VELDO.SCR")
        wait_until("the download", lambda: os.path.exists(downloaded))
        script = os.path.join(self.work, "VELDO.SCR")
        shutil.move(downloaded, script)
        with open(script, encoding="latin-1") as file:
            text = file.read()
        self.assertEqual(text, self.stored_script())
        self.assertEqual(text.count("VELDO_MOUSE("), 4, text)
        self.assertEqual(differing_pixels(replay_picture(script, self.work), shown), 0,
                         "the replay of the page's recording differs from the page's picture")

    def test_leaving_the_page_completes_the_recording_and_the_script_outlives_the_page(self):
        self.ctrl("r")
        self.start_play()
        time.sleep(1.0)
        # The ticks since the click are an open run, written only when the recording ends.
        self.assertRegex(self.stored_script(), TITLE_TICKS + r"VELDO_MOUSE\(0, -150\);\n$")
        self.driver.get(self.base + "/")
        self.open_game()
        kept = self.stored_script()
        self.assertRegex(kept, TITLE_TICKS + r"VELDO_MOUSE\(0, -150\);\nVELDO_PERIODIC\((\d+)\);\n$")
        ticks = int(kept.split("(")[-1].split(")")[0])
        self.assertGreater(ticks, 30, "the run of ticks was cut short")
        # The new page took the kept script back: it is the one offered for download.
        self.driver.find_element(By.ID, "veldo-download").click()
        downloaded = os.path.join(self.downloads, "VELDO.SCR")
        wait_until("the download", lambda: os.path.exists(downloaded))
        with open(downloaded, encoding="latin-1") as file:
            self.assertEqual(file.read(), kept)
        os.remove(downloaded)


class ExamplePage(Browser):
    """Pong, which asks the kit for arrow keys, their releases and the mouse's motion."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="veldo-web-test-")
        self.driver.get(self.base + "/examples/pong/")
        self.driver.execute_script("localStorage.clear()")
        self.open_game()

    def open_game(self):
        self.driver.get(self.base + "/examples/pong/")
        self.canvas = self.driver.find_element(By.ID, "canvas")
        # The page is up once the net's dashes are drawn down the middle.
        wait_until("pong's first frame", lambda: self.pixel(300, 60) != (0, 0, 0))

    def stored_script(self):
        return self.driver.execute_script(
            "return localStorage.getItem('veldo:/examples/pong/VELDO.SCR')")

    def test_keys_their_releases_and_motion_are_recorded_and_replay_on_the_desktop(self):
        self.ctrl("r")
        body = self.driver.find_element(By.TAG_NAME, "body")
        ActionChains(self.driver).move_to_element_with_offset(self.canvas, -200, 0).perform()
        body.send_keys(Keys.ENTER)  # serve
        ActionChains(self.driver).key_down(Keys.ARROW_UP).pause(0.6).key_up(
            Keys.ARROW_UP).perform()
        for offset in range(-150, 151, 50):
            ActionChains(self.driver).move_to_element_with_offset(self.canvas, -200,
                                                                  offset).perform()
            time.sleep(0.1)
        time.sleep(0.5)
        self.ctrl("h")
        shown = self.settled_picture()
        self.ctrl("r")
        wait_until("the recording to end", lambda: (self.stored_script() or "").endswith(");\n")
                   and not self.checked("Record Script"))
        script = os.path.join(self.work, "VELDO.SCR")
        with open(script, "w", encoding="latin-1") as file:
            file.write(self.stored_script())
        with open(script, encoding="latin-1") as file:
            text = file.read()
        for kind in ["VELDO_DOWN(", "VELDO_UP(", "VELDO_HOVER("]:
            self.assertIn(kind, text)
        self.assertEqual(differing_pixels(replay_picture(script, self.work, ARGS.pong), shown), 0,
                         "pong's replay of the page's recording differs from the page's picture")

    def test_a_desktop_recording_of_pong_plays_back_to_its_golden_picture(self):
        script = os.path.join(ARGS.data, "examples", "pong.scr")
        self.driver.find_element(By.ID, "veldo-load").send_keys(script)
        wait_until("the page to load the script",
                   lambda: "Loaded" in self.driver.find_element(By.ID, "veldo-status").text)
        self.ctrl("p")
        wait_until("the end of the playback", lambda: not self.checked("Playback Script"))
        expected = png_rgb(os.path.join(ARGS.data, "examples", "pong.png"))
        difference = differing_pixels(self.settled_picture(), expected)
        self.assertEqual(difference, 0, f"the page's picture differs in {difference} pixels")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", required=True, help="the folder make web built")
    parser.add_argument("--replay", required=True, help="the desktop's dovuvezuvir-replay")
    parser.add_argument("--pong", required=True, help="the desktop's pong example")
    parser.add_argument("--data", required=True, help="tests/data")
    ARGS, rest = parser.parse_known_args()
    ARGS.pages = os.path.abspath(ARGS.pages)
    ARGS.data = os.path.abspath(ARGS.data)
    ARGS.replay = os.path.abspath(ARGS.replay)
    ARGS.pong = os.path.abspath(ARGS.pong)
    for program in ["/usr/bin/chromium", "/usr/bin/chromedriver", ARGS.replay, ARGS.pong]:
        if not os.access(program, os.X_OK):
            sys.exit(f"browser_test: {program} is missing")
    if not os.path.exists(os.path.join(ARGS.pages, "dovuvezuvir", "index.html")):
        sys.exit(f"browser_test: no game page in {ARGS.pages}: run make web")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
