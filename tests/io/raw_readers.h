// Test-only decoders for the files the writers produce, straight on libpng and giflib
// with no transformation, so the tests see the stored format and samples exactly.
#pragma once

#include <cstdint>
#include <vector>

namespace varlen::testing_support {

struct RawPng {
    bool ok = false;
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = -1;
    std::vector<std::uint8_t> palette;  // r, g, b triples from PLTE
    bool hasTrns = false;
    std::vector<std::vector<std::uint8_t>> rows;  // top row first, raw samples as stored
};
RawPng DecodePngRaw(const std::vector<std::uint8_t>& file);

struct RawGif {
    bool ok = false;
    int width = 0, height = 0;
    int colorCount = 0, bitsPerPixel = 0;
    std::vector<std::uint8_t> palette;  // r, g, b triples of the global colour table
    int imageCount = 0;
    bool hasTransparency = false;       // a graphics control block with a transparent index
    std::vector<std::uint8_t> indices;  // first image, row major, top row first
};
RawGif DecodeGifRaw(const std::vector<std::uint8_t>& file);

}  // namespace varlen::testing_support
