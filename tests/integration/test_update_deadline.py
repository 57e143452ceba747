"""An update that trickles in (64 KiB/s, a 16 MiB file) must not hold the start screen for ever: after
120 s in all it fails as any failed update does and the game goes on; Escape quits at once while it
downloads. Partly downloaded files are removed, by the game or, when it was closed first, at the next
start. These runs follow the real clock (no --frame-ms), so they take about three minutes."""
import logging
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from pyftpdlib.handlers import ThrottledDTPHandler

from harness import GAME_DIR, Checks, make_install, read_report

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "server"))
import publish_update  # noqa: E402
import run_service  # noqa: E402

logging.basicConfig(level=logging.WARNING)
checks = Checks()
root = tempfile.mkdtemp(prefix="pelorina-service-")
server = run_service.make_server("127.0.0.1", 0, root)


class Trickle(ThrottledDTPHandler):
    write_limit = 64 * 1024  # bytes a second to the game


server.handler.dtp_handler = Trickle
threading.Thread(target=server.serve_forever, kwargs={"timeout": 0.05}, daemon=True).start()
address = f"127.0.0.1:{server.socket.getsockname()[1]}"
source = os.path.join(root, "big.bin")
with open(source, "wb") as file:
    file.write(os.urandom(1 << 20) * 16)
publish_update.publish(root, "1.2.9", [(source, "records/big.bin")], [])


def start(install, script, quit_at):
    script_path = os.path.join(install, "script.txt")
    with open(script_path, "w") as file:
        file.write("\n".join(script) + "\n")
    with open(os.path.join(install, "version.xml"), "w", encoding="utf-8") as file:
        file.write('<?xml version="1.0" encoding="UTF-8"?>\n<profile>\n    <current_language value="EN" />\n'
                   '    <current_version value="1.2.3" />\n</profile>\n')
    report = os.path.join(install, "report.txt")
    args = [os.path.join(GAME_DIR, "shapes"), "--headless", "--dir", install, "--report", report, "--script",
            script_path, "--quit-at", str(quit_at), "--report-at", f"40000:{report}.40"]
    env = dict(os.environ, PELORINA_SERVICE=address)
    return subprocess.Popen(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True), report


def parts(install):
    return [n for n in os.listdir(os.path.join(install, "records")) if ".part" in n]


Y = ["18000 key y down", "18100 key y up"]

# Escape while "Downloading" shows: the game ends at once and leaves no partial file.
install = make_install()
game, report = start(install, Y + ["30000 key escape down", "30100 key escape up"], 300000)
game.wait(timeout=120)
escaped = read_report(report)
checks.equal(game.returncode, 0, "Escape during the download ends the game normally")
checks.expect(int(escaped.get("game_clock_ms", "999999")) < 40000,
              f"Escape quit at once: {escaped.get('game_clock_ms')} ms of game time")
checks.equal(escaped.get("update_result"), "none", "the update had not ended")
checks.equal(parts(install), [], "the partial file went with the game")
checks.expect(not os.path.exists(os.path.join(install, "records", "big.bin")), "no update file came")

# A partial file that outlived its game (as after a kill) goes at the next start.
stale = os.path.join(install, "records", "big.bin.part999999999-0")
with open(stale, "wb") as file:
    file.write(b"x" * 1000)
status = subprocess.run([os.path.join(GAME_DIR, "shapes"), "--headless", "--frame-ms", "16", "--dir", install,
                         "--quit-at", "500"], capture_output=True, timeout=60).returncode
checks.equal(status, 0, "the next start ends normally")
checks.expect(not os.path.exists(stale), "the left-over partial file is removed at start")
shutil.rmtree(install)

# Waiting: after 120 s the update fails, the dialogue goes on, and the game can be played.
install = make_install()
began = time.monotonic()
game, report = start(install, Y, 160000)
game.wait(timeout=300)
seconds = time.monotonic() - began
final = read_report(report)
during = read_report(report + ".40")
print(f"trickling update: the run took {seconds:.0f} s; message at the end: {final.get('message')!r}")
checks.expect(during.get("message", "").startswith("Downloading"), f"downloading at 40 s: {during.get('message')!r}")
checks.equal(game.returncode, 0, "the run ends normally")
checks.equal(final.get("update_result"), "failed", "the trickling update failed")
checks.expect(not final.get("message", "").startswith("Downloading"), "the dialogue went on past Downloading")
checks.equal(final.get("screen"), "game", "the game screen followed (tutorial or play)")
checks.equal(parts(install), [], "no partial file is left")
checks.expect(not os.path.exists(os.path.join(install, "records", "big.bin")), "no update file came")
version = open(os.path.join(install, "version.xml"), encoding="utf-8").read()
checks.expect('value="1.2.3"' in version, "the profile keeps its version")
shutil.rmtree(install)

server.close_all()
shutil.rmtree(root)
checks.finish()
