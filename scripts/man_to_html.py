#!/usr/bin/env python3
"""Turns the manual as groff typesets it for a terminal into an HTML page.

    LC_ALL=C.UTF-8 groff -k -man -Tutf8 -P-c doc/varlen.1 | man_to_html.py TITLE > varlen.html

groff's terminal output with -P-c marks bold as "c<BS>c" and italics as "_<BS>c"; those
become <b> and <i>, everything else is kept as preformatted text, so the Japanese names of
the wizard's controls come out as they are (groff's own HTML device has no glyphs for them).
"""
import html
import re
import sys

OVERSTRIKE = re.compile(r"(.)\x08(.)")


def convert(line):
    out, style = [], None
    i = 0
    while i < len(line):
        m = OVERSTRIKE.match(line, i)
        if m:
            kind = "i" if m.group(1) == "_" and m.group(2) != "_" else "b"
            char, i = m.group(2), m.end()
        else:
            kind, char, i = None, line[i], i + 1
        if kind != style:
            if style:
                out.append(f"</{style}>")
            if kind:
                out.append(f"<{kind}>")
            style = kind
        out.append(html.escape(char, quote=False))
    if style:
        out.append(f"</{style}>")
    return "".join(out)


def main():
    title = html.escape(sys.argv[1] if len(sys.argv) > 1 else "manual")
    text = sys.stdin.read()
    body = "\n".join(convert(line) for line in text.split("\n"))
    sys.stdout.write(f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ margin: 2em auto; max-width: 52em; padding: 0 1em; }}
pre {{ font-family: monospace; font-size: 1rem; line-height: 1.35; white-space: pre-wrap; }}
</style>
</head>
<body>
<pre>{body}</pre>
</body>
</html>
""")


if __name__ == "__main__":
    main()
