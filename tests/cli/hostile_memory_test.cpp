// The program under memory pressure and against lying headers: running out of memory ends
// the run with one line and no file left behind, a small file that announces a huge
// picture costs little more than what it holds, input that starts no picture is refused
// before it is read whole, and a long format list is written without holding every image.
// Each case runs the program itself and reads its peak memory from the kernel.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../io/writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::TempFolder;

struct ProgramRun {
    int status = -1;  // exit status, or 128 + signal
    std::string err;
    long peakKiB = 0;
};

// Runs the program with args; its standard input from inputFile (or /dev/null), its
// address space limited to limitBytes when not 0.
ProgramRun RunProgram(const std::vector<std::string>& args, const TempFolder& dir,
                      const std::string& inputFile = "/dev/null", rlim_t limitBytes = 0) {
    const std::string errPath = (dir / "stderr.txt").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inputFile.c_str(), O_RDONLY);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(err, 2);
        if (limitBytes != 0) {
            const rlimit limit{limitBytes, limitBytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(VARLEN_EXE));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(VARLEN_EXE, argv.data());
        ::_exit(127);
    }
    ProgramRun r;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) {
        return r;
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peakKiB = usage.ru_maxrss;
    const Bytes text = testing_support::ReadAll(errPath);
    r.err.assign(text.begin(), text.end());
    std::filesystem::remove(errPath);
    return r;
}

void Be32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Be32(png, static_cast<std::uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Be32(png, static_cast<std::uint32_t>(::crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A valid PNG signature and header claiming 16384 x 16384 RGBA, with one row's worth of
// compressed data: well under 100 bytes.
Bytes LyingPng() {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    Be32(ihdr, 16384);
    Be32(ihdr, 16384);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Bytes raw(101, 0);
    Bytes packed(256);
    uLongf size = packed.size();
    ::compress(packed.data(), &size, raw.data(), raw.size());
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

// A lossless WebP whose header claims 16384 x 16384 and holds 21 bytes of data.
Bytes LyingWebp() {
    const std::uint32_t bits = 16383u | (16383u << 14) | (1u << 28);
    Bytes payload = {0x2F, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                     static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    payload.resize(26, 0);
    Bytes b = {'R', 'I', 'F', 'F', 38,  0,   0,  0, 'W', 'E',
               'B', 'P', 'V', 'P', '8', 'L', 26, 0, 0,   0};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

void Le(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// A TIFF claiming 16384 x 16384 RGBA at 16 bits per sample in one deflate strip (2 GiB
// when decoded) of a few bytes.
Bytes LyingTiff() {
    Bytes raw(1000, 0);
    Bytes packed(256);
    uLongf size = packed.size();
    ::compress(packed.data(), &size, raw.data(), raw.size());
    packed.resize(size);
    const std::uint32_t entries[][4] = {{256, 4, 1, 16384}, {257, 4, 1, 16384}, {258, 3, 4, 0},
                                        {259, 3, 1, 8},     {262, 3, 1, 2},     {273, 4, 1, 0},
                                        {277, 3, 1, 4},     {278, 4, 1, 16384}, {279, 4, 1, 0},
                                        {284, 3, 1, 1},     {338, 3, 1, 2}};
    const std::uint32_t count = std::size(entries);
    const std::uint32_t samplesAt = 8 + 2 + 12 * count + 4;
    const std::uint32_t stripAt = samplesAt + 8;
    Bytes b = {'I', 'I', 42, 0};
    Le(b, 8, 4);
    Le(b, count, 2);
    for (const auto& e : entries) {
        std::uint32_t value = e[3];
        value = e[0] == 258   ? samplesAt
                : e[0] == 273 ? stripAt
                : e[0] == 279 ? static_cast<std::uint32_t>(packed.size())
                              : value;
        Le(b, e[0], 2);
        Le(b, e[1], 2);
        Le(b, e[2], 4);
        Le(b, value, 4);
    }
    Le(b, 0, 4);
    for (int i = 0; i < 4; ++i) {
        Le(b, 16, 2);
    }
    b.insert(b.end(), packed.begin(), packed.end());
    return b;
}

constexpr long kSmallFileBudgetKiB = 400 * 1024;

// A sanitizer build reserves terabytes of shadow memory and doubles what it uses, so
// neither an address-space limit nor a peak figure means anything there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryFiguresHold = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryFiguresHold = false;
#else
constexpr bool kMemoryFiguresHold = true;
#endif
#else
constexpr bool kMemoryFiguresHold = true;
#endif

TEST(HostileMemory, OutOfMemoryEndsTheRunWithOneLineAndNoFile) {
    if (!kMemoryFiguresHold) {
        GTEST_SKIP() << "address-space limits do not apply to a sanitizer build";
    }
    TempFolder dir;
    testing_support::WriteAll(dir / "lie.png", LyingPng());
    const std::string out = (dir / "out.ico").string();
    const ProgramRun r = RunProgram({"--create", out, (dir / "lie.png").string()}, dir, "/dev/null",
                                    rlim_t{512} << 20);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err,
              "varlen: not enough memory for reading '" + (dir / "lie.png").string() + "'\n");
    EXPECT_EQ(dir.Count(), 1u);  // only the picture: no output, no temporary file

    // Memory running out while the formats are built or written: the same, nothing left.
    const std::string picture = (dir / "square.png").string();
    const std::string make = std::string(VARLEN_SYSTEM_PYTHON) +
                             " -c \"import sys; from PIL import Image; "
                             "Image.new('RGB', (600, 600), (0, 90, 200)).save(sys.argv[1])\" " +
                             picture;
    ASSERT_EQ(std::system(make.c_str()), 0);
    std::string formats = "32:512x512";
    for (int i = 0; i < 40; ++i) {
        formats += ",32:512x512";
    }
    const ProgramRun late = RunProgram({"--create", out, "--formats", formats, picture}, dir,
                                       "/dev/null", rlim_t{40} << 20);
    EXPECT_EQ(late.status, 1) << late.err;
    EXPECT_EQ(late.err.rfind("varlen: not enough memory for ", 0), 0u) << late.err;
    EXPECT_EQ(late.err.find('\n'), late.err.size() - 1) << late.err;
    EXPECT_EQ(dir.Count(), 2u);
}

TEST(HostileMemory, LyingHeadersCostOnlyWhatTheFileHolds) {
    TempFolder dir;
    const std::pair<const char*, Bytes> files[] = {
        {"lie.png", LyingPng()}, {"lie.webp", LyingWebp()}, {"lie.tif", LyingTiff()}};
    for (const auto& [name, bytes] : files) {
        ASSERT_LT(bytes.size(), 1024u) << name;
        testing_support::WriteAll(dir / name, bytes);
        const ProgramRun r =
            RunProgram({"--create", (dir / "o.ico").string(), (dir / name).string()}, dir);
        EXPECT_EQ(r.status, 1) << name << r.err;
        EXPECT_NE(r.err.find("cannot read"), std::string::npos) << name << r.err;
        if (kMemoryFiguresHold) {
            EXPECT_LT(r.peakKiB, kSmallFileBudgetKiB) << name;
        }
        EXPECT_FALSE(std::filesystem::exists(dir / "o.ico"));
    }
}

TEST(HostileMemory, StandardInputThatStartsNoPictureIsNotReadWhole) {
    TempFolder dir;
    // 64 MiB of zeros in a file given as standard input: refused after its first bytes.
    {
        std::ofstream zeros(dir / "zeros", std::ios::binary);
        const std::string block(1 << 20, '\0');
        for (int i = 0; i < 64; ++i) {
            zeros << block;
        }
    }
    const ProgramRun r =
        RunProgram({"--create", (dir / "o.ico").string(), "-"}, dir, (dir / "zeros").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "varlen: cannot read standard input: it is not a picture (BMP, PNG, JPEG, "
              "GIF, WebP, TIFF, SVG, ICO or CUR)\n");
    if (kMemoryFiguresHold) {
        EXPECT_LT(r.peakKiB, 32 * 1024);
    }
}

TEST(HostileMemory, ALongFormatListIsWrittenWithoutHoldingEveryImage) {
    TempFolder dir;
    const std::string picture = (dir / "small.png").string();
    const std::string make = std::string(VARLEN_SYSTEM_PYTHON) +
                             " -c \"import sys; from PIL import Image; "
                             "Image.new('RGBA', (32, 32), (200, 0, 0, 255)).save(sys.argv[1])\" " +
                             picture;
    ASSERT_EQ(std::system(make.c_str()), 0);
    // 200 formats of 512 x 512 at 32 bits: 200 MiB of images if all were held at once.
    std::string formats = "32:512x512";
    for (int i = 1; i < 200; ++i) {
        formats += i % 2 == 0 ? ",32:512x512" : ",8:512x512";
    }
    const std::string out = (dir / "many.ico").string();
    const ProgramRun r = RunProgram({"--create", out, "--formats", formats, picture}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    if (kMemoryFiguresHold) {
        EXPECT_LT(r.peakKiB, 120 * 1024);
    }
    // icotool lists every image.
    const std::string list = std::string(VARLEN_ICOTOOL) + " -l '" + out + "' | wc -l > '" +
                             (dir / "count").string() + "'";
    ASSERT_EQ(std::system(list.c_str()), 0);
    std::ifstream count(dir / "count");
    int lines = 0;
    count >> lines;
    EXPECT_EQ(lines, 200);
}

TEST(HostileMessages, NamesAreEscapedAndReasonsGiven) {
    TempFolder dir;
    const std::string evil = (dir / "a\x1b[31m\nb.png").string();
    const ProgramRun missing = RunProgram({"--create", (dir / "o.ico").string(), evil}, dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "varlen: cannot read '" + dir.Path().string() +
                               "/a\\x1b[31m\\nb.png': No such file or directory\n");
    const ProgramRun folder =
        RunProgram({"--create", (dir / "o.ico").string(), dir.Path().string()}, dir);
    EXPECT_EQ(folder.err, "varlen: cannot read '" + dir.Path().string() + "': Is a directory\n");
    testing_support::WriteAll(dir / "empty.png", {});
    const ProgramRun empty =
        RunProgram({"--create", (dir / "o.ico").string(), (dir / "empty.png").string()}, dir);
    EXPECT_EQ(empty.err,
              "varlen: cannot read '" + (dir / "empty.png").string() + "': it is empty\n");
}

}  // namespace
}  // namespace varlen
