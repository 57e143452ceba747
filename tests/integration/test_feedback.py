"""What a first-time player sees beyond the rules: the banner over the game-over cover ("Game over", or "You
won!" after the last level), the shapes hint on an empty glass after the tutorial was skipped, and the
start screen naming its game, in English and Russian."""
import os
import shutil
import subprocess

from harness import Checks, make_install, run, run_reports

checks = Checks()
SKIP = ["12000 key space down", "12100 key space up"]
KEEP = os.environ.get("KEEP_SHOTS")


def make_russian(install):
    with open(os.path.join(install, "version.xml"), "w", encoding="utf-8") as file:
        file.write('<?xml version="1.0" encoding="UTF-8"?>\n<profile>\n    <current_language value="RU" />\n'
                   '    <current_version value="1.0.0" />\n</profile>\n')


def write_chains_settings(install, **keys):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<settings gendata="0">']
    lines += [f'    <{name} value="{value}" />' for name, value in keys.items()]
    lines.append("</settings>")
    with open(os.path.join(install, "settings", "setup_1.xml"), "w", encoding="utf-8") as file:
        file.write("\n".join(lines) + "\n")


def done(install):
    if KEEP:
        print("screenshots in", install)
    else:
        shutil.rmtree(install, ignore_errors=True)


# 1. The banner: a chains game won on its only level (short lines in three colours fill the bar fast), and
# one lost when a nearly empty bar runs out, in Russian. The cover lasts 800 ms; reports every 200 ms find it.
def banner_run(name, russian, settings, script, expected):
    install = make_install()
    if russian:
        make_russian(install)
    write_chains_settings(install, **settings)
    times = list(range(13000, 25000, 200))
    reports = run_reports("chains", install, "\n".join(script) + "\n", times, frame_ms=20)
    shown = [t for t in times if reports[t].get("screen") == "game" and reports[t].get("banner") == expected]
    checks.expect(len(shown) >= 2, f"{name}: the banner {expected!r} shows during the cover: {shown}")
    if shown:
        after = [t for t in times if t > shown[-1]]
        checks.expect(all(reports[t].get("screen") == "records" and reports[t].get("banner") == "" for t in after),
                      f"{name}: the records screen follows without the banner")
        run("chains", install, script="\n".join(script) + "\n", quit_at=shown[0] + 500, frame_ms=20,
            extra=["--shot", f"{shown[0] + 400}:{install}/banner.png"])
        checks.expect(os.path.exists(os.path.join(install, "banner.png")), f"{name}: screenshot of the banner")
    done(install)


pieces = list(SKIP)
for t in range(13000, 25000, 350):
    pieces += [f"{t} key space down", f"{t + 60} key space up"]
banner_run("won", False, {"A_LINE_LEN": 2, "A_AVAILABLE_COLORS": 3, "A_MAXIMUM_LEVEL": 1}, pieces, "You won!")
banner_run("lost", True, {"A_DEFAULT_BAR_CAP": 0.02, "A_DUMP_TIME": -1}, SKIP, "Игра окончена")

# 2. Shapes after skipping the tutorial: the empty glass tells how to get pieces and how to see them, until a
# double click asks for a piece.
for russian, first, second in ((False, "Double click to get new pieces", "Hold the button on empty glass"),
                               (True, "Дважды кликните - будут фигурки", "Удерживайте кнопку на пустом")):
    install = make_install()
    if russian:
        make_russian(install)
    script = SKIP + ["16000 mouse 240 120", "18500 button left down", "18540 button left up",
                     "18600 button left down", "18640 button left up"]
    reports = run_reports("shapes", install, "\n".join(script) + "\n", [14000, 17500, 19500],
                          extra=["--shot", f"15500:{install}/hint.png"])
    language = "russian" if russian else "english"
    checks.equal(reports[14000].get("message"), first, f"{language}: the hint on the empty glass")
    checks.equal(reports[17500].get("message"), second, f"{language}: then how to see the pieces")
    checks.expect(reports[19500].get("message") not in (first, second),
                  f"{language}: the hint goes with the double click: {reports[19500].get('message')!r}")
    checks.expect(int(reports[19500].get("atoms_in_use", "0")) > 0, f"{language}: pieces came")
    done(install)

# 3. The start screen names its game: the ribbon under the logo differs between the three programs.
install = make_install()
ribbons = {}
for game in ("shapes", "chains", "cubes"):
    shot = os.path.join(install, f"start-{game}.png")
    run(game, install, quit_at=12600, extra=["--shot", f"12500:{shot}"])
    crop = subprocess.run(["convert", shot, "-crop", "150x24+165+180", "+repage", "-depth", "8", "rgb:-"],
                          capture_output=True).stdout
    ribbons[game] = crop
    checks.expect(len(crop) == 150 * 24 * 3, f"{game}: start screen shot")
checks.expect(len(set(ribbons.values())) == 3, "each start screen writes its own game's name")
make_russian(install)
run("chains", install, quit_at=12600, extra=["--shot", f"12500:{install}/start-chains-ru.png"])
checks.expect(os.path.exists(os.path.join(install, "start-chains-ru.png")), "russian start screen")
done(install)

checks.finish()
