// The SVG drawing program as a child process: the same pixels as drawing in our own
// process, hostile documents (a librsvg panic, a runaway filter, a memory blow-up) ending
// the child within its limits, stand-in children that die, hang, lie or chatter, and the
// parent carrying on after each of them with the next document.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "io/picture_decoders.h"
#include "io/svg_library.h"
#include "io/svg_process.h"
#include "io/svg_render.h"
#include "io/svg_reply.h"
#include "io/writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::TempFolder;
using Clock = std::chrono::steady_clock;

const std::filesystem::path kChild = VARLEN_SVG_TEST_PROGRAM;
const std::string kOpen = R"(<svg xmlns="http://www.w3.org/2000/svg" )";

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// A document the child draws in well under a second: what each failure is followed by.
const Bytes kPlain =
    Text(kOpen + R"d(width="20" height="10"><rect width="10" height="10" fill="#f00"/></svg>)d");

void ExpectPlainDrawn(const std::filesystem::path& program = kChild) {
    const SvgChildResult r = RenderSvgInChild(program, kPlain);
    ASSERT_EQ(r.end, SvgChildEnd::kDrawn);
    ASSERT_TRUE(r.bitmap.has_value());
    EXPECT_EQ(r.bitmap->width, 1024);
    EXPECT_EQ(r.bitmap->height, 512);
    const std::uint8_t* red = r.bitmap->Row(0);
    EXPECT_EQ((std::vector<int>{red[0], red[1], red[2], red[3]}),
              (std::vector<int>{0, 0, 255, 255}));
}

TEST(SvgChild, DrawsTheSamePixelsAsOurOwnProcess) {
    const SvgLibrary lib;
    ASSERT_TRUE(lib.Ok());
    const std::string documents[] = {
        kOpen + R"d(width="20" height="10"><rect width="10" height="10" fill="#ff0000"/>
            <rect x="10" width="10" height="10" fill="#0000ff" fill-opacity="0.5"/></svg>)d",
        kOpen + R"d(viewBox="0 0 10 40"><circle cx="5" cy="20" r="4" fill="#00ff00"
            stroke="#123456" stroke-opacity="0.3"/></svg>)d",
        kOpen + R"d(width="64" height="64"><defs><linearGradient id="g"><stop offset="0"
            stop-color="#fff" stop-opacity="0"/><stop offset="1" stop-color="#08f"/>
            </linearGradient><filter id="b"><feGaussianBlur stdDeviation="2"/></filter></defs>
            <rect width="64" height="64" fill="url(#g)" filter="url(#b)"/></svg>)d",
    };
    for (const std::string& d : documents) {
        SCOPED_TRACE(d);
        const Bytes data = Text(d);
        const std::optional<DecodedBitmap> own = RenderSvgDocument(lib, data);
        ASSERT_TRUE(own.has_value());
        const SvgChildResult child = RenderSvgInChild(kChild, data);
        ASSERT_EQ(child.end, SvgChildEnd::kDrawn);
        ASSERT_TRUE(child.bitmap.has_value());
        EXPECT_EQ(child.bitmap->width, own->width);
        EXPECT_EQ(child.bitmap->height, own->height);
        EXPECT_EQ(child.bitmap->stride, own->stride);
        EXPECT_TRUE(child.bitmap->bits == own->bits);
    }
    // What the child cannot draw it refuses in words, not by dying.
    for (const std::string& d : {std::string("<svg"), kOpen + "><rect width=\"1\"/></svg>",
                                 std::string("not svg at all")}) {
        EXPECT_EQ(RenderSvgInChild(kChild, Text(d)).end, SvgChildEnd::kRefused) << d;
    }
}

// Hostile documents: each ends the child, never us, within the limits given, and the
// next document is drawn as usual.
TEST(SvgChild, HostileDocumentsEndTheChildWithinItsLimits) {
    SvgChildLimits quick;
    quick.cpuSeconds = 1;
    quick.wallMilliseconds = 4000;
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"convolve panic",
         kOpen + R"d(width="64" height="64"><filter id="f"><feConvolveMatrix
            order="3" kernelMatrix=")d" +
             Repeat("1 ", 500) +
             R"d("/></filter><rect width="64" height="64" filter="url(#f)"/></svg>)d"},
        {"text panic", kOpen + R"d(width="100" height="100" viewBox="0 0 1e-20 1e-20">
            <text font-size="1e20" y="1e-21">A</text></svg>)d"},
        {"turbulence", kOpen + R"d(width="64" height="64"><filter id="f"><feTurbulence
            baseFrequency="0.05" numOctaves="100000"/></filter>
            <rect width="64" height="64" filter="url(#f)"/></svg>)d"},
        {"chained blurs",
         kOpen + R"d(width="64" height="64"><filter id="f">)d" +
             Repeat(R"d(<feGaussianBlur stdDeviation="20"/>)d", 2000) +
             R"d(</filter><rect width="64" height="64" filter="url(#f)"/></svg>)d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Clock::time_point start = Clock::now();
        const SvgChildResult r = RenderSvgInChild(kChild, Text(c.text), quick);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_FALSE(r.bitmap.has_value());
        EXPECT_TRUE(r.end == SvgChildEnd::kSignalled || r.end == SvgChildEnd::kTimedOut)
            << static_cast<int>(r.end) << " " << r.detail;
        EXPECT_LT(seconds, 4.5);
        ExpectPlainDrawn();
    }
}

TEST(SvgChild, AMemoryBlowUpEndsAtTheMemoryLimit) {
    if (!kSvgChildMemoryLimited) {
        GTEST_SKIP() << "the sanitizer build runs the child without a memory limit";
    }
    SvgChildLimits small;
    small.memoryBytes = std::uint64_t{256} << 20;
    small.cpuSeconds = 20;
    small.wallMilliseconds = 20'000;
    // Every named result of a filter stays alive to its end: 1,000 canvases of 4 MB.
    std::string text = kOpen + R"d(width="1024" height="1024"><filter id="f">)d";
    for (int i = 0; i < 1000; ++i) {
        text += "<feOffset dx=\"1\" result=\"r" + std::to_string(i) + "\"/>";
    }
    text += R"d(</filter><rect width="1024" height="1024" filter="url(#f)"/></svg>)d";
    const Clock::time_point start = Clock::now();
    const SvgChildResult r = RenderSvgInChild(kChild, Text(text), small);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_FALSE(r.bitmap.has_value());
    // cairo and librsvg give up on a canvas they cannot allocate (the child refuses the
    // document); an allocation that aborts ends the child instead.
    EXPECT_TRUE(r.end == SvgChildEnd::kRefused || r.end == SvgChildEnd::kSignalled ||
                r.end == SvgChildEnd::kFailed)
        << static_cast<int>(r.end) << " " << r.detail;
    EXPECT_LT(seconds, 10.0);
    // Without the limit this document takes the child 4 GB; no child of this test may
    // come near that.
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 400 * 1024);
    ExpectPlainDrawn();
}

// Stand-in children written as shell scripts: each breaks the protocol in its own way.
class FakeChild : public ::testing::Test {
  protected:
    std::filesystem::path Script(const std::string& name, const std::string& body) {
        const std::filesystem::path path = m_dir / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    TempFolder m_dir;
};

// The header of a drawn reply of 1024 x h pixels, as printf octal escapes.
std::string DrawnHeader(int height) {
    return "printf 'VSVG\\0\\0\\0\\0\\0\\4\\0\\0\\" + std::to_string(height % 256 / 64) +
           std::to_string(height % 64 / 8) + std::to_string(height % 8) + "\\" +
           std::to_string(height / 256 / 64) + std::to_string(height / 256 % 64 / 8) +
           std::to_string(height / 256 % 8) + "\\0\\0'";
}

TEST_F(FakeChild, AFaithfulStandInIsBelieved) {
    const std::filesystem::path ok =
        Script("ok", "cat >/dev/null; " + DrawnHeader(2) + "; head -c 8192 /dev/zero");
    const SvgChildResult r = RenderSvgInChild(ok, kPlain);
    ASSERT_EQ(r.end, SvgChildEnd::kDrawn);
    ASSERT_TRUE(r.bitmap.has_value());
    EXPECT_EQ(r.bitmap->width, 1024);
    EXPECT_EQ(r.bitmap->height, 2);
    EXPECT_EQ(r.bitmap->bits.size(), 8192u);
}

TEST_F(FakeChild, DyingLyingAndHangingChildrenAreReportedAndReaped) {
    struct Case {
        const char* name;
        std::string body;
        SvgChildEnd end;
        int detail;
    };
    const Case cases[] = {
        {"exits", "exit 3", SvgChildEnd::kFailed, 3},
        {"crashes", "cat >/dev/null; kill -SEGV $$", SvgChildEnd::kSignalled, SIGSEGV},
        {"says nothing", "cat >/dev/null", SvgChildEnd::kBadReply, 0},
        {"short reply", "cat >/dev/null; " + DrawnHeader(1) + "; head -c 10 /dev/zero",
         SvgChildEnd::kBadReply, 0},
        {"too much", "cat >/dev/null; " + DrawnHeader(1) + "; head -c 4097 /dev/zero",
         SvgChildEnd::kBadReply, 0},
        {"endless", "cat >/dev/null; " + DrawnHeader(1) + "; exec cat /dev/zero",
         SvgChildEnd::kSignalled, SIGPIPE},
        {"huge size", "cat >/dev/null; printf 'VSVG\\0\\0\\0\\0\\377\\377\\0\\0\\0\\4\\0\\0'",
         SvgChildEnd::kBadReply, 0},
        {"wrong size", "cat >/dev/null; printf 'VSVG\\0\\0\\0\\0\\20\\0\\0\\0\\20\\0\\0\\0'",
         SvgChildEnd::kBadReply, 0},
        {"bad magic", "cat >/dev/null; printf 'PNG!\\1\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0'",
         SvgChildEnd::kBadReply, 0},
        {"reads nothing", "exec 0<&-; exec sleep 30", SvgChildEnd::kTimedOut, 0},
        {"never answers", "cat >/dev/null; exec sleep 30", SvgChildEnd::kTimedOut, 0},
        {"leaves early", "exit 0", SvgChildEnd::kBadReply, 0},
    };
    SvgChildLimits quick;
    quick.wallMilliseconds = 700;
    // Big enough that the child must read for the parent to finish sending.
    Bytes big = kPlain;
    big.resize(big.size() + (std::size_t{8} << 20), ' ');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Clock::time_point start = Clock::now();
        const SvgChildResult r = RenderSvgInChild(Script(c.name, c.body), big, quick);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.detail, c.detail);
        EXPECT_FALSE(r.bitmap.has_value());
        EXPECT_LT(seconds, 3.0);
        ExpectPlainDrawn();
    }
    EXPECT_EQ(RenderSvgInChild(m_dir / "missing", kPlain).end, SvgChildEnd::kNoProgram);
    ExpectPlainDrawn();
}

// The child's standard error is not ours, unless VARLEN_SVG_STDERR=1 asks for it.
TEST_F(FakeChild, TheChildsChatterNeverReachesOurStandardError) {
    const std::filesystem::path chatter =
        Script("chatter", "echo 'GLib-WARNING: noise' >&2; cat >/dev/null; exit 1");
    const char* old = std::getenv("VARLEN_SVG_STDERR");
    const std::string saved = old != nullptr ? old : "";
    const auto captured = [&](const char* setting) {
        if (setting != nullptr) {
            ::setenv("VARLEN_SVG_STDERR", setting, 1);
        } else {
            ::unsetenv("VARLEN_SVG_STDERR");
        }
        const std::filesystem::path path = m_dir / "stderr.txt";
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int ours = ::dup(STDERR_FILENO);
        ::dup2(file, STDERR_FILENO);
        const SvgChildResult r = RenderSvgInChild(chatter, kPlain);
        ::dup2(ours, STDERR_FILENO);
        ::close(ours);
        ::close(file);
        EXPECT_EQ(r.end, SvgChildEnd::kFailed);
        const Bytes text = testing_support::ReadAll(path);
        return std::string(text.begin(), text.end());
    };
    EXPECT_EQ(captured(nullptr), "");
    EXPECT_EQ(captured("0"), "");
    EXPECT_EQ(captured("1"), "GLib-WARNING: noise\n");
    if (old != nullptr) {
        ::setenv("VARLEN_SVG_STDERR", saved.c_str(), 1);
    } else {
        ::unsetenv("VARLEN_SVG_STDERR");
    }
}

// The parent's reading of a reply, from memory, a byte or a block at a time.
TEST(SvgReply, OnlyACompleteReplyOfAPromisedSizeIsTaken) {
    const auto read = [](const Bytes& reply, std::size_t step) {
        std::size_t at = 0;
        return ReadSvgReply([&](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
            const std::size_t k = std::min({n, step, reply.size() - at});
            std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(at), k, dst);
            at += k;
            return static_cast<std::ptrdiff_t>(k);
        });
    };
    Bytes drawn = SvgReplyHeader(kSvgReplyDrawn, 3, 1024);
    for (int i = 0; i < 3 * 1024 * 4; ++i) {
        drawn.push_back(static_cast<std::uint8_t>(i * 7));
    }
    for (const std::size_t step : {std::size_t{1}, std::size_t{5}, std::size_t{1} << 20}) {
        const SvgReply r = read(drawn, step);
        ASSERT_EQ(r.status, SvgReplyStatus::kDrawn);
        ASSERT_TRUE(r.bitmap.has_value());
        EXPECT_EQ(r.bitmap->width, 3);
        EXPECT_EQ(r.bitmap->height, 1024);
        EXPECT_EQ(r.bitmap->stride, 12u);
        EXPECT_TRUE(std::equal(r.bitmap->bits.begin(), r.bitmap->bits.end(), drawn.begin() + 16));
    }
    Bytes cut = drawn;
    cut.pop_back();
    EXPECT_EQ(read(cut, 4096).status, SvgReplyStatus::kMalformed);
    EXPECT_EQ(read(SvgReplyHeader(kSvgReplyRefused, 0, 0), 1).status, SvgReplyStatus::kRefused);
    Bytes refusedMore = SvgReplyHeader(kSvgReplyRefused, 0, 0);
    refusedMore.push_back(0);
    EXPECT_EQ(read(refusedMore, 1).status, SvgReplyStatus::kMalformed);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 1024},
                                                               {1024, 0},
                                                               {1023, 1023},
                                                               {1025, 2},
                                                               {kMaxPictureSide + 1, 1024},
                                                               {-1, 1024}}) {
        EXPECT_EQ(read(SvgReplyHeader(kSvgReplyDrawn, w, h), 4096).status,
                  SvgReplyStatus::kMalformed)
            << w << " x " << h;
    }
    EXPECT_EQ(read(SvgReplyHeader(7, 0, 0), 4096).status, SvgReplyStatus::kMalformed);
    EXPECT_EQ(read(Bytes(drawn.begin(), drawn.begin() + 15), 4096).status,
              SvgReplyStatus::kMalformed);
}

TEST(SvgChildArguments, OnlyTheParentsArgumentsAreTaken) {
    const char* good[] = {"varlen-svg", "--cpu-seconds=5", "--memory-bytes=0"};
    const std::optional<SvgChildLimits> limits = ParseSvgChildArguments(3, good);
    ASSERT_TRUE(limits.has_value());
    EXPECT_EQ(limits->cpuSeconds, 5);
    EXPECT_EQ(limits->memoryBytes, 0u);
    const char* bad[][3] = {{"x", "--cpu-seconds=0", "--memory-bytes=1"},
                            {"x", "--cpu-seconds=5x", "--memory-bytes=1"},
                            {"x", "--memory-bytes=1", "--cpu-seconds=5"},
                            {"x", "--cpu-seconds=", "--memory-bytes=1"},
                            {"x", "--cpu-seconds=5", "--memory-bytes=-1"}};
    for (const auto& args : bad) {
        EXPECT_FALSE(ParseSvgChildArguments(3, args).has_value()) << args[1] << " " << args[2];
    }
    EXPECT_FALSE(ParseSvgChildArguments(2, good).has_value());
}

}  // namespace
}  // namespace varlen
