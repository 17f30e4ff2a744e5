#!/usr/bin/env python3
"""An independent model of the game, written from its rules alone, for the golden replays.

It reads a script as the kit's reader takes it, plays its events through the title screen and the
play loop (the random sequence, spawning, flight, walls, swatting, falling flies, debris, scoring
and levels), and writes the lines the log window receives in a replay: the kit's end-of-script
message and the drawing calls of the final frame, or of every frame with --trace. It shares no
code with the game, so a fault in the game's logic or drawing shows as a difference between the
log dovuvezuvir-replay writes and the log this model expects.

    model.py log SCRIPT [--trace]   the expected log of a replay of SCRIPT, on standard output
    model.py make                   writes the golden scripts and their expected logs (golden/)

Python's floats are IEEE doubles and its math.cos and math.sin are the C library's, so the model
computes what the game computes, rounding for rounding.
"""

import math
import os
import sys

# ---- The random sequence and the rounding rule ------------------------------------------------


class Random:
    def __init__(self):
        self.state = 1

    def fraction(self):
        self.state = (self.state * 214013 + 2531011) % (1 << 32)
        return ((self.state >> 16) & 32767) / 32767.0


def round_half_away(value):
    # int() truncates toward zero.
    return int(value + 0.5) if value >= 0 else int(value - 0.5)


# ---- The log lines of the kit's drawing calls --------------------------------------------------

COLOUR_NAMES = {0: "black", 1: "white", 2: "red", 4: "blue", 8: "purple", 22: "50% gray",
                23: "20% gray"}


class Log:
    def __init__(self):
        self.lines = []
        self.on = True

    def message(self, text):
        self.lines.append(text + "\n")

    def draw(self, text):
        if self.on:
            self.lines.append(text + "\n")

    def box(self, x1, y1, x2, y2):
        # Corners are put in order: top-left, then bottom-right (y grows upward).
        left, right = min(x1, x2), max(x1, x2)
        top, bottom = max(y1, y2), min(y1, y2)
        return "(%d,%d) to (%d,%d)" % (left, top, right, bottom)

    def rectangle(self, colour, x1, y1, x2, y2, width):
        box = self.box(x1, y1, x2, y2)
        if width == 0:
            self.draw("%s rectangle with bounding box %s, filled" % (COLOUR_NAMES[colour], box))
        else:
            self.draw("%s rectangle with bounding box %s with line width %d"
                      % (COLOUR_NAMES[colour], box, width))

    def oval(self, colour, x1, y1, x2, y2, width):
        box = self.box(x1, y1, x2, y2)
        if width == 0:
            self.draw("%s oval with bounding box %s, filled" % (COLOUR_NAMES[colour], box))
        else:
            self.draw("%s oval with bounding box %s, line width %d"
                      % (COLOUR_NAMES[colour], box, width))

    def circle(self, colour, x, y, radius):
        self.draw("%s circle at (%d,%d), radius %d" % (COLOUR_NAMES[colour], x, y, radius))

    def triangle(self, colour, points):
        self.draw("%s triangle at (%d,%d), (%d,%d), (%d,%d)"
                  % ((COLOUR_NAMES[colour],) + tuple(c for point in points for c in point)))

    def line(self, colour, x1, y1, x2, y2, width):
        self.draw("%s line from (%d,%d) to (%d,%d), width %d"
                  % (COLOUR_NAMES[colour], x1, y1, x2, y2, width))

    def text(self, colour, x, y, text):
        self.draw('%s text at (%d,%d), "%s"' % (COLOUR_NAMES[colour], x, y, text))


# ---- Flies and debris --------------------------------------------------------------------------

FIELD_LEFT, FIELD_RIGHT, FIELD_BOTTOM, FIELD_TOP = -300, 300, -250, 226


class Fly:
    def __init__(self, x, y, speed, target_speed, heading):
        self.x, self.y = x, y
        self.width = self.height = 30
        self.speed = speed
        self.target_speed = target_speed
        self.turn_rate = 0.0
        self.heading = heading
        self.ticks = 0
        self.swatted = False


class Particle:
    def __init__(self, x, y, life):
        self.x, self.y, self.life = x, y, life


class World:
    def __init__(self):
        self.random = Random()
        self.flies = [None] * 50  # a free slot is None
        self.particles = [None] * 200  # a free slot is None (its life 0.0)

    def spawn(self):
        # Five draws, all before the table is searched.
        r = self.random.fraction
        speed = 30 * r()
        target_speed = 30 * r()
        r3 = r()
        heading = (r3 + r3) * 3.14
        x = 285 if r() > 0.5 else -285
        y = int(r() * 226 - 250)
        for slot in range(50):
            if self.flies[slot] is None:
                self.flies[slot] = Fly(x, y, speed, target_speed, heading)
                return

    def count(self):
        return sum(1 for fly in self.flies if fly is not None)

    def add_particle(self, x, y):
        life = 10 * self.random.fraction()
        for slot in range(200):
            if self.particles[slot] is None:
                if life != 0.0:
                    self.particles[slot] = Particle(x, y, life)
                return

    def age_particles(self):
        for slot, particle in enumerate(self.particles):
            if particle is None:
                continue
            particle.life -= 0.1
            # A life below zero becomes 0.0, and a life of exactly 0.0 is a free slot.
            if particle.life <= 0:
                self.particles[slot] = None

    def step(self):
        r = self.random.fraction
        for slot, fly in enumerate(self.flies):
            if fly is None:
                continue
            if fly.swatted:
                fly.y -= 20
                if r() > 0.1:
                    dy = round_half_away(4 * r() - 2)
                    dx = round_half_away(4 * r() - 2)
                    self.add_particle(fly.x + dx, fly.y + dy)
                if fly.y < FIELD_BOTTOM:
                    self.flies[slot] = None
                continue
            if fly.target_speed > fly.speed:
                fly.speed += 0.1
            elif fly.target_speed < fly.speed:
                fly.speed -= 0.1
            if fly.ticks == 30:
                turn = r()
                for limit, rate in ((0.925, 0.6), (0.85, -0.6), (0.75, 0.4), (0.65, -0.4),
                                    (0.55, 0.2), (0.45, -0.2), (0.3, 0.1), (0.15, -0.1)):
                    if turn >= limit:
                        fly.turn_rate = rate
                        break
                if fly.speed < 6.0:
                    fly.turn_rate *= 0.6
                choice = r()
                if choice >= 0.65:
                    fly.target_speed += 3.0
                elif choice >= 0.45:
                    fly.target_speed = -3.0
                if fly.target_speed <= 6.0:
                    if r() >= 0.5:
                        fly.target_speed += 6.0
                elif fly.target_speed > 18.0:
                    fly.target_speed = 18.0
                fly.ticks = 0
            if fly.speed < 0:
                fly.speed = 0.0
            fly.x += round_half_away(math.cos(fly.heading) * fly.speed)
            fly.y += round_half_away(math.sin(fly.heading) * fly.speed)
            fly.heading += fly.turn_rate
            fly.heading -= 2 * math.trunc(fly.heading / 6.28) * 3.14
            fly.ticks += 1
            hw, hh = fly.width // 2, fly.height // 2
            if fly.x - hw < FIELD_LEFT:
                fly.x = hw + FIELD_LEFT
                fly.heading = 0.0 if r() > 0.3 else fly.heading - 2 * (fly.heading - 1.57)
            elif fly.x + hw > FIELD_RIGHT:
                fly.x = FIELD_RIGHT - hw
                fly.heading = 3.14 if r() > 0.3 else fly.heading - 2 * (fly.heading - 1.57)
            elif fly.y + hh > FIELD_TOP:
                fly.y = FIELD_TOP - hh
                fly.heading = 4.71 if r() > 0.3 else fly.heading - 2 * (fly.heading - 3.14)
            elif fly.y - hh < FIELD_BOTTOM:
                fly.y = hh + FIELD_BOTTOM
                fly.heading = 1.57 if r() > 0.3 else fly.heading - 2 * (fly.heading - 3.14)

    def swat(self, sx, sy):
        # The fly reaches its full width and height around its centre, the swatter half of its.
        hits = 0
        for fly in self.flies:
            if fly is None:
                continue
            if (fly.x - fly.width <= sx + 15 and fly.x + fly.width >= sx - 15
                    and fly.y - fly.height <= sy + 15 and fly.y + fly.height >= sy - 15):
                fly.swatted = True
                hits += 1
        return hits


# ---- The game ----------------------------------------------------------------------------------


class Game:
    def __init__(self, log):
        self.log = log
        self.world = World()
        self.playing = False
        self.ended = False
        self.score = self.ticks = self.level = self.swings = self.spree = self.last = 0
        self.swatter_x = self.swatter_y = 0
        self.cooldown = 0

    # One event, as the title loop or the play loop takes it.
    def event(self, kind, x=0, y=0):
        if not self.playing:
            if kind == "mouse":
                self.playing = True
            elif kind == "quit":
                self.ended = True
            else:
                self.draw_title()
            return
        if kind == "mouse":
            if -299 < x < -233 and 227 < y < 247:
                self.world.spawn()
            elif self.cooldown == 0:
                self.swatter_x, self.swatter_y = x, y
                self.cooldown = 25
                self.swings += 1
                hits = self.world.swat(x, y)
                self.last = hits
                self.score += hits
                self.level = (self.score + 10) // 20
                self.spree = self.spree + hits if hits > 0 else 0
        elif kind == "tick":
            self.world.step()
            self.world.age_particles()
            self.ticks += 1
            if self.cooldown > 0:
                self.cooldown -= 1
            if self.world.count() < 2 * self.level + 2:
                self.world.spawn()
        self.draw_frame()
        if kind == "quit":
            self.ended = True

    def draw_title(self):
        log = self.log
        log.rectangle(0, -300, -250, 300, 250, 0)
        log.circle(2, 0, 100, 70)
        log.text(0, -39, 27, "Z")
        log.text(1, -260, -50, "D O V U V E Z U V I R")
        log.text(1, -90, -110, "\"Swat 'em all!\"")
        log.text(1, -125, -240, "Click the mouse to continue.")

    def draw_frame(self):
        log = self.log
        # The playfield: the field, 12 columns of 9 tile outlines, the top bar.
        log.rectangle(1, -300, -250, 300, 226, 0)
        for x in range(-300, 300, 50):
            for y in range(-250, 226, 55):
                log.rectangle(23, x, y, x + 50, y + 55, 1)
        log.rectangle(0, -300, 226, 300, 250, 0)
        # The spawn button.
        log.rectangle(2, -299, 247, -233, 227, 1)
        log.text(1, -289, 231, "Spawn fly")
        for particle in self.world.particles:
            if particle is not None:
                log.circle(2, particle.x, particle.y, round_half_away(particle.life))
        for fly in self.world.flies:
            if fly is not None:
                self.draw_fly(fly)
        self.draw_swatter()
        self.draw_hud()

    def draw_fly(self, fly):
        log = self.log
        x, y = fly.x, fly.y
        log.circle(22, x, y - 4, 8)
        log.circle(22, x, y, 8)
        log.oval(23, x - 8, y - 5, x + 8, y + 9, 0)
        log.oval(22, x - 8, y - 5, x + 8, y + 9, 1)
        eye = 4 if fly.swatted else 2
        log.circle(2, x - 4, y + 2, eye)
        log.circle(2, x + 4, y + 2, eye)
        if fly.ticks % 2 == 1:
            wings = [((-8, -3), (-16, -3), (-16, 3)), ((-8, -7), (-8, -3), (-16, -3)),
                     ((8, -3), (16, -3), (16, 3)), ((8, -7), (8, -3), (16, -3))]
        else:
            wings = [((-8, -3), (-16, -3), (-16, -10)), ((-8, 0), (-8, -3), (-16, -3)),
                     ((8, -3), (16, -3), (16, -10)), ((8, 0), (8, -3), (16, -3))]
        for wing in wings:
            log.triangle(23, [(x + dx, y + dy) for dx, dy in wing])
        log.line(22, x - 4, y + 7, x - 8, y + 10, 2)
        log.line(22, x + 4, y + 7, x + 8, y + 10, 2)
        log.line(22, x - 4, y - 10, x - 8, y - 14, 2)
        log.line(22, x + 4, y - 10, x + 8, y - 14, 2)

    def draw_swatter(self):
        log = self.log
        x, y = self.swatter_x, self.swatter_y
        phase = self.cooldown // 5
        bottom = y - 15
        if phase in (0, 4):
            top, rows, columns, handle = y + 15, range(3, 28, 3), range(3, 28, 3), y - 45
        elif phase in (1, 3):
            top, rows, columns, handle = bottom + 15, range(2, 14, 2), range(3, 28, 2), bottom - 15
        elif phase == 2:
            top, rows, columns, handle = bottom + 10, range(2, 9, 2), range(3, 28, 2), bottom - 10
        else:
            return
        for k in rows:
            log.line(4, x - 15, bottom + k, x + 15, bottom + k, 1)
        for k in columns:
            log.line(4, x - 15 + k, bottom, x - 15 + k, top, 1)
        log.rectangle(8, x - 15, bottom, x + 15, top, 3)
        log.line(8, x, bottom, x, handle, 3)

    def draw_hud(self):
        log = self.log
        for x, label, value in ((-100, "Score", self.score), (-40, "Time", self.ticks // 40),
                                (20, "Level", self.level), (80, "Swings", self.swings),
                                (150, "Spree", self.spree), (210, "Last", self.last)):
            log.text(1, x, 231, "%s: %d" % (label, value))
        for least, text, x, y in ((25, "GODLIKE!", -240, -80), (20, "Unstoppable!", -90, -20),
                                  (15, "Rampage!", -70, -20), (10, "Dominating!", -85, -20),
                                  (5, "Killing Spree!", -90, -20)):
            if self.spree >= least:
                log.text(2, x, y, text)
                break
        announcements = {2: ("Double Kill!", -80, 20), 3: ("Multi Kill!", -60, 20),
                         4: ("Ultra Kill!", -60, 20)}
        if self.last in announcements:
            text, x, y = announcements[self.last]
            log.text(2, x, y, text)
        elif self.last >= 5:
            log.text(2, -270, 30, "MONSTER KILL!")


# ---- Scripts -----------------------------------------------------------------------------------


def numbers(text, signed):
    """The runs of digits (and, when signed, '-') from the kind letter on, converted."""
    runs, run = [], ""
    for c in text[6:]:
        if c.isdigit() or (signed and c == "-"):
            run += c
        elif run:
            runs.append(run)
            run = ""
    if run:
        runs.append(run)
    values = []
    for run in runs:
        digits = run[1:] if run.startswith("-") else run
        digits = digits.split("-")[0]
        if not digits:
            values.append(None)
        else:
            values.append(-int(digits) if run.startswith("-") else int(digits))
    return values


def script_events(data):
    """The events of a script, in order, and whether it ended at its end (not at a bad line)."""
    lines = data.split(b"\n")
    complete = lines[:-1]  # a last line without its line feed is not played
    events = []
    for raw in complete:
        line = raw.decode("latin-1")
        if line.endswith("\r"):
            line = line[:-1]
        if line == "":
            continue
        kind = line[6] if len(line) > 6 else ""
        if kind == "M":
            values = numbers(line, True)
            if len(values) < 2 or None in values[:2]:
                return events, False
            events.append(("mouse", values[0], values[1]))
        elif kind == "K":
            values = numbers(line, True)
            if not values or values[0] is None:
                return events, False
            events.append(("key", 0, 0))
        elif kind == "P":
            values = numbers(line, False)
            if not values:
                return events, False
            events.extend([("tick", 0, 0)] * max(values[0], 1))
        else:
            return events, False
    return events, True


def expected_log(script_path, trace=False):
    with open(script_path, "rb") as f:
        events, reached_end = script_events(f.read())
    log = Log()
    log.on = trace
    game = Game(log)
    for kind, x, y in events:
        game.event(kind, x, y)
        if game.ended:
            return log.lines
    if reached_end:
        log.message("EOF encountered in script file %s" % script_path)
    log.on = True
    game.event("quit")
    return log.lines


# ---- The golden scripts ------------------------------------------------------------------------


class ScriptWriter:
    """Writes a script while playing it through a model game, so clicks can be aimed at flies."""

    def __init__(self):
        self.lines = []
        self.game = Game(Log())
        self.game.log.on = False
        self.pending_ticks = 0

    def flush(self):
        if self.pending_ticks:
            self.lines.append("VELDO_PERIODIC(%d);" % self.pending_ticks)
            self.pending_ticks = 0

    def ticks(self, count):
        for _ in range(count):
            self.game.event("tick")
        self.pending_ticks += count

    def click(self, x, y):
        self.flush()
        self.game.event("mouse", x, y)
        self.lines.append("VELDO_MOUSE(%d, %d);" % (x, y))

    def key(self, code):
        self.flush()
        self.game.event("key")
        self.lines.append("VELDO_KBD(%d);" % code)

    def spawn_button(self):
        self.click(-266, 237)

    def flying(self):
        return [fly for fly in self.game.world.flies if fly is not None and not fly.swatted]

    def best_swing(self):
        """The swing over a flying fly's centre that hits the most flying flies."""
        best = None
        for fly in self.flying():
            hits = sum(1 for other in self.flying()
                       if abs(other.x - fly.x) <= 45 and abs(other.y - fly.y) <= 45)
            if best is None or hits > best[0]:
                best = (hits, fly.x, fly.y)
        return best

    def text(self):
        self.flush()
        return "".join(line + "\n" for line in self.lines)


def golden_scripts():
    scripts = {}

    # The first flies: the title for a second, a key, the click that starts play, and a second and
    # a half of flight (two flies spawn, then wander and meet the walls).
    w = ScriptWriter()
    w.ticks(40)
    w.key(97)
    w.click(17, -42)
    w.ticks(35)
    w.key(-23)
    w.ticks(30)
    scripts["first-flies"] = w.text()

    # A hit: a fly is swatted, falls and sheds debris; a click during the cooldown is ignored, the
    # spawn button adds a fly anyway, and the replay ends in the middle of the next swing's
    # cooldown (the third of the net).
    w = ScriptWriter()
    w.click(0, 0)
    w.ticks(20)
    _, x, y = w.best_swing()
    w.click(x + 20, y - 30)
    w.ticks(6)
    w.click(100, 100)
    w.spawn_button()
    w.ticks(30)
    w.click(-200, 150)
    w.ticks(12)
    scripts["swat"] = w.text()

    # A spree: rounds of spawning flies with the button and swinging where most of them are, through
    # the levels and every spree announcement; the last round spawns a crowd for a multi-kill of
    # five, and the replay ends in that swing's cooldown with both announcements up.
    w = ScriptWriter()
    w.click(-100, 200)
    w.ticks(5)
    for round_number in range(11):
        for _ in range(3 + round_number % 4 + (11 if round_number == 10 else 0)):
            w.spawn_button()
        _, x, y = w.best_swing()
        w.click(x, y)
        w.ticks(25 + round_number if round_number < 10 else 13)
    scripts["spree"] = w.text()

    # An unreadable line ends playback: the lines after it are never played.
    w = ScriptWriter()
    w.click(5, 5)
    w.ticks(50)
    scripts["bad-line"] = w.text() + "VELDO_NOTE(1);\nVELDO_MOUSE(0, 0);\nVELDO_PERIODIC(500);\n"
    return scripts


def make():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "golden")
    os.makedirs(here, exist_ok=True)
    os.chdir(here)
    for name, text in golden_scripts().items():
        with open(name + ".scr", "w", newline="\n") as f:
            f.write(text)
        with open(name + ".log", "w", newline="\n") as f:
            f.write("".join(expected_log(name + ".scr")))
        if name == "swat":
            with open(name + ".trace.log", "w", newline="\n") as f:
                f.write("".join(expected_log(name + ".scr", trace=True)))


def main(argv):
    if len(argv) >= 3 and argv[1] == "log" and argv[3:] in ([], ["--trace"]):
        sys.stdout.write("".join(expected_log(argv[2], trace=argv[3:] == ["--trace"])))
        return 0
    if argv[1:] == ["make"]:
        make()
        return 0
    sys.stderr.write("usage: model.py log SCRIPT [--trace] | model.py make\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
