// Reading pictures into memory: the start of an input is looked at before the rest is
// read, the size limit holds for streams and files alike, failures say why, and icon
// files written in batches are the bytes of one whole write.
#include "io/picture_input.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "io/icons.h"
#include "io/loaders.h"
#include "writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::TempFolder;

// A stream of `size` bytes (pattern repeated from the start), delivered in pieces of at
// most `piece` bytes; counts what was asked of it.
struct Source {
    Bytes start;
    std::size_t size = 0;
    std::size_t piece = 4096;
    std::size_t delivered = 0;

    ReadProcedure Procedure() {
        return [this](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
            const std::size_t k = std::min({n, piece, size - delivered});
            for (std::size_t i = 0; i < k; ++i) {
                const std::size_t at = delivered + i;
                dst[i] = at < start.size() ? start[at] : static_cast<std::uint8_t>(at);
            }
            delivered += k;
            return static_cast<std::ptrdiff_t>(k);
        };
    }
};

TEST(PictureInput, WhatStartsNoPictureIsRefusedBeforeTheRestIsRead) {
    Source zeros{Bytes(16, 0), std::size_t{1} << 30};
    zeros.start.assign(1 << 20, 0);
    const PictureInput r = ReadPictureInput(zeros.Procedure(), std::nullopt, kMaxPictureFileBytes);
    EXPECT_EQ(r.error.failure, PictureFailure::kNotAPicture);
    EXPECT_LE(zeros.delivered, std::size_t{1} << 20);

    // White space may still become an SVG document, and "<" starts one only within the
    // sniffing window: both read on until they can tell.
    Source spaces{Bytes(300000, ' '), 300000};
    const PictureInput all = ReadPictureInput(spaces.Procedure(), std::nullopt, 1 << 20);
    EXPECT_EQ(all.error.failure, PictureFailure::kNone);
    EXPECT_EQ(spaces.delivered, 300000u);
    EXPECT_EQ(DecodePictureData(all.bytes).error.failure, PictureFailure::kNotAPicture);
    Bytes late(200000, 'x');
    late[0] = '<';
    Source text{late, late.size()};
    EXPECT_EQ(ReadPictureInput(text.Procedure(), std::nullopt, 1 << 20).error.failure,
              PictureFailure::kNotAPicture);
    EXPECT_LT(text.delivered, late.size());
}

TEST(PictureInput, StreamsAndHintedFilesArriveWholeUpToTheLimit) {
    Bytes start = {'B', 'M'};
    for (const std::size_t piece : {std::size_t{1}, std::size_t{777}, std::size_t{1} << 20}) {
        for (const std::optional<std::size_t> hint :
             {std::optional<std::size_t>{}, std::optional<std::size_t>{3000000},
              std::optional<std::size_t>{10}, std::optional<std::size_t>{2999999}}) {
            if (piece == 1 && hint && *hint != 3000000) {
                continue;  // slow and adds nothing
            }
            Source s{start, 3000000, piece};
            const PictureInput r = ReadPictureInput(s.Procedure(), hint, 3000000);
            ASSERT_EQ(r.error.failure, PictureFailure::kNone) << piece;
            ASSERT_EQ(r.bytes.size(), 3000000u);
            EXPECT_EQ(r.bytes[0], 'B');
            EXPECT_EQ(r.bytes[2999999], static_cast<std::uint8_t>(2999999));
            Source longer{start, 3000001, piece};
            EXPECT_EQ(ReadPictureInput(longer.Procedure(), hint, 3000000).error.failure,
                      PictureFailure::kFileTooLarge);
        }
    }
    Source empty{{}, 0};
    EXPECT_EQ(ReadPictureInput(empty.Procedure(), std::nullopt, 10).error.failure,
              PictureFailure::kEmpty);
    const ReadProcedure failing = [](std::uint8_t*, std::size_t) -> std::ptrdiff_t {
        errno = EIO;
        return -1;
    };
    const PictureInput r = ReadPictureInput(failing, std::nullopt, 10);
    EXPECT_EQ(r.error.failure, PictureFailure::kSystem);
    EXPECT_EQ(r.error.systemError, EIO);
}

TEST(PictureInput, FilesSayWhyTheyCannotBeRead) {
    TempFolder dir;
    EXPECT_EQ(ReadPictureFile(dir / "missing.png").error.systemError, ENOENT);
    EXPECT_EQ(ReadPictureFile(dir.Path()).error.systemError, EISDIR);
    testing_support::WriteAll(dir / "empty", {});
    EXPECT_EQ(ReadPictureFile(dir / "empty").error.failure, PictureFailure::kEmpty);
    testing_support::WriteAll(dir / "text", Bytes(100, 'x'));
    EXPECT_EQ(ReadPictureFile(dir / "text").error.failure, PictureFailure::kNotAPicture);

    // A PNG header claiming 20000 x 3 pixels, and one of an allowed size that holds no rows.
    Bytes png = {0x89, 'P',  'N',  'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                 0,    0x4E, 0x20, 0,   0,    0,    3,    8,    6, 0, 0, 0,  0,   0,   0,   0};
    const PictureRead big = DecodePictureData(png);
    EXPECT_EQ(big.error.failure, PictureFailure::kTooManyPixels);
    EXPECT_EQ(big.error.kind, "PNG");
    EXPECT_EQ(big.error.claimedWidth, 20000);
    EXPECT_EQ(big.error.claimedHeight, 3);
    png[18] = 0;
    png[19] = 0x10;
    const PictureRead damaged = DecodePictureData(png);
    EXPECT_EQ(damaged.error.failure, PictureFailure::kUndecodable);
    EXPECT_EQ(damaged.icon, nullptr);
}

TEST(IconBatches, WrittenInBatchesIsTheSameFile) {
    TempFolder dir;
    CIcons whole;
    const int sides[] = {16, 70, 1, 33, 64};
    const int depths[] = {32, 32, 4, 8, 24};
    auto make = [&](std::size_t i) {
        auto icon = CreateIcon(sides[i], sides[i], depths[i]);
        for (std::size_t k = 0; k < icon->PixelCount(); ++k) {
            icon->Pixels()[k] = static_cast<Pixel>(0x80000000u | (k * 2654435761u >> 8));
        }
        return icon;
    };
    for (std::size_t i = 0; i < 5; ++i) {
        whole.Add(make(i));
    }
    ASSERT_TRUE(whole.Save(dir / "whole.ico", true));
    for (const std::size_t per : {std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
        const auto path = dir / ("batches" + std::to_string(per) + ".ico");
        const bool ok = SaveIconsInBatches(path, 5, true, [&](std::size_t first) {
            std::vector<std::unique_ptr<CIcon>> batch;
            for (std::size_t i = first; i < std::min<std::size_t>(5, first + per); ++i) {
                batch.push_back(make(i));
            }
            return batch;
        });
        ASSERT_TRUE(ok) << per;
        EXPECT_EQ(testing_support::ReadAll(path), testing_support::ReadAll(dir / "whole.ico"))
            << per;
    }
    // A source that gives out or delivers a null image fails and leaves nothing behind.
    const std::size_t before = dir.Count();
    EXPECT_FALSE(SaveIconsInBatches(dir / "short.ico", 3, false, [&](std::size_t first) {
        std::vector<std::unique_ptr<CIcon>> batch;
        if (first == 0) {
            batch.push_back(make(0));
        }
        return batch;
    }));
    EXPECT_FALSE(SaveIconsInBatches(dir / "null.ico", 1, false, [](std::size_t) {
        std::vector<std::unique_ptr<CIcon>> batch;
        batch.push_back(nullptr);
        return batch;
    }));
    EXPECT_EQ(dir.Count(), before);
}

}  // namespace
}  // namespace varlen
