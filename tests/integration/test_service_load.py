"""Fifty players end a game within the same second, against our service script and against vsftpd:
each runs the game's records exchange (records_client: fetch, place, name, save, merged upload). Every
name must be in the shared table afterwards: no upload may lose another's entry. Prints the time per
exchange."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import logging
import threading
import time

from harness import GAME_DIR, Checks

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "server"))
import run_service  # noqa: E402
from vsftpd_service import Unavailable, VsftpdService  # noqa: E402

CLIENT = os.path.join(GAME_DIR, "..", "tests", "load", "records_client")
PLAYERS = 50
VARIANT = 1
checks = Checks()
logging.basicConfig(level=logging.WARNING)


class ScriptService:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="pelorina-service-")
        self.server = run_service.make_server("127.0.0.1", 0, self.root)
        self.address = f"127.0.0.1:{self.server.socket.getsockname()[1]}"
        self.thread = threading.Thread(target=self.server.serve_forever, kwargs={"timeout": 0.05}, daemon=True)
        self.thread.start()

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def close(self):
        self.server.close_all()
        shutil.rmtree(self.root, ignore_errors=True)


def names(path):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    return [data[k:k + 16].split(b"\0")[0].decode("latin-1") for k in range(0, len(data) - 19, 20)], len(data)


def load(label, service):
    scratch = tempfile.mkdtemp(prefix="pelorina-load-")
    env = dict(os.environ, PELORINA_SERVICE=service.address)
    start_ms = int(time.time() * 1000) + 2000  # every client is waiting by then
    clients = []
    for i in range(PLAYERS):
        folder = os.path.join(scratch, f"p{i}")
        os.makedirs(folder)
        clients.append(subprocess.Popen([CLIENT, folder, str(VARIANT), f"player{i}", str(1000 + 10 * i),
                                         str(start_ms)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, env=env))
    results = []
    until = time.monotonic() + 60  # every exchange gives up after 4.5 s; this only bounds a hang
    for client in clients:
        try:
            out, err = client.communicate(timeout=max(1.0, until - time.monotonic()))
        except subprocess.TimeoutExpired:
            client.kill()
            out, err = client.communicate()
        values = dict(item.split("=") for item in out.split()) if client.returncode == 0 else {}
        results.append(values)
        if client.returncode != 0:
            print(f"{label}: a client ended with {client.returncode}: {err.strip()}")
    shutil.rmtree(scratch)
    table, size = names(service.path("records", f"records_v2_{VARIANT}.bin"))
    kept = sum(f"player{i}" in table for i in range(PLAYERS))
    stores = sorted(int(r.get("store_ms", 99999)) for r in results)
    fetches = sorted(int(r.get("fetch_ms", 99999)) for r in results)
    print(f"{label}: {kept} of {PLAYERS} names kept; upload (lock, merge, rename) median {stores[PLAYERS // 2]} ms, "
          f"longest {stores[-1]} ms ({stores[-1] / PLAYERS:.0f} ms per upload one after another); "
          f"download median {fetches[PLAYERS // 2]} ms, longest {fetches[-1]} ms")
    checks.equal(size, 20000, f"{label}: the shared table is whole")
    checks.equal(kept, PLAYERS, f"{label}: every name is in the shared table")
    checks.expect(all(r.get("saved") == "1" for r in results), f"{label}: every local save worked")
    # Each player's screen shows the merged table, with the player in it.
    checks.expect(all(int(r.get("final_place", -1)) >= 0 for r in results), f"{label}: every player was placed")
    leftovers = [n for n in os.listdir(service.path("records")) if n != f"records_v2_{VARIANT}.bin"]
    checks.equal(leftovers, [], f"{label}: no lock or temporary upload left on the service")
    scores = [struct.unpack("<i", open(service.path("records", f"records_v2_{VARIANT}.bin"), "rb").read()[k + 16:k + 20])[0]
              for k in range(0, 20 * PLAYERS, 20)]
    checks.equal(scores, sorted(scores, reverse=True), f"{label}: the table stays in order")


script = ScriptService()
try:
    load("service script", script)
finally:
    script.close()

try:
    vsftpd = VsftpdService()
except Unavailable as reason:
    print(f"SKIPPED vsftpd: {reason}")
    vsftpd = None
if vsftpd is not None:
    try:
        load("vsftpd", vsftpd)
    finally:
        vsftpd.close()
checks.finish()
