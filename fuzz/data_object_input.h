// The byte layout the clipboard fuzz target and its seed writer share: one byte saying
// which of the four formats are offered (bit 0 "PBPIXEL32", 1 CF_DIB, 2 "Pixia_Transp",
// 3 "PNG"), then for each offered format in that order a 4-byte little-endian length and
// that many bytes; the last offered format takes whatever is left.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/clipboard_formats.h"
#include "io/data_source.h"

namespace varlen::fuzzing {

inline const std::array<std::string_view, 4> kDataObjectFormats = {kCfPbPixel32, kCfDib, kCfTransp,
                                                                   kCfPng};

class BytesSource final : public DataSource {
  public:
    std::map<std::string, std::vector<std::uint8_t>, std::less<>> formats;
    std::optional<std::vector<std::uint8_t>> GetData(std::string_view format) const override {
        const auto it = formats.find(format);
        if (it == formats.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

inline BytesSource SplitDataObject(std::span<const std::uint8_t> in) {
    BytesSource source;
    if (in.empty()) {
        return source;
    }
    const unsigned mask = in[0] & 0x0F;
    in = in.subspan(1);
    int offered = 0;
    for (unsigned bit = 0; bit < 4; ++bit) {
        offered += (mask >> bit) & 1;
    }
    for (unsigned bit = 0; bit < 4; ++bit) {
        if (((mask >> bit) & 1) == 0) {
            continue;
        }
        std::size_t n = in.size();
        if (--offered > 0) {
            std::uint32_t len = 0;
            for (int i = 0; i < 4 && !in.empty(); ++i) {
                len |= static_cast<std::uint32_t>(in[0]) << (8 * i);
                in = in.subspan(1);
            }
            n = std::min<std::size_t>(len, in.size());
        }
        source.formats[std::string(kDataObjectFormats[bit])].assign(in.begin(), in.begin() + n);
        in = in.subspan(n);
    }
    return source;
}

inline std::vector<std::uint8_t> JoinDataObject(
    const std::vector<std::pair<int, std::vector<std::uint8_t>>>& parts) {
    std::vector<std::uint8_t> out(1, 0);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& [bit, bytes] = parts[i];
        out[0] = static_cast<std::uint8_t>(out[0] | (1u << bit));
        if (i + 1 < parts.size()) {
            const auto len = static_cast<std::uint32_t>(bytes.size());
            for (int k = 0; k < 4; ++k) {
                out.push_back(static_cast<std::uint8_t>(len >> (8 * k)));
            }
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

}  // namespace varlen::fuzzing
