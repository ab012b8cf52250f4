// Reading a picture file or stream into memory and telling why it could not be read.
//
// Contract:
// - ReadPictureInput reads a whole input through a read procedure, at most
//   kMaxPictureFileBytes. It looks at the first bytes before it reads on: an input whose
//   start already rules out every picture kind (MayBePicture) is refused without reading
//   the rest. With a size hint (a regular file's size) the bytes go straight into one
//   buffer of that size; otherwise they are gathered in blocks and joined at the end, so
//   memory stays close to the input's size instead of doubling as a vector grows.
// - ReadPictureFile opens, reads and decodes a file and says why it failed: the system's
//   error (errno) for opening and reading, or our own reason (too large, empty, not a
//   picture, more pixels than we accept, damaged data).
// - ClaimedPictureSize reads the width and height a BMP, PNG, GIF or WebP header claims,
//   so that a refused picture can be reported with its figure.
//
// Traps: the read procedure may deliver fewer bytes than asked at any time (a pipe); only
// 0 means the end. A regular file may grow or shrink while it is read: the hint is only a
// first guess, and the limit is enforced on what really arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/icon.h"

namespace varlen {

enum class PictureFailure {
    kNone,
    kSystem,         // opening or reading failed; systemError holds the errno value
    kFileTooLarge,   // more than kMaxPictureFileBytes
    kEmpty,          // no bytes at all
    kNotAPicture,    // its first bytes start no kind of picture we read
    kTooManyPixels,  // wider or taller than kMaxPictureSide (claimedWidth x claimedHeight)
    kUndecodable,    // of a kind we read, but damaged, truncated or using what we do not read
};

struct PictureFailureInfo {
    PictureFailure failure = PictureFailure::kNone;
    int systemError = 0;
    std::string kind;  // "PNG", "BMP", ... for kTooManyPixels and kUndecodable
    std::int64_t claimedWidth = 0;
    std::int64_t claimedHeight = 0;
    bool sizeKnown = false;  // the claimed size was read (and is within the limit for
                             // kUndecodable)
};

struct PictureInput {
    std::vector<std::uint8_t> bytes;
    PictureFailureInfo error;  // kNone when bytes holds the whole input
};

// Reads up to n bytes into dst: the count read, 0 at the end, or -1 on an error (errno
// set).
using ReadProcedure = std::function<std::ptrdiff_t(std::uint8_t* dst, std::size_t n)>;

PictureInput ReadPictureInput(const ReadProcedure& read, std::optional<std::size_t> sizeHint,
                              std::size_t limit);

// False only when head, the first bytes of some data (all of it when complete), already
// rules out every kind of picture FromFileData reads.
bool MayBePicture(std::span<const std::uint8_t> head, bool complete);

struct PictureRead {
    std::unique_ptr<CIcon> icon;  // null on failure
    PictureFailureInfo error;
};

// What FromFileData makes of the bytes, and why it failed when it did.
PictureRead DecodePictureData(std::span<const std::uint8_t> data);
PictureRead ReadPictureFile(const std::filesystem::path& path);

// The name of the kind of picture the data starts like ("BMP", "PNG", ...), or "".
std::string PictureKindName(std::span<const std::uint8_t> data);

struct ClaimedSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};
std::optional<ClaimedSize> ClaimedPictureSize(std::span<const std::uint8_t> data);

}  // namespace varlen
