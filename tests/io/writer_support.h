// Helpers shared by the writer tests: little-endian field readers, images with exact
// palette colours, an OutFile that fails after a byte budget, and temporary folders.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/icon.h"
#include "io/stream.h"

namespace varlen::testing_support {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at)) | (static_cast<std::uint32_t>(b.at(at + 1)) << 8);
}
inline std::uint32_t U32(const Bytes& b, std::size_t at) {
    return U16(b, at) | (U16(b, at + 2) << 16);
}
inline std::int32_t I32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(U32(b, at));
}

// An image whose every pixel is opaque grey level `grey` (a value of the grey-ramp palette
// for 4 and 8 bits, so the palette index is known exactly).
inline std::unique_ptr<CIcon> Solid(int w, int h, int bpp, int grey = 0) {
    auto icon = CreateIcon(w, h, bpp);
    for (Pixel& p : icon->Pixels()) {
        p = MakePixel(255, grey, grey, grey);
    }
    return icon;
}

// A MemoryFile whose writes fail once `budget` bytes in total would be exceeded (a full
// disk); seeks keep working.
class FailingFile final : public OutFile {
  public:
    explicit FailingFile(std::size_t budget) : m_budget(budget) {}
    bool Write(const void* data, std::size_t n) override {
        if (m_written + n > m_budget) {
            return false;
        }
        m_written += n;
        return m_mem.Write(data, n);
    }
    bool Seek(std::uint64_t pos) override { return m_mem.Seek(pos); }
    bool SeekToEnd() override { return m_mem.SeekToEnd(); }
    std::uint64_t GetPosition() const override { return m_mem.GetPosition(); }

  private:
    MemoryFile m_mem;
    std::size_t m_budget;
    std::size_t m_written = 0;
};

// A fresh empty folder, removed with its content at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        std::string templ = ::testing::TempDir() + "varlen_write_XXXXXX";
        if (::mkdtemp(templ.data()) != nullptr) {
            m_path = templ;
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    // Number of entries in the folder (temporaries included).
    std::size_t Count() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_path),
                                                      std::filesystem::directory_iterator()));
    }

  private:
    std::filesystem::path m_path;
};

inline Bytes ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteAll(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace varlen::testing_support

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace varlen::testing_support {

// Runs fn in a child process whose files may not grow beyond limit bytes (writes past it
// fail with EFBIG, as on a full disk). Returns 1 when fn returned true, 0 when false, -1
// when the child did not end normally.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<bool()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(fn() ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace varlen::testing_support

namespace varlen::testing_support {

// Runs fn without the power to override file permissions: as root, in a child process
// that has switched to the user and group nobody (65534); otherwise in this process.
// Returns 1 when fn returned true, 0 when false, -1 when the child did not end normally.
inline int RunUnprivileged(const std::function<bool()>& fn) {
    if (::geteuid() != 0) {
        return fn() ? 1 : 0;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        ::_exit(fn() ? 1 : 0);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace varlen::testing_support
