#!/usr/bin/python3
"""Publishes an update of the games on the service.

Usage: publish_update.py ROOT VERSION FILE... [--cleanup PATH]...
Each FILE is SOURCE or SOURCE=PATH: the local file SOURCE is copied to
ROOT/updates.1.1/VERSION/PATH (PATH defaults to SOURCE's name), where PATH is the file's place in the
game folder. --cleanup PATH asks the games to delete PATH. A new `update` element for VERSION, listing
the files in the order given, is put first in updates.1.1/update.xml, so it is the one offered.
"""
import os
import re
import shutil
import sys
from xml.sax.saxutils import quoteattr


def safe_path(path):
    parts = path.split("/")
    return bool(path) and not path.startswith("/") and "\\" not in path and all(
        part not in ("", ".", "..") for part in parts)


def publish(root, version, files, cleanups):
    if not re.fullmatch(r"\d\.\d\.\d", version):
        raise ValueError(f"version must read digit.digit.digit: {version}")
    updates = os.path.join(root, "updates.1.1")
    target_root = os.path.join(updates, version)
    lines = [f"<update version={quoteattr(version)}>"]
    for source, path in files:
        if not safe_path(path):
            raise ValueError(f"path must stay inside the game folder: {path}")
        target = os.path.join(target_root, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
        lines.append(f"    <file path={quoteattr(path)} task=\"update\" />")
    for path in cleanups:
        if not safe_path(path):
            raise ValueError(f"path must stay inside the game folder: {path}")
        lines.append(f"    <file path={quoteattr(path)} task=\"cleanup\" />")
    lines.append("</update>")
    os.makedirs(updates, exist_ok=True)
    list_path = os.path.join(updates, "update.xml")
    old = ""
    if os.path.exists(list_path):
        with open(list_path, encoding="utf-8") as file:
            old = file.read()
    old = re.sub(r"^\s*<\?xml[^>]*\?>\s*", "", old)
    text = '<?xml version="1.0" encoding="UTF-8"?>\n' + "\n".join(lines) + "\n" + old
    temporary = list_path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as file:
        file.write(text)
    os.replace(temporary, list_path)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    root, version, rest = argv[1], argv[2], argv[3:]
    files, cleanups = [], []
    i = 0
    while i < len(rest):
        if rest[i] == "--cleanup" and i + 1 < len(rest):
            cleanups.append(rest[i + 1])
            i += 2
            continue
        source, _, path = rest[i].partition("=")
        files.append((source, path or os.path.basename(source)))
        i += 1
    publish(root, version, files, cleanups)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
