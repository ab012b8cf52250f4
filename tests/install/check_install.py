#!/usr/bin/python3
"""Installs a built Varlen into a temporary prefix and checks the installed tree: exactly
the expected files; the program runs from there and draws SVG with its installed drawing
program; the icons have their sizes and show the
artwork; varlen.ico holds the standard formats; the launcher and the metainfo agree with
each other and pass desktop-file-validate and appstreamcli; the manual renders without a
warning and documents every option of --help.

  check_install.py CMAKE BUILD_DIR SOURCE_DIR VERSION
"""
import configparser
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

from PIL import Image

CMAKE, BUILD, SOURCE, VERSION = sys.argv[1:5]
APP_ID = "example.orvik.Varlen"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
# The standard formats of --create, in the order the icon file holds them.
STANDARD_FORMATS = [(4, 32), (4, 16), (8, 48), (8, 32), (8, 24), (8, 16), (24, 48), (24, 32),
                    (24, 24), (24, 16), (32, 256), (32, 48), (32, 32), (32, 24), (32, 16)]
PICTURE_TYPES = {"image/bmp", "image/png", "image/jpeg", "image/gif", "image/webp",
                 "image/tiff", "image/svg+xml", "image/vnd.microsoft.icon", "image/x-icon",
                 "image/x-win-bitmap"}
EXPECTED_FILES = {
    "bin/varlen",
    "libexec/varlen/varlen-wizard",
    "libexec/varlen/varlen-svg",
    f"share/applications/{APP_ID}.desktop",
    f"share/metainfo/{APP_ID}.metainfo.xml",
    "share/man/man1/varlen.1",
    "share/doc/varlen/LICENSE",
    "share/doc/varlen/README.md",
    "share/doc/varlen/varlen.html",
    "share/varlen/varlen.ico",
} | {f"share/icons/hicolor/{n}x{n}/apps/varlen.png" for n in ICON_SIZES}


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls._tmp = tempfile.TemporaryDirectory(prefix="varlen-install-")
        cls.prefix = cls._tmp.name
        done = run(CMAKE, "--install", BUILD, "--prefix", cls.prefix)
        if done.returncode != 0:
            raise RuntimeError("cmake --install failed:\n" + done.stdout + done.stderr)

    @classmethod
    def tearDownClass(cls):
        cls._tmp.cleanup()

    def path(self, relative):
        return os.path.join(self.prefix, relative)

    def test_holds_exactly_the_expected_files(self):
        found = set()
        for root, _, files in os.walk(self.prefix):
            for name in files:
                found.add(os.path.relpath(os.path.join(root, name), self.prefix))
        self.assertEqual(found, EXPECTED_FILES)

    def test_program_runs_from_the_prefix(self):
        done = run(self.path("bin/varlen"), "--version", env=dict(os.environ, DISPLAY=""))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout, f"Varlen Version {VERSION}\n")

    def test_program_draws_svg_with_the_installed_drawing_program(self):
        # SVG is drawn by libexec/varlen/varlen-svg, found from bin/varlen's place alone.
        env = {k: v for k, v in os.environ.items() if not k.startswith("VARLEN_SVG")}
        env["DISPLAY"] = ""
        with tempfile.TemporaryDirectory(prefix="varlen-svg-") as tmp:
            svg = os.path.join(tmp, "in.svg")
            ico = os.path.join(tmp, "out.ico")
            with open(svg, "w", encoding="utf-8") as f:
                f.write('<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">'
                        '<rect width="10" height="10" fill="#00ff00"/></svg>')
            done = run(self.path("bin/varlen"), "--create", ico, "--formats", "32:48x48", svg,
                       env=env)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertEqual(done.stderr, "")
            icon = Image.open(ico)
            icon.size = (48, 48)
            self.assertEqual(icon.convert("RGBA").getpixel((24, 24)), (0, 255, 0, 255))

    def test_program_becomes_the_installed_wizard(self):
        # Without a batch switch varlen becomes libexec/varlen/varlen-wizard; the wizard keeps
        # running (offscreen) until it is stopped, where a missing wizard fails at once.
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        with subprocess.Popen([self.path("bin/varlen")], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True) as wizard:
            try:
                _, err = wizard.communicate(timeout=3)
                self.fail(f"varlen ended with {wizard.returncode}: {err}")
            except subprocess.TimeoutExpired:
                wizard.kill()
                wizard.communicate()

    def test_icons_have_their_sizes_and_show_the_artwork(self):
        artwork = Image.open(os.path.join(SOURCE, "res", "varlen.png")).convert("RGBA")
        for n in ICON_SIZES:
            with self.subTest(size=n):
                icon = Image.open(self.path(f"share/icons/hicolor/{n}x{n}/apps/varlen.png"))
                self.assertEqual(icon.format, "PNG")
                self.assertEqual(icon.size, (n, n))
                self.assertEqual(icon.mode, "RGBA")
                # Corners are transparent and the middle opaque, as in the artwork.
                alpha = icon.getchannel("A")
                self.assertEqual(alpha.getpixel((0, 0)), 0)
                self.assertEqual(alpha.getpixel((n - 1, n - 1)), 0)
                self.assertEqual(alpha.getpixel((n // 2, n // 2)), 255)
                # Close to Pillow's area-average reduction of the artwork. The two filters
                # differ most at the edges, which weigh more the smaller the icon; a
                # mirrored artwork is 21 (at 256) to 33 (at 16) away.
                reference = artwork.resize((n, n), Image.BOX)
                self.assertLess(weighted_difference(icon, reference), 6 + 320 / n)

    def test_ico_holds_the_standard_formats(self):
        done = run("icotool", "-l", self.path("share/varlen/varlen.ico"))
        self.assertEqual(done.returncode, 0, done.stderr)
        entries = []
        for line in done.stdout.splitlines():
            fields = dict(re.findall(r"--([a-z-]+)=(\d+)", line))
            self.assertEqual(fields["width"], fields["height"], line)
            entries.append((int(fields["bit-depth"]), int(fields["width"])))
        self.assertEqual(entries, STANDARD_FORMATS)
        # Built with --png: the 32-bit images of 64 x 64 and larger are stored as PNG.
        with open(self.path("share/varlen/varlen.ico"), "rb") as f:
            data = f.read()
        stored_as_png = []
        for i in range(len(STANDARD_FORMATS)):
            _, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
            stored_as_png.append(data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n")
        self.assertEqual(stored_as_png, [d == 32 and n >= 64 for d, n in STANDARD_FORMATS])

    def test_launcher_is_valid_and_opens_pictures(self):
        desktop = self.path(f"share/applications/{APP_ID}.desktop")
        done = run("desktop-file-validate", desktop)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertNotIn("error", done.stdout + done.stderr)

        entry = read_desktop_entry(desktop)
        self.assertEqual(entry["Name"], "Varlen")
        self.assertTrue(entry["Comment"])
        self.assertTrue(entry["Comment[ja]"])
        self.assertIn("Graphics", entry["Categories"].split(";"))
        self.assertEqual(entry["Exec"], "varlen %f")
        self.assertTrue(os.access(self.path("bin/" + entry["TryExec"]), os.X_OK))
        self.assertTrue(os.path.isfile(
            self.path(f"share/icons/hicolor/48x48/apps/{entry['Icon']}.png")))
        declared = set(filter(None, entry["MimeType"].split(";")))
        self.assertEqual(declared, PICTURE_TYPES)

    def test_metainfo_is_valid_and_matches_the_launcher(self):
        metainfo = self.path(f"share/metainfo/{APP_ID}.metainfo.xml")
        done = run("appstreamcli", "validate", "--no-net", metainfo)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        done = run("appstreamcli", "validate-tree", "--no-net", self.prefix)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

        root = ET.parse(metainfo).getroot()
        lang = "{http://www.w3.org/XML/1998/namespace}lang"
        self.assertEqual(root.findtext("id"), APP_ID)
        self.assertEqual(root.findtext("launchable"), APP_ID + ".desktop")
        self.assertEqual(root.findtext("provides/binary"), "varlen")
        self.assertEqual({s.get(lang) for s in root.findall("summary")}, {None, "ja"})
        # The newest release is the version the program reports.
        self.assertEqual(root.find("releases/release").get("version"), VERSION)

    def test_manual_renders_cleanly_and_covers_every_option(self):
        manual = self.path("share/man/man1/varlen.1")
        done = run("groff", "-k", "-man", "-Tutf8", "-ww", "-z", manual,
                   env=dict(os.environ, LC_ALL="C.UTF-8"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, "")

        with open(manual, encoding="utf-8") as f:
            text = f.read().replace("\\-", "-")
        usage = run(self.path("bin/varlen"), "--help").stdout
        options = set(re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", usage))
        self.assertGreater(len(options), 20)
        missing = [o for o in sorted(options)
                   if not re.search(re.escape(o) + r"(?![a-z0-9-])", text)]
        self.assertEqual(missing, [], "options of --help missing from the manual")
        self.assertIn("EXIT STATUS", text)


def weighted_difference(a, b):
    """Mean difference per channel of two RGBA pictures of one size, colours weighted by
    their alpha (so the colour of fully transparent pixels does not count)."""
    total = 0.0
    pixels = list(zip(a.getdata(), b.getdata()))
    for p, q in pixels:
        pa, qa = p[3] / 255.0, q[3] / 255.0
        total += sum(abs(p[c] * pa - q[c] * qa) for c in range(3)) + abs(p[3] - q[3])
    return total / (4 * len(pixels))


def read_desktop_entry(path):
    parser = configparser.RawConfigParser(strict=True, interpolation=None)
    parser.optionxform = str  # keys are case-sensitive
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    return dict(parser["Desktop Entry"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
