// CIcons: the images of one icon file, and the icon file writer.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/icon.h"
#include "io/stream.h"

namespace varlen {

// Offset of the first directory entry and size of one entry of an icon or cursor file.
inline constexpr std::uint32_t kIconHeaderSize = 6;
inline constexpr std::uint32_t kIconEntrySize = 16;

// An ordered array that owns its images; emptying or destroying it destroys them.
class CIcons {
  public:
    // Appends icon (ignored when null).
    void Add(std::unique_ptr<CIcon> icon);
    void RemoveAll() { m_icons.clear(); }
    std::size_t GetSize() const { return m_icons.size(); }
    bool IsEmpty() const { return m_icons.empty(); }
    const CIcon& operator[](std::size_t i) const { return *m_icons[i]; }
    CIcon& operator[](std::size_t i) { return *m_icons[i]; }

    // Writes the icon file at path: header, directory, then each image in PNG form (when
    // png is set and the image is 32-bit and at least 64 x 64) or DIB icon form. The
    // target is replaced only when the whole file has been written; on failure an
    // existing file keeps its content and no partial file is left.
    bool Save(const std::filesystem::path& path, bool png) const;
    // The same file written to file from its current position, which must be 0 (the
    // directory offsets are file positions). False on any writer or write failure, or
    // when there are more than 65535 images or offsets beyond 32 bits.
    bool Write(OutFile& file, bool png) const;

  private:
    std::vector<std::unique_ptr<CIcon>> m_icons;
};

// The icon file writer, one image at a time: Begin writes the header and a directory of
// count placeholder entries, each Add writes the next image and fills in its entry, and
// Finish says whether exactly count images were written without a failure. After the
// first failure every later call fails. The bytes are those of CIcons::Write.
class IconFileWriter {
  public:
    IconFileWriter(OutFile& file, std::size_t count, bool png);
    bool Begin();
    bool Add(const CIcon& icon);
    bool Finish() const;

  private:
    bool Fail();

    OutFile& m_file;
    std::size_t m_count;
    bool m_png;
    std::uint64_t m_offset = 0;  // 0 until Begin succeeded
    std::size_t m_written = 0;
    bool m_failed = false;
};

// The next images of an icon file from index first on (at least one, in file order); an
// empty batch or a null image fails the save.
using IconBatchSource = std::function<std::vector<std::unique_ptr<CIcon>>(std::size_t first)>;

// What CIcons::Save writes for count images, asked for in batches and each let go once
// written, so memory holds one batch and never the whole icon. The target is replaced only
// when every image has been written.
bool SaveIconsInBatches(const std::filesystem::path& path, std::size_t count, bool png,
                        const IconBatchSource& next);

// Whether an image goes into an icon file in PNG form.
bool UsesPngForm(const CIcon& icon, bool png);

// The 16-byte directory entry of an icon (bytes 4-7: planes 1, bit count) or, with cursor
// set, of a cursor (bytes 4-7: hotspot x, hotspot y).
std::vector<std::uint8_t> DirectoryEntry(const CIcon& icon, std::uint32_t bytesInRes,
                                         std::uint32_t offset, bool cursor = false,
                                         int hotspotX = 0, int hotspotY = 0);

}  // namespace varlen
