"""Start-up of the real programs: loading, splash, start screen, skip, tutorial, Escape, critical errors."""
import os
import shutil
import subprocess

from harness import GAME_DIR, Checks, make_install, read_report, run

checks = Checks()
SPLASH_END_MS = 11150

for game in ("shapes", "chains", "cubes"):
    install = make_install()

    # During the splash.
    status, _, report = run(game, install, quit_at=5000)
    checks.equal(status, 0, f"{game}: quitting during the splash exits normally")
    checks.equal(report.get("screen"), "splash", f"{game}: screen at 5 s")
    checks.equal(report.get("variant"), game, f"{game}: variant")

    # The start screen types the tutorial prompt.
    status, _, report = run(game, install, quit_at=SPLASH_END_MS + 3000)
    checks.equal(report.get("screen"), "start", f"{game}: screen after the splash")
    checks.equal(report.get("tutorial_step"), "0", f"{game}: tutorial step on the start screen")
    checks.expect(report.get("message", "").startswith("Press space to skip the tutorial ("),
                  f"{game}: the prompt is current, got {report.get('message')!r}")

    # Space skips the tutorial and the game begins.
    script = f"{SPLASH_END_MS + 2000} key space down\n{SPLASH_END_MS + 2100} key space up\n"
    status, _, report = run(game, install, script=script, quit_at=SPLASH_END_MS + 4000)
    checks.equal(report.get("tutorial_step"), "-1", f"{game}: space skips the tutorial")
    checks.equal(report.get("screen"), "game", f"{game}: the game screen follows the fade")

    # Waiting lets the tutorial start by itself once the prompt has been typed and held.
    status, _, report = run(game, install, quit_at=SPLASH_END_MS + 9000)
    checks.equal(report.get("tutorial_step"), "1", f"{game}: the tutorial starts by itself")
    checks.equal(report.get("screen"), "game", f"{game}: tutorial runs on the game screen")

    # Escape in a window quits at once.
    script = f"{SPLASH_END_MS + 1000} key escape down\n"
    status, _, report = run(game, install, script=script, quit_at=SPLASH_END_MS + 60000)
    checks.equal(status, 0, f"{game}: Escape quits normally")
    checks.expect(int(report.get("game_clock_ms", "0")) < SPLASH_END_MS + 1200,
                  f"{game}: Escape quits at once, clock {report.get('game_clock_ms')}")
    shutil.rmtree(install)

# A tap shorter than a frame (down and up at one game time) is still seen: Space, or a click in the
# message bar, skips the tutorial.
install = make_install()
for name, tap in (("space", "key space down\n{t} key space up"),
                  ("click", "mouse 240 251\n{t} button left down\n{t} button left up")):
    t = SPLASH_END_MS + 2000
    script = f"{t} " + tap.format(t=t) + "\n"
    status, _, report = run("shapes", install, script=script, quit_at=SPLASH_END_MS + 3000)
    checks.equal(report.get("tutorial_step"), "-1", f"a {name} tap skips the tutorial")

# Files named relative on the command line are taken from and written to the directory the command was
# run in, not the game's folder.
caller = os.path.join(install, "caller")
os.makedirs(caller)
with open(os.path.join(caller, "taps.txt"), "w", encoding="utf-8") as file:
    file.write(f"{SPLASH_END_MS + 500} key space down\n{SPLASH_END_MS + 600} key space up\n")
result = subprocess.run([os.path.join(GAME_DIR, "chains"), "--headless", "--frame-ms", "20", "--dir", install,
                         "--script", "taps.txt", "--shot", f"{SPLASH_END_MS + 1500}:shot.png", "--report",
                         "end.txt", "--report-at", f"{SPLASH_END_MS + 1500}:at.txt", "--audio-out", "mix.wav",
                         "--quit-at", str(SPLASH_END_MS + 2000)], cwd=caller, capture_output=True, timeout=300)
checks.equal(result.returncode, 0, "the run with relative paths ends normally")
for name in ("shot.png", "end.txt", "at.txt", "mix.wav"):
    checks.expect(os.path.exists(os.path.join(caller, name)), f"{name} is written where the command ran")
    checks.expect(not os.path.exists(os.path.join(install, name)), f"{name} is not written in the game's folder")
checks.equal(read_report(os.path.join(caller, "end.txt")).get("tutorial_step"), "-1",
             "the script named relative was read")
shutil.rmtree(install)

# Critical errors: no profile is error 00, no settings is error 01; both exit with 255 and name the error.
install = make_install()
os.remove(os.path.join(install, "version.xml"))
status, stderr, _ = run("shapes", install, quit_at=1000)
checks.equal(status, 255, "missing version.xml exits with 255")
checks.expect("CRITICAL ERROR (code: 00)." in stderr, f"error 00 on stderr, got {stderr!r}")
shutil.rmtree(install)

install = make_install()
os.remove(os.path.join(install, "settings", "setup_1.xml"))
status, stderr, _ = run("chains", install, quit_at=1000)
checks.equal(status, 255, "missing settings exits with 255")
checks.expect("CRITICAL ERROR (code: 01)." in stderr, f"error 01 on stderr, got {stderr!r}")
shutil.rmtree(install)

# A profile that is not XML is as bad as none.
install = make_install()
with open(os.path.join(install, "version.xml"), "w") as file:
    file.write("<profile><current_language value=")
status, stderr, _ = run("cubes", install, quit_at=1000)
checks.equal(status, 255, "a broken version.xml exits with 255")
shutil.rmtree(install)

checks.finish()
