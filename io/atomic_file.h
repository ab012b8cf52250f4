// An OutFile on disk that replaces its target only when everything has been written.
//
// This pair of files is the one place of the io layer that talks to the operating system
// about files; everything else writes through OutFile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "io/stream.h"

namespace varlen {

class AtomicFile final : public OutFile {
  public:
    // Opens a new temporary file in the target's folder. Null when that folder does not
    // exist or is not writable, when the target is a folder, or when an existing target
    // may not be written. The target itself is not touched.
    static std::unique_ptr<AtomicFile> Create(const std::filesystem::path& target);

    // Without a successful Commit the temporary file is removed and the target keeps its
    // previous content (or stays absent).
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // After the first failed call every later Write and Commit fails too.
    bool Write(const void* data, std::size_t n) override;
    // Positions at or before the current end only.
    bool Seek(std::uint64_t pos) override;
    bool SeekToEnd() override;
    std::uint64_t GetPosition() const override { return m_pos; }

    // Flushes the data to the disk and renames the temporary file over the target. False
    // (target unchanged, temporary removed) when anything failed before or during it.
    bool Commit();

    const std::filesystem::path& TemporaryPath() const { return m_temp; }

  private:
    // Only Create can name this, so only Create constructs.
    struct Key {
        explicit Key() = default;
    };

  public:
    AtomicFile(Key, int fd, std::filesystem::path temp, std::filesystem::path target);

  private:
    void Discard();

    int m_fd = -1;
    std::filesystem::path m_temp;
    std::filesystem::path m_target;
    std::uint64_t m_pos = 0;
    std::uint64_t m_size = 0;
    bool m_failed = false;
    bool m_done = false;
};

}  // namespace varlen
