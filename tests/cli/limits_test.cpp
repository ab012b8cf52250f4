// Limits of the batch front end: a picture above the largest accepted size is refused
// before anything is allocated, with a message naming the limit, and leaves no output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../io/writer_support.h"
#include "cli/batch.h"

namespace varlen {
namespace {

using testing_support::TempFolder;

void PutLe(std::vector<char>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// A 54-byte 24-bit BMP file whose header claims width x height pixels (no pixel data).
void WriteBmpHeader(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height) {
    std::vector<char> b = {'B', 'M'};
    PutLe(b, 54, 4);
    PutLe(b, 0, 4);
    PutLe(b, 54, 4);
    PutLe(b, 40, 4);
    PutLe(b, width, 4);
    PutLe(b, height, 4);
    PutLe(b, 1, 2);
    PutLe(b, 24, 2);
    for (int i = 0; i < 6; ++i) {
        PutLe(b, 0, 4);
    }
    std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
}

TEST(BatchLimits, PictureAboveTheSideLimitIsRefusedWithTheFigure) {
    TempFolder dir;
    const auto out = (dir / "a.ico").string();
    for (const auto& [w, h] :
         {std::pair{16385u, 1u}, std::pair{1u, 16385u}, std::pair{0x7FFFFFFFu, 0x7FFFFFFFu}}) {
        WriteBmpHeader(dir / "big.bmp", w, h);
        std::ostringstream o, e;
        const std::vector<std::string> args = {"--create", out, (dir / "big.bmp").string()};
        EXPECT_EQ(BatchMain(args, o, e), kExitFailed) << w << " x " << h;
        EXPECT_NE(e.str().find("larger than 16384 x 16384 pixels"), std::string::npos) << e.str();
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
}  // namespace varlen
