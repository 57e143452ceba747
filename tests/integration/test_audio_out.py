"""The final mix of each program written with --audio-out: the splash jingle, then the music under play,
and collision notes counted while pieces fall."""
import math
import os
import shutil
import struct
import wave

from harness import Checks, make_install, run

checks = Checks()
SPLASH_END_MS = 11150


def rms(path, from_s, to_s):
    """Root mean square of the mix between two times, 0..1 of full scale."""
    with wave.open(path) as mix:
        rate, width, channels = mix.getframerate(), mix.getsampwidth(), mix.getnchannels()
        mix.setpos(int(from_s * rate))
        data = mix.readframes(int((to_s - from_s) * rate))
    if width != 2 or not data:
        return 0.0
    samples = struct.unpack(f"<{len(data) // 2}h", data)
    return math.sqrt(sum(s * s for s in samples[::7]) / max(1, len(samples[::7]))) / 32768.0


def full_scale_samples(path):
    """Samples of the mix at full scale (clipped)."""
    with wave.open(path) as mix:
        data = mix.readframes(mix.getnframes())
    samples = struct.unpack(f"<{len(data) // 2}h", data)
    return sum(1 for s in samples if s >= 32767 or s <= -32768)


def seconds(path):
    with wave.open(path) as mix:
        return mix.getnframes() / mix.getframerate(), mix.getframerate(), mix.getnchannels()


pieces = {
    "shapes": lambda t: [f"{t} button left down", f"{t + 40} button left up", f"{t + 100} button left down",
                         f"{t + 140} button left up"],
    "chains": lambda t: [f"{t} key space down", f"{t + 100} key space up"],
    "cubes": lambda t: [f"{t} key space down", f"{t + 100} key space up"],
}

for game, piece in pieces.items():
    install = make_install()
    script = [f"{SPLASH_END_MS + 800} key space down", f"{SPLASH_END_MS + 900} key space up",
              f"{SPLASH_END_MS + 1000} mouse 230 100"]
    for t in range(SPLASH_END_MS + 2500, 40000, 1500):
        script += piece(t)
    mix_path = os.path.join(install, "mix.wav")
    status, _, report = run(game, install, script="\n".join(script) + "\n", quit_at=40000,
                            extra=["--audio-out", mix_path])
    checks.equal(status, 0, f"{game}: normal end")
    checks.expect(os.path.exists(mix_path), f"{game}: the mix was written")
    if not os.path.exists(mix_path):
        continue
    length, rate, channels = seconds(mix_path)
    checks.equal((rate, channels), (44100, 2), f"{game}: 44100 Hz stereo")
    clock_s = int(report.get("game_clock_ms", "0")) / 1000.0
    checks.expect(abs(length - clock_s) < 0.1, f"{game}: the mix lasts the game clock ({length:.2f} s, {clock_s} s)")
    checks.expect(rms(mix_path, 0.3, 2.0) > 0.01, f"{game}: the splash jingle sounds")
    checks.expect(rms(mix_path, SPLASH_END_MS / 1000 + 1, SPLASH_END_MS / 1000 + 6) > 0.01,
                  f"{game}: the music plays after the splash")
    checks.expect(rms(mix_path, 30, 39) > 0.01, f"{game}: the music goes on during play")
    checks.equal(full_scale_samples(mix_path), 0, f"{game}: the mix never clips")
    checks.expect(int(report.get("collision_notes", "0")) > 0,
                  f"{game}: collision notes started: {report.get('collision_notes')}")
    shutil.rmtree(install)

checks.finish()
