"""Cubes, headless: a game played with Space, the arrows, Ctrl and Alt until the glass overflows, the records
screen with a typed name and the table on disk; then a game with three colours and a short freeze time in
which groups vanish, blocks freeze and levels are won."""
import os
import shutil
import struct

from harness import Checks, make_install, run

checks = Checks()
SKIP_AT = 12000  # just after the splash: space skips the tutorial
FRAME_MS = 50
KEYS = ["left", "ctrl", "right", "alt", "down", "up"]


def play(until, space_every):
    """Space adds a piece every so often; between pieces one of the steering keys is held a while."""
    script = [f"{SKIP_AT} key space down", f"{SKIP_AT + 100} key space up"]
    t = SKIP_AT + 1500
    n = 0
    while t < until:
        script += [f"{t} key space down", f"{t + 60} key space up"]
        key = KEYS[n % len(KEYS)]
        script += [f"{t + 100} key {key} down", f"{t + space_every - 100} key {key} up"]
        t += space_every
        n += 1
    return script


# 1. Pieces come fast for a minute; then the dump clock alone adds a piece every 3 s onto the pile until
# the glass overflows, and the records screen asks for a name.
PLAY_END = 60000
OVER_BY = 200000
install = make_install()
# Eight colours freezing after 12 s fill the glass within minutes (the shipped curve, three colours, keeps
# a glass open far longer than this test should run).
with open(os.path.join(install, "settings", "setup_0.xml"), "w", encoding="utf-8") as file:
    file.write('<?xml version="1.0" encoding="UTF-8"?>\n<settings gendata="0">\n'
               '    <A_AVAILABLE_COLORS value="8" />\n    <A_REMOVES value="60" />\n'
               '    <A_FREEZE_TIME value="12000" />\n    <A_DUMP_TIME value="3500" />\n</settings>\n')
script = play(PLAY_END, 350)
status, stderr, report = run("cubes", install, script="\n".join(script) + "\n", quit_at=OVER_BY,
                             frame_ms=FRAME_MS, extra=["--shot", f"30000:{install}/filling.png"])
checks.equal(status, 0, "the game ends normally")
checks.equal(stderr.strip(), "", "nothing on stderr")
checks.equal(report.get("variant"), "cubes", "the cubes program")
checks.equal(report.get("game_over"), "1", "the glass overflowed")
checks.equal(report.get("screen"), "records", "the records screen follows the game over")
checks.equal(report.get("player_place"), "0", "the first score of an empty table takes the first place")
checks.expect(report.get("message", "").startswith("Your name: "), f"name entry: {report.get('message')!r}")
spawned = int(report.get("pieces_spawned", "0"))
checks.expect(spawned >= 15, f"Space added pieces: {spawned}")
score = int(report.get("score", "0"))
checks.expect(score > 0, f"the game scored: {score}")
# Reading the next level's settings at a level up is the only allocation play may make.
level = int(report.get("level", "0"))
allocations = int(report.get("frame_allocations", "-1"))
checks.expect(allocations == 0 if level == 0 else 0 <= allocations <= 4 * level,
              f"heap allocations in play: {allocations} with {level} level ups")
checks.expect(os.path.exists(os.path.join(install, "filling.png")), "screenshot during play")

# The same game again, then a name and Enter: the table is saved with the game's score.
t = OVER_BY + 500
for letter in "cube":
    script += [f"{t} key {letter} down", f"{t + 50} key {letter} up"]
    t += 200
script += [f"{t} key enter down", f"{t + 50} key enter up"]
status, _, report = run("cubes", install, script="\n".join(script) + "\n", quit_at=t + 3000,
                        frame_ms=FRAME_MS, extra=["--shot", f"{t - 100}:{install}/records.png"])
checks.equal(status, 0, "the second run ends normally")
checks.equal(report.get("score"), str(score), "the same game again (the runs are deterministic)")
path = os.path.join(install, "records", "records_0.bin")
data = open(path, "rb").read() if os.path.exists(path) else b""
checks.equal(len(data), 20000, "the cubes table holds 1000 entries of 20 bytes")
if len(data) == 20000:
    checks.equal(data[0:16].split(b"\0")[0], b"cube", "the typed name is in the first place")
    checks.equal(struct.unpack("<i", data[16:20])[0], score, "with the score of the game")
checks.expect(not os.path.exists(os.path.join(install, "records", "records_2.bin")),
              "the shapes table is untouched")
checks.expect(os.path.exists(os.path.join(install, "records.png")), "screenshot of the records screen")
if os.environ.get("KEEP_SHOTS"):
    print("records screen in", install)
else:
    shutil.rmtree(install)

# 2. Three colours and blocks that freeze after 12 s: groups vanish, blocks freeze, levels (three removals each) are won. (A freeze
# time shorter than a mark's 3.2 s would freeze every marked block before it could vanish.)
install = make_install()
with open(os.path.join(install, "settings", "setup_0.xml"), "w", encoding="utf-8") as file:
    file.write('<?xml version="1.0" encoding="UTF-8"?>\n<settings gendata="0">\n'
               '    <A_AVAILABLE_COLORS value="3" />\n    <A_FREEZE_TIME value="12000" />\n'
               '    <A_REMOVES value="3" />\n    <A_BONUS_PROB value="6" />\n</settings>\n')
END = 60000
shots = [(20000, "early.png"), (32000, "middle.png"), (44000, "late.png")]
extra = []
for at, name in shots:
    extra += ["--shot", f"{at}:{install}/{name}"]
status, _, report = run("cubes", install, script="\n".join(play(END, 700)) + "\n", quit_at=END,
                        frame_ms=FRAME_MS, extra=extra)
checks.equal(status, 0, "the second game ends normally")
checks.equal(report.get("screen"), "game", "still playing")
removed = int(report.get("atoms_removed", "0"))
frozen = int(report.get("frozen_atoms", "0"))
checks.expect(removed >= 6, f"groups of three vanished: {removed} blocks")
checks.expect(frozen > 0, f"resting blocks froze: {frozen}")
checks.expect(int(report.get("level", "0")) >= 1, f"levels won by removals: {report.get('level')} ({removed} removed, progress {report.get('progress')})")
checks.expect(int(report.get("score", "0")) >= 300, f"group scores: {report.get('score')}")
for _, name in shots:
    checks.expect(os.path.exists(os.path.join(install, name)), f"screenshot {name}")
if os.environ.get("KEEP_SHOTS"):
    print("screenshots in", install)
else:
    shutil.rmtree(install)
checks.finish()
