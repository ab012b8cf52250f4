// The batch front end's pictures: the newer kinds (written here by Pillow, an independent
// encoder, or by our own icon writer) and "-" for standard input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../io/writer_support.h"
#include "cli/batch.h"
#include "io/icons.h"
#include "io/loaders.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::TempFolder;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Batch(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = BatchMain(args, in, out, err);
    return {status, out.str(), err.str()};
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string kSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="20">)"
                         R"(<rect width="20" height="20" fill="#ff0000"/></svg>)";

TEST(BatchInput, EveryNewKindMakesAnIcon) {
    TempFolder dir;
    // 30 x 20, the left half opaque red, the right half transparent.
    const std::string pillow =
        std::string(VARLEN_SYSTEM_PYTHON) +
        " -c \"import sys; from PIL import Image; im = Image.new('RGBA', (30, 20), (0, 0, 0, 0)); "
        "im.paste((255, 0, 0, 255), (0, 0, 15, 20)); im.save(sys.argv[1] + '.webp', "
        "lossless=True); "
        "im.save(sys.argv[1] + '.tif'); im.save(sys.argv[1] + '.ico', sizes=[(16, 16), (30, "
        "20)])\" " +
        (dir / "p").string();
    ASSERT_EQ(Shell(pillow), 0);
    std::ofstream(dir / "p.svg") << kSvg;
    for (const char* ext : {".webp", ".tif", ".ico", ".svg"}) {
        const std::string out = (dir / (std::string("out") + ext + ".png")).string();
        const Outcome r = Batch({"--export", out, "--format", "32:32x32", "--no-margin",
                                 "--no-smoothing", (dir / (std::string("p") + ext)).string()});
        ASSERT_EQ(r.status, kExitOk) << ext << r.err;
        // No margin crops the middle square: the left part red, the right part transparent.
        const auto icon = FromFile(out);
        ASSERT_NE(icon, nullptr) << ext;
        EXPECT_EQ(icon->GetPixel(1, 16), 0xFFFF0000u) << ext;
        EXPECT_EQ(Alpha(icon->GetPixel(30, 16)), 0) << ext;
    }
}

TEST(BatchInput, DashReadsTheSameFromStandardInput) {
    TempFolder dir;
    CIcons icons;
    auto picture = CreateIcon(20, 10, 32);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            picture->Row(y)[x] = x < 10 ? 0xFF00FF00u : 0xFF0000FFu;
        }
    }
    icons.Add(std::move(picture));
    ASSERT_TRUE(icons.Save(dir / "in.ico", false));
    const auto ico = ReadAll(dir / "in.ico");
    const std::string icoText(ico.begin(), ico.end());

    for (const std::string& input : {icoText, kSvg}) {
        const std::string fromFile = (dir / "file.png").string();
        const std::string fromStdin = (dir / "stdin.png").string();
        std::ofstream(dir / "same", std::ios::binary) << input;
        ASSERT_EQ(
            Batch({"--export", fromFile, "--format", "32:24x24", (dir / "same").string()}).status,
            kExitOk);
        const Outcome r = Batch({"--export", fromStdin, "--format", "32:24x24", "-"}, input);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(ReadAll(fromStdin), ReadAll(fromFile));
    }

    const Outcome empty = Batch({"--create", (dir / "x.ico").string(), "-"}, "");
    EXPECT_EQ(empty.status, kExitFailed);
    EXPECT_NE(empty.err.find("standard input"), std::string::npos) << empty.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.ico"));

    // The program itself, with the picture piped in.
    std::ofstream(dir / "in.svg") << kSvg;
    const std::string out = (dir / "piped.ico").string();
    ASSERT_EQ(Shell("cat '" + (dir / "in.svg").string() + "' | " + VARLEN_EXE + " --create '" +
                    out + "' --formats 32:48x48 -"),
              0);
    const auto piped = FromFile(out);
    ASSERT_NE(piped, nullptr);
    EXPECT_EQ(piped->Width(), 48);
    EXPECT_EQ(piped->GetPixel(10, 24), 0xFFFF0000u);
}

// An SVG document that makes librsvg panic ends its drawing process, not the program: one
// line, exit 1, none of the library's own lines; the next SVG document is drawn as usual. The
// program finds varlen-svg beside itself (no VARLEN_SVG_ variable).
TEST(BatchInput, AnSvgThatCrashesItsDrawingIsOneLineAndTheProgramCarriesOn) {
    TempFolder dir;
    std::string kernel;
    for (int i = 0; i < 500; ++i) {
        kernel += "1 ";
    }
    std::ofstream(dir / "panic.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><filter id="f">)"
        << R"(<feConvolveMatrix order="3" kernelMatrix=")" << kernel
        << R"x("/></filter><rect width="64" height="64" filter="url(#f)"/></svg>)x";
    std::ofstream(dir / "good.svg") << kSvg;
    const std::string run = "env -u VARLEN_SVG_PROGRAM -u VARLEN_SVG_STDERR " +
                            std::string(VARLEN_EXE) + " --create '" + (dir / "o.ico").string() +
                            "' --formats 32:48x48 '";
    const std::string err = (dir / "err.txt").string();
    EXPECT_EQ(Shell(run + (dir / "panic.svg").string() + "' 2>'" + err + "'"), 1);
    const Bytes text = ReadAll(err);
    const std::string message(text.begin(), text.end());
    EXPECT_EQ(message.rfind("varlen: cannot read '" + (dir / "panic.svg").string() + "': ", 0), 0u)
        << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_NE(message.find("its SVG document is damaged"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(dir / "o.ico"));
    EXPECT_EQ(Shell(run + (dir / "good.svg").string() + "' 2>'" + err + "'"), 0);
    EXPECT_TRUE(ReadAll(err).empty());
    const auto icon = FromFile(dir / "o.ico");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetPixel(10, 24), 0xFFFF0000u);
}

TEST(BatchInput, HelpNamesThePicturesRead) {
    const Outcome r = Batch({"--help"});
    EXPECT_NE(r.out.find("WebP, TIFF, SVG"), std::string::npos);
    EXPECT_NE(r.out.find("- to read the picture from standard input"), std::string::npos);
}

}  // namespace
}  // namespace varlen
