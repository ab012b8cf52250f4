// Our files as independent readers see them: icoutils' icotool and Debian's Pillow.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "io/bmp_file_header.h"
#include "io/export.h"
#include "io/icons.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

// Output of a shell command, and whether it exited with status 0.
struct CommandResult {
    bool ok = false;
    std::string out;
};
CommandResult RunCommand(const std::string& command) {
    CommandResult r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return r;
    }
    char buf[512];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        r.out.append(buf, n);
    }
    r.ok = ::pclose(pipe) == 0;
    return r;
}
std::string Quote(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}
bool Exists(const char* tool) {
    return tool[0] != '\0' && std::filesystem::exists(tool);
}

// For each file named, Pillow prints its format, then for each image of the file (every
// size of an icon) a line "W H R G B A R G B A" with the colours of pixels (0, 0) and
// (W-1, H-1), then an empty line.
constexpr const char* kPillowScript = R"(import sys
from PIL import Image
for name in sys.argv[1:]:
    im = Image.open(name)
    print(im.format)
    sizes = sorted(im.info.get('sizes', [im.size]))
    for s in sizes:
        if im.format == 'ICO':
            im.size = s
        im.load()
        rgba = im.convert('RGBA')
        w, h = rgba.size
        print(w, h, *rgba.getpixel((0, 0)), *rgba.getpixel((w - 1, h - 1)))
    print()
)";

std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class IndependentReaders : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Exists(VARLEN_ICOTOOL)) {
            GTEST_SKIP() << "icotool (icoutils) is not installed";
        }
        if (!Exists(VARLEN_SYSTEM_PYTHON) ||
            !RunCommand(std::string(VARLEN_SYSTEM_PYTHON) + " -c 'import PIL'").ok) {
            GTEST_SKIP() << VARLEN_SYSTEM_PYTHON << " with Pillow is not available";
        }
        WriteAll(
            m_dir / "read.py",
            Bytes(kPillowScript, kPillowScript + std::char_traits<char>::length(kPillowScript)));
    }
    // The lines Pillow prints for each of files, in order.
    std::vector<std::vector<std::string>> Pillow(const std::vector<std::filesystem::path>& files) {
        std::string command = std::string(VARLEN_SYSTEM_PYTHON) + " " + Quote(m_dir / "read.py");
        for (const auto& f : files) {
            command += " " + Quote(f);
        }
        const CommandResult r = RunCommand(command);
        EXPECT_TRUE(r.ok) << r.out;
        std::vector<std::vector<std::string>> blocks(1);
        for (const std::string& line : Lines(r.out)) {
            if (line.empty()) {
                blocks.emplace_back();
            } else {
                blocks.back().push_back(line);
            }
        }
        blocks.pop_back();
        EXPECT_EQ(blocks.size(), files.size()) << r.out;
        blocks.resize(files.size());
        return blocks;
    }
    std::vector<std::string> Pillow(const std::filesystem::path& file) {
        return Pillow(std::vector<std::filesystem::path>{file})[0];
    }
    std::vector<std::string> IcotoolList(const std::filesystem::path& file) {
        const CommandResult r = RunCommand(std::string(VARLEN_ICOTOOL) + " -l " + Quote(file));
        EXPECT_TRUE(r.ok) << r.out;
        return Lines(r.out);
    }
    TempFolder m_dir;
};

// Grey 128 is an exact palette colour at 4 and 8 bits; the 32-bit corner is half clear.
std::unique_ptr<CIcon> Sample(int w, int h, int bpp) {
    auto icon = Solid(w, h, bpp, 128);
    if (bpp == 32) {
        icon->Pixels()[0] = MakePixel(100, 10, 20, 30);
    }
    return icon;
}

TEST_F(IndependentReaders, IconFileListsEverySizeAndDepth) {
    struct Format {
        int w, h, bpp;
    };
    const Format formats[] = {{16, 16, 4},    {32, 32, 8},  {48, 32, 24},  {64, 64, 32},
                              {256, 256, 32}, {63, 64, 32}, {255, 255, 8}, {64, 63, 32}};
    CIcons icons;
    for (const Format& f : formats) {
        icons.Add(Sample(f.w, f.h, f.bpp));
    }
    for (const bool png : {true, false}) {
        const auto path = m_dir / (png ? "png.ico" : "dib.ico");
        ASSERT_TRUE(icons.Save(path, png));
        const auto list = IcotoolList(path);
        ASSERT_EQ(list.size(), std::size(formats));
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Format& f = formats[i];
            std::ostringstream expected;
            expected << "--icon --index=" << i + 1 << " --width=" << f.w << " --height=" << f.h
                     << " --bit-depth=" << f.bpp
                     << " --palette-size=" << (f.bpp <= 8 ? 1 << f.bpp : 0);
            EXPECT_EQ(list[i], expected.str());
        }
        const auto lines = Pillow(path);
        ASSERT_EQ(lines.size(), 1 + std::size(formats)) << png;
        EXPECT_EQ(lines[0], "ICO");
        // Sorted by size: (16,16) (32,32) (48,32) (63,64) (64,63) (64,64) (255,255) (256,256).
        const char* expected[] = {
            "16 16 128 128 128 255 128 128 128 255",   "32 32 128 128 128 255 128 128 128 255",
            "48 32 128 128 128 255 128 128 128 255",   "63 64 10 20 30 100 128 128 128 255",
            "64 63 10 20 30 100 128 128 128 255",      "64 64 10 20 30 100 128 128 128 255",
            "255 255 128 128 128 255 128 128 128 255", "256 256 10 20 30 100 128 128 128 255"};
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(lines[i + 1], expected[i]) << (png ? "png " : "dib ") << i;
        }
    }
}

TEST_F(IndependentReaders, CursorListsHotspotAndOpens) {
    ASSERT_TRUE(SaveCursor(*Sample(16, 16, 4), m_dir / "a.cur", 5, 11));
    ASSERT_TRUE(SaveCursor(*Sample(48, 32, 32), m_dir / "b.cur", 47, 31));
    EXPECT_EQ(IcotoolList(m_dir / "a.cur"),
              (std::vector<std::string>{"--cursor --index=1 --width=16 --height=16 --bit-depth=4 "
                                        "--palette-size=16 --hotspot-x=5 --hotspot-y=11"}));
    EXPECT_EQ(IcotoolList(m_dir / "b.cur"),
              (std::vector<std::string>{"--cursor --index=1 --width=48 --height=32 --bit-depth=32 "
                                        "--palette-size=0 --hotspot-x=47 --hotspot-y=31"}));
    const auto blocks = Pillow({m_dir / "a.cur", m_dir / "b.cur"});
    EXPECT_EQ(blocks[0],
              (std::vector<std::string>{"CUR", "16 16 128 128 128 255 128 128 128 255"}));
    ASSERT_EQ(blocks[1].size(), 2u);
    EXPECT_EQ(blocks[1][1].substr(0, 6), "48 32 ");
}

TEST_F(IndependentReaders, BitmapPngAndGifOpenWithTheirSizesAndColours) {
    std::vector<std::filesystem::path> files;
    std::vector<std::string> expected;
    for (const int bpp : {4, 8, 24, 32}) {
        auto icon = Sample(7, 5, bpp);                       // odd width: padded rows
        icon->Pixels()[34] = MakePixel(255, 240, 240, 240);  // bottom-right corner
        const std::string tag = std::to_string(bpp);
        const std::string corner = bpp == 32 ? "10 20 30 " : "128 128 128 ";
        ASSERT_TRUE(SaveBmp(*icon, m_dir / (tag + ".bmp")));
        files.push_back(m_dir / (tag + ".bmp"));
        // Pillow reads a 32-bit BI_RGB bitmap without its alpha byte.
        expected.push_back("BMP|7 5 " + corner + "255 240 240 240 255");
        ASSERT_TRUE(SavePng(*icon, m_dir / (tag + ".png")));
        files.push_back(m_dir / (tag + ".png"));
        expected.push_back("PNG|7 5 " + corner + (bpp == 32 ? "100" : "255") + " 240 240 240 255");
        if (bpp <= 8) {
            ASSERT_TRUE(SaveGif(*icon, m_dir / (tag + ".gif")));
            files.push_back(m_dir / (tag + ".gif"));
            expected.push_back("GIF|7 5 128 128 128 255 240 240 240 255");
        }
    }
    const auto blocks = Pillow(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(blocks[i].size(), 2u) << files[i];
        EXPECT_EQ(blocks[i][0] + "|" + blocks[i][1], expected[i]) << files[i];
    }
}

TEST_F(IndependentReaders, SaveByTypeWritesTheFileItsExtensionNames) {
    const char* formats[] = {"BMP", "PNG", "GIF", "CUR"};
    std::vector<std::filesystem::path> files;
    for (int n = 1; n <= 4; ++n) {
        const ExportType type = *ExportTypeFromNumber(n);
        const auto path = m_dir / ("by-type" + std::string(ExportExtension(type)));
        ASSERT_EQ(ExportTypeOf(path.string()), type);
        ASSERT_TRUE(SaveExport(*Sample(12, 10, 8), type, path, 3, 9)) << n;
        files.push_back(path);
    }
    const auto blocks = Pillow(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(blocks[i].size(), 2u) << files[i];
        EXPECT_EQ(blocks[i][0], formats[i]);
        EXPECT_EQ(blocks[i][1], "12 10 128 128 128 255 128 128 128 255") << files[i];
    }
    EXPECT_EQ(IcotoolList(files[3]),
              (std::vector<std::string>{"--cursor --index=1 --width=12 --height=10 --bit-depth=8 "
                                        "--palette-size=256 --hotspot-x=3 --hotspot-y=9"}));
}

TEST_F(IndependentReaders, FileHeaderMakesADibABitmapFile) {
    // An 8-bit DIB with a two-colour table (biClrUsed 2): the offset must skip 8 bytes.
    Bytes dib(40, 0);
    dib[0] = 40;
    dib[4] = 2;  // width
    dib[8] = 1;  // height
    dib[12] = 1;
    dib[14] = 8;
    dib[32] = 2;
    const Bytes table = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    dib.insert(dib.end(), table.begin(), table.end());
    const Bytes row = {1, 0, 0, 0};  // blue, red, padding
    dib.insert(dib.end(), row.begin(), row.end());
    Bytes file = BmpFileHeaderFor(dib);
    file.insert(file.end(), dib.begin(), dib.end());
    WriteAll(m_dir / "table.bmp", file);
    EXPECT_EQ(Pillow(m_dir / "table.bmp"),
              (std::vector<std::string>{"BMP", "2 1 0 0 255 255 255 0 0 255"}));
}

}  // namespace
}  // namespace varlen
