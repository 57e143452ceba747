"""Damaged and hostile local files and bad arguments: a WAV at 1 Hz, images claiming huge sizes, a
missing or blocked records folder, named pipes in place of files, settings that are not numbers,
stale temporary files, and command-line values that overflow or name impossible dates."""
import os
import shutil
import struct
import subprocess
import time

from harness import GAME_DIR, Checks, make_install, run

checks = Checks()
START_MS = 13000  # the start screen, after the 11150 ms splash


def own_copy(install, folder):
    """Replaces the link to the shared folder with a copy this test may damage."""
    path = os.path.join(install, folder)
    os.remove(path)
    shutil.copytree(os.path.join(GAME_DIR, folder), path)
    return path


def wav(rate, frames):
    data = b"\x00\x10" * frames
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", len(data)) + data)


def timed_run(game, install, **kwargs):
    began = time.monotonic()
    status, stderr, report = run(game, install, timeout=120, **kwargs)
    return status, stderr, report, time.monotonic() - began


# 1. Sounds at 1 Hz: 20 KB would decode to 1.8 GB, 2 MB to far more. They fail to load like missing ones.
install = make_install()
sounds = own_copy(install, "sounds")
notes = os.path.join(own_copy(install, "music"), "notes")
with open(os.path.join(sounds, "remove1.wav"), "wb") as file:
    file.write(wav(1, 10000))
with open(os.path.join(sounds, "level_up.wav"), "wb") as file:
    file.write(wav(1, 1000000))
with open(os.path.join(notes, sorted(os.listdir(notes))[0]), "wb") as file:
    file.write(wav(7999, 10000))
status, stderr, report, seconds = timed_run("shapes", install, quit_at=START_MS)
checks.equal(status, 0, f"sounds at 1 Hz: the game starts and ends normally ({stderr.strip()[-200:]})")
checks.equal(report.get("screen"), "start", "sounds at 1 Hz: the start screen came")
print(f"sounds at 1 Hz: {seconds:.1f} s to the start screen")
shutil.rmtree(install)

# 2. Images whose headers claim huge sizes: a 38-byte TGA of 32768 x 32769 and a PNG of 20000 x 20000.
install = make_install()
data = own_copy(install, "data")
with open(os.path.join(data, "activ_0.tga"), "wb") as file:
    file.write(bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + struct.pack("<HH", 32768, 32769) + bytes([32, 8]) +
               b"\xff" * 20)
png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + struct.pack(">IIBBBBB", 20000, 20000, 8, 6, 0, 0, 0)
with open(os.path.join(data, "brisvelt2.png"), "wb") as file:
    file.write(png + b"\0" * 389000)
shot = os.path.join(install, "huge.png")
status, stderr, report, seconds = timed_run("shapes", install, quit_at=START_MS, extra=["--shot", f"12500:{shot}"])
checks.equal(status, 0, f"huge image headers: the game starts and ends normally ({stderr.strip()[-200:]})")
checks.equal(report.get("screen"), "start", "huge image headers: the start screen came")
checks.expect(os.path.exists(shot), "huge image headers: the start screen was drawn")
shutil.rmtree(install)

# 3. Named pipes in place of files: a read fails at once instead of waiting for a writer.
install = make_install()
settings = os.path.join(install, "settings", "setup_2.xml")
os.remove(settings)
os.mkfifo(settings)
status, stderr, report, seconds = timed_run("shapes", install, quit_at=START_MS)
checks.equal(status, 255, "a pipe for the settings is critical error 01")
checks.expect("CRITICAL ERROR (code: 01)" in stderr, f"the settings error is told: {stderr.strip()!r}")
os.remove(settings)
shutil.copy(os.path.join(GAME_DIR, "settings", "setup_2.xml"), settings)
profile = os.path.join(install, "version.xml")
os.rename(profile, profile + ".kept")
os.mkfifo(profile)
status, stderr, _, _ = timed_run("shapes", install, quit_at=START_MS)
checks.equal(status, 255, "a pipe for version.xml is critical error 00")
os.remove(profile)
os.rename(profile + ".kept", profile)
sounds = own_copy(install, "sounds")
os.remove(os.path.join(sounds, "remove2.wav"))
os.mkfifo(os.path.join(sounds, "remove2.wav"))
data = own_copy(install, "data")
os.remove(os.path.join(data, "activ_1.tga"))
os.mkfifo(os.path.join(data, "activ_1.tga"))
os.mkfifo(os.path.join(install, "records", "records_2.bin"))
status, _, report, seconds = timed_run("shapes", install, quit_at=START_MS)
checks.equal((status, report.get("screen")), (0, "start"), "pipes for a sound, an image and the records: a normal start")
script_pipe = os.path.join(install, "script.fifo")
os.mkfifo(script_pipe)
status, stderr, _, _ = timed_run("shapes", install, quit_at=START_MS, extra=["--script", script_pipe])
checks.equal(status, 2, f"a pipe as the script is refused: {stderr.strip()!r}")
shutil.rmtree(install)

# 4. Stale temporary files of exchanges whose process has ended go at start; a live process's stay.
install = make_install()
dead = 4194000
while True:
    try:
        os.kill(dead, 0)
        dead -= 1
    except ProcessLookupError:
        break
    except PermissionError:
        dead -= 1
stale = [os.path.join(install, "records", f"records_2.bin.part{dead}-0"),
         os.path.join(install, f"update.xml.part{dead}-7"), os.path.join(install, "settings", f"x.png.part{dead}-2")]
live = os.path.join(install, "records", f"records_1.bin.part{os.getpid()}-0")
for path in stale + [live]:
    with open(path, "w") as file:
        file.write("partial")
status, _, report, _ = timed_run("shapes", install, quit_at=2000)
checks.equal(status, 0, "a start with stale temporary files")
checks.equal([p for p in stale if os.path.exists(p)], [], "stale temporary files are removed at start")
checks.expect(os.path.exists(live), "a running process's temporary file stays")
shutil.rmtree(install)

# 5. Settings that are not finite numbers read as 0, as malformed values do; the score never wraps.
install = make_install()
with open(os.path.join(install, "settings", "setup_1.xml"), "w", encoding="utf-8") as file:
    file.write('<?xml version="1.0" encoding="UTF-8"?>\n<settings>\n    <A_LINE_LEN value="3" />\n'
               '    <A_LINE_BONUS_POINTS_MULT value="nan" />\n    <PH_ROTATION value="inf" />\n'
               '    <PH_MOVE_VEL value="-infinity" />\n    <A_ATOM2BAR_MULT value="1e300" />\n</settings>\n')
script = [f"{START_MS} key space down", f"{START_MS + 100} key space up"]
for t in range(START_MS + 1000, 60000, 400):
    script += [f"{t} key space down", f"{t + 60} key space up", f"{t + 100} key left down", f"{t + 300} key left up"]
status, _, report = run("chains", install, script="\n".join(script) + "\n", quit_at=60000, frame_ms=50)
checks.equal(status, 0, "chains with nan and inf settings ends normally")
score = int(report.get("score", "-1"))
checks.expect(score >= 0, f"the score does not wrap: {score}")
positions = [report.get(k, "") for k in ("atoms_min_x", "atoms_max_x", "atoms_min_y", "atoms_max_y")]
checks.expect(all(p and p.lstrip("-").replace(".", "", 1).isdigit() for p in positions),
              f"block positions are numbers: {positions}")
checks.expect(int(report.get("pieces_spawned", "0")) > 1, "pieces kept coming")
shutil.rmtree(install)

# 6. Values that overflow, negative script times, impossible dates and a shot without a file: status 2.
install = make_install()
script_path = os.path.join(install, "bad.txt")
cases = [("--quit-at 18446744073709551616", ["--quit-at", "18446744073709551616"]),
         ("--quit-at 99999999999999999999999", ["--quit-at", "99999999999999999999999"]),
         ("--quit-at -5", ["--quit-at", "-5"]),
         ("--date 2026-02-30", ["--date", "2026-02-30"]), ("--date 2025-02-29", ["--date", "2025-02-29"]),
         ("--date 2026-04-31", ["--date", "2026-04-31"]), ("--date 2026-1-05", ["--date", "2026-1-05"]),
         ("--shot 100:", ["--shot", "100:"]), ("--report-at 18446744073709551616:x", ["--report-at", "18446744073709551616:x"]),
         ("script time -5", ["--script", script_path, "-5 key space down"]),
         ("script time overflow", ["--script", script_path, "18446744073709551617 quit"])]
for label, args in cases:
    if args[0] == "--script":
        with open(script_path, "w") as file:
            file.write(args.pop() + "\n")
    result = subprocess.run([os.path.join(GAME_DIR, "shapes"), "--headless", "--dir", install] + args,
                            capture_output=True, text=True, timeout=30)
    checks.equal(result.returncode, 2, f"{label} is refused")
    checks.expect(result.stderr.strip() != "", f"{label}: a message says why")
status, _, _ = run("shapes", install, quit_at=100, extra=["--date", "2024-02-29"])
checks.equal(status, 0, "a leap day is a date")
shutil.rmtree(install)


# 7. The records folder: made when missing; when it cannot be (a plain file in its place), the screen
# says the score was not saved instead of claiming it was.
def game_then_enter():
    """Chains with long lines in six colours overflows quickly; then a name and Enter."""
    script = [f"{START_MS} key space down", f"{START_MS + 100} key space up"]
    t = START_MS + 1000
    while t < 110000:
        script += [f"{t} key space down", f"{t + 60} key space up"]
        t += 350
    t = 110500
    for letter in "eve":
        script += [f"{t} key {letter} down", f"{t + 50} key {letter} up"]
        t += 200
    script += [f"{t} key enter down", f"{t + 50} key enter up"]
    return "\n".join(script) + "\n", t + 1500


for case in ("missing", "plain file"):
    install = make_install()
    with open(os.path.join(install, "settings", "setup_1.xml"), "w", encoding="utf-8") as file:
        file.write('<?xml version="1.0" encoding="UTF-8"?>\n<settings gendata="0">\n'
                   '    <A_LINE_LEN value="9" />\n    <A_AVAILABLE_COLORS value="6" />\n</settings>\n')
    records = os.path.join(install, "records")
    shutil.rmtree(records)
    if case == "plain file":
        open(records, "w").write("not a folder")
    script, end = game_then_enter()
    status, _, report = run("chains", install, script=script, quit_at=end, frame_ms=50)
    checks.equal(report.get("screen"), "records", f"records folder {case}: the records screen came")
    if case == "missing":
        saved = os.path.join(records, "records_1.bin")
        checks.expect(os.path.isfile(saved) and os.path.getsize(saved) == 20000, "the folder was made and the table saved")
        checks.equal(open(saved, "rb").read()[:4] if os.path.isfile(saved) else b"", b"eve\0", "with the name")
        checks.equal(report.get("message"), "Your score is recorded!", "and the screen says so")
    else:
        checks.equal(open(records).read(), "not a folder", "the plain file is left alone")
        checks.equal(report.get("message"), "Your score could not be saved!", "the screen says the save failed")
    shutil.rmtree(install)

checks.finish()
