// The icon file writer.
//
// Contract: 6-byte header (0, type 1, count), count placeholder directory entries of 16
// zero bytes, then the images back to back in array order from offset 6 + 16 * count.
// Each entry is filled in only after its image has been written, because a PNG entry's
// length is known only after encoding: bytes in resource = end position - running offset,
// then seek to the entry, write it and return to the end. An image is stored as PNG when
// the PNG option is on and it is 32-bit and at least 64 x 64; otherwise in DIB icon form.
//
// IconFileWriter is that writer one image at a time, so a caller can let each image go
// once it is written; CIcons::Write and SaveIconsInBatches both go through it.
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

IconFileWriter::IconFileWriter(OutFile& file, std::size_t count, bool png)
    : m_file(file), m_count(count), m_png(png) {}

bool IconFileWriter::Begin() {
    if (m_count > 0xFFFF || m_file.GetPosition() != 0 || m_offset != 0) {
        return Fail();
    }
    std::vector<std::uint8_t> head;
    PutU16(head, 0);
    PutU16(head, 1);
    PutU16(head, static_cast<std::uint32_t>(m_count));
    head.resize(kIconHeaderSize + kIconEntrySize * m_count, 0);
    if (!m_file.Write(head.data(), head.size())) {
        return Fail();
    }
    m_offset = head.size();
    return true;
}

bool IconFileWriter::Add(const CIcon& icon) {
    if (m_failed || m_offset == 0 || m_written >= m_count) {
        return Fail();
    }
    const bool ok =
        UsesPngForm(icon, m_png) ? WritePng(icon, m_file) : WriteDib(icon, m_file, true);
    if (!ok) {
        return Fail();
    }
    const std::uint64_t end = m_file.GetPosition();
    if (end < m_offset || end > std::numeric_limits<std::uint32_t>::max()) {
        return Fail();
    }
    const std::uint64_t bytesInRes = end - m_offset;
    const std::vector<std::uint8_t> entry = DirectoryEntry(
        icon, static_cast<std::uint32_t>(bytesInRes), static_cast<std::uint32_t>(m_offset));
    if (!m_file.Seek(kIconHeaderSize + kIconEntrySize * m_written) ||
        !m_file.Write(entry.data(), entry.size()) || !m_file.SeekToEnd()) {
        return Fail();
    }
    m_offset += bytesInRes;
    ++m_written;
    return true;
}

bool IconFileWriter::Finish() const {
    return !m_failed && m_offset != 0 && m_written == m_count;
}

bool IconFileWriter::Fail() {
    m_failed = true;
    return false;
}

bool CIcons::Write(OutFile& file, bool png) const {
    IconFileWriter writer(file, m_icons.size(), png);
    if (!writer.Begin()) {
        return false;
    }
    for (const std::unique_ptr<CIcon>& icon : m_icons) {
        if (!writer.Add(*icon)) {
            return false;
        }
    }
    return writer.Finish();
}

bool SaveIconsInBatches(const std::filesystem::path& path, std::size_t count, bool png,
                        const IconBatchSource& next) {
    const std::unique_ptr<AtomicFile> file = AtomicFile::Create(path);
    if (!file) {
        return false;
    }
    IconFileWriter writer(*file, count, png);
    if (!writer.Begin()) {
        return false;
    }
    std::size_t done = 0;
    while (done < count) {
        std::vector<std::unique_ptr<CIcon>> batch = next(done);
        if (batch.empty()) {
            return false;
        }
        for (std::unique_ptr<CIcon>& icon : batch) {
            if (!icon || !writer.Add(*icon)) {
                return false;
            }
            icon.reset();  // written: its memory is not needed any more
            ++done;
        }
    }
    return writer.Finish() && file->Commit();
}

bool CIcons::Save(const std::filesystem::path& path, bool png) const {
    const std::unique_ptr<AtomicFile> file = AtomicFile::Create(path);
    if (!file) {
        return false;
    }
    return Write(*file, png) && file->Commit();
}

}  // namespace varlen
