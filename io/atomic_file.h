// An OutFile on disk that replaces its target only when everything has been written.
//
// This pair of files is the one place of the io layer that talks to the operating system
// about files; everything else writes through OutFile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "io/stream.h"
#include "io/temporary_files.h"
#include "io/write_error.h"

namespace varlen {

class AtomicFile final : public OutFile {
  public:
    // How the temporary is made. kUnnamed: a file without a name (O_TMPFILE) that gets
    // one only for the moment of the final rename, or a named one where the file system
    // cannot; kNamed: always named from the start (the fallback, chosen by tests).
    enum class Temporary { kUnnamed, kNamed };

    // Opens a new temporary file in the folder of the file that will be replaced (for a
    // symbolic link: the file it leads to). Null, with the reason in *error when given,
    // when that folder does not exist or is not writable, when the target is a folder or
    // not a regular file, when an existing target may not be written, and for a link that
    // loops or lies in a shared sticky folder and belongs to someone else. The target
    // itself is not touched.
    static std::unique_ptr<AtomicFile> Create(const std::filesystem::path& target,
                                              WriteError* error = nullptr,
                                              Temporary kind = Temporary::kUnnamed);

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

    // The first system error of a Write, Seek or Commit (0 while none failed).
    int SystemError() const { return m_error; }

    // The temporary's name in the target's folder: the name it has (kNamed) or gets for
    // the moment of the rename.
    const std::filesystem::path& TemporaryPath() const { return m_temp; }

  private:
    // Only Create can name this, so only Create constructs.
    struct Key {
        explicit Key() = default;
    };

  public:
    AtomicFile(Key, int folder, int fd, bool named, std::filesystem::path temp, std::string name);

  private:
    void Discard();
    void Fail(int error);
    bool LinkAndRename();

    int m_folder = -1;  // the target's folder (O_PATH)
    int m_fd = -1;
    bool m_named = false;  // whether the temporary has its name (m_tempName) already
    std::filesystem::path m_temp;
    std::string m_tempName;
    std::string m_name;  // the target's name in m_folder
    TemporaryName m_registered;
    std::uint64_t m_pos = 0;
    std::uint64_t m_size = 0;
    int m_error = 0;
    bool m_failed = false;
    bool m_done = false;
};

// Writes through an AtomicFile at path: writer(OutFile&) fills it, then it is committed.
// On failure *error (when given) says why: the system error of the file, else kTooLarge
// when the writer stopped beyond 4 GiB (its 32-bit fields end there), else kNotEncodable.
template <typename Writer>
bool SaveAtomically(const std::filesystem::path& path, WriteError* error, Writer&& writer) {
    WriteError why;
    const std::unique_ptr<AtomicFile> file = AtomicFile::Create(path, &why);
    if (file) {
        const bool written = writer(*file);
        if (written && file->Commit()) {
            return true;
        }
        why.error = file->SystemError();
        if (why.error == 0) {
            why.limit = !written && file->GetPosition() > 0xFFFFFFFFu ? WriteLimit::kTooLarge
                                                                      : WriteLimit::kNotEncodable;
        }
    }
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

}  // namespace varlen
