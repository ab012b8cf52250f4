#include "cli/batch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../io/writer_support.h"
#include "io/export.h"
#include "io/loaders.h"

namespace varlen {
namespace {

using testing_support::ReadAll;
using testing_support::TempFolder;
using testing_support::U16;
using testing_support::U32;

// A w x h picture: an opaque red disc on a transparent field with a blue square inside.
std::unique_ptr<CIcon> Picture(int w, int h) {
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const int r = std::min(w, h) / 2 - 1;
            Pixel p = 0;
            if (dx * dx + dy * dy <= r * r) {
                p = (std::abs(dx) < r / 3 && std::abs(dy) < r / 3) ? 0xFF0000FFu : 0xFFFF0000u;
            }
            icon->Row(y)[x] = p;
        }
    }
    return icon;
}

struct Run {
    int status;
    std::string out, err;
};

Run Batch(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = BatchMain(args, out, err);
    return {status, out.str(), err.str()};
}

std::string Capture(const std::string& command) {
    std::string result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result += buffer;
    }
    ::pclose(pipe);
    return result;
}

class BatchRun : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SavePng(*Picture(120, 80), m_dir / "in.png")); }
    std::string In() const { return (m_dir / "in.png").string(); }
    std::string Out(const std::string& name) const { return (m_dir / name).string(); }
    TempFolder m_dir;
};

TEST_F(BatchRun, CreateWritesTheDefaultFormatsInOrder) {
    const auto r = Batch({"--create", Out("a.ico"), In()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    const auto bytes = ReadAll(Out("a.ico"));
    ASSERT_GE(bytes.size(), 6u + 16u * 15u);
    EXPECT_EQ(U16(bytes, 2), 1u);
    ASSERT_EQ(U16(bytes, 4), 15u);
    for (std::size_t i = 0; i < kDefaultFormats.size(); ++i) {
        const std::size_t e = 6 + 16 * i;
        const FORMAT& f = kDefaultFormats[i];
        EXPECT_EQ(bytes[e], f.wWidth % 256) << i;
        EXPECT_EQ(U16(bytes, e + 6), f.wBitCount) << i;
    }
}

TEST_F(BatchRun, OptionsReachThePipeline) {
    // No margin crops the 120 x 80 picture to its middle 80 x 80: the disc touches every
    // edge, so the corner of the 32-bit image is transparent while the middle is blue.
    auto r = Batch(
        {"--export", Out("a.png"), "--format", "32:80x80", "--no-margin", "--no-smoothing", In()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    auto icon = FromFile(Out("a.png"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Width(), 80);
    EXPECT_EQ(Alpha(icon->GetPixel(0, 0)), 0);
    EXPECT_EQ(icon->GetPixel(40, 40), 0xFF0000FFu);

    // A background fills the transparent corners with the given colour.
    r = Batch({"--export", Out("b.png"), "--format", "32:80x80", "--no-margin", "--background",
               "00ff00", In()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    icon = FromFile(Out("b.png"));
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFF00FF00u);

    // Clearing the clicked colour everywhere removes the blue square.
    r = Batch({"--export", Out("c.png"), "--format", "32:80x80", "--no-margin", "--no-smoothing",
               "--clear-color", "40,40", In()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    icon = FromFile(Out("c.png"));
    EXPECT_EQ(Alpha(icon->GetPixel(40, 40)), 0);
    EXPECT_EQ(icon->GetPixel(40, 20), 0xFFFF0000u);
}

TEST_F(BatchRun, ExportsEachFileType) {
    ASSERT_EQ(Batch({"--export", Out("x.bmp"), "--format", "24:17x9", In()}).status, kExitOk);
    const auto bmp = ReadAll(Out("x.bmp"));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(U32(bmp, 18), 17u);

    ASSERT_EQ(Batch({"--export", Out("x.gif"), "--format", "8:16x16", In()}).status, kExitOk);
    EXPECT_EQ(ReadAll(Out("x.gif")).at(0), 'G');

    ASSERT_EQ(
        Batch({"--export", Out("x.cur"), "--format", "4:16x16", "--hotspot", "3,5", In()}).status,
        kExitOk);
    const auto cur = ReadAll(Out("x.cur"));
    ASSERT_EQ(cur.size(), 318u);
    EXPECT_EQ(U16(cur, 2), 2u);
    EXPECT_EQ(U16(cur, 10), 3u);
    EXPECT_EQ(U16(cur, 12), 5u);
}

TEST_F(BatchRun, FailuresLeaveNoOutput) {
    auto r = Batch({"--create", Out("a.ico"), Out("missing.png")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("missing.png"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Out("a.ico")));

    std::ofstream(Out("text.png")) << "not a picture";
    r = Batch({"--create", Out("a.ico"), Out("text.png")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(Out("a.ico")));

    r = Batch({"--create", Out("no/such/folder/a.ico"), In()});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);

    // A point outside the placed 120 x 120 square is a usage error.
    r = Batch({"--create", Out("a.ico"), "--clear-region", "120,0", In()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("--clear-region"), std::string::npos);
    EXPECT_NE(r.err.find("--help"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Out("a.ico")));
}

TEST_F(BatchRun, SquareLargerThanThePictureAllowsIsAUsageError) {
    // 120 x 80 allows a square of up to 1024 pixels (four times 120 is less).
    auto r = Batch({"--create", Out("a.ico"), "--square", "0,0,1025", In()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_TRUE(r.err.starts_with("varlen: --square: SIDE 1025 is larger than the 1024 x 1024"))
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(Out("a.ico")));
    r = Batch({"--export", Out("a.png"), "--format", "32:16x16", "--square", "-500,-500,1024",
               In()});
    EXPECT_EQ(r.status, kExitOk) << r.err;
}

TEST(BatchProgram, HelpVersionAndUsageStatus) {
    auto r = Batch({"--help"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_NE(r.out.find("--create OUTPUT.ico"), std::string::npos);
    r = Batch({"--version"});
    EXPECT_EQ(r.out, "Varlen Version 1.6.1\n");
    r = Batch({"--create", "a.ico", "--sharp", "12", "x.png"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err.rfind("varlen: --sharp", 0), 0u) << r.err;
}

// The program itself on a 1024 x 1024 picture, checked by icotool and Pillow.
TEST(BatchProgram, IconOfALargePictureIsReadByOtherPrograms) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Picture(1024, 1024), dir / "big.png"));
    const std::string ico = (dir / "big.ico").string();
    const std::string command = std::string(VARLEN_EXE) + " --create '" + ico + "' '" +
                                (dir / "big.png").string() + "' 2>&1; echo status=$?";
    ASSERT_NE(Capture(command).find("status=0"), std::string::npos);

    const std::string listing = Capture(std::string(VARLEN_ICOTOOL) + " -l '" + ico + "'");
    std::istringstream lines(listing);
    std::string line;
    std::size_t index = 0;
    while (std::getline(lines, line) && index < kDefaultFormats.size()) {
        const FORMAT& f = kDefaultFormats[index++];
        EXPECT_NE(line.find("--width=" + std::to_string(f.wWidth) + " "), std::string::npos)
            << line;
        EXPECT_NE(line.find("--bit-depth=" + std::to_string(f.wBitCount) + " "), std::string::npos)
            << line;
    }
    EXPECT_EQ(index, kDefaultFormats.size()) << listing;

    const std::string pillow = Capture(
        std::string(VARLEN_SYSTEM_PYTHON) + " -c \"from PIL import Image; im = Image.open('" + ico +
        "'); print(sorted(im.info['sizes'])); im.size = (256, 256); im.load(); "
        "print(im.mode, im.getpixel((128, 128)))\"");
    EXPECT_NE(pillow.find("[(16, 16), (24, 24), (32, 32), (48, 48), (256, 256)]"),
              std::string::npos)
        << pillow;
    EXPECT_NE(pillow.find("RGBA (0, 0, 255, 255)"), std::string::npos) << pillow;
}

TEST(BatchThreads, ThreadCountTakesWholeNumbersOfAtLeastOne) {
    EXPECT_EQ(ThreadCount("1"), 1);
    EXPECT_EQ(ThreadCount("3"), 3);
    EXPECT_EQ(ThreadCount("100000"), 256);
    const int automatic = ThreadCount(nullptr);
    EXPECT_GE(automatic, 1);
    EXPECT_EQ(ThreadCount(""), automatic);
    EXPECT_EQ(ThreadCount("0"), automatic);
    EXPECT_EQ(ThreadCount("-2"), automatic);
    EXPECT_EQ(ThreadCount("2x"), automatic);
}

// The program with one thread and with several writes the same bytes, for a picture with
// half-transparent edges (thresholding matters) and with effects before and after resizes.
TEST(BatchThreads, OneThreadAndSeveralWriteIdenticalFiles) {
    TempFolder dir;
    auto picture = Picture(300, 200);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            Pixel& p = picture->Row(y)[x];
            if (Alpha(p) != 0 && (x + y) % 7 == 0) {
                p = (p & 0x00FFFFFFu) | (static_cast<Pixel>(40 + (x * y) % 200) << 24);
            }
        }
    }
    ASSERT_TRUE(SavePng(*picture, dir / "in.png"));
    const std::vector<std::string> optionSets = {
        "",
        "--rotate 12.5 --light 60 --no-light-4bit --shadow 55 --round 40 --fade 30 --sharp 3 "
        "--formats 4:32x32,8:32x32,24:32x32,32:32x32,32:256x256,32:300x300,8:512x512",
        "--no-smoothing --contrast 30 --transparency -20 --png"};
    for (std::size_t k = 0; k < optionSets.size(); ++k) {
        std::vector<std::uint8_t> first;
        for (const char* threads : {"1", "3"}) {
            const std::string ico = (dir / ("out" + std::string(threads) + ".ico")).string();
            const std::string command = "VARLEN_THREADS=" + std::string(threads) + " " +
                                        std::string(VARLEN_EXE) + " --create '" + ico + "' " +
                                        optionSets[k] + " '" + (dir / "in.png").string() +
                                        "' 2>&1; echo status=$?";
            ASSERT_NE(Capture(command).find("status=0"), std::string::npos) << optionSets[k];
            const auto bytes = ReadAll(ico);
            if (first.empty()) {
                first = bytes;
            } else {
                EXPECT_EQ(bytes, first) << optionSets[k];
            }
        }
        ASSERT_FALSE(first.empty());
    }
}

}  // namespace
}  // namespace varlen
