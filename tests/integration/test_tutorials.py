"""The three tutorials played headless from the start screen to their ending with scripted keys and mouse,
their waiting messages and refusals, the Russian script, the greetings and the donate screen."""
import os
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor

from harness import Checks, make_install, run

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
S = []
r = probe("shapes", S, 24000)
checks.equal(r.get("message"), "Click on the screen to continue", "shapes: the tutorial waits for a click")
checks.equal(r.get("tutorial_step"), "1", "shapes: step 1, nothing may be added")
click(S, 25000)
r = probe("shapes", S, 27000)
checks.equal(r.get("message"), "Double click on the screen", "shapes: a click in the glass thanks and goes on")
checks.equal(r.get("tutorial_step"), "2", "shapes: the double-click message lets pieces be asked for")
click(S, 28000, double=True)
r = probe("shapes", S, 30000)
checks.equal(r.get("message"), "Blocks were added!", "shapes: the first piece came")
checks.equal(r.get("tutorial_step"), "3", "shapes: the piece moved the step to 3")
checks.equal([r.get(f"atom_{k}_colour") for k in range(3)], ["0", "2", "2"], "shapes: the first piece is fixed")

# Message 5: clicking another block picks nothing up.
r = probe("shapes", S, 35000)
checks.equal(r.get("message"), "Pick up this block", "shapes: pick up block 0")
p2 = screen_pos(r, 2)
wrong = S + [f"35000 mouse {p2[0]:.0f} {p2[1]:.0f}", "35100 button left down"]
r = probe("shapes", wrong, 35500)
checks.equal(r.get("grabbed_atom"), "-1", "shapes: a block other than block 0 is refused")
checks.equal(r.get("message"), "Pick up this block", "shapes: and the message waits")

# Message 6: releasing too soon, after exactly 3000 ms, and after more.
p0 = screen_pos(r, 0)
HOLD = S + [f"36000 mouse {p0[0]:.0f} {p0[1]:.0f}", "36100 button left down"]
r = probe("shapes", HOLD, 37000)
checks.equal(r.get("message"), "Very well! (3)", "shapes: block 0 held, the count starts")
r = probe("shapes", HOLD + ["37000 button left up"], 37300)
checks.equal(r.get("message"), "Dont drop blocks too soon", "shapes: dropped too soon")
r = probe("shapes", HOLD + ["37000 button left up"], 40200)
checks.equal(r.get("message"), "Pick up this block", "shapes: too soon leads back to picking up")
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
r = probe("shapes", S, 42000)
checks.equal(r.get("message"), "Add more blocks", "shapes: held long enough, more blocks are asked for")
checks.equal(r.get("tutorial_step"), "4", "shapes: step 4")
click(S, 42200, double=True)
r = probe("shapes", S, 43200)
checks.equal(r.get("message"), "There are two shapes on the screen!", "shapes: the second piece came")
checks.equal(r.get("shapes_on_board"), "2", "shapes: two pieces on the board")
checks.equal([r.get(f"atom_{k}_colour") for k in (3, 4, 5)], ["2", "0", "0"], "shapes: the second piece is fixed")

# Message 13: dropping block 3 away from block 0 passes through 15 to "Dont drop the block!" and back to 12.
r = probe("shapes", S, 50000)
checks.equal(r.get("message"), "Take this block and ... ", "shapes: take block 3 (with its trailing blank)")
p3 = screen_pos(r, 3)
drop = S + [f"50000 mouse {p3[0]:.0f} {p3[1]:.0f}", "50100 button left down", "50600 button left up"]
checks.equal(probe("shapes", drop, 50400).get("message"), "and connect it to this block", "shapes: block 3 held")
checks.equal(probe("shapes", drop, 50800).get("message"), "Dont drop the block!", "shapes: dropped alone")
checks.equal(probe("shapes", drop, 54000).get("message"), "Take this block and ... ", "shapes: back to block 3")

t = drag("shapes", S, 3, 0, 50000, lift=False)
r = probe("shapes", S, t + 300)
checks.equal(r.get("message"), "Blocks were swaped!", "shapes: the swap of blocks 3 and 0 completed both pieces")
checks.equal(r.get("shapes_on_board"), "0", "shapes: no piece left on the board")
r = probe("shapes", S, 62000)
checks.equal(r.get("message"), "Let us add more blocks!", "shapes: four more pieces are asked for")
r = probe("shapes", S, 66000)
checks.equal(r.get("tutorial_step"), "7", "shapes: the fourth extra piece moved the step to 7")
checks.equal(r.get("shapes_on_board"), "4", "shapes: four pieces on the board")
checks.equal(r.get("message"), "There are even more shapes now!", "shapes: and the script goes on")

# Message 25: the failed swap of blocks 2 and 5 costs a mistake when the counter stops blinking.
r = probe("shapes", S, 84000)
checks.equal(r.get("message"), "Swap these blocks", "shapes: swap blocks 2 and 5")
before = int(r.get("mistakes_allowed", "0"))
t = drag("shapes", S, 5, 2, 84000, lift=True)
r = probe("shapes", S, t + 1000)
checks.equal(r.get("message"), "Swap these blocks", "shapes: the message waits while the counter blinks")
checks.equal(int(r.get("mistakes_allowed", "0")), before, "shapes: the mistake is not yet taken off")
r = probe("shapes", S, t + 2500)
checks.equal(r.get("message"), "This move was unsuccessful!", "shapes: the failed swap is explained")
checks.equal(int(r.get("mistakes_allowed", "0")), before - 1, "shapes: and the counter dropped by one")
r = probe("shapes", S, 97000)
checks.equal(r.get("message"), "Now try swaping these blocks", "shapes: now blocks 1 and 9")

# ---- Chains -------------------------------------------------------------------------------------------
C = ["26000 key space down", "26100 key space up"]
r = probe("chains", C, 27000)
checks.equal(r.get("message"), "to add blocks!", "chains: Space added the first piece")
checks.equal(r.get("tutorial_step"), "3", "chains: step 3")
checks.equal([r.get(f"atom_{k}_colour") for k in range(4)], ["0", "2", "0", "2"], "chains: the fixed square")
# Message 4: Space alone does not pass it; an arrow does.
r = probe("chains", C + ["31000 key space down", "31300 key space up"], 34000)
checks.equal(r.get("message"), "Press Arrowkeys and Ctrl-Alt keys", "chains: Space alone does not pass message 4")
checks.equal(r.get("atoms_in_use"), "4", "chains: nor adds a piece while adding waits")
C += ["31000 key left down", "31300 key left up"]
r = probe("chains", C, 32000)
checks.equal(r.get("message"), "and just do whatever you want ", "chains: an arrow passes it (trailing blank kept)")
r = probe("chains", C, 43000)
checks.equal(r.get("message"), "Connect blocks of the same color", "chains: connect blocks")
checks.equal(r.get("tutorial_step"), "7", "chains: the requested bar came and moved the step to 7")
r = probe("chains", C, 50000)
checks.equal(r.get("message"), "Grow chains and they will be removed", "chains: a chain of three passed message 7")
r = probe("chains", C, 64000)
checks.equal(r.get("tutorial_step"), "-1", "chains: the tutorial ended")
checks.equal(r.get("score"), "0", "chains: the game starts again from 0")
checks.equal(r.get("message"), "", "chains: the script is no longer shown")

# ---- Cubes --------------------------------------------------------------------------------------------
K = ["26000 key space down", "26100 key space up", "31000 key left down", "31300 key left up"]
r = probe("cubes", K, 42000)
checks.equal(r.get("message"), "Hold on space!!!", "cubes: hold on space")
checks.equal(r.get("tutorial_step"), "12", "cubes: Space adds pieces freely")
K += ["42000 key space down", "60000 key space up"]


def probe_many(game, script, times):
    """Reports of the same run closed at each of the times, run side by side."""
    with ThreadPoolExecutor(max_workers=4) as pool:
        return list(pool.map(lambda t: (t, probe_fresh(game, script, t)), times))


waiting = passed = 0
for t, r in probe_many("cubes", K, range(43000, 56001, 2000)):
    score, message = int(r.get("score", "0")), r.get("message")
    if message == "Hold on space!!!":
        waiting += 1
        checks.expect(score <= 6000, f"cubes: at {t} ms the score {score} is above 6000 but the script waits")
    else:
        passed += 1
        checks.expect(score > 6000, f"cubes: at {t} ms the script went on at a score of {score}")
checks.expect(waiting > 0 and passed > 0, f"cubes: the script waited ({waiting}) and then went on ({passed})")
ended = [(t, r) for t, r in probe_many("cubes", K, range(76000, 96001, 2000)) if r.get("tutorial_step") == "-1"]
checks.expect(len(ended) > 0, "cubes: the tutorial ended")
if ended:
    t, r = ended[0]
    checks.equal(r.get("score"), "0", f"cubes: the score went back to 0 (at {t} ms)")
    checks.equal(r.get("message"), "", "cubes: the script is no longer shown")
    # A level up came during the tutorial: the script waited for its display and went on where it was.
    checks.expect(int(r.get("level", "0")) >= 1, f"cubes: the level reached in the tutorial is kept ({r.get('level')})")

# ---- Russian ------------------------------------------------------------------------------------------
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
