// Little-endian field builders for the writers: every file integer is appended byte by
// byte, so the output never depends on the host's byte order or struct layout.
#pragma once

#include <cstdint>
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

}  // namespace varlen
