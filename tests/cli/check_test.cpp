// varlen --check: the text report, the JSON document read back by Python's own parser,
// exit statuses, the files our --create and --export write, and files written by
// ImageMagick, Pillow and icotool.
#include "cli/check.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "../io/writer_support.h"
#include "cli/batch.h"
#include "io/export.h"
#include "io/icons.h"
#include "io/png_encode.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::Solid;
using testing_support::TempFolder;
using testing_support::WriteAll;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Check(std::vector<std::string> files, bool json = false) {
    std::ostringstream out, err;
    const int status = RunCheck(files, json, out, err);
    return {status, out.str(), err.str()};
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// Output and status of a shell command.
Outcome Shell(const std::string& command) {
    Outcome r{-1, "", ""};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return r;
    }
    char buf[512];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        r.out.append(buf, n);
    }
    r.status = ::pclose(pipe);
    return r;
}

bool HavePython() {
    return std::filesystem::exists(VARLEN_SYSTEM_PYTHON) &&
           Shell(std::string(VARLEN_SYSTEM_PYTHON) + " -c 'import PIL'").status == 0;
}

// 16 at 4 bits, 32 at 8, 48 at 32 and 256 at 32 as PNG.
Bytes Mixed() {
    CIcons icons;
    icons.Add(Solid(16, 16, 4));
    icons.Add(Solid(32, 32, 8));
    icons.Add(Solid(48, 48, 32));
    icons.Add(Solid(256, 256, 32));
    MemoryFile file;
    EXPECT_TRUE(icons.Write(file, true));
    return file.Take();
}

class CheckCommand : public ::testing::Test {
  protected:
    std::string Put(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir / name).string();
        WriteAll(path, bytes);
        return path;
    }
    TempFolder dir;
};

TEST_F(CheckCommand, TextReportOfACleanAndAPatchedFile) {
    const std::string clean = Put("clean.ico", Mixed());
    Bytes patched = Mixed();
    patched[6 + 16 * 1] = 33;  // entry 1's width
    const std::string bad = Put("bad.ico", patched);

    const Outcome ok = Check({clean});
    EXPECT_EQ(ok.status, 0);
    EXPECT_NE(ok.out.find(clean + ": icon, 4 images\n"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("  image 3: PNG 256 x 256, colour type 6, 8-bit samples, intact"),
              std::string::npos);
    EXPECT_NE(ok.out.find("  image 0: BMP header 40, 16 x 32 (image 16 x 16), planes 1, 4 bit"),
              std::string::npos);
    EXPECT_NE(ok.out.find("Windows draws"), std::string::npos);
    EXPECT_NE(ok.out.find("0 errors, 0 warnings, 0 notes\n"), std::string::npos);
    // Taskbar at 100 %: 24 pixels. Scale-down takes the next larger, 32 at 8 bits; the
    // scoring takes 48 at 32 bits (16 + 2 x 24 for the depth against 2 x 24 for the size).
    EXPECT_NE(ok.out.find("  taskbar, search, Start all-apps list    100%    24  #1 32x32 down "
                          "1.33x     #2 48x48 down 2.00x !\n"),
              std::string::npos)
        << ok.out;

    const Outcome r = Check({bad, clean});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("error   size-mismatch           entry 1: The directory says 33 x 32"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("1 error, 0 warnings, 0 notes\n"), std::string::npos);
}

TEST_F(CheckCommand, NotAnIconUnreadableAndCursor) {
    MemoryFile png;
    ASSERT_TRUE(WritePng(*Solid(8, 8, 32), png));
    const std::string picture = Put("picture.ico", png.Bytes());
    Outcome r = Check({picture});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(picture + ": not an icon or cursor\n"), std::string::npos);
    EXPECT_NE(r.out.find("error   not-icon"), std::string::npos);

    r = Check({(dir / "missing.ico").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos);

    MemoryFile cur;
    ASSERT_TRUE(WriteCursorFile(*Solid(32, 32, 32), cur, 5, 7));
    const std::string cursor = Put("arrow.cur", cur.Bytes());
    r = Check({cursor});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("cursor, 1 image\n"), std::string::npos);
    EXPECT_NE(r.out.find("hot x  hot y"), std::string::npos);
    EXPECT_EQ(r.out.find("Windows draws"), std::string::npos);
    // The same bytes named .ico: a cursor where an icon is expected.
    r = Check({Put("arrow.ico", cur.Bytes())});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("type-mismatch"), std::string::npos);
}

// The JSON document, parsed by Python's json module, which prints what it found.
TEST_F(CheckCommand, JsonParsesBackWithTheSameContent) {
    if (!HavePython()) {
        GTEST_SKIP() << "no " << VARLEN_SYSTEM_PYTHON;
    }
    Bytes patched = Mixed();
    patched[6 + 16 * 2 + 3] = 9;  // entry 2's reserved byte: a warning
    const std::string odd = (dir / "odd\xff name.ico").string();
    WriteAll(odd, patched);
    const std::string clean = Put("clean.ico", Mixed());
    const Outcome r = Check({odd, clean}, true);
    EXPECT_EQ(r.status, 0);
    const std::string json = Put("report.json", Bytes(r.out.begin(), r.out.end()));
    const std::string script = R"(import json, sys
d = json.load(open(sys.argv[1], encoding='utf-8'))
for f in d['files']:
    print(f['kind'], len(f['entries']), f['errors'], f['warnings'], f['notes'])
    print(' '.join('%s:%s:%s' % (x['severity'], x['code'], x['entry']) for x in f['findings']))
    e = f['entries'][3]
    print(e['width'], e['bitCount'], e['payload']['kind'], e['payload']['width'], e['payload']['colorType'])
    print(f['entries'][0]['payload']['paletteEntries'], f['entries'][2]['payload']['maskPresent'])
    w = {s['surface']: s for s in f['windows']}
    print(len(f['windows']), w['start-pins']['loader'], w['explorer-16']['measured'])
    c = w['taskbar-search-allapps']['cells'][1]
    print(c['scale'], c['size'], c['scaleDown']['entry'], c['scaleDown']['drawn'], c['lookup']['factor'])
    c = w['explorer-256']['cells'][1]
    print(c['size'], c['scaleDown']['drawn'], c['scaleDown']['flagged'])
print(d['files'][0]['file'].endswith('\ufffd name.ico'))
)";
    const std::string py = Put("read.py", Bytes(script.begin(), script.end()));
    const Outcome parsed =
        Shell(std::string(VARLEN_SYSTEM_PYTHON) + " " + Quote(py) + " " + Quote(json));
    ASSERT_EQ(parsed.status, 0) << parsed.out;
    const std::string file =
        "icon 4 0 1 0\n"
        "warning:entry-reserved:2\n"
        "0 32 png 256 6\n"
        "16 384\n"
        "7 LoadIconWithScaleDown True\n"
        "125 30 1 scaled-down 1.6\n"
        "320 scaled-up True\n";
    const std::string cleanFile =
        "icon 4 0 0 0\n"
        "\n"
        "0 32 png 256 6\n"
        "16 384\n"
        "7 LoadIconWithScaleDown True\n"
        "125 30 1 scaled-down 1.6\n"
        "320 scaled-up True\n";
    EXPECT_EQ(parsed.out, file + cleanFile + "True\n");
}

// The program itself: --check and --json on its command line, and its exit statuses.
TEST_F(CheckCommand, ProgramExitStatuses) {
    const std::string clean = Put("clean.ico", Mixed());
    Bytes patched = Mixed();
    patched[6 + 3] = 5;  // entry 0's reserved byte: a warning only
    const std::string warned = Put("warned.ico", patched);
    patched[6 + 16 * 3 + 15] = 0x7F;  // entry 3's offset: far outside the file
    const std::string bad = Put("bad.ico", patched);
    const std::string exe = std::string(VARLEN_EXE);
    auto run = [&exe](const std::string& args) { return Shell(exe + " " + args); };
    auto status = [](const Outcome& r) { return WIFEXITED(r.status) ? WEXITSTATUS(r.status) : -1; };

    Outcome r = run("--check " + Quote(clean) + " " + Quote(warned));
    EXPECT_EQ(status(r), 0) << r.out;
    EXPECT_NE(r.out.find("warning entry-reserved          entry 0:"), std::string::npos) << r.out;
    r = run("--check " + Quote(clean) + " " + Quote(bad));
    EXPECT_EQ(status(r), 1);
    EXPECT_NE(r.out.find("entry-outside"), std::string::npos);
    r = run("--json --check " + Quote(clean));
    EXPECT_EQ(status(r), 0);
    EXPECT_EQ(r.out.rfind("{\"files\": [\n{\"file\": ", 0), 0u) << r.out;
    EXPECT_EQ(status(run("--check " + Quote((dir / "none.ico").string()))), 1);

    // Usage errors: no file, --json alone, --check with another mode or its options.
    for (const std::string& args : std::vector<std::string>{
             "--check", "--json " + Quote(clean), "--check --create out.ico " + Quote(clean),
             "--check --png " + Quote(clean)}) {
        r = run(args);
        EXPECT_EQ(status(r), 2) << args << "\n" << r.out;
        EXPECT_NE(r.out.find("varlen: "), std::string::npos) << args;
    }
    r = run("--help");
    EXPECT_NE(r.out.find("--check"), std::string::npos);
    EXPECT_NE(r.out.find("--json"), std::string::npos);
}

// Every file our --create and --export write, over the option sets the batch tests use,
// checks without an error.
TEST_F(CheckCommand, EveryFileWeWritePasses) {
    auto picture = Solid(100, 60, 32, 0x40);
    const std::string in = (dir / "in.png").string();
    ASSERT_TRUE(SavePng(*picture, in));
    const std::vector<std::vector<std::string>> creates = {
        {},
        {"--png"},
        {"--no-margin", "--round", "30", "--formats", "32:256x256,8:48x48"},
        {"--png", "--formats", "32:512x512,32:256x256,32:64x64,24:100x30,4:1x1"},
        {"--no-smoothing", "--formats", "4:31x7,8:255x255,24:256x256"},
    };
    int n = 0;
    for (const auto& options : creates) {
        const std::string out = (dir / ("c" + std::to_string(n++) + ".ico")).string();
        std::vector<std::string> args = {"--create", out};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(in);
        std::ostringstream o, e;
        ASSERT_EQ(BatchMain(args, o, e), kExitOk) << e.str();
        const Outcome r = Check({out});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find("\nerror "), std::string::npos) << r.out;
    }
    for (const std::string format : {"4:16x16", "8:32x32", "24:48x48", "32:255x255"}) {
        const std::string out = (dir / ("x" + std::to_string(n++) + ".cur")).string();
        std::ostringstream o, e;
        const std::vector<std::string> args = {"--export",  out,   "--format", format,
                                               "--hotspot", "3,5", in};
        ASSERT_EQ(BatchMain(args, o, e), kExitOk) << e.str();
        EXPECT_EQ(Check({out}).status, 0) << format;
    }
}

// Files made by other tools: read without a crash, with the findings the rules give.
TEST_F(CheckCommand, FilesOfOtherWriters) {
    if (!HavePython() || !std::filesystem::exists(VARLEN_ICOTOOL) ||
        !std::filesystem::exists(VARLEN_IMAGEMAGICK)) {
        GTEST_SKIP() << "needs Pillow, icotool and ImageMagick";
    }
    const std::string d = dir.Path().string();
    const std::string make = std::string(VARLEN_SYSTEM_PYTHON) + " -c \"" +
                             "from PIL import Image\n"
                             "im = Image.new('RGBA', (256, 256), (200, 30, 30, 180))\n"
                             "im.save('" +
                             d +
                             "/pillow.ico', sizes=[(16, 16), (32, 32), (48, 48), (256, 256)])\n"
                             "Image.new('RGB', (48, 48), (10, 200, 30)).save('" +
                             d +
                             "/pillow_rgb.ico', sizes=[(16, 16), (48, 48)])\n"
                             "for s in (16, 32, 48): im.resize((s, s)).save('" +
                             d +
                             "/p%d.png' % s)\n"
                             "im.save('" +
                             d + "/p256.png')\n\"";
    ASSERT_EQ(Shell(make).status, 0);
    ASSERT_EQ(Shell(std::string(VARLEN_ICOTOOL) + " -c -o " + d + "/icotool.ico " + d +
                    "/p16.png " + d + "/p32.png -r " + d + "/p256.png")
                  .status,
              0);
    ASSERT_EQ(Shell(std::string(VARLEN_IMAGEMAGICK) + " " + d +
                    "/p256.png -define icon:auto-resize=256,48,32,16 " + d + "/magick.ico")
                  .status,
              0);
    ASSERT_EQ(
        Shell(std::string(VARLEN_IMAGEMAGICK) + " " + d + "/p48.png " + d + "/magick.cur").status,
        0);

    auto codes = [](const std::string& path) {
        const Bytes data = ReadAll(path);
        const IconCheckResult r = CheckIconFile(data, ExpectedKindOf(path));
        std::string s;
        for (const CheckFinding& f : r.findings) {
            s += std::string(SeverityName(f.severity)) + ":" + std::string(f.code) + ":" +
                 std::to_string(f.entry) + " ";
        }
        return s;
    };
    // Pillow stores every size as PNG: legal, noted below 256.
    EXPECT_EQ(codes(d + "/pillow.ico"), "note:png-small:0 note:png-small:1 note:png-small:2 ");
    // An RGB picture becomes RGB PNG entries whose directory still says 32 bits.
    EXPECT_EQ(codes(d + "/pillow_rgb.ico"),
              "error:png-not-rgba:0 note:png-small:0 error:depth-mismatch:0 "
              "error:png-not-rgba:1 note:png-small:1 error:depth-mismatch:1 ");
    // icotool: 16 and 32 as DIB at the fewest bits that hold them, 256 as PNG (-r).
    EXPECT_EQ(codes(d + "/icotool.ico"), "");
    EXPECT_EQ(codes(d + "/magick.ico"), "");
    // ImageMagick writes a .cur with the icon type (1) and planes and depth for a hotspot.
    EXPECT_EQ(codes(d + "/magick.cur"), "error:type-mismatch:-1 ");
}

}  // namespace
}  // namespace varlen
