"""Runs the real games headless in a scratch installation and reads their reports."""
import os
import shutil
import subprocess
import sys
import tempfile

GAME_DIR = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "build", "game")

# Sanitizer builds are slower; every run still ends by --quit-at long before this.
RUN_TIMEOUT_S = 300


def make_install(keep=None):
    """A scratch installation: shared read-only data linked, the player's files copied."""
    root = tempfile.mkdtemp(prefix="pelorina-")
    for name in os.listdir(GAME_DIR):
        source = os.path.join(GAME_DIR, name)
        target = os.path.join(root, name)
        if name in ("settings", "records", "version.xml"):
            if os.path.isdir(source):
                shutil.copytree(source, target)
            else:
                shutil.copy(source, target)
        elif name in ("data", "sounds", "music"):
            os.symlink(source, target)
    os.makedirs(os.path.join(root, "records"), exist_ok=True)
    return root


def read_report(path):
    values = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as file:
            for line in file:
                key, _, value = line.rstrip("\n").partition("=")
                values[key] = value
    return values


def run(game, install, script=None, quit_at=None, frame_ms=16, extra=(), timeout=RUN_TIMEOUT_S):
    """Runs one game headless with a fixed frame time; returns (exit status, stderr, report)."""
    report_path = os.path.join(install, "report.txt")
    if os.path.exists(report_path):
        os.remove(report_path)
    args = [os.path.join(GAME_DIR, game), "--headless", "--frame-ms", str(frame_ms), "--dir", install,
            "--report", report_path]
    if script is not None:
        script_path = os.path.join(install, "script.txt")
        with open(script_path, "w", encoding="utf-8") as file:
            file.write(script)
        args += ["--script", script_path]
    if quit_at is not None:
        args += ["--quit-at", str(quit_at)]
    args += list(extra)
    result = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    return result.returncode, result.stderr, read_report(report_path)


def run_reports(game, install, script, times, frame_ms=16, extra=()):
    """One run that writes its report at each of the game times; returns {time: report}."""
    paths = {t: os.path.join(install, f"report-{t}.txt") for t in times}
    args = list(extra)
    for t, path in paths.items():
        if os.path.exists(path):
            os.remove(path)
        args += ["--report-at", f"{t}:{path}"]
    run(game, install, script=script, quit_at=max(times) + frame_ms, frame_ms=frame_ms, extra=args)
    return {t: read_report(path) for t, path in paths.items()}


class Checks:
    """Collects failures so one run reports every broken expectation."""

    def __init__(self):
        self.failures = []
        self.count = 0

    def expect(self, condition, message):
        self.count += 1
        if not condition:
            self.failures.append(message)
            print("FAIL:", message)

    def equal(self, actual, expected, message):
        self.expect(actual == expected, f"{message}: expected {expected!r}, got {actual!r}")

    def finish(self):
        print(f"{self.count - len(self.failures)} passed, {len(self.failures)} failed")
        sys.exit(1 if self.failures else 0)
