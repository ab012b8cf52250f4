// AtomicFile: write to a temporary, then rename it over the target.
//
// Contract: a reader of the target sees either its old content or the complete new one,
// never a partial file, and neither a failed save nor a fatal signal leaves a temporary
// behind. The temporary lives in the target's own folder (rename is only atomic within
// one file system). Where the file system allows, it is made without a name (O_TMPFILE)
// and linked under a hidden unique name only for the moment of the rename; elsewhere it
// is made under that name with O_EXCL. Either way the name is registered with
// temporary_files.h while it exists. Data are fsync'ed before the rename and the folder
// after it. The new file takes the old one's permission bits, owner and group (as far as
// we may set them) and its access ACL; a new file gets 0666 filtered by the umask.
//
// Symbolic links: the target is followed as a plain open(2) would follow it and the file
// it leads to is replaced; the link stays. The folders on the way are opened by the
// kernel, which applies its own rules to any link among them; only the last component's
// links are read here, at most 40 in a row (ELOOP beyond, as the kernel counts), and each
// one is held to the fs.protected_symlinks rule: a link in a sticky, world-writable folder
// is followed only when it belongs to us or to the folder's owner. A dangling link stays a
// link and the file it names is created.
//
// Traps: an existing target that the user may not write must not be replaced just because
// its folder is writable (rename would happily do it), so that is checked first. The
// temporary name is cut so that it always fits NAME_MAX, at a UTF-8 character boundary.
// write() may write less than asked or be interrupted; both are retried. A seek beyond the
// written end is refused, as in MemoryFile.
#include "io/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace varlen {
namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr int kMaxLinks = 40;
constexpr char kAccessAcl[] = "system.posix_acl_access";

// An owned file descriptor.
class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

  private:
    int m_fd;
};

// The folder part and the last component of a path as written ("" for a path that ends in
// a slash).
std::pair<std::string, std::string> Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// Opens folder (relative to base) as an O_PATH descriptor.
Fd OpenFolder(int base, const std::string& folder) {
    return Fd(::openat(base, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

struct Resolved {
    Fd folder;
    std::string name;
    std::string shown;  // a path of the file, for the calls that take only a path
    bool exists = false;
    struct stat st {};
};

// Follows the last component's links as open(2) would. False with *why set on failure.
bool Resolve(const std::string& path, Resolved& out, WriteError& why) {
    auto [folder, name] = Split(path);
    out.folder = OpenFolder(AT_FDCWD, folder);
    if (out.folder.Get() < 0) {
        why.error = errno;
        return false;
    }
    out.shown = path;
    for (int links = 0;; ++links) {
        if (name.empty() || name == "." || name == "..") {
            why.error = EISDIR;
            return false;
        }
        if (name.size() > NAME_MAX) {
            why.error = ENAMETOOLONG;
            return false;
        }
        struct stat st {};
        if (::fstatat(out.folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                why.error = errno;
                return false;
            }
            out.name = name;
            out.exists = false;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            out.name = name;
            out.exists = true;
            out.st = st;
            return true;
        }
        if (links == kMaxLinks) {
            why.error = ELOOP;
            return false;
        }
        struct stat dir {};
        if (::fstat(out.folder.Get(), &dir) != 0) {
            why.error = errno;
            return false;
        }
        if ((dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0 &&
            st.st_uid != ::geteuid() && st.st_uid != dir.st_uid) {
            why.limit = WriteLimit::kProtectedLink;
            return false;
        }
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0) + 2);
        ssize_t n = 0;
        for (;;) {
            n = ::readlinkat(out.folder.Get(), name.c_str(), buffer.data(), buffer.size());
            if (n < 0) {
                why.error = errno;
                return false;
            }
            if (static_cast<std::size_t>(n) < buffer.size()) {
                break;
            }
            buffer.resize(buffer.size() * 2);  // the link changed under us: read it again
        }
        const std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (target.empty()) {
            why.error = ENOENT;
            return false;
        }
        const auto [nextFolder, nextName] = Split(target);
        if (target.find('/') != std::string::npos) {
            const int base = target.front() == '/' ? AT_FDCWD : out.folder.Get();
            Fd next = OpenFolder(base, nextFolder);
            if (next.Get() < 0) {
                why.error = errno;
                return false;
            }
            out.folder = std::move(next);
            const std::string shownFolder =
                target.front() == '/' ? nextFolder : Split(out.shown).first + "/" + nextFolder;
            out.shown = shownFolder + "/" + nextName;
        } else {
            out.shown = Split(out.shown).first + "/" + nextName;
        }
        name = nextName;
    }
}

// The hidden temporary name for target: ".<target>.tmp-<12 hex digits>", the target's part
// cut (at a character boundary) so that the whole fits maxName bytes.
std::string HiddenName(const std::string& target, std::size_t maxName, std::uint64_t r) {
    constexpr std::size_t kFixed = 1 + 5 + 12;  // ".", ".tmp-", the digits
    std::size_t keep = target.size();
    if (kFixed + keep > maxName) {
        keep = maxName > kFixed ? maxName - kFixed : 0;
        while (keep > 0 && (static_cast<unsigned char>(target[keep]) & 0xC0) == 0x80) {
            --keep;  // target[keep] continues a UTF-8 character: cut before that character
        }
    }
    std::string name = "." + target.substr(0, keep) + ".tmp-";
    for (int i = 0; i < 12; ++i, r >>= 4) {
        name += kHex[r & 0xF];
    }
    return name;
}

std::size_t NameMax(int folder) {
    const long n = ::fpathconf(folder, _PC_NAME_MAX);
    return n > 0 && n < NAME_MAX ? static_cast<std::size_t>(n) : NAME_MAX;
}

// Gives the new file the old one's owner, group, mode and access ACL, as far as allowed.
void CopyAttributes(int fd, const Resolved& old) {
    if (::fchown(fd, old.st.st_uid, old.st.st_gid) != 0) {
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st.st_gid);  // a group of ours
    }
    ::fchmod(fd, old.st.st_mode & 07777);
    std::vector<char> acl(256);
    const ssize_t n = ::getxattr(old.shown.c_str(), kAccessAcl, acl.data(), acl.size());
    if (n > 0) {
        (void)::fsetxattr(fd, kAccessAcl, acl.data(), static_cast<std::size_t>(n), 0);
    }
}

std::mt19937_64 Random() {
    std::random_device seed;
    return std::mt19937_64(static_cast<std::uint64_t>(seed()) << 32 ^ seed());
}

}  // namespace

AtomicFile::AtomicFile(Key, int folder, int fd, bool named, std::filesystem::path temp,
                       std::string name)
    : m_folder(folder),
      m_fd(fd),
      m_named(named),
      m_temp(std::move(temp)),
      m_name(std::move(name)) {}

std::unique_ptr<AtomicFile> AtomicFile::Create(const std::filesystem::path& path, WriteError* error,
                                               Temporary kind) {
    WriteError why;
    const auto fail = [&](int e) {
        if (e != 0) {
            why.error = e;
        }
        if (error != nullptr) {
            *error = why;
        }
        return nullptr;
    };
    if (path.empty()) {
        return fail(ENOENT);
    }
    Resolved target;
    if (!Resolve(path.string(), target, why)) {
        return fail(0);
    }
    if (target.exists) {
        if (S_ISDIR(target.st.st_mode)) {
            return fail(EISDIR);
        }
        if (!S_ISREG(target.st.st_mode)) {
            why.limit = WriteLimit::kNotRegularFile;
            return fail(0);
        }
        if (::faccessat(target.folder.Get(), target.name.c_str(), W_OK, AT_EACCESS) != 0) {
            return fail(errno);
        }
    }
    const std::filesystem::path shownFolder = std::filesystem::path(target.shown).parent_path();
    const std::size_t maxName = NameMax(target.folder.Get());
    std::mt19937_64 rng = Random();

    auto file = std::make_unique<AtomicFile>(Key{}, target.folder.Release(), -1, false,
                                             std::filesystem::path(), target.name);
    if (kind == Temporary::kUnnamed) {
        file->m_fd = ::openat(file->m_folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (file->m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return fail(errno);
        }
        file->m_temp = shownFolder / HiddenName(target.name, maxName, rng());
    }
    for (int attempt = 0; file->m_fd < 0 && attempt < 16; ++attempt) {
        const std::string temp = HiddenName(target.name, maxName, rng());
        file->m_registered.Register(file->m_folder, temp);
        file->m_fd =
            ::openat(file->m_folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file->m_fd < 0) {
            file->m_registered.Release();
            if (errno == EEXIST) {
                continue;
            }
            return fail(errno);
        }
        file->m_named = true;
        file->m_tempName = temp;
        file->m_temp = shownFolder / temp;
    }
    if (file->m_fd < 0) {
        return fail(EEXIST);
    }
    if (target.exists) {
        CopyAttributes(file->m_fd, target);
    }
    return file;
}

AtomicFile::~AtomicFile() {
    Discard();
    if (m_folder >= 0) {
        ::close(m_folder);
    }
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_done) {
        if (m_named) {
            ::unlinkat(m_folder, m_tempName.c_str(), 0);
        }
        m_registered.Release();
        m_done = true;
    }
}

void AtomicFile::Fail(int error) {
    if (m_error == 0) {
        m_error = error;
    }
    m_failed = true;
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
            Fail(errno);
            return false;
        }
        if (k == 0) {
            Fail(ENOSPC);
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
        Fail(errno);
        return false;
    }
    m_pos = pos;
    return true;
}

bool AtomicFile::SeekToEnd() {
    return Seek(m_size);
}

bool AtomicFile::LinkAndRename() {
    if (!m_named) {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        const std::string base = m_temp.filename().string();
        std::mt19937_64 rng = Random();
        for (int attempt = 0; attempt < 16 && !m_named; ++attempt) {
            // The name chosen at Create first (it is the one TemporaryPath shows).
            std::string name = base;
            if (attempt > 0) {
                name = HiddenName(m_name, NameMax(m_folder), rng());
            }
            m_registered.Register(m_folder, name);
            int rc = ::linkat(AT_FDCWD, self.c_str(), m_folder, name.c_str(), AT_SYMLINK_FOLLOW);
            if (rc != 0 && errno == ENOENT) {  // no /proc: needs CAP_DAC_READ_SEARCH
                rc = ::linkat(m_fd, "", m_folder, name.c_str(), AT_EMPTY_PATH);
            }
            if (rc != 0) {
                const int e = errno;
                m_registered.Release();
                if (e == EEXIST) {
                    continue;
                }
                Fail(e);
                return false;
            }
            m_named = true;
            m_tempName = name;
        }
        if (!m_named) {
            Fail(EEXIST);
            return false;
        }
    }
    if (::close(std::exchange(m_fd, -1)) != 0) {
        Fail(errno);
        return false;
    }
    if (::renameat(m_folder, m_tempName.c_str(), m_folder, m_name.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    return true;
}

bool AtomicFile::Commit() {
    if (m_failed || m_fd < 0 || m_done) {
        Discard();
        return false;
    }
    if (::fsync(m_fd) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    if (!LinkAndRename()) {
        Discard();
        return false;
    }
    m_registered.Release();
    m_done = true;
    // Makes the rename itself durable; a failure here no longer undoes the save.
    const int dir = ::openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace varlen
