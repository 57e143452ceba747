"""The real window under Xvfb: client size and centring, zoom, maximise to a borderless desktop, Escape;
the game pausing when another window takes the focus, staying paused when it comes back, and P going on."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "integration"))
from harness import GAME_DIR, Checks, make_install, read_report  # noqa: E402

DESKTOP_W, DESKTOP_H = 1920, 1080
checks = Checks()


def display_in_use(number):
    """A display is taken while the server named in its lock file lives; a dead one's files are stale, and
    the next server cleans them up."""
    try:
        with open(f"/tmp/.X{number}-lock", encoding="ascii") as lock:
            os.kill(int(lock.read().strip()), 0)
        return True
    except ProcessLookupError:
        return False
    except (OSError, ValueError):
        return os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}")


def start_display():
    for number in range(90, 130):
        if not display_in_use(number):
            display = f":{number}"
            server = subprocess.Popen(["Xvfb", display, "-screen", "0", f"{DESKTOP_W}x{DESKTOP_H}x24", "-nolisten",
                                       "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    return display, server
                time.sleep(0.05)
            server.kill()
    raise RuntimeError("no free X display")


def x(*args, env):
    return subprocess.run(list(args), capture_output=True, text=True, env=env, timeout=30).stdout


def geometry(window, env):
    """Absolute position and size of the client area."""
    values = {}
    for line in x("xwininfo", "-id", window, env=env).splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]), int(values["Width"]),
            int(values["Height"]))


def window_brightness(window, env, name):
    """Mean grey level (0..1) of the window's picture."""
    shot = os.path.join(install, name)
    subprocess.run(["import", "-window", window, shot], env=env, timeout=30)
    out = subprocess.run(["convert", shot, "-colorspace", "gray", "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True).stdout
    return float(out or 0)


def wait_for(condition, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        result = condition()
        if result:
            return result
        time.sleep(0.1)
    return condition()


display, server = start_display()
env = dict(os.environ, DISPLAY=display)
manager = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(0.5)
install = make_install()
report = os.path.join(install, "report.txt")
# By this game time the tutorial has started by itself and waits for a click in the glass.
TUTORIAL_WAITS_MS = 24000
waiting = os.path.join(install, "waiting.txt")
# A fixed frame time runs the splash as fast as the machine draws, so the start screen comes quickly.
game = subprocess.Popen([os.path.join(GAME_DIR, "shapes"), "--frame-ms", "16", "--dir", install, "--report", report,
                         "--report-at", f"{TUTORIAL_WAITS_MS}:{waiting}"],
                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
try:
    window = wait_for(lambda: x("xdotool", "search", "--name", "Pelorina @ Shapes", env=env).split())
    checks.expect(bool(window), "the window appears with its title")
    window = window[0]
    left, top, width, height = wait_for(lambda: geometry(window, env))
    checks.equal((width, height), (480, 272), "client area")
    checks.expect(abs(left + width / 2 - DESKTOP_W / 2) <= 2 and abs(top + height / 2 - DESKTOP_H / 2) <= 24,
                  f"window centred on the desktop, client at {left},{top}")

    # Escape and zoom belong to the main loop: a press during the splash is not seen, so "=" is pressed
    # again until the splash is over and the picture grows.
    x("xdotool", "windowactivate", "--sync", window, env=env)
    for _ in range(30):
        x("xdotool", "key", "equal", env=env)
        if wait_for(lambda: geometry(window, env)[2:] != (480, 272), timeout=1.0):
            break
    checks.equal(geometry(window, env)[2:], (960, 544), "'=' grows the picture to zoom step 1")

    x("wmctrl", "-i", "-r", window, "-b", "add,maximized_vert,maximized_horz", env=env)
    wait_for(lambda: geometry(window, env)[2:] == (DESKTOP_W, DESKTOP_H))
    checks.equal(geometry(window, env)[2:], (DESKTOP_W, DESKTOP_H), "maximise covers the desktop")
    time.sleep(0.5)
    shot = os.path.join(install, "full.png")
    subprocess.run(["import", "-window", "root", shot], env=env, timeout=30)
    # The picture sits at its native size in the middle of a black desktop.
    trim = subprocess.run(["convert", shot, "-fuzz", "1%", "-trim", "info:"], capture_output=True, text=True).stdout
    checks.expect(" 480x272 " in trim, f"picture of 480x272 in the black desktop: {trim.strip()}")

    # xdotool taps: press and release arrive together, between two frames of the game.
    x("xdotool", "key", "Escape", env=env)
    wait_for(lambda: geometry(window, env)[2:] == (480, 272))
    checks.equal(geometry(window, env)[2:], (480, 272), "Escape in full screen restores the 480x272 window")
    checks.expect(game.poll() is None, "Escape in full screen does not quit")

    # The tutorial starts by itself and waits at "Click on the screen to continue" until a click in the glass;
    # a quick click moves it on (to a double click next). The game's clock runs at the pace the machine
    # draws: its report at that game time says when it is there.
    wait_for(lambda: os.path.exists(waiting), timeout=120)
    time.sleep(0.3)
    checks.equal(read_report(waiting).get("message"), "Click on the screen to continue", "the tutorial waits")
    x("xdotool", "mousemove", "--window", window, "240", "136", env=env)
    time.sleep(0.2)
    x("xdotool", "click", "1", env=env)
    time.sleep(1.5)

    # Another window takes the focus: the game pauses under its veil, and stays paused when the focus comes
    # back; P goes on.
    playing = window_brightness(window, env, "playing.png")
    other = subprocess.Popen(["xmessage", "-geometry", "+0+0", "-name", "other", "another window"], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        other_window = wait_for(lambda: x("xdotool", "search", "--classname", "other", env=env).split())
        checks.expect(bool(other_window), "the other window appears")
        if other_window:
            x("xdotool", "windowactivate", "--sync", other_window[-1], env=env)
        time.sleep(1.0)
        paused = window_brightness(window, env, "paused.png")
        checks.expect(paused < playing * 0.75, f"focus lost: the game is veiled ({playing:.3f} -> {paused:.3f})")
        x("xdotool", "windowactivate", "--sync", window, env=env)
        time.sleep(1.0)
        still = window_brightness(window, env, "still.png")
        checks.expect(abs(still - paused) < 0.02, f"focus back: still paused ({paused:.3f}, {still:.3f})")
        x("xdotool", "key", "p", env=env)
        time.sleep(1.0)
        resumed = window_brightness(window, env, "resumed.png")
        checks.expect(resumed > paused / 0.75, f"P goes on ({paused:.3f} -> {resumed:.3f})")
    finally:
        other.kill()
    x("xdotool", "key", "Escape", env=env)
    # After the start screen was left, Escape ends the main loop with the thank-you screen, which
    # another Escape closes; from the start screen itself the first Escape ends the program.
    status = None
    for _ in range(2):
        try:
            status = game.wait(timeout=3)
            break
        except subprocess.TimeoutExpired:
            x("xdotool", "key", "Escape", env=env)
    checks.equal(status, 0, "Escape in the window quits normally")
    final = read_report(report)
    checks.expect(final.get("screen") in ("start", "donate"), "the report was written at the end")
    checks.equal(final.get("message"), "Double click on the screen", "a quick click in the glass moved the tutorial on")
    checks.equal(final.get("pauses"), "1", "the focus loss paused the game once")

    # The next start finds the window as it was left: the splash in the plain window, then zoom step 1.
    with open(os.path.join(install, "preferences.xml"), "w", encoding="utf-8") as file:
        file.write('<?xml version="1.0"?>\n<preferences>\n    <zoom_step value="1" />\n</preferences>\n')
    game = subprocess.Popen([os.path.join(GAME_DIR, "shapes"), "--frame-ms", "16", "--dir", install],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = wait_for(lambda: x("xdotool", "search", "--name", "Pelorina @ Shapes", env=env).split())
    checks.expect(bool(window), "the window appears again")
    if window:
        window = window[0]
        checks.equal(wait_for(lambda: geometry(window, env))[2:], (480, 272), "the splash in the plain window")
        wait_for(lambda: geometry(window, env)[2:] == (960, 544), timeout=120)
        left, top, width, height = geometry(window, env)
        checks.equal((width, height), (960, 544), "zoom step 1 restored after the splash")
        checks.expect(abs(left + width / 2 - DESKTOP_W / 2) <= 2, f"and centred, client at {left},{top}")
        x("xdotool", "windowactivate", "--sync", window, env=env)
        x("xdotool", "key", "Escape", env=env)
        try:
            checks.equal(game.wait(timeout=10), 0, "Escape quits the restored window")
        except subprocess.TimeoutExpired:
            checks.expect(False, "Escape quits the restored window")
finally:
    if game.poll() is None:
        game.kill()
    manager.kill()
    server.kill()
    shutil.rmtree(install, ignore_errors=True)

checks.finish()
