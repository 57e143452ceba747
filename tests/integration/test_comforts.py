"""Player comforts played headless: pause and resume by keyboard and by a virtual controller (the game's
time and world stand still, then go on exactly as without the pause), the music quieter while paused,
volume steps heard in the mix, and preferences.xml kept, restored and replaced when damaged."""
import math
import os
import shutil
import struct
import subprocess
import wave

from harness import Checks, make_install, read_report, run, run_reports

checks = Checks()
FRAME_MS = 16
PLAY = ["12000 key space down", "12100 key space up",  # skip the tutorial
        "13000 key space down", "13060 key space up", "14000 key space down", "14060 key space up"]
PAUSE_AT, RESUME_AT = 16000, 26000
# What must stand still while paused, and go on afterwards exactly as if there had been no pause.
WORLD_KEYS = ["bar_energy", "progress", "score", "level", "atoms_in_use", "links_in_use", "pieces_spawned",
              "atoms_min_x", "atoms_max_x", "atoms_min_y", "atoms_max_y", "atom_0_x", "atom_0_y", "atom_3_x",
              "atom_3_y", "speed_stage_ms", "level_up_ms", "low_bar_ms", "game_time_ms", "message"]


def world(report):
    return {key: report.get(key) for key in WORLD_KEYS}


def tap(at, key):
    return [f"{at} key {key} down", f"{at + 50} key {key} up"]


def script(*lines):
    return "\n".join(lines) + "\n"


def rms(path, from_s, to_s):
    """Root mean square of the mix between two times, 0..1 of full scale."""
    with wave.open(path) as mix:
        rate = mix.getframerate()
        mix.setpos(int(from_s * rate))
        data = mix.readframes(int((to_s - from_s) * rate))
    samples = struct.unpack(f"<{len(data) // 2}h", data)
    return math.sqrt(sum(s * s for s in samples) / max(1, len(samples))) / 32768.0


def mean_brightness(shot):
    out = subprocess.run(["convert", shot, "-colorspace", "gray", "-format",
                          "%[fx:mean]", "info:"], capture_output=True, text=True).stdout
    return float(out or 0)


# 1. Chains paused with P for ten seconds of game clock: the game's time, the world and the level timers
#    stand still; after the resume the game goes on as the unpaused game did from the same moment.
install = make_install()
times = [PAUSE_AT - 100, PAUSE_AT + 100, 20000, RESUME_AT - 50, RESUME_AT + 112]
paused = run_reports("chains", install, script(*PLAY, *tap(PAUSE_AT, "p"), *tap(RESUME_AT, "p")), times,
                     frame_ms=FRAME_MS, extra=["--shot", f"15000:{install}/before.png",
                                               "--shot", f"20000:{install}/paused.png"])
plain = run_reports("chains", install, script(*PLAY), [PAUSE_AT - 100, PAUSE_AT + 112], frame_ms=FRAME_MS)
checks.equal(paused[PAUSE_AT - 100].get("paused"), "0", "playing before P")
checks.equal(world(paused[PAUSE_AT - 100]), world(plain[PAUSE_AT - 100]), "the same game up to the pause")
frozen = world(paused[PAUSE_AT + 100])
checks.equal(paused[PAUSE_AT + 100].get("paused"), "1", "P pauses the game screen")
checks.equal(frozen["game_time_ms"], str(PAUSE_AT), "the game's time stops at the frame of the P press")
for at in (20000, RESUME_AT - 50):
    checks.equal(world(paused[at]), frozen, f"nothing moves or ages while paused (at {at} ms)")
    checks.equal(paused[at].get("paused_ms"), str(int(paused[at].get("game_clock_ms", "0")) - PAUSE_AT),
                 "paused time counted")
after = paused[RESUME_AT + 112]
checks.equal((after.get("paused"), after.get("pauses")), ("0", "1"), "P again resumes")
checks.equal(world(after), world(plain[PAUSE_AT + 112]), "after the resume the game goes on as if unpaused")
checks.equal(after.get("game_clock_ms"), str(RESUME_AT + 112), "the frame clock (scripts, shots) runs on")
checks.equal(after.get("frame_allocations"), "0", "pausing and resuming allocate nothing")
checks.equal(plain[PAUSE_AT + 112].get("paused_ms"), "0", "an unpaused game holds no time")
checks.equal(plain[PAUSE_AT + 112].get("game_time_ms"), plain[PAUSE_AT + 112].get("game_clock_ms"),
             "unpaused, the game's time is the game clock")
before, veiled = mean_brightness(f"{install}/before.png"), mean_brightness(f"{install}/paused.png")
checks.expect(veiled < before * 0.75, f"the picture is dimmed under the veil ({before:.3f} -> {veiled:.3f})")
shutil.rmtree(install)

# 2. P does nothing on the start screen; the Pause key pauses in play; a virtual controller's Start
#    resumes; the controller is unplugged, another one plugged in mid-game, and its Start pauses.
install = make_install()
pad = ["13500 pad 0 attach"]
lines = [*tap(11500, "p"), *PLAY, *tap(PAUSE_AT, "pause"), *pad, "17000 pad 0 start down", "17050 pad 0 start up",
         "18000 pad 0 detach", "19000 pad 1 attach", "20000 pad 1 start down", "20100 pad 1 start up"]
reports = run_reports("cubes", install, script(*lines), [11900, PAUSE_AT + 100, 17500, 18500, 19500, 20500],
                      frame_ms=FRAME_MS)
checks.equal((reports[11900].get("screen"), reports[11900].get("paused")), ("start", "0"),
             "P on the start screen does nothing")
checks.equal(reports[PAUSE_AT + 100].get("paused"), "1", "the Pause key pauses")
checks.equal(reports[PAUSE_AT + 100].get("controller"), "1", "the plugged-in controller is taken")
checks.equal(reports[17500].get("paused"), "0", "the controller's Start resumes")
checks.equal(reports[18500].get("controller"), "0", "the controller was unplugged")
checks.equal((reports[19500].get("controller"), reports[19500].get("controllers_opened")), ("1", "2"),
             "another controller plugged in mid-game is taken without a restart")
checks.equal((reports[20500].get("paused"), reports[20500].get("pauses")), ("1", "2"), "its Start pauses")
checks.equal(reports[20500].get("screen"), "game", "still the game screen")
shutil.rmtree(install)

# 3. Volumes in the mix: one step down halves the music (6 dB); the music keeps playing at a lower volume
#    while paused; muted, nothing is heard. Nothing else sounds on the start screen in that window.
def mix(lines, quit_at=19500):
    install = make_install()
    path = os.path.join(install, "mix.wav")
    status, _, report = run("shapes", install, script=script(*lines) if lines else None, quit_at=quit_at,
                            frame_ms=FRAME_MS, extra=["--audio-out", path])
    checks.equal(status, 0, "normal end")
    loudness = rms(path, 16.0, 19.0)
    return install, loudness, report


full_install, full, full_report = mix([])
checks.equal((full_report.get("music_volume"), full_report.get("music_gain")), ("5", "1.0000"),
             "music at its own loudness without a preferences file")
checks.equal(full_report.get("preferences_saves"), "0", "nothing changed, nothing written")
checks.expect(not os.path.exists(os.path.join(full_install, "preferences.xml")), "no preferences.xml written")
step_install, step, step_report = mix(tap(12500, "lbracket"))
checks.expect(0.47 < step / full < 0.53, f"one step down halves the music: {step:.4f} / {full:.4f}")
checks.equal(step_report.get("music_volume"), "4", "music step 4 of 5")
checks.equal(step_report.get("effects_volume"), "5", "the effects keep their step")
checks.equal((step_report.get("preferences_saves"), step_report.get("frame_allocations")), ("1", "0"),
             "the change written once during play, without allocating")
_, muted, muted_report = mix(tap(12500, "m"))
checks.expect(muted < full * 0.001, f"M mutes everything: {muted:.5f}")
checks.equal((muted_report.get("muted"), muted_report.get("music_gain"), muted_report.get("effects_gain")),
             ("1", "0.0000", "0.0000"), "muted gains")
_, effects_down, effects_report = mix(tap(12500, "semicolon") + tap(12700, "semicolon"))
checks.expect(0.98 < effects_down / full < 1.02, f"the effects keys leave the music as it is: {effects_down:.4f}")
checks.equal((effects_report.get("effects_volume"), effects_report.get("effects_gain")), ("3", "0.2500"),
             "two effects steps down")
# Paused in chains: the music goes on, quieter.
pause_install = make_install()
path = os.path.join(pause_install, "mix.wav")
run("chains", pause_install, script=script(*PLAY, *tap(PAUSE_AT, "p")), quit_at=20000, frame_ms=FRAME_MS,
    extra=["--audio-out", path])
quiet = rms(path, 17.0, 20.0)
run("chains", pause_install, script=script(*PLAY), quit_at=20000, frame_ms=FRAME_MS, extra=["--audio-out", path])
loud = rms(path, 17.0, 20.0)
checks.expect(0.2 < quiet / loud < 0.45 and quiet > 0.002, f"paused, the music plays quieter: {quiet:.4f} / {loud:.4f}")
shutil.rmtree(pause_install)

# 4. preferences.xml: the changed music step is written (whole, through a rename) and comes back at the next
#    start; the zoom step and the desktop mode come back after the splash.
prefs = os.path.join(step_install, "preferences.xml")
checks.expect(os.path.exists(prefs), "the change was written to preferences.xml")
checks.expect(not [name for name in os.listdir(step_install) if ".part" in name], "no temporary file left")
with open(prefs, encoding="utf-8") as file:
    text = file.read()
checks.expect('<music_volume value="4" />' in text and '<effects_volume value="5" />' in text,
              f"the file holds the steps: {text!r}")
status, _, again = run("shapes", step_install, quit_at=13000, frame_ms=FRAME_MS)
checks.equal((again.get("music_volume"), again.get("music_gain")), ("4", "0.5000"), "restored at the next start")
with open(prefs, "w", encoding="utf-8") as file:
    file.write(text.replace('<zoom_step value="-1" />', '<zoom_step value="2" />')
               .replace('<desktop_mode value="0" />', '<desktop_mode value="1" />'))
during_splash = os.path.join(step_install, "splash.txt")
status, _, window = run("shapes", step_install, quit_at=13000, frame_ms=FRAME_MS,
                        extra=["--report-at", f"5000:{during_splash}"])
checks.equal((read_report(during_splash).get("zoom_step"), read_report(during_splash).get("full_screen")),
             ("-1", "0"), "the splash shows in the plain window")
checks.equal((window.get("zoom_step"), window.get("full_screen")), ("2", "1"),
             "the zoom step and the desktop mode as they were left, after the splash")
status, _, zoomed = run("shapes", step_install, script=script(*tap(12500, "minus")), quit_at=13000,
                        frame_ms=FRAME_MS)
with open(prefs, encoding="utf-8") as file:
    checks.expect('<zoom_step value="1" />' in file.read(), "a zoom change made just before the end is written at the end")

# 5. A damaged file gives the defaults, stays as it is until a preference changes, then is replaced whole.
for damaged in ["<preferences><music_volume value=", "\x00\xff garbage", "<other><music_volume value=\"1\"/></other>",
                "<preferences><music_volume value=\"9\"/><effects_volume value=\"2x\"/></preferences>"]:
    with open(prefs, "w", encoding="latin-1") as file:
        file.write(damaged)
    status, _, fallback = run("shapes", step_install, quit_at=13000, frame_ms=FRAME_MS)
    checks.equal((status, fallback.get("music_volume"), fallback.get("effects_volume"), fallback.get("zoom_step"),
                  fallback.get("pause_on_focus_loss")), (0, "5", "5", "-1", "1"), f"defaults for {damaged!r}")
    with open(prefs, encoding="latin-1") as file:
        checks.equal(file.read(), damaged, "the damaged file is left alone while nothing changes")
status, _, fixed = run("shapes", step_install, script=script(*tap(12500, "rbracket"), *tap(12600, "lbracket")),
                       quit_at=13000, frame_ms=FRAME_MS)
with open(prefs, encoding="utf-8") as file:
    text = file.read()
checks.expect(text.startswith("<?xml") and '<music_volume value="4" />' in text and
              '<pause_on_focus_loss value="1" />' in text and text.endswith("</preferences>\n"),
              f"rewritten whole after a change: {text!r}")
shutil.rmtree(step_install)
shutil.rmtree(full_install)

checks.finish()
