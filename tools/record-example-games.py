#!/usr/bin/env python3
"""Plays a match of pong and a game of snake in the examples' real windows, with xdotool, while
the kit records them (Ctrl+R), and leaves each recording as OUT/NAME/VELDO.SCR.

The player sees ahead: each plays by a model of its game's rules below (the same grid, paddles,
ball and apples), so its moves are planned, and sent on the clock. What is recorded is whatever
the real program made of them; a replay of the script shows whether it went as planned.

Usage (with a display, a window manager and xdotool): record-example-games.py BUILD OUT NAME...
tools/record-example-games.sh runs it under Xvfb."""
import os, subprocess, sys, time

BUILD = sys.argv[1]
OUT = sys.argv[2]

def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)

def start(name):
    os.makedirs(f"{OUT}/{name}", exist_ok=True)
    program = subprocess.Popen([f"{BUILD}/examples/{name}"], cwd=f"{OUT}/{name}",
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^VELDO Graphics$"],
                               capture_output=True, text=True).stdout.split()
        if found:
            break
        time.sleep(0.1)
    window = found[0]
    subprocess.run(["xdotool", "windowactivate", "--sync", window], timeout=10)
    time.sleep(0.5)
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    value = lambda label: int(info.split(label)[1].split()[0])
    # The drawing area is the bottom 601 x 501 of the client area, below the menu bar.
    area = (value("Absolute upper-left X:"),
            value("Absolute upper-left Y:") + value("Height:") - 501)
    return program, area

def finish(program):
    xdo("key", "ctrl+r")
    time.sleep(0.3)
    xdo("key", "ctrl+q")
    program.wait(timeout=10)

def sleep_until(moment):
    time.sleep(max(0.0, moment - time.monotonic()))

def trunc_div(a, b):
    return -(-a // b) if (a < 0) != (b < 0) else a // b

class PongRules:
    """The rules of examples/pong, to plan with."""
    TOP, BOTTOM, PADDLE_X = 220, -250, 270

    def __init__(self):
        self.player_y = self.computer_y = 0
        self.player = self.computer = 0
        self.serves = 0
        self.serve(1)

    def serve(self, towards):
        slopes = [2, -3, 1, -1, 3, -2]
        self.x, self.y, self.dx, self.dy = 0, 0, 6 * towards, slopes[self.serves % 6]
        self.serves += 1

    @staticmethod
    def clamp_paddle(y):
        return max(PongRules.BOTTOM + 40, min(PongRules.TOP - 40, y))

    def bounce(self, paddle_x, paddle_y):
        touching = abs(self.x - paddle_x) <= 10 and abs(self.y - paddle_y) <= 45
        if touching and (paddle_x > 0) == (self.dx > 0):
            self.dx = -self.dx
            self.dy = trunc_div(self.y - paddle_y, 6)

    def step(self):
        """One tick; returns who scored, or None."""
        self.computer_y = self.clamp_paddle(self.computer_y + max(-5, min(5, self.y - self.computer_y)))
        self.x += self.dx
        self.y += self.dy
        if self.y + 5 >= self.TOP:
            self.dy = -abs(self.dy)
        if self.y - 5 <= self.BOTTOM:
            self.dy = abs(self.dy)
        self.bounce(-self.PADDLE_X, self.player_y)
        self.bounce(self.PADDLE_X, self.computer_y)
        if self.x < -300:
            self.computer += 1
            self.serve(-1)
            return "computer"
        if self.x > 300:
            self.player += 1
            self.serve(1)
            return "player"
        return None

    def copy(self):
        other = PongRules.__new__(PongRules)
        other.__dict__.update(self.__dict__)
        return other

def rally_outcome(rules):
    """Plays on until a point, or until the ball comes back towards the player: the outcome and
    the ticks it took."""
    for ticks in range(1, 2000):
        was_leaving = rules.dx > 0
        scored = rules.step()
        if scored:
            return scored, ticks
        if was_leaving and rules.dx < 0:
            return "rally", ticks
    return "rally", 2000

def pong():
    """A player on the mouse who sees where the ball will come and decides, rally by rally, to
    return it (steeply enough to beat the computer, or not) or to miss it: a match of 7 to 4. The
    paddle is moved once a rally, while the ball is far away, so the clock need not be exact."""
    period = 0.020
    wanted = ["rally", "player", "computer", "rally", "player", "player", "rally", "computer",
              "player", "computer", "rally", "rally", "player", "computer", "rally", "player",
              "rally", "computer", "player", "rally", "player", "player", "player"]
    rules = PongRules()
    moves, tick = [], 0  # (tick, paddle y): the paddle goes there at that tick
    for goal in wanted:
        if rules.player == 7 or rules.computer == 7:
            break
        best = None
        for y in range(-210, 181, 3):
            trial = rules.copy()
            trial.player_y = y
            outcome, _ = rally_outcome(trial)
            if outcome == goal and (best is None or abs(y - rules.player_y) < abs(best - rules.player_y)):
                best = y
        if best is None:
            best = rules.player_y
        moves.append((tick + 20, best))
        rules.player_y = best
        _, ticks = rally_outcome(rules)
        tick += ticks
    print(f"pong: planned {rules.player} to {rules.computer} in {tick} ticks", file=sys.stderr)

    program, (ax, ay) = start("pong")
    xdo("mousemove", ax + 700, ay + 250)  # off the window
    xdo("key", "ctrl+r")
    time.sleep(0.5)
    # A little fidgeting with the keys before the serve, which moves nothing yet.
    for key in ["Up", "Down"]:
        xdo("keydown", key)
        time.sleep(0.3)
        xdo("keyup", key)
        time.sleep(0.3)
    xdo("key", "Return")
    begin = time.monotonic()
    for at, y in moves:
        sleep_until(begin + at * period)
        xdo("mousemove", ax + 30, ay + 250 - y)
    sleep_until(begin + tick * period + 1.0)
    finish(program)

class SnakeRules:
    """The rules of examples/snake, to plan with: the same grid, start and apples."""
    COLUMNS, ROWS = 30, 23

    def __init__(self):
        self.body = [(8, 11), (7, 11), (6, 11)]
        self.heading = (1, 0)
        self.apple = (20, 11)
        self.state = 2024

    def random(self, limit):
        self.state = (self.state * 1103515245 + 12345) % 2**32
        return (self.state >> 16) % limit

    def safe(self, heading):
        head = (self.body[0][0] + heading[0], self.body[0][1] + heading[1])
        if not (0 <= head[0] < self.COLUMNS and 0 <= head[1] < self.ROWS):
            return False
        eats = head == self.apple
        return head not in self.body[:len(self.body) if eats else len(self.body) - 1]

    def step(self, heading):
        self.heading = heading
        head = (self.body[0][0] + heading[0], self.body[0][1] + heading[1])
        eats = head == self.apple
        self.body = [head] + (self.body if eats else self.body[:-1])
        if eats:
            while True:
                self.apple = (self.random(self.COLUMNS), self.random(self.ROWS))
                if self.apple not in self.body:
                    break
        return eats

def snake(apples_wanted=14):
    """A player who goes straight for each apple, keeping off the walls and its own body, with
    every turn sent on the clock at the tick it is meant for."""
    period = 0.110
    names = {(1, 0): "Right", (-1, 0): "Left", (0, 1): "Up", (0, -1): "Down"}
    rules = SnakeRules()
    turns, tick, eaten = [], 0, 0
    while eaten < apples_wanted and tick < 2000:
        tick += 1
        (hx, hy), (ax, ay) = rules.body[0], rules.apple
        back = (-rules.heading[0], -rules.heading[1])
        choices = [h for h in names if h != back and rules.safe(h)]
        choices.sort(key=lambda h: abs(hx + h[0] - ax) + abs(hy + h[1] - ay))
        heading = choices[0]
        if heading != rules.heading:
            turns.append((tick, names[heading]))
        eaten += rules.step(heading)
    program, _ = start("snake")
    xdo("key", "ctrl+r")
    time.sleep(0.5)
    if turns and turns[0][0] == 1:
        first = turns.pop(0)[1]
    else:
        first = "Right"
    xdo("key", first)  # sets it off
    begin = time.monotonic()
    for at, key in turns:
        sleep_until(begin + (at - 1) * period)
        xdo("key", key)
    sleep_until(begin + tick * period + 0.3)
    print(f"snake: planned {eaten} apples in {tick} ticks", file=sys.stderr)
    finish(program)

if "pong" in sys.argv[3:]:
    pong()
if "snake" in sys.argv[3:]:
    snake()
