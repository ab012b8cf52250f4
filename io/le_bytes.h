// Little-endian fields, read and written byte by byte, so no file or clipboard layout
// ever depends on the host's byte order or struct layout; and the big-endian readers of
// the PNG and JPEG header fields. The readers do not check
// bounds: the caller has checked that the field lies inside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace varlen {

inline void PutU8(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}
inline void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
// A signed field is stored in two's complement.
inline void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
}

inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetU32(p));
}
inline std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
    return GetU16(b.data() + at);
}
inline std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
    return GetU32(b.data() + at);
}
inline std::int32_t GetI32(std::span<const std::uint8_t> b, std::size_t at) {
    return GetI32(b.data() + at);
}

// Big-endian fields, as PNG and JPEG headers hold them.
inline std::uint16_t GetBeU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
inline std::uint32_t GetBeU32(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) |
           (static_cast<std::uint32_t>(b[at + 1]) << 16) |
           (static_cast<std::uint32_t>(b[at + 2]) << 8) | static_cast<std::uint32_t>(b[at + 3]);
}

}  // namespace varlen
