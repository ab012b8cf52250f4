// The icon file writer.
//
// Contract: 6-byte header (0, type 1, count), count placeholder directory entries of 16
// zero bytes, then the images back to back in array order from offset 6 + 16 * count.
// Each entry is filled in only after its image has been written, because a PNG entry's
// length is known only after encoding: bytes in resource = end position - running offset,
// then seek to the entry, write it and return to the end. An image is stored as PNG when
// the PNG option is on and it is 32-bit and at least 64 x 64; otherwise in DIB icon form.
//
// Traps: width and height bytes are 0 above 255 (so 256 -> 0, 255 -> 255); the colour
// count is 2^bpp cut to 8 bits (16 at 4 bits, 0 at 8 bits, 0 above 8). Count, sizes and
// offsets are 16- and 32-bit fields: files that would overflow them are refused instead
// of written with wrapped numbers. Save never leaves a partial file: it writes through an
// AtomicFile and replaces the target only when every image and entry has been written.
#include "io/icons.h"

#include <limits>

#include "io/atomic_file.h"
#include "io/dib_writer.h"
#include "io/le_bytes.h"
#include "io/png_encode.h"

namespace varlen {

void CIcons::Add(std::unique_ptr<CIcon> icon) {
    if (icon) {
        m_icons.push_back(std::move(icon));
    }
}

bool UsesPngForm(const CIcon& icon, bool png) {
    return png && icon.Bpp() == 32 && icon.Width() >= 64 && icon.Height() >= 64;
}

std::vector<std::uint8_t> DirectoryEntry(const CIcon& icon, std::uint32_t bytesInRes,
                                         std::uint32_t offset, bool cursor, int hotspotX,
                                         int hotspotY) {
    std::vector<std::uint8_t> e;
    e.reserve(kIconEntrySize);
    PutU8(e, icon.Width() > 255 ? 0u : static_cast<std::uint32_t>(icon.Width()));
    PutU8(e, icon.Height() > 255 ? 0u : static_cast<std::uint32_t>(icon.Height()));
    PutU8(e, static_cast<std::uint32_t>(icon.GetNumColors()));  // 256 -> 0 by truncation
    PutU8(e, 0);
    if (cursor) {
        PutU16(e, static_cast<std::uint32_t>(hotspotX));
        PutU16(e, static_cast<std::uint32_t>(hotspotY));
    } else {
        PutU16(e, 1);
        PutU16(e, static_cast<std::uint32_t>(icon.Bpp()));
    }
    PutU32(e, bytesInRes);
    PutU32(e, offset);
    return e;
}

bool CIcons::Write(OutFile& file, bool png) const {
    const std::size_t count = m_icons.size();
    if (count > 0xFFFF || file.GetPosition() != 0) {
        return false;
    }
    std::vector<std::uint8_t> head;
    PutU16(head, 0);
    PutU16(head, 1);
    PutU16(head, static_cast<std::uint32_t>(count));
    head.resize(kIconHeaderSize + kIconEntrySize * count, 0);
    if (!file.Write(head.data(), head.size())) {
        return false;
    }

    std::uint64_t offset = head.size();
    for (std::size_t i = 0; i < count; ++i) {
        const CIcon& icon = *m_icons[i];
        const bool ok = UsesPngForm(icon, png) ? WritePng(icon, file) : WriteDib(icon, file, true);
        if (!ok) {
            return false;
        }
        const std::uint64_t end = file.GetPosition();
        if (end < offset || end > std::numeric_limits<std::uint32_t>::max()) {
            return false;
        }
        const std::uint64_t bytesInRes = end - offset;
        const std::vector<std::uint8_t> entry = DirectoryEntry(
            icon, static_cast<std::uint32_t>(bytesInRes), static_cast<std::uint32_t>(offset));
        if (!file.Seek(kIconHeaderSize + kIconEntrySize * i) ||
            !file.Write(entry.data(), entry.size()) || !file.SeekToEnd()) {
            return false;
        }
        offset += bytesInRes;
    }
    return true;
}

bool CIcons::Save(const std::filesystem::path& path, bool png, WriteError* error) const {
    return SaveAtomically(path, error, [&](OutFile& f) { return Write(f, png); });
}

}  // namespace varlen
