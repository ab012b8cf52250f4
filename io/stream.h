// Byte streams of the io layer: decoders read from a ByteReader (a view over bytes, so
// tests can feed memory), writers append to an OutFile (a seekable output: a file on
// disk or a growable memory buffer).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace varlen {

// A read position over bytes it does not own. Reads past the end deliver fewer bytes.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    // Copies up to n bytes to dst and returns how many were copied.
    std::size_t Read(void* dst, std::size_t n) {
        const std::size_t k = std::min(n, m_data.size() - m_pos);
        if (k > 0) {
            std::memcpy(dst, m_data.data() + m_pos, k);
        }
        m_pos += k;
        return k;
    }
    // Moves to pos; false (and no move) when pos lies beyond the end.
    bool Seek(std::size_t pos) {
        if (pos > m_data.size()) {
            return false;
        }
        m_pos = pos;
        return true;
    }
    bool Skip(std::size_t n) { return n <= m_data.size() - m_pos && Seek(m_pos + n); }
    std::size_t GetPosition() const { return m_pos; }
    std::size_t GetLength() const { return m_data.size(); }
    std::span<const std::uint8_t> All() const { return m_data; }
    std::span<const std::uint8_t> Remaining() const { return m_data.subspan(m_pos); }

  private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

// Seekable output as the writers use it: they append, then go back to fill in fields.
// Every call returns false on a write error; a writer that sees false stops and fails.
class OutFile {
  public:
    virtual ~OutFile() = default;
    virtual bool Write(const void* data, std::size_t n) = 0;
    virtual bool Seek(std::uint64_t pos) = 0;
    virtual bool SeekToEnd() = 0;
    virtual std::uint64_t GetPosition() const = 0;
};

// An OutFile in memory.
class MemoryFile final : public OutFile {
  public:
    bool Write(const void* data, std::size_t n) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        const std::size_t end = m_pos + n;
        if (end > m_bytes.size()) {
            m_bytes.resize(end);
        }
        std::copy(p, p + n, m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos));
        m_pos = end;
        return true;
    }
    bool Seek(std::uint64_t pos) override {
        if (pos > m_bytes.size()) {
            return false;
        }
        m_pos = static_cast<std::size_t>(pos);
        return true;
    }
    bool SeekToEnd() override {
        m_pos = m_bytes.size();
        return true;
    }
    std::uint64_t GetPosition() const override { return m_pos; }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

  private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

}  // namespace varlen
