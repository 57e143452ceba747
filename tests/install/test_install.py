"""Installs the built games to a scratch prefix (DESTDIR), validates the menu and software centre entries,
makes the prefix read-only and plays shapes from it as two players: each player's records land in their
own folder and nothing under the prefix changes. With a service offering an update, the installed game
announces it but downloads nothing, and its statistics go to the player's folder."""
import hashlib
import os
import re
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "server"))
from harness import Checks, read_report  # noqa: E402
import publish_update  # noqa: E402
import run_service  # noqa: E402

BUILD_DIR = os.path.abspath(sys.argv[1])
checks = Checks()
scratch = tempfile.mkdtemp(prefix="pelorina-install-")
stage = os.path.join(scratch, "stage")
prefix = stage + "/usr"


def snapshot(root):
    """Every file and folder under root with its mode and, for files, the hash of its bytes."""
    found = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            digest = ""
            if stat.S_ISREG(info.st_mode):
                with open(path, "rb") as file:
                    digest = hashlib.sha256(file.read()).hexdigest()
            found[os.path.relpath(path, root)] = (stat.S_IMODE(info.st_mode), digest)
    return found


def set_writable(root, writable):
    for folder, dirs, files in os.walk(root):
        for name in dirs + files + [""]:
            path = os.path.join(folder, name) if name else folder
            if os.path.islink(path):
                continue
            mode = os.stat(path).st_mode
            os.chmod(path, mode | stat.S_IWUSR if writable else mode & ~0o222)


def play(home, xdg, name, cwd):
    """A game of shapes until the glass overflows, then the name typed on the records screen."""
    script = ["12000 key space down", "12100 key space up", "13500 mouse 230 100"]
    t = 14000
    while t < 100000:
        script += [f"{t} button left down", f"{t + 40} button left up", f"{t + 100} button left down",
                   f"{t + 140} button left up"]
        t += 1200
    t = 100500
    for letter in name:
        script += [f"{t} key {letter} down", f"{t + 50} key {letter} up"]
        t += 200
    script += [f"{t} key enter down", f"{t + 50} key enter up"]
    os.makedirs(home, exist_ok=True)
    script_path = os.path.join(scratch, f"{name}.script")
    report_path = os.path.join(scratch, f"{name}.report")
    with open(script_path, "w", encoding="utf-8") as file:
        file.write("\n".join(script) + "\n")
    env = {k: v for k, v in os.environ.items() if k not in ("PELORINA_SERVICE", "XDG_DATA_HOME")}
    env["HOME"] = home
    if xdg is not None:
        env["XDG_DATA_HOME"] = xdg
    result = subprocess.run([os.path.join(prefix, "bin", "shapes"), "--headless", "--frame-ms", "16",
                             "--script", script_path, "--report", report_path, "--quit-at", str(t + 600),
                             "--shot", f"40000:{scratch}/{name}-play.png"],
                            cwd=cwd, env=env, capture_output=True, text=True, timeout=600)
    return result, read_report(report_path)


def first_record(path):
    if not os.path.exists(path):
        return None
    data = open(path, "rb").read()
    if len(data) != 20000:
        return None
    return data[0:16].split(b"\0")[0], struct.unpack("<i", data[16:20])[0]


try:
    env = dict(os.environ, DESTDIR=stage)
    result = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", "/usr"], env=env,
                            capture_output=True, text=True)
    checks.equal(result.returncode, 0, f"cmake --install works: {result.stderr[-500:]}")

    # What a distribution expects to find.
    expected = ["bin/shapes", "bin/chains", "bin/cubes", "share/pelorina/version.xml",
                "share/pelorina/settings/setup_2.xml", "share/pelorina/data/fon.tga",
                "share/pelorina/music/music.xml", "share/man/man6/shapes.6"]
    for game in ("Shapes", "Chains", "Cubes"):
        expected += [f"share/applications/org.pelorina.{game}.desktop",
                     f"share/metainfo/org.pelorina.{game}.metainfo.xml",
                     f"share/icons/hicolor/scalable/apps/org.pelorina.{game}.svg"]
        expected += [f"share/icons/hicolor/{n}x{n}/apps/org.pelorina.{game}.png" for n in (48, 64, 128, 256)]
    for program in ("shapes", "chains", "cubes"):
        expected += [f"share/pelorina/screenshots/{program}-start.png",
                     f"share/pelorina/screenshots/{program}-play.png"]
    for path in expected:
        checks.expect(os.path.isfile(os.path.join(prefix, path)), f"installed: {path}")
    checks.expect(not os.path.exists(os.path.join(prefix, "share/pelorina/records")),
                  "no records under the prefix")

    applications = os.path.join(prefix, "share/applications")
    for name in sorted(os.listdir(applications)) if os.path.isdir(applications) else []:
        result = subprocess.run(["desktop-file-validate", os.path.join(applications, name)],
                                capture_output=True, text=True)
        checks.expect(result.returncode == 0 and result.stdout.strip() == "",
                      f"{name} validates: {result.stdout}{result.stderr}")
    metainfo = os.path.join(prefix, "share/metainfo")
    for name in sorted(os.listdir(metainfo)) if os.path.isdir(metainfo) else []:
        result = subprocess.run(["appstreamcli", "validate", "--no-net", "--no-color",
                                 os.path.join(metainfo, name)], capture_output=True, text=True)
        checks.expect(result.returncode == 0 and "W:" not in result.stdout and "E:" not in result.stdout,
                      f"{name} validates: {result.stdout}{result.stderr}")
    result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8",
                             os.path.join(prefix, "share/man/man6/shapes.6")],
                            capture_output=True, text=True)
    page = re.sub(".\b", "", result.stdout).replace("\u2010", "-").replace("\u2212", "-")
    checks.expect(result.returncode == 0 and "--frame-ms" in page and result.stderr.strip() == "",
                  f"the manual page reads cleanly: {result.stderr}")

    before = snapshot(stage)
    set_writable(stage, False)
    cwd = os.path.join(scratch, "cwd")
    os.makedirs(cwd)

    # The first player, with XDG_DATA_HOME set.
    home1 = os.path.join(scratch, "home1")
    data1 = os.path.join(home1, "data")
    result, report = play(home1, data1, "ada", cwd)
    checks.equal(result.returncode, 0, f"the installed game runs: {result.stderr[-500:]}")
    checks.equal(report.get("screen"), "records", "the game ends on the records screen")
    checks.expect(int(report.get("pieces_spawned", "0")) >= 10, "the installed settings and data are used")
    user1 = os.path.join(data1, "pelorina")
    checks.expect(os.path.isfile(os.path.join(user1, "version.xml")), "the player got the shipped profile")
    record1 = first_record(os.path.join(user1, "records", "records_2.bin"))
    checks.expect(record1 is not None and record1[0] == b"ada" and record1[1] > 0,
                  f"the first player's record is in their folder: {record1}")

    # The second player, with only HOME: ~/.local/share/pelorina.
    home2 = os.path.join(scratch, "home2")
    result, report = play(home2, None, "bob", cwd)
    checks.equal(result.returncode, 0, f"the second run ends normally: {result.stderr[-500:]}")
    record2 = first_record(os.path.join(home2, ".local/share/pelorina/records/records_2.bin"))
    checks.expect(record2 is not None and record2[0] == b"bob", f"the second player's own table: {record2}")
    checks.equal(first_record(os.path.join(user1, "records", "records_2.bin")), record1,
                 "the first player's table is untouched")

    # An update on the service: announced, never downloaded; Y does nothing.
    service_root = os.path.join(scratch, "service")
    os.makedirs(service_root)
    server = run_service.make_server("127.0.0.1", 0, service_root)
    thread = threading.Thread(target=server.serve_forever, kwargs={"timeout": 0.05}, daemon=True)
    thread.start()
    try:
        notes = os.path.join(scratch, "notes.txt")
        with open(notes, "w") as file:
            file.write("new notes\n")
        publish_update.publish(service_root, "1.2.5", [(notes, "records/notes.txt")], [])
        env = {k: v for k, v in os.environ.items() if k != "XDG_DATA_HOME"}
        env.update(HOME=home2, PELORINA_SERVICE=f"127.0.0.1:{server.socket.getsockname()[1]}")
        profile = os.path.join(home2, ".local/share/pelorina/version.xml")
        profile_before = open(profile, "rb").read()
        script_path = os.path.join(scratch, "y.script")
        with open(script_path, "w") as file:
            file.write("17000 key y down\n17100 key y up\n")
        report_path = os.path.join(scratch, "offer.report")
        result = subprocess.run([os.path.join(prefix, "bin", "shapes"), "--headless", "--frame-ms", "20",
                                 "--script", script_path, "--report-at", f"18000:{report_path}",
                                 "--quit-at", "25000", "--shot", f"18000:{scratch}/offer.png"],
                                cwd=cwd, env=env, capture_output=True, text=True, timeout=300)
        report = read_report(report_path)
        checks.equal(result.returncode, 0, "the run with an offer ends normally")
        checks.equal((report.get("update_available"), report.get("offered_version")), ("1", "1.2.5"),
                     "the installed game sees the newer version")
        checks.equal(report.get("message"), "Version 1.2.5: update your package",
                     "it points to the package manager instead of offering a download")
        checks.equal(report.get("update_result"), "none", "Y installs nothing")
        user2 = os.path.join(home2, ".local/share/pelorina")
        checks.expect(not os.path.exists(os.path.join(user2, "records", "notes.txt")), "no file was downloaded")
        checks.equal(open(profile, "rb").read(), profile_before, "the profile keeps its version")
        checks.expect(os.path.isfile(os.path.join(user2, "stat.bin")), "the statistics are the player's file")
    finally:
        server.close_all()

    checks.equal(os.listdir(cwd), [], "nothing is written to the caller's folder")
    set_writable(stage, True)
    after = snapshot(stage)
    changed = sorted(set(before.items()) ^ set(after.items()))
    checks.equal(changed, [], "nothing under the prefix changed")
finally:
    set_writable(scratch, True)
    if checks.failures or os.environ.get("PELORINA_KEEP_SCRATCH"):
        print("kept for inspection:", scratch)
    else:
        shutil.rmtree(scratch)
checks.finish()
