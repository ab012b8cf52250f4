// Size presets and pictures of their own for chosen sizes on the command line: the lists
// of the presets, the usage errors, and icons whose given sizes hold the given pixels
// while every other entry is what a run without them writes. The files are read by
// icotool, Pillow and our own reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "../io/writer_support.h"
#include "cli/batch.h"
#include "io/export.h"
#include "io/ico_reader.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::TempFolder;
using testing_support::U16;
using testing_support::U32;

std::vector<std::string> FormatTexts(const std::vector<FORMAT>& formats) {
    std::vector<std::string> texts;
    for (const FORMAT& f : formats) {
        texts.push_back(std::to_string(f.wBitCount) + ":" + std::to_string(f.wWidth) + "x" +
                        std::to_string(f.wHeight) + (f.bEnabled != 0 ? "" : " off"));
    }
    return texts;
}

ParsedCommandLine Parse(std::vector<std::string> args) {
    return ParseBatchArguments(args);
}

TEST(CommandLinePresets, EachNameGivesItsListInOrder) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"win11",
         {"32:256x256", "32:96x96", "32:80x80", "32:72x72", "32:64x64", "32:60x60", "32:48x48",
          "32:40x40", "32:36x36", "32:32x32", "32:30x30", "32:24x24", "32:20x20", "32:16x16"}},
        {"classic",
         {"4:32x32", "4:16x16", "8:48x48", "8:32x32", "8:24x24", "8:16x16", "24:48x48", "24:32x32",
          "24:24x24", "24:16x16", "32:256x256", "32:48x48", "32:32x32", "32:24x24", "32:16x16"}},
        {"favicon", {"32:48x48", "32:32x32", "32:16x16"}},
        {"light",
         {"8:32x32", "8:16x16", "32:256x256", "32:48x48", "32:32x32", "32:24x24", "32:16x16"}},
    };
    for (const auto& [name, list] : expected) {
        const auto r = Parse({"--create", "a.ico", "--preset", name, "in.png"});
        ASSERT_EQ(r.error, "") << name;
        EXPECT_EQ(FormatTexts(r.options.formats), list) << name;
        const auto inlined = Parse({"--create", "a.ico", "--preset=" + name, "in.png"});
        EXPECT_EQ(inlined.options.formats, r.options.formats) << name;
    }
}

TEST(CommandLinePresets, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--preset", "win11", "--formats", "32:16x16"},
        {"--formats", "32:16x16", "--preset", "win11"},
        {"--preset", "win11", "--preset", "light"},
        {"--preset", "Win11"},
        {"--preset", "windows"},
        {"--preset", ""},
        {"--preset"},
    };
    for (const auto& options : bad) {
        std::vector<std::string> args = {"--create", "a.ico"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("in.png");
        const auto r = Parse(args);
        EXPECT_NE(r.error, "") << options.front() << " " << options.size();
        EXPECT_NE(r.error.find("--"), std::string::npos) << r.error;
    }
    EXPECT_NE(Parse({"--create", "a.ico", "--formats", "32:16x16", "--preset", "light", "in.png"})
                  .error.find("--preset"),
              std::string::npos);
}

TEST(CommandLineSizePictures, ValuesAndUsageErrors) {
    auto r = Parse({"--create", "a.ico", "--size-picture", "16x16=px16.png",
                    "--size-picture=48x48=a=b.png", "in.png"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.sizePictures,
              (std::vector<SizePictureOption>{{16, 16, "px16.png"}, {48, 48, "a=b.png"}}));

    const std::vector<std::string> bad = {
        "16x16",       "16x16=",        "=px.png",       "16=px.png", "0x16=px.png",
        "16x0=px.png", "513x16=px.png", "16x513=px.png", "-16x16=a",  "16x16x16=a",
        "axb=px.png",  "16 x 16=a",     "20x20=px.png",  // no default format is 20 x 20
    };
    for (const std::string& value : bad) {
        r = Parse({"--create", "a.ico", "--size-picture", value, "in.png"});
        EXPECT_EQ(r.error.rfind("--size-picture", 0), 0u) << value << ": " << r.error;
    }
    // Twice for one size; standard input for two pictures.
    r = Parse({"--create", "a.ico", "--size-picture", "16x16=a.png", "--size-picture",
               "16x16=b.png", "in.png"});
    EXPECT_NE(r.error.find("twice"), std::string::npos) << r.error;
    r = Parse({"--create", "a.ico", "--size-picture", "16x16=-", "-"});
    EXPECT_NE(r.error.find("standard input"), std::string::npos) << r.error;
    // The size must be in the list in use: the preset's, or the exported format's.
    EXPECT_NE(Parse({"--create", "a.ico", "--preset", "favicon", "--size-picture", "24x24=a.png",
                     "in.png"})
                  .error,
              "");
    EXPECT_EQ(
        Parse({"--create", "a.ico", "--preset", "win11", "--size-picture", "20x20=a.png", "in.png"})
            .error,
        "");
    EXPECT_NE(Parse({"--export", "a.png", "--format", "32:32x32", "--size-picture", "16x16=a.png",
                     "in.png"})
                  .error,
              "");
    EXPECT_EQ(Parse({"--export", "a.png", "--format", "8:16x16", "--size-picture", "16x16=a.png",
                     "in.png"})
                  .error,
              "");
}

std::string Capture(const std::string& command) {
    std::string result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result += buffer;
    }
    ::pclose(pipe);
    return result;
}

struct Entry {
    int width = 0, height = 0, bits = 0;
    Bytes data;  // the image's bytes as stored
};

std::vector<Entry> Entries(const Bytes& ico) {
    std::vector<Entry> entries;
    const std::size_t count = U16(ico, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        Entry entry;
        entry.width = ico.at(e) == 0 ? 256 : ico.at(e);
        entry.height = ico.at(e + 1) == 0 ? 256 : ico.at(e + 1);
        entry.bits = static_cast<int>(U16(ico, e + 6));
        const std::size_t size = U32(ico, e + 8), offset = U32(ico, e + 12);
        entry.data.assign(ico.begin() + static_cast<std::ptrdiff_t>(offset),
                          ico.begin() + static_cast<std::ptrdiff_t>(offset + size));
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Our reader on one entry: an icon file holding only it.
std::unique_ptr<CIcon> ReadEntry(const Bytes& ico, std::size_t index) {
    Bytes one = {0, 0, 1, 0, 1, 0};
    one.insert(one.end(), ico.begin() + 6 + 16 * index, ico.begin() + 6 + 16 * index + 12);
    for (std::uint32_t v = 22, k = 0; k < 4; ++k, v >>= 8) {
        one.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    const Entry entry = Entries(ico).at(index);
    one.insert(one.end(), entry.data.begin(), entry.data.end());
    return ReadIconFile(one);
}

// Pillow's RGBA pixels of every entry, one line each: "WxH@BITS" and the bytes in hex, in
// Pillow's own order (largest first); see PillowLine.
std::vector<std::string> PillowPixels(const std::string& ico) {
    const std::string script =
        "import sys\n"
        "from PIL import IcoImagePlugin\n"
        "f = IcoImagePlugin.IcoFile(open(sys.argv[1], 'rb'))\n"
        "for i, e in enumerate(f.entry):\n"
        "    im = f.frame(i).convert('RGBA')\n"
        "    print('%dx%d@%d %s' % (im.size + (e['bpp'], im.tobytes().hex())))\n";
    const std::string scriptPath = ico + ".py";
    std::ofstream(scriptPath) << script;
    std::istringstream lines(
        Capture(std::string(VARLEN_SYSTEM_PYTHON) + " '" + scriptPath + "' '" + ico + "'"));
    std::vector<std::string> out;
    for (std::string line; std::getline(lines, line);) {
        out.push_back(line);
    }
    return out;
}

// The line of PillowPixels for size@bits, or "" when there is none.
std::string PillowLine(const std::vector<std::string>& lines, const std::string& size, int bits) {
    const std::string key = size + "@" + std::to_string(bits) + " ";
    for (const std::string& line : lines) {
        if (line.rfind(key, 0) == 0) {
            return line;
        }
    }
    return {};
}

std::vector<std::string> IcotoolSizes(const std::string& ico) {
    std::istringstream lines(Capture(std::string(VARLEN_ICOTOOL) + " -l '" + ico + "'"));
    std::vector<std::string> out;
    for (std::string line; std::getline(lines, line);) {
        const auto field = [&](const std::string& key) {
            const std::size_t at = line.find("--" + key + "=");
            return at == std::string::npos
                       ? std::string()
                       : line.substr(at + key.size() + 3,
                                     line.find(' ', at) - (at + key.size() + 3));
        };
        out.push_back(field("width") + "x" + field("height") + "@" + field("bit-depth"));
    }
    return out;
}

// The RGBA bytes, in hex, that a reader of a format of depth bits shows for picture: as
// drawn at 32 bits, alpha on or off below. Fully transparent pixels read as 00000000 (what
// colour a reader shows under the mask is its own choice; see Cleared).
std::string ExpectedRgbaHex(const CIcon& picture, int bits) {
    std::string hex;
    char digits[9];
    for (Pixel p : picture.Pixels()) {
        int a = Alpha(p);
        if (bits != 32) {
            a = a >= 128 ? 255 : 0;
        }
        if (a == 0) {
            std::snprintf(digits, sizeof digits, "00000000");
        } else {
            std::snprintf(digits, sizeof digits, "%02x%02x%02x%02x", Red(p), Green(p), Blue(p), a);
        }
        hex += digits;
    }
    return hex;
}

// A line of PillowPixels with the colour of every fully transparent pixel cleared.
std::string Cleared(std::string line) {
    for (std::size_t at = line.find(' ') + 1; at + 8 <= line.size(); at += 8) {
        if (line.compare(at + 6, 2, "00") == 0) {
            line.replace(at, 8, "00000000");
        }
    }
    return line;
}

// A hand-drawn side x side: a diagonal of colours on a checker of two greys, a transparent
// corner and a half-transparent pixel; few colours, so every depth holds them exactly.
std::unique_ptr<CIcon> HandDrawn(int side) {
    auto icon = CreateIcon(side, side, 32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            Pixel p = ((x / 4 + y / 4) % 2 == 0) ? MakePixel(255, 230, 230, 230)
                                                 : MakePixel(255, 90, 90, 90);
            if (x == y) {
                p = MakePixel(255, 250, 30, 30);
            } else if (x == side - 1 - y) {
                p = MakePixel(255, 20, 60, 240);
            }
            icon->Row(y)[x] = p;
        }
    }
    icon->Row(0)[side - 1] = 0;
    icon->Row(side - 1)[0] = 0;
    icon->Row(1)[2] = MakePixel(90, 250, 30, 30);
    return icon;
}

// A w x h picture: an opaque red disc on a transparent field with a blue square inside.
std::unique_ptr<CIcon> Disc(int w, int h) {
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2, r = std::min(w, h) / 2 - 1;
            Pixel p = 0;
            if (dx * dx + dy * dy <= r * r) {
                p = (std::abs(dx) < r / 3 && std::abs(dy) < r / 3) ? 0xFF0000FFu : 0xFFFF0000u;
            }
            icon->Row(y)[x] = p;
        }
    }
    return icon;
}

int RunVarlen(const std::string& args) {
    const std::string out = Capture(std::string(VARLEN_EXE) + " " + args + " 2>&1; echo status=$?");
    const std::size_t at = out.rfind("status=");
    return at == std::string::npos ? -1 : std::stoi(out.substr(at + 7));
}

TEST(BatchSizePictures, GivenPixelsInTheirEntriesAndEveryOtherEntryUnchanged) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Disc(120, 80), dir / "in.png"));
    const auto drawn = HandDrawn(16);
    ASSERT_TRUE(SavePng(*drawn, dir / "px16.png"));
    const std::string plain = (dir / "plain.ico").string(), own = (dir / "own.ico").string();
    const std::string common =
        " --brightness 30 --round 40 --sharp 2 '" + (dir / "in.png").string() + "'";
    ASSERT_EQ(RunVarlen("--create '" + plain + "'" + common), 0);
    ASSERT_EQ(RunVarlen("--create '" + own + "' --size-picture '16x16=" + (dir / "px16.png").string() +
                  "'" + common),
              0);

    const Bytes plainBytes = ReadAll(plain), ownBytes = ReadAll(own);
    const auto plainEntries = Entries(plainBytes), ownEntries = Entries(ownBytes);
    ASSERT_EQ(ownEntries.size(), 15u);
    ASSERT_EQ(plainEntries.size(), 15u);
    int sixteens = 0;
    for (std::size_t i = 0; i < ownEntries.size(); ++i) {
        const Entry& a = ownEntries[i];
        EXPECT_EQ(a.width, plainEntries[i].width);
        EXPECT_EQ(a.bits, plainEntries[i].bits);
        if (a.width == 16) {
            ++sixteens;
            EXPECT_NE(a.data, plainEntries[i].data) << a.bits;
        } else {
            EXPECT_EQ(a.data, plainEntries[i].data) << a.width << "@" << a.bits;
        }
    }
    EXPECT_EQ(sixteens, 4);

    // Our reader: the 32-bit 16 x 16 entry (the last) is the drawn picture pixel for pixel.
    const auto read = ReadEntry(ownBytes, 14);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Width(), 16);
    EXPECT_TRUE(std::equal(read->Pixels().begin(), read->Pixels().end(), drawn->Pixels().begin(),
                           drawn->Pixels().end()));

    // Pillow: the 32-bit entry as drawn; 4, 8 and 24 bits with on-or-off transparency and
    // the same colours.
    const auto pillow = PillowPixels(own);
    ASSERT_EQ(pillow.size(), 15u);
    for (const int bits : {4, 8, 24, 32}) {
        EXPECT_EQ(Cleared(PillowLine(pillow, "16x16", bits)),
                  "16x16@" + std::to_string(bits) + " " + ExpectedRgbaHex(*drawn, bits))
            << bits;
    }
    // icotool lists the same entries in the same order.
    EXPECT_EQ(IcotoolSizes(own), IcotoolSizes(plain));
    EXPECT_EQ(IcotoolSizes(own).size(), 15u);
}

TEST(BatchSizePictures, Windows11PresetWithHandDrawnSmallSizesFromAnSvg) {
    TempFolder dir;
    std::ofstream(dir / "logo.svg")
        << "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='160'>"
           "<rect x='10' y='10' width='180' height='140' rx='30' fill='#2080e0'/>"
           "<circle cx='100' cy='80' r='50' fill='#ffd020'/></svg>";
    const auto px16 = HandDrawn(16), px32 = HandDrawn(32);
    ASSERT_TRUE(SavePng(*px16, dir / "px16.png"));
    ASSERT_TRUE(SavePng(*px32, dir / "px32.png"));
    const std::string ico = (dir / "app.ico").string();
    ASSERT_EQ(RunVarlen("--create '" + ico +
                  "' --preset win11 --size-picture '16x16=" + (dir / "px16.png").string() +
                  "' --size-picture '32x32=" + (dir / "px32.png").string() + "' '" +
                  (dir / "logo.svg").string() + "'"),
              0);
    const std::vector<std::string> sizes = {
        "256x256@32", "96x96@32", "80x80@32", "72x72@32", "64x64@32", "60x60@32", "48x48@32",
        "40x40@32",   "36x36@32", "32x32@32", "30x30@32", "24x24@32", "20x20@32", "16x16@32"};
    EXPECT_EQ(IcotoolSizes(ico), sizes);
    const auto pillow = PillowPixels(ico);
    ASSERT_EQ(pillow.size(), 14u);
    EXPECT_EQ(Cleared(PillowLine(pillow, "32x32", 32)), "32x32@32 " + ExpectedRgbaHex(*px32, 32));
    EXPECT_EQ(Cleared(PillowLine(pillow, "16x16", 32)), "16x16@32 " + ExpectedRgbaHex(*px16, 32));
    // The others come from the logo: the middle of the 48 x 48 is the yellow disc.
    const std::string e48 = PillowLine(pillow, "48x48", 32);
    ASSERT_FALSE(e48.empty());
    const std::size_t middle = e48.find(' ') + 1 + (24 * 48 + 24) * 8;
    EXPECT_EQ(e48.substr(middle, 8), "ffd020ff") << e48.substr(0, 12);
    const Bytes bytes = ReadAll(ico);
    const auto read = ReadEntry(bytes, 9);
    ASSERT_TRUE(read);
    EXPECT_TRUE(std::equal(read->Pixels().begin(), read->Pixels().end(), px32->Pixels().begin(),
                           px32->Pixels().end()));
}

TEST(BatchSizePictures, AnUnreadablePictureFailsAndWritesNothing) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Disc(64, 64), dir / "in.png"));
    std::ofstream(dir / "text.png") << "not a picture";
    const std::string ico = (dir / "a.ico").string();
    for (const std::string& file : {(dir / "missing.png").string(), (dir / "text.png").string()}) {
        EXPECT_EQ(RunVarlen("--create '" + ico + "' --size-picture '16x16=" + file + "' '" +
                      (dir / "in.png").string() + "'"),
                  kExitFailed);
        EXPECT_FALSE(std::filesystem::exists(ico));
    }
    // An existing icon stays as it was.
    std::ofstream(ico) << "old";
    EXPECT_EQ(RunVarlen("--create '" + ico + "' --size-picture '16x16=" + (dir / "text.png").string() +
                  "' '" + (dir / "in.png").string() + "'"),
              kExitFailed);
    EXPECT_EQ(ReadAll(ico), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(RunVarlen("--create '" + ico + "' --size-picture 20x20=x.png '" +
                  (dir / "in.png").string() + "'"),
              kExitUsage);
}

}  // namespace
}  // namespace varlen
