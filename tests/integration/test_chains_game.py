"""Chains played headless with the keyboard: pieces dumped with Space and steered with the arrows, Up and
Ctrl until the glass overflows, the records screen with a typed name; chains removed for points and levels
with short lines; an empty bar ending the game while the bar frame flashes its warning."""
import os
import shutil
import struct
import subprocess

from harness import Checks, make_install, run

checks = Checks()
SKIP_AT = 12000  # just after the splash: space skips the tutorial
FRAME_MS = 50


def write_settings(install, **keys):
    """The scratch install's chains settings: only the given keys over the built-in defaults, no levels."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<settings gendata="0">']
    lines += [f'    <{name} value="{value}" />' for name, value in keys.items()]
    lines.append("</settings>")
    with open(os.path.join(install, "settings", "setup_1.xml"), "w", encoding="utf-8") as file:
        file.write("\n".join(lines) + "\n")


def keyboard_play(until, steer_until):
    """Space every 350 ms; until steer_until also an arrow, Up or Ctrl press every third piece."""
    script = [f"{SKIP_AT} key space down", f"{SKIP_AT + 100} key space up"]
    t, i = SKIP_AT + 1000, 0
    while t < until:
        script += [f"{t} key space down", f"{t + 60} key space up"]
        if t < steer_until and i % 3 == 0:
            key = ["left", "right", "up", "ctrl", "alt", "down"][(i // 3) % 6]
            script += [f"{t + 100} key {key} down", f"{t + 300} key {key} up"]
        t += 350
        i += 1
    return script


def bar_frame_colour(shot):
    """Mean red and green (0..1) of the bar frame's area of a screenshot."""
    out = subprocess.run(["convert", shot, "-crop", "21x106+424+101", "+repage", "-format",
                          "%[fx:mean.r] %[fx:mean.g]", "info:"], capture_output=True, text=True).stdout
    red, green = (float(v) for v in out.split())
    return red, green


# 1. Long lines in six colours rarely complete: the glass fills up and overflows.
install = make_install()
write_settings(install, A_LINE_LEN=9, A_AVAILABLE_COLORS=6)
PLAY_END = 110000
script = keyboard_play(PLAY_END, 50000)
status, err, report = run("chains", install, script="\n".join(script) + "\n", quit_at=PLAY_END,
                          frame_ms=FRAME_MS, extra=["--shot", f"30000:{install}/play.png"])
checks.equal(status, 0, "the game ends normally")
checks.equal(report.get("variant"), "chains", "the chains program runs")
checks.equal(report.get("game_over"), "1", "the glass overflowed")
checks.equal(report.get("screen"), "records", "the records screen follows the game over")
checks.expect(int(report.get("pieces_spawned", "0")) >= 15, f"pieces came: {report.get('pieces_spawned')}")
checks.expect(int(report.get("links_in_use", "0")) > 0, f"links hold pieces and chains: {report.get('links_in_use')}")
checks.equal(report.get("player_place"), "0", "the first score of an empty table takes the first place")
checks.expect(report.get("message", "").startswith("Your name: "), f"name entry: {report.get('message')!r}")
checks.expect(os.path.exists(os.path.join(install, "play.png")), "screenshot during play")
# Pieces were steered sideways: blocks lie away from the drop point.
checks.expect(float(report.get("atoms_max_x", "0")) - float(report.get("atoms_min_x", "0")) > 100,
              f"blocks spread over the glass: {report.get('atoms_min_x')}..{report.get('atoms_max_x')}")
score = int(report.get("score", "0"))
checks.expect(score > 0, f"landing bonuses scored: {score}")

# The same game, then Space taps typed as blanks are erased, a name and Enter.
t = PLAY_END + 500
for _ in range(20):
    script += [f"{t} key backspace down", f"{t + 30} key backspace up"]
    t += 100
for letter in "zoe":
    script += [f"{t} key {letter} down", f"{t + 50} key {letter} up"]
    t += 200
script += [f"{t} key enter down", f"{t + 50} key enter up"]
status, _, report = run("chains", install, script="\n".join(script) + "\n", quit_at=t + 1000, frame_ms=FRAME_MS)
checks.equal(status, 0, "the records run ends normally")
path = os.path.join(install, "records", "records_1.bin")
data = open(path, "rb").read() if os.path.exists(path) else b""
checks.equal(len(data), 20000, "chains keeps its own table of 1000 entries of 20 bytes")
if len(data) == 20000:
    checks.equal(data[0:16].split(b"\0")[0], b"zoe", "the typed name is in the first place")
    checks.equal(struct.unpack("<i", data[16:20])[0], score, "with the score of the game")
checks.expect(not os.path.exists(os.path.join(install, "records", "records_2.bin")), "shapes' table untouched")
shutil.rmtree(install)

# 2. Lines of two in three colours: chains form at once and are removed for points, filling the bar.
install = make_install()
write_settings(install, A_LINE_LEN=2, A_AVAILABLE_COLORS=3)
status, _, report = run("chains", install, script="\n".join(keyboard_play(60000, 60000)) + "\n",
                        quit_at=60000, frame_ms=FRAME_MS, extra=["--shot", f"40000:{install}/removal.png"])
removed = int(report.get("atoms_removed", "0"))
checks.expect(removed >= 10, f"chains were removed: {removed}")
checks.expect(int(report.get("score", "0")) >= 100 * removed // 2, f"removals scored: {report.get('score')}")
checks.expect(int(report.get("level", "0")) >= 1, f"a full bar levelled up: level {report.get('level')}")
checks.equal(report.get("game_over"), "0", "still playing")
checks.expect(os.path.exists(os.path.join(install, "removal.png")), "screenshot of removals")
shutil.rmtree(install, ignore_errors=True) if not os.environ.get("KEEP") else print(install)

# 3. A low bar draining fast, no pieces: the frame flashes every 140 ms, then the empty bar ends the game.
install = make_install()
write_settings(install, A_DEFAULT_BAR_CAP=0.1, A_FALLING_VEL_0=0.5, A_DUMP_TIME=-1)
base = SKIP_AT + 1000
shots = []
for k in range(4):
    shots += ["--shot", f"{base + 70 * k}:{install}/low{k}.png"]
# On the records screen, a tap of "=" (down and up at one time) zooms the window.
script = [f"{SKIP_AT} key space down", f"{SKIP_AT + 100} key space up", f"{SKIP_AT + 29000} key equals down",
          f"{SKIP_AT + 29000} key equals up"]
status, _, report = run("chains", install, script="\n".join(script) + "\n", quit_at=SKIP_AT + 30000, frame_ms=10,
                        extra=shots)
checks.equal(report.get("game_over"), "1", "the empty bar ended the game")
checks.equal(report.get("screen"), "records", "the records screen follows")
checks.equal(report.get("zoom_step"), "1", "'=' zooms on the records screen")
checks.expect(float(report.get("bar_energy", "1")) <= 0.0001, f"the bar ran out: {report.get('bar_energy')}")
checks.equal(report.get("pieces_spawned"), "0", "no piece without Space or the dump clock")
colours = [bar_frame_colour(f"{install}/low{k}.png") for k in range(4)]
greens = sorted(green for _, green in colours)
# Shots 70 ms apart: two fall in lit halves of the 280 ms cycle and two in dark ones.
checks.expect(greens[1] < greens[2] - 0.02, f"the bar frame flashes: {colours}")
shutil.rmtree(install, ignore_errors=True) if not os.environ.get("KEEP") else print(install)
checks.finish()
