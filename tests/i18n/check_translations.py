#!/usr/bin/env python3
"""Fails when a translation file is behind the sources or holds an unfinished entry.

Usage: check_translations.py LUPDATE ROOT

Each res/translations/*.ts is copied, brought up to date with the sources by lupdate
(scripts/update_translations.sh does the same in place), and compared with the committed
file: a text added to or removed from the code shows as a difference.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    lupdate, root = sys.argv[1], sys.argv[2]
    failures = []
    files = sorted(glob.glob(os.path.join(root, "res", "translations", "*.ts")))
    if not files:
        failures.append("no translation files in res/translations")
    for ts in files:
        language = os.path.basename(ts)[:-3].removeprefix("varlen_")
        with tempfile.TemporaryDirectory() as scratch:
            copy = os.path.join(scratch, os.path.basename(ts))
            shutil.copy(ts, copy)
            subprocess.run([lupdate, "-silent", "-I", ".", "-locations", "none", "-no-obsolete",
                            "-source-language", "ja", "-target-language", language,
                            "gui", "pages", "wizard", "-ts", copy],
                           cwd=root, check=True)
            with open(ts, encoding="utf-8") as f:
                committed = f.read()
            with open(copy, encoding="utf-8") as f:
                current = f.read()
        name = os.path.relpath(ts, root)
        if committed != current:
            failures.append(f"{name} is behind the sources: run scripts/update_translations.sh")
        unfinished = current.count('type="unfinished"')
        if unfinished:
            failures.append(f"{name}: {unfinished} unfinished entries")
    for f in failures:
        print(f)
    if not failures:
        print(f"{len(files)} translation file(s) up to date and complete")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
