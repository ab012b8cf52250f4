// Which decoder a picture file goes to, by its first bytes.
//
// Traps: the signatures are checked against the data's length before they are read. The
// icon signature is short (0, type 1 or 2, a count), so it also asks for at least one
// image; SVG has no signature at all and is recognised by its text, so it is tried last.
#include <algorithm>
#include <string_view>

#include "io/picture_decoders.h"

namespace varlen {

namespace {

bool StartsWith(std::span<const std::uint8_t> d, std::string_view s, std::size_t at = 0) {
    return d.size() >= at + s.size() &&
           std::equal(s.begin(), s.end(), d.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool LooksLikeSvg(std::span<const std::uint8_t> d) {
    std::size_t i = StartsWith(d, "\xEF\xBB\xBF") ? 3 : 0;
    while (i < d.size() && (d[i] == ' ' || d[i] == '\t' || d[i] == '\r' || d[i] == '\n')) {
        ++i;
    }
    if (i >= d.size() || d[i] != '<') {
        return false;
    }
    const std::span<const std::uint8_t> head = d.subspan(i, std::min(d.size() - i, kSvgSniffBytes));
    constexpr std::string_view kTag = "<svg";
    return std::search(head.begin(), head.end(), kTag.begin(), kTag.end(),
                       [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }) !=
           head.end();
}

}  // namespace

EncodedKind SniffEncoded(std::span<const std::uint8_t> d) {
    using namespace std::string_view_literals;
    if (StartsWith(d, "\x89PNG\r\n\x1A\n"sv)) {
        return EncodedKind::Png;
    }
    if (StartsWith(d, "\xFF\xD8\xFF"sv)) {
        return EncodedKind::Jpeg;
    }
    if (StartsWith(d, "GIF"sv)) {
        return EncodedKind::Gif;
    }
    if (StartsWith(d, "RIFF"sv) && StartsWith(d, "WEBP"sv, 8)) {
        return EncodedKind::Webp;
    }
    if (StartsWith(d, "II*\0"sv) || StartsWith(d, "MM\0*"sv) || StartsWith(d, "II+\0"sv) ||
        StartsWith(d, "MM\0+"sv)) {
        return EncodedKind::Tiff;
    }
    if (d.size() >= 6 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0 &&
        (d[4] != 0 || d[5] != 0)) {
        return EncodedKind::Icon;
    }
    if (LooksLikeSvg(d)) {
        return EncodedKind::Svg;
    }
    return EncodedKind::Unknown;
}

}  // namespace varlen
