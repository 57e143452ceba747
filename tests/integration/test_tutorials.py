"""The three tutorials played headless from the start screen to their ending with scripted keys and mouse,
their waiting messages and refusals, the Russian script, the greetings and the donate screen."""
import os
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor

from harness import Checks, make_install, run, run_reports

checks = Checks()
FRAME = 20  # ms: 3000 ms of holding is exactly 150 frames
# The tutorial prompt runs out by itself and the tutorial starts about 19.5 s into the run.
install = make_install()


def probe(game, script, at, inst=None, extra=()):
    """The report of a run of `script` closed at game time `at`."""
    _, _, report = run(game, inst or install, script="\n".join(script) + "\n", quit_at=at, frame_ms=FRAME,
                       extra=list(extra))
    return report


def probe_fresh(game, script, at):
    """probe() in a scratch installation of its own, for runs side by side."""
    inst = make_install()
    try:
        return probe(game, script, at, inst=inst)
    finally:
        shutil.rmtree(inst, ignore_errors=True)


def screen_pos(report, k):
    """Screen position of atom k: the glass is shown 96 px right and 48 px up."""
    return float(report[f"atom_{k}_x"]) + 96, float(report[f"atom_{k}_y"]) - 48


def move(script, p0, p1, t, steps=10, dt=60):
    for i in range(1, steps + 1):
        t += dt
        script.append(f"{t} mouse {p0[0] + (p1[0] - p0[0]) * i / steps:.0f} {p0[1] + (p1[1] - p0[1]) * i / steps:.0f}")
    return t


def drag(game, script, a, b, t, lift):
    """Picks block a up at time t and brings it onto block b (over the top when lift); returns the release
    time. Positions come from a run up to the moment they are needed."""
    r = probe(game, script, t)
    pa, pb = screen_pos(r, a), screen_pos(r, b)
    script += [f"{t} mouse {pa[0]:.0f} {pa[1]:.0f}", f"{t + 100} button left down"]
    t += 100
    last = pa
    if lift:
        t = move(script, pa, (pa[0], 80), t)
        t = move(script, (pa[0], 80), (pb[0], 80), t)
        pb = screen_pos(probe(game, script, t + 200), b)
        last = (pb[0], pb[1] - 40)
        t = move(script, (pb[0], 80), last, t + 200)
        pb = screen_pos(probe(game, script, t + 300), b)
        t = move(script, last, pb, t + 300, steps=1)
    else:
        t = move(script, pa, pb, t, steps=20, dt=50)
    t += 600
    script.append(f"{t} button left up")
    return t


def click(script, t, x=240, y=100, double=False):
    script += [f"{t} mouse {x} {y}", f"{t} button left down", f"{t + 40} button left up"]
    if double:
        script += [f"{t + 100} button left down", f"{t + 140} button left up"]


# ---- Shapes -------------------------------------------------------------------------------------------
# The way through the tutorial is built up event by event; the side paths (a wrong block, releasing early,
# dropping block 3) branch off it. Positions come from runs up to the moment they are needed, and the main
# way is checked at the end by one run that reports at every moment of interest.
S = []
expect = []  # (time, check on the report at that time)


def at(t, key, value, text):
    expect.append((t, lambda r: checks.equal(r.get(key), value, text)))


at(24000, "message", "Click on the screen to continue", "shapes: the tutorial waits for a click")
at(24000, "tutorial_step", "1", "shapes: step 1, nothing may be added")
click(S, 25000)
at(27000, "message", "Double click on the screen", "shapes: a click in the glass thanks and goes on")
at(27000, "tutorial_step", "2", "shapes: the double-click message lets pieces be asked for")
click(S, 28000, double=True)
at(30000, "message", "Blocks were added!", "shapes: the first piece came")
at(30000, "tutorial_step", "3", "shapes: the piece moved the step to 3")
expect.append((30000, lambda r: checks.equal([r.get(f"atom_{k}_colour") for k in range(3)], ["0", "2", "2"],
                                             "shapes: the first piece is fixed")))

# Message 5: clicking another block picks nothing up.
r = probe("shapes", S, 35000)
checks.equal(r.get("message"), "Pick up this block", "shapes: pick up block 0")
p0, p2 = screen_pos(r, 0), screen_pos(r, 2)
wrong = S + [f"35000 mouse {p2[0]:.0f} {p2[1]:.0f}", "35100 button left down"]
r = probe("shapes", wrong, 35500)
checks.equal(r.get("grabbed_atom"), "-1", "shapes: a block other than block 0 is refused")
checks.equal(r.get("message"), "Pick up this block", "shapes: and the message waits")

# Message 6: releasing too soon, after exactly 3000 ms, and after more.
HOLD = S + [f"36000 mouse {p0[0]:.0f} {p0[1]:.0f}", "36100 button left down"]
R = run_reports("shapes", install, "\n".join(HOLD + ["37000 button left up"]) + "\n", [36980, 37300, 40200],
                frame_ms=FRAME)
checks.equal(R[36980].get("message"), "Very well! (3)", "shapes: block 0 held, the count starts")
checks.equal(R[37300].get("message"), "Dont drop blocks too soon", "shapes: dropped too soon")
checks.equal(R[40200].get("message"), "Pick up this block", "shapes: too soon leads back to picking up")
# The hold counts from the frame after the pick-up; find the release frame that makes it exactly 3000 ms.
releases = list(range(39020, 39201, FRAME))
with ThreadPoolExecutor(max_workers=4) as pool:
    outcomes = list(pool.map(
        lambda t: (t, probe_fresh("shapes", HOLD + [f"{t} button left up"], t + 400)["message"]),
        releases))
kinds = [m for _, m in outcomes]
exact = [t for t, m in outcomes if m == "Very well! (0)"]
checks.equal(len(exact), 1, f"shapes: exactly one release time leaves the count at 3000 ms: {outcomes}")
if exact:
    i = kinds.index("Very well! (0)")
    checks.expect(all(m == "Dont drop blocks too soon" for m in kinds[:i]), f"shapes: earlier releases punish {kinds}")
    checks.expect(all(m in ("Blocks are moving to the cursor!", "Add more blocks") for m in kinds[i + 1:]),
                  f"shapes: later releases go on {kinds}")
    stay = HOLD + [f"{exact[0]} button left up"]
    r = probe("shapes", stay, exact[0] + 3000)
    checks.equal(r.get("message"), "Very well! (0)", "shapes: released at exactly 3000 ms the message stays")
S += [f"36000 mouse {p0[0]:.0f} {p0[1]:.0f}", "36100 button left down", "39500 button left up"]
at(42000, "message", "Add more blocks", "shapes: held long enough, more blocks are asked for")
at(42000, "tutorial_step", "4", "shapes: step 4")
click(S, 42200, double=True)
at(43200, "message", "There are two shapes on the screen!", "shapes: the second piece came")
at(43200, "shapes_on_board", "2", "shapes: two pieces on the board")
expect.append((43200, lambda r: checks.equal([r.get(f"atom_{k}_colour") for k in (3, 4, 5)], ["2", "0", "0"],
                                             "shapes: the second piece is fixed")))

# Message 13: dropping block 3 away from block 0 passes through 15 to "Dont drop the block!" and back to 12.
r = probe("shapes", S, 50000)
checks.equal(r.get("message"), "Take this block and ... ", "shapes: take block 3 (with its trailing blank)")
p3 = screen_pos(r, 3)
drop = S + [f"50000 mouse {p3[0]:.0f} {p3[1]:.0f}", "50100 button left down", "50600 button left up"]
R = run_reports("shapes", install, "\n".join(drop) + "\n", [50400, 50800, 54000], frame_ms=FRAME)
checks.equal(R[50400].get("message"), "and connect it to this block", "shapes: block 3 held")
checks.equal(R[50800].get("message"), "Dont drop the block!", "shapes: dropped alone")
checks.equal(R[54000].get("message"), "Take this block and ... ", "shapes: back to block 3")

t = drag("shapes", S, 3, 0, 50000, lift=False)
at(t + 300, "message", "Blocks were swaped!", "shapes: the swap of blocks 3 and 0 completed both pieces")
at(t + 300, "shapes_on_board", "0", "shapes: no piece left on the board")
at(62000, "message", "Let us add more blocks!", "shapes: four more pieces are asked for")
at(66000, "tutorial_step", "7", "shapes: the fourth extra piece moved the step to 7")
at(66000, "shapes_on_board", "4", "shapes: four pieces on the board")
at(66000, "message", "There are even more shapes now!", "shapes: and the script goes on")

# Message 25: the failed swap of blocks 2 and 5 costs a mistake when the counter stops blinking.
at(84000, "message", "Swap these blocks", "shapes: swap blocks 2 and 5")
t = drag("shapes", S, 5, 2, 84000, lift=True)
at(t + 1000, "message", "Swap these blocks", "shapes: the message waits while the counter blinks")
expect.append((t + 1000, lambda r: checks.equal(r.get("mistakes_allowed"), R_BEFORE.get("mistakes_allowed"),
                                                "shapes: the mistake is not yet taken off")))
at(t + 2500, "message", "This move was unsuccessful!", "shapes: the failed swap is explained")
expect.append((t + 2500, lambda r: checks.equal(int(r.get("mistakes_allowed", "0")),
                                                int(R_BEFORE.get("mistakes_allowed", "0")) - 1,
                                                "shapes: and the counter dropped by one")))
BEFORE_SWAP = 84000


def swap(script, a, b, t, route):
    """Picks block a up at time t, carries it along route(pa, pb) to block b and lets go there; returns the
    release time."""
    r = probe("shapes", script, t)
    pa, pb = screen_pos(r, a), screen_pos(r, b)
    script += [f"{t} mouse {pa[0]:.0f} {pa[1]:.0f}", f"{t + 100} button left down"]
    t, last = t + 100, pa
    for point in route(pa, pb):
        t = move(script, last, point, t, steps=8)
        last = point
    t += 600
    script.append(f"{t} button left up")
    return t


# The successful swaps. The held piece hangs below the held block, so each block is brought in from where
# the rest of its piece does not push the other block away first.
at(97000, "message", "Now try swaping these blocks", "shapes: now blocks 1 and 9")
t = swap(S, 1, 9, 97000, lambda pa, pb: [(pa[0], 120), (pb[0] - 52, pb[1] - 53), pb])
at(t + 1500, "message", "Well done!", "shapes: the swap of 1 and 9 completed a piece")
at(t + 1500, "shapes_on_board", "3", "shapes: three pieces left")
at(t + 9000, "message", "Remaining unsuccessful moves", "shapes: the counter of unsuccessful moves is shown")
at(120000, "message", "Make this move", "shapes: now blocks 6 and 8")
t = swap(S, 6, 8, 120500, lambda pa, pb: [(pa[0], 120), (pb[0] + 76, pb[1] - 107), (pb[0] + 46, pb[1] - 67), pb])
at(t + 1500, "message", "This is the games progress", "shapes: the swap of 6 and 8 completed a piece")
at(t + 1500, "shapes_on_board", "2", "shapes: two pieces left")
at(132000, "message", "Make this final move", "shapes: now blocks 4 and 10")
t = swap(S, 4, 10, 132500, lambda pa, pb: [(pa[0], 100), (pb[0], 100), pb])
at(t + 1000, "message", "All right! That's all!", "shapes: the swap of 4 and 10 completed both pieces")
at(t + 1000, "shapes_on_board", "0", "shapes: the glass holds no piece")
at(t + 5500, "message", "Finally ...", "shapes: finally")
at(t + 5500, "tutorial_step", "10", "shapes: seven random pieces are asked for")
at(144000, "message", "Press the screen for a few seconds", "shapes: all seven came")
at(144000, "tutorial_step", "11", "shapes: step 11")
at(144000, "shapes_on_board", "7", "shapes: seven pieces on the board")
# Message 39: holding the button on empty glass brings vision mode after 750 ms.
S += ["145000 mouse 240 40", "145100 button left down", "147100 button left up"]
at(145800, "message", "Press the screen for a few seconds", "shapes: the outlines are not yet fully shown")
at(146000, "message", "This is vision mode to help make", "shapes: vision mode passes message 39")
at(154000, "message", "Thank you! Win the game!", "shapes: the last words")
at(158000, "tutorial_step", "-1", "shapes: the tutorial ended")
at(158000, "score", "0", "shapes: the game starts again from 0")
at(158000, "message", "", "shapes: the script is no longer shown")
at(158000, "atoms_in_use", "0", "shapes: with an empty glass")

R = run_reports("shapes", install, "\n".join(S) + "\n", sorted({t for t, _ in expect} | {BEFORE_SWAP}),
                frame_ms=FRAME)
R_BEFORE = R[BEFORE_SWAP]
for t, check in expect:
    check(R[t])

# ---- Chains -------------------------------------------------------------------------------------------
C = ["26000 key space down", "26100 key space up"]
R = run_reports("chains", install, "\n".join(C + ["31000 key space down", "31300 key space up"]) + "\n",
                [27000, 34000], frame_ms=FRAME)
checks.equal(R[27000].get("message"), "to add blocks!", "chains: Space added the first piece")
checks.equal(R[27000].get("tutorial_step"), "3", "chains: step 3")
checks.equal([R[27000].get(f"atom_{k}_colour") for k in range(4)], ["0", "2", "0", "2"], "chains: the fixed square")
# Message 4: Space alone does not pass it; an arrow does.
checks.equal(R[34000].get("message"), "Press Arrowkeys and Ctrl-Alt keys", "chains: Space alone does not pass message 4")
checks.equal(R[34000].get("atoms_in_use"), "4", "chains: nor adds a piece while adding waits")
C += ["31000 key left down", "31300 key left up"]
R = run_reports("chains", install, "\n".join(C) + "\n", [32000, 43000, 50000, 64000], frame_ms=FRAME)
checks.equal(R[32000].get("message"), "and just do whatever you want ", "chains: an arrow passes it (trailing blank kept)")
checks.equal(R[43000].get("message"), "Connect blocks of the same color", "chains: connect blocks")
checks.equal(R[43000].get("tutorial_step"), "7", "chains: the requested bar came and moved the step to 7")
checks.equal(R[50000].get("message"), "Grow chains and they will be removed", "chains: a chain of three passed message 7")
checks.equal(R[64000].get("tutorial_step"), "-1", "chains: the tutorial ended")
checks.equal(R[64000].get("score"), "0", "chains: the game starts again from 0")
checks.equal(R[64000].get("message"), "", "chains: the script is no longer shown")

# ---- Cubes --------------------------------------------------------------------------------------------
K = ["26000 key space down", "26100 key space up", "31000 key left down", "31300 key left up",
     "42000 key space down", "60000 key space up"]
# Sixty removals a level, so that level ups come while the tutorial runs (the shipped first level asks
# for far more).
cubes_install = make_install()
with open(os.path.join(cubes_install, "settings", "setup_0.xml"), "w", encoding="utf-8") as file:
    file.write('<?xml version="1.0" encoding="UTF-8"?>\n<settings gendata="0">\n'
               '    <A_AVAILABLE_COLORS value="8" />\n    <A_REMOVES value="60" />\n'
               '    <A_FREEZE_TIME value="12000" />\n    <A_DUMP_TIME value="3500" />\n</settings>\n')
R = run_reports("cubes", cubes_install, "\n".join(K) + "\n",
                [41980] + list(range(43000, 56001, 1000)) + list(range(76000, 96001, 1000)), frame_ms=FRAME)
checks.equal(R[41980].get("message"), "Hold on space!!!", "cubes: hold on space")
checks.equal(R[41980].get("tutorial_step"), "12", "cubes: Space adds pieces freely")
waiting = passed = 0
for t in range(43000, 56001, 1000):
    score, message = int(R[t].get("score", "0")), R[t].get("message")
    if message == "Hold on space!!!":
        waiting += 1
        checks.expect(score <= 6000, f"cubes: at {t} ms the score {score} is above 6000 but the script waits")
    else:
        passed += 1
        checks.expect(score > 6000, f"cubes: at {t} ms the script went on at a score of {score}")
checks.expect(waiting > 0 and passed > 0, f"cubes: the script waited ({waiting}) and then went on ({passed})")
ended = [t for t in range(76000, 96001, 1000) if R[t].get("tutorial_step") == "-1"]
checks.expect(len(ended) > 0, "cubes: the tutorial ended")
if ended:
    r = R[ended[0]]
    checks.equal(r.get("score"), "0", f"cubes: the score went back to 0 (at {ended[0]} ms)")
    checks.equal(r.get("message"), "", "cubes: the script is no longer shown")
    # A level up came during the tutorial: the script waited for its display and went on where it was.
    checks.expect(int(r.get("level", "0")) >= 1, f"cubes: the level reached in the tutorial is kept ({r.get('level')})")

# ---- Russian ------------------------------------------------------------------------------------------
shutil.rmtree(cubes_install, ignore_errors=True)
russian = make_install()
with open(os.path.join(russian, "version.xml"), "w", encoding="utf-8") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n<profile>\n    <current_language value="RU" />\n'
            '    <current_version value="1.0.0" />\n</profile>\n')
r = probe("shapes", [], 24000, inst=russian)
checks.equal(r.get("message"), "Кликните по экрану для продолж.", "russian: the same script in Russian")
r = probe("chains", ["26000 key space down", "26100 key space up"], 31000, inst=russian)
checks.equal(r.get("message"), "Нажимайте Стрелки и кнопки Ctrl-Alt", "russian: chains in Russian")
# The start screen greets on the holidays of the language.
r = probe("shapes", [], 12500, inst=russian, extra=["--date", "2027-01-02"])
checks.equal(r.get("message"), "С Новым Годом!!!", "russian: happy new year on 2 January")
r = probe("shapes", [], 17500, inst=russian, extra=["--date", "2027-01-02"])
checks.equal(r.get("message"), "Играет песня @ Deck the halls @!", "russian: then the song line")
r = probe("shapes", [], 12500, inst=russian, extra=["--date", "2026-12-25"])
checks.expect(r.get("message", "").startswith("Пробел: пропустить обучение"),
              f"russian: no greeting on 25 December: {r.get('message')!r}")
r = probe("shapes", [], 12500, extra=["--date", "2026-12-25"])
checks.equal(r.get("message"), "Merry christmas!!!", "english: merry christmas on 25 December")
shutil.rmtree(russian, ignore_errors=True)

# ---- The donate screen --------------------------------------------------------------------------------
SKIP = ["12000 key space down", "12100 key space up"]
ESCAPE = ["16000 key escape down", "16100 key escape up"]
shot = os.path.join(install, "donate.png")
code, err, r = run("shapes", install, script="\n".join(SKIP + ESCAPE + ["17500 mouse 230 160",
                   "17600 button left down", "17650 button left up"]) + "\n", quit_at=19000, frame_ms=FRAME,
                   extra=["--shot", f"18000:{shot}"])
checks.equal(code, 0, "donate: a normal end")
checks.equal(r.get("screen"), "donate", "donate: Escape after the start screen shows the donate screen")
checks.expect(os.path.exists(shot), "donate: screenshot")
checks.expect("open web page" not in err, "donate: without a web host the button opens nothing")
# With a service but no web host built in, the button opens the page on the service's host. (Port 1 refuses
# the connection at once, so the online features give up quickly.)
os.environ["PELORINA_SERVICE"] = "127.0.0.1:1"
try:
    code, err, r = run("shapes", install, script="\n".join(SKIP + ESCAPE + ["17500 mouse 230 160",
                       "17600 button left down", "17650 button left up"]) + "\n", quit_at=19000, frame_ms=FRAME,
                       extra=["--shot", f"18000:{install}/donate-button.png"])
finally:
    del os.environ["PELORINA_SERVICE"]
checks.expect("open web page: http://127.0.0.1/donate.html" in err,
              f"donate: the page on the service's host opens: {err.strip()!r}")
code, err, r = run("shapes", install, script="\n".join(SKIP + ["16000 quit"]) + "\n", quit_at=19000,
                   frame_ms=FRAME)
checks.equal(r.get("screen"), "game", "donate: closing the window ends at once")
code, err, r = run("shapes", install, script="\n".join(["12000 key escape down", "12100 key escape up"]) + "\n",
                   quit_at=19000, frame_ms=FRAME)
checks.equal(r.get("screen"), "start", "donate: Escape on the start screen ends at once")
r = probe("shapes", SKIP + ESCAPE + ["17000 key escape down", "17100 key escape up"], 19000)
checks.expect(int(r.get("game_clock_ms", "0")) < 18000, f"donate: a fresh Escape leaves it ({r.get('game_clock_ms')})")

shutil.rmtree(install, ignore_errors=True)
checks.finish()
