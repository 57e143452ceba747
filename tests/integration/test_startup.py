"""Start-up of the real programs: loading, splash, start screen, skip, tutorial, Escape, critical errors."""
import os
import shutil

from harness import Checks, make_install, run

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
