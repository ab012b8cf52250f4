// AtomicFile: write-to-temporary, then rename over the target.
//
// Contract: a reader of the target sees either its old content or the complete new one,
// never a partial file, and a failed save leaves no temporary behind. The temporary lives
// in the target's own folder (rename is only atomic within one file system) under a
// hidden unique name created with O_EXCL, so no existing file is ever opened. Data are
// fsync'ed before the rename and the folder after it, so a crash cannot leave an empty
// target in place of the old one.
//
// Traps: an existing target that the user may not write must not be replaced just
// because its folder is writable (rename would happily do it), so that is checked first.
// A symbolic link as target is followed: the file it points to is replaced, the link stays.
// The temporary takes the existing target's permission bits; a new file gets the usual
// 0666 filtered by the umask (open applies it). write() may write less than asked or be
// interrupted; both are retried. A seek beyond the written end is refused, as in MemoryFile.
#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

namespace varlen {
namespace {

constexpr char kHex[] = "0123456789abcdef";

std::filesystem::path ResolveTarget(const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        const std::filesystem::path real = std::filesystem::weakly_canonical(target, ec);
        if (!ec) {
            return real;
        }
    }
    return target;
}

}  // namespace

AtomicFile::AtomicFile(Key, int fd, std::filesystem::path temp, std::filesystem::path target)
    : m_fd(fd), m_temp(std::move(temp)), m_target(std::move(target)) {}

std::unique_ptr<AtomicFile> AtomicFile::Create(const std::filesystem::path& path) {
    if (path.empty() || !path.has_filename()) {
        return nullptr;
    }
    const std::filesystem::path target = ResolveTarget(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
        return nullptr;
    }

    std::random_device seed;
    std::mt19937_64 rng(static_cast<std::uint64_t>(seed()) << 32 ^ seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = "." + target.filename().string() + ".tmp-";
        std::uint64_t r = rng();
        for (int i = 0; i < 12; ++i, r >>= 4) {
            name += kHex[r & 0xF];
        }
        const std::filesystem::path temp = folder / name;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return nullptr;
        }
        if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return nullptr;
        }
        return std::make_unique<AtomicFile>(Key{}, fd, temp, target);
    }
    return nullptr;
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_done) {
        ::unlink(m_temp.c_str());
        m_done = true;
    }
}

bool AtomicFile::Write(const void* data, std::size_t n) {
    if (m_failed || m_fd < 0) {
        return false;
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = n;
    while (left > 0) {
        const ssize_t k = ::write(m_fd, p, left);
        if (k < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_failed = true;
            return false;
        }
        if (k == 0) {
            m_failed = true;
            return false;
        }
        p += k;
        left -= static_cast<std::size_t>(k);
    }
    m_pos += n;
    if (m_pos > m_size) {
        m_size = m_pos;
    }
    return true;
}

bool AtomicFile::Seek(std::uint64_t pos) {
    if (m_failed || m_fd < 0 || pos > m_size) {
        return false;
    }
    if (::lseek(m_fd, static_cast<off_t>(pos), SEEK_SET) < 0) {
        m_failed = true;
        return false;
    }
    m_pos = pos;
    return true;
}

bool AtomicFile::SeekToEnd() {
    return Seek(m_size);
}

bool AtomicFile::Commit() {
    if (m_failed || m_fd < 0 || m_done) {
        Discard();
        return false;
    }
    const bool synced = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!synced || !closed || ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        m_failed = true;
        Discard();
        return false;
    }
    m_done = true;
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    // Makes the rename itself durable; a failure here no longer undoes the save.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace varlen
