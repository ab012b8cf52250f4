#include "io/picture_input.h"

#include <webp/decode.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "io/loaders.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

// Enough to tell every kind by its start: an SVG document's "<svg" may lie up to
// kSvgSniffBytes after its first "<".
constexpr std::size_t kHeadBytes = 2 * kSvgSniffBytes;
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

std::uint32_t Le16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return Le16(d, at) | (Le16(d, at + 2) << 16);
}
std::uint32_t Be16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>((d[at] << 8) | d[at + 1]);
}
std::uint32_t Be32(std::span<const std::uint8_t> d, std::size_t at) {
    return (Be16(d, at) << 16) | Be16(d, at + 2);
}

bool IsBmp(std::span<const std::uint8_t> d) {
    return d.size() >= 2 && d[0] == 'B' && d[1] == 'M';
}

// Fills buffer[filled ...] until it is full or the input ends; false on a read error.
bool Fill(const ReadProcedure& read, std::uint8_t* buffer, std::size_t size, std::size_t& filled,
          bool& ended) {
    while (filled < size) {
        const std::ptrdiff_t got = read(buffer + filled, size - filled);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            ended = true;
            return true;
        }
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

PictureInput Failed(PictureFailure failure, int systemError = 0) {
    PictureInput result;
    result.error.failure = failure;
    result.error.systemError = systemError;
    return result;
}

std::optional<ClaimedSize> JpegFrameSize(std::span<const std::uint8_t> d) {
    std::size_t pos = 2;
    while (pos + 4 <= d.size()) {
        if (d[pos] != 0xFF) {
            return std::nullopt;
        }
        const std::uint8_t marker = d[pos + 1];
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (pos + 9 > d.size()) {
                return std::nullopt;
            }
            return ClaimedSize{Be16(d, pos + 7), Be16(d, pos + 5)};
        }
        pos += 2 + Be16(d, pos + 2);
    }
    return std::nullopt;
}

}  // namespace

bool MayBePicture(std::span<const std::uint8_t> head, bool complete) {
    if (IsBmp(head) || SniffEncoded(head) != EncodedKind::Unknown) {
        return true;
    }
    if (complete) {
        return false;
    }
    // Still undecided: too short for a signature, or text that may become an SVG document.
    if (head.size() < 16) {
        return true;
    }
    std::size_t i =
        head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF ? 3 : 0;
    while (i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) {
        ++i;
    }
    if (i == head.size()) {
        return true;
    }
    return head[i] == '<' && head.size() - i < kSvgSniffBytes;
}

PictureInput ReadPictureInput(const ReadProcedure& read, std::optional<std::size_t> sizeHint,
                              std::size_t limit) {
    PictureInput result;
    std::vector<std::uint8_t>& data = result.bytes;
    bool ended = false;
    std::size_t filled = 0;
    // One byte past the limit tells an input of exactly limit bytes from a longer one.
    const std::size_t most = limit + 1;
    data.resize(std::min(kHeadBytes, most));
    if (!Fill(read, data.data(), data.size(), filled, ended)) {
        return Failed(PictureFailure::kSystem, errno);
    }
    data.resize(filled);
    if (ended && filled == 0) {
        return Failed(PictureFailure::kEmpty);
    }
    if (!MayBePicture(data, ended)) {
        return Failed(PictureFailure::kNotAPicture);
    }
    if (!ended && sizeHint && *sizeHint >= filled && *sizeHint < most) {
        // Straight into one buffer of the announced size, plus the byte that tells growth.
        data.resize(*sizeHint + 1);
        if (!Fill(read, data.data(), data.size(), filled, ended)) {
            return Failed(PictureFailure::kSystem, errno);
        }
        data.resize(filled);
    }
    if (!ended) {
        std::vector<std::vector<std::uint8_t>> blocks;
        std::size_t total = data.size();
        while (!ended) {
            std::vector<std::uint8_t> block(std::min(kBlockBytes, most - total));
            std::size_t got = 0;
            if (!Fill(read, block.data(), block.size(), got, ended)) {
                return Failed(PictureFailure::kSystem, errno);
            }
            block.resize(got);
            total += got;
            if (total > limit) {
                return Failed(PictureFailure::kFileTooLarge);
            }
            blocks.push_back(std::move(block));
            if (total == most - 1 && !ended) {
                // Exactly at the limit: one more byte decides.
                std::uint8_t extra = 0;
                std::size_t one = 0;
                if (!Fill(read, &extra, 1, one, ended)) {
                    return Failed(PictureFailure::kSystem, errno);
                }
                if (one != 0) {
                    return Failed(PictureFailure::kFileTooLarge);
                }
            }
        }
        data.reserve(total);
        for (std::vector<std::uint8_t>& block : blocks) {
            data.insert(data.end(), block.begin(), block.end());
            block = {};
        }
    }
    if (data.size() > limit) {
        return Failed(PictureFailure::kFileTooLarge);
    }
    return result;
}

std::string PictureKindName(std::span<const std::uint8_t> data) {
    if (IsBmp(data)) {
        return "BMP";
    }
    switch (SniffEncoded(data)) {
        case EncodedKind::Png:
            return "PNG";
        case EncodedKind::Jpeg:
            return "JPEG";
        case EncodedKind::Gif:
            return "GIF";
        case EncodedKind::Webp:
            return "WebP";
        case EncodedKind::Tiff:
            return "TIFF";
        case EncodedKind::Icon:
            return "icon or cursor";
        case EncodedKind::Svg:
            return "SVG";
        case EncodedKind::Unknown:
            break;
    }
    return "";
}

std::optional<ClaimedSize> ClaimedPictureSize(std::span<const std::uint8_t> d) {
    if (IsBmp(d)) {
        if (d.size() >= 14 + 8 && Le32(d, 14) == 12) {
            return ClaimedSize{Le16(d, 18), Le16(d, 20)};
        }
        if (d.size() < 14 + 12) {
            return std::nullopt;
        }
        const auto w = static_cast<std::int32_t>(Le32(d, 18));
        const auto h = static_cast<std::int32_t>(Le32(d, 22));
        return ClaimedSize{w, h < 0 ? -static_cast<std::int64_t>(h) : h};
    }
    switch (SniffEncoded(d)) {
        case EncodedKind::Png:
            if (d.size() < 24) {
                return std::nullopt;
            }
            return ClaimedSize{Be32(d, 16), Be32(d, 20)};
        case EncodedKind::Gif:
            if (d.size() < 10) {
                return std::nullopt;
            }
            return ClaimedSize{Le16(d, 6), Le16(d, 8)};
        case EncodedKind::Jpeg:
            return JpegFrameSize(d);
        case EncodedKind::Webp: {
            int w = 0;
            int h = 0;
            if (WebPGetInfo(d.data(), d.size(), &w, &h) == 0) {
                return std::nullopt;
            }
            return ClaimedSize{w, h};
        }
        default:
            return std::nullopt;
    }
}

PictureRead DecodePictureData(std::span<const std::uint8_t> data) {
    PictureRead result;
    if (data.empty()) {
        result.error.failure = PictureFailure::kEmpty;
        return result;
    }
    if (!MayBePicture(data, true)) {
        result.error.failure = PictureFailure::kNotAPicture;
        return result;
    }
    result.icon = FromFileData(data);
    if (result.icon) {
        return result;
    }
    result.error.kind = PictureKindName(data);
    const std::optional<ClaimedSize> size = ClaimedPictureSize(data);
    result.error.sizeKnown = size.has_value();
    if (size && (size->width > kMaxPictureSide || size->height > kMaxPictureSide)) {
        result.error.failure = PictureFailure::kTooManyPixels;
        result.error.claimedWidth = size->width;
        result.error.claimedHeight = size->height;
    } else {
        result.error.failure = PictureFailure::kUndecodable;
    }
    return result;
}

PictureRead ReadPictureFile(const std::filesystem::path& path) {
    PictureRead result;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        result.error.failure = PictureFailure::kSystem;
        result.error.systemError = errno != 0 ? errno : ENOENT;
        return result;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> guard(file, std::fclose);
    std::optional<std::size_t> hint;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size <= kMaxPictureFileBytes) {
            hint = static_cast<std::size_t>(size);
        }
    }
    const ReadProcedure read = [file](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
        const std::size_t got = std::fread(dst, 1, n, file);
        if (got == 0 && std::ferror(file) != 0) {
            return -1;
        }
        return static_cast<std::ptrdiff_t>(got);
    };
    errno = 0;
    PictureInput input = ReadPictureInput(read, hint, kMaxPictureFileBytes);
    if (input.error.failure != PictureFailure::kNone) {
        if (input.error.failure == PictureFailure::kSystem && input.error.systemError == 0) {
            input.error.systemError = EIO;
        }
        result.error = input.error;
        return result;
    }
    return DecodePictureData(input.bytes);
}

}  // namespace varlen
