#!/usr/bin/python3
"""The game's page in Chromium: size, start-up, waiting and speed, measured in one run.

    bench/web_bench.py [--pages build-web] [--native build]

Prints, each with the goal it is measured against:
  - the game page's files, in all (goal: under 5 MB);
  - the time from the page starting to load (navigation start, from a server on 127.0.0.1) to the
    first painted frame that shows the title screen (goal: within 2 s);
  - the browser's CPU while the game is halted (goal: under 2% of a core) and, for comparison,
    while it runs;
  - the ticks the game receives a second at its 25 ms period (goal: 40 +- 1), counted from a
    recording made in the page (Ctrl+R, play, Ctrl+R) over the time between the two key presses;
  - the headless play loop (bench/play: 50 flies, 200 debris particles, both announcements, each
    pass taking an event, stepping the game and redrawing the whole frame) natively and compiled
    to WebAssembly in Chromium: the same program, the same work, the same frames; the ratio of
    their best rounds (goal: WebAssembly at least a third of native).

The pages come from `make web`, the native benchmark from `make build` (build/bench/play).
"""

import argparse
import functools
import http.server
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

CHROMIUM_ARGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--window-size=1000,1200"]

# Runs in the page before its own scripts: notes when a painted frame first shows the title's
# red disc, and when each key reaches the page.
WATCH_PAGE = """
window.__veldo = {titleMs: null, keys: []};
addEventListener('keydown', e => __veldo.keys.push([e.key, performance.now()]), true);
(function look() {
  const c = document.getElementById('canvas');
  if (c) {
    const p = c.getContext('2d').getImageData(245, 150, 1, 1).data;
    if (p[0] === 255 && p[1] === 0 && p[2] === 0) { __veldo.titleMs = performance.now(); return; }
  }
  requestAnimationFrame(look);
})();
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Browser:
    def __init__(self, base):
        self.profile = tempfile.mkdtemp(prefix="veldo-bench-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in CHROMIUM_ARGS + [f"--user-data-dir={self.profile}"]:
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Network.enable", {})
        self.driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH_PAGE})
        self.base = base
        self.service_pid = self.driver.service.process.pid

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def wait(self, what, condition, limit=60):
        deadline = time.monotonic() + limit
        while not condition():
            if time.monotonic() > deadline:
                raise SystemExit(f"web_bench: timed out waiting for {what}")
            time.sleep(0.02)

    def cpu_seconds(self):
        """User and system CPU of every process under the WebDriver (the whole browser)."""
        children = {}
        for pid in os.listdir("/proc"):
            if pid.isdigit():
                try:
                    with open(f"/proc/{pid}/stat") as stat:
                        fields = stat.read().rsplit(")", 1)[1].split()
                    children.setdefault(int(fields[1]), []).append(int(pid))
                except OSError:
                    pass
        total, todo = 0, list(children.get(self.service_pid, []))
        ticks = os.sysconf("SC_CLK_TCK")
        while todo:
            pid = todo.pop()
            todo.extend(children.get(pid, []))
            try:
                with open(f"/proc/{pid}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                total += (int(fields[11]) + int(fields[12])) / ticks
            except OSError:
                pass
        return total

    def core_share(self, seconds):
        start_cpu, start = self.cpu_seconds(), time.monotonic()
        time.sleep(seconds)
        return 100.0 * (self.cpu_seconds() - start_cpu) / (time.monotonic() - start)

    def ctrl(self, letter):
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys(letter).key_up(
            Keys.CONTROL).perform()


def page_size(folder):
    return sum(os.path.getsize(os.path.join(folder, name)) for name in os.listdir(folder))


def best_fps(text):
    found = re.findall(r"best: (\d+) frames per second", text)
    return float(found[-1]) if found else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", default="build-web")
    parser.add_argument("--native", default="build")
    parser.add_argument("--loads", type=int, default=5)
    args = parser.parse_args()
    game = os.path.join(args.pages, "dovuvezuvir")
    native_play = os.path.join(args.native, "bench", "play")
    for needed in [os.path.join(game, "index.html"),
                   os.path.join(args.pages, "bench", "play", "index.html"), native_play]:
        if not os.path.exists(needed):
            raise SystemExit(f"web_bench: {needed} is missing (make web, make build)")

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=os.path.abspath(args.pages)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    browser = Browser(base)
    driver = browser.driver
    try:
        size = page_size(game)
        print("the game's page in Chromium (headless, served from 127.0.0.1)")
        print(f"  page files: {size / 1e6:.2f} MB in all ({', '.join(sorted(os.listdir(game)))})"
              f" (goal: under 5 MB, {'met' if size < 5e6 else 'MISSED'})")

        times = []
        for _ in range(args.loads):
            driver.get("about:blank")
            driver.get(base + "/dovuvezuvir/")
            browser.wait("the title screen",
                         lambda: driver.execute_script("return __veldo.titleMs") is not None)
            times.append(driver.execute_script("return __veldo.titleMs") / 1000.0)
        times.sort()
        print(f"  title screen shown {times[len(times) // 2]:.2f} s after the page started to "
              f"load (median of {len(times)} loads with an empty cache; best {times[0]:.2f} s, "
              f"worst {times[-1]:.2f} s) (goal: within 2 s, "
              f"{'met' if times[len(times) // 2] <= 2.0 else 'MISSED'})")

        canvas = driver.find_element(By.ID, "canvas")
        ActionChains(driver).move_to_element(canvas).click().perform()
        time.sleep(1.0)
        running = browser.core_share(5.0)
        browser.ctrl("h")
        time.sleep(1.0)
        halted = browser.core_share(5.0)
        print(f"  browser CPU, all its processes: {halted:.2f}% of a core while the game is "
              f"halted (goal: under 2%, {'met' if halted < 2.0 else 'MISSED'}); {running:.1f}% "
              f"while it runs")

        browser.ctrl("a")
        time.sleep(0.5)
        driver.execute_script("__veldo.keys = []")
        browser.ctrl("r")
        time.sleep(10.0)
        browser.ctrl("r")
        time.sleep(0.5)
        keys = [t for key, t in driver.execute_script("return __veldo.keys") if key == "r"]
        script = driver.execute_script("return localStorage.getItem('veldo:/dovuvezuvir/VELDO.SCR')")
        ticks = sum(int(n) for n in re.findall(r"VELDO_PERIODIC\((\d+)\)", script))
        rate = ticks / ((keys[1] - keys[0]) / 1000.0)
        print(f"  {ticks} ticks recorded in {(keys[1] - keys[0]) / 1000.0:.2f} s: {rate:.2f} a "
              f"second at 25 ms (goal: 40 +- 1, {'met' if abs(rate - 40) <= 1 else 'MISSED'})")

        print("the headless play loop (bench/play), the same program natively and in Chromium")
        native = subprocess.run([native_play], capture_output=True, text=True, check=True).stdout
        native_fps = best_fps(native)
        driver.get_log("browser")
        driver.get(base + "/bench/play/")
        lines = []

        def finished():
            lines.extend(entry["message"] for entry in driver.get_log("browser"))
            return best_fps("\n".join(lines)) is not None
        browser.wait("the WebAssembly benchmark", finished, 300)
        wasm_fps = best_fps("\n".join(lines))
        ratio = wasm_fps / native_fps
        print(f"  native: {native_fps:.0f} frames per second; WebAssembly in Chromium: "
              f"{wasm_fps:.0f} (best of 5 rounds of 1000 frames each)")
        print(f"  WebAssembly / native: {ratio:.2f} (goal: at least 0.33, "
              f"{'met' if ratio >= 1 / 3 else 'MISSED'})")
    finally:
        browser.close()
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
