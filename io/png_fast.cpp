// The fast PNG reading (see png_fast.h): the chunks walked by hand, the IDAT data inflated in
// one call by libdeflate, the rows unfiltered in place into the delivered BGR(A) rows.
//
// Contract: for every file it reads, the result equals DecodePngWithLibpng's byte for byte
// (24 bits for RGB, 32 for RGBA, stride width * channels, blue first, nothing padded). It
// declines on anything else and on anything libpng might judge differently, so it is never
// more lenient than libpng. tests/io/png_fast_test.cpp and fuzz/fuzz_png_fast.cpp hold it
// to that.
//
// Traps:
// - The chunk sequence read: IHDR first, ancillary chunks (lower-case first letter, all four
//   bytes letters as libpng demands, not tRNS), one unbroken run of IDATs, ancillary chunks,
//   IEND. Every CRC is checked, those of ancillary chunks too (libpng only warns about them;
//   we decline and let it). Bytes after IEND are ignored, as libpng ignores them.
// - A chunk length is compared with kPngLongestChunk and with the bytes left before anything
//   is added to it, so no position is ever computed past the end of the data. The IDAT
//   pieces add up to at most the data's size. Longer chunks are left to libpng, which
//   refuses an IDAT longer than the image can need and skips other long chunks.
// - libpng honours the window size in the zlib header (a distance reaching further back is
//   an error); libdeflate always allows 32 KiB. A smaller window is therefore accepted only
//   when it holds the whole inflated image, where no distance can reach past it. libpng's
//   encoder picks such windows for small images.
// - The zlib stream must end exactly where the IDAT data ends and fill exactly
//   height * (1 + rowbytes) bytes; libpng lets extra data pass with a warning, we decline.
// - In place: output row y starts at y * rowbytes, before its filtered bytes at
//   y * (rowbytes + 1) + 1, and the distance grows by one byte per row. A whole pixel is
//   loaded before its output is stored, so a store only covers bytes already read. The row
//   above is read as already delivered (blue first), so the filtered bytes are swapped into
//   that order as they are loaded; the filters work per byte position within a pixel, so
//   the order does not change the arithmetic.
// - A filter byte above 4 is met while unfiltering, after earlier rows were overwritten:
//   only our own buffer is lost, and the input is untouched for libpng.
#include "io/png_fast.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "io/c_handle.h"

namespace varlen {

namespace {

static_assert(std::uint64_t{kMaxPictureSide} * (4 * std::uint64_t{kMaxPictureSide} + 1) <=
                  std::numeric_limits<std::size_t>::max(),
              "the inflated image of the largest picture must fit in size_t");
static_assert(kPngLongestChunk < std::size_t{1} << 31,
              "a chunk length taken never reaches the range libpng refuses as not 31-bit");

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

constexpr std::uint32_t Tag(const char (&s)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

constexpr std::uint32_t kIhdr = Tag("IHDR");
constexpr std::uint32_t kIdat = Tag("IDAT");
constexpr std::uint32_t kIend = Tag("IEND");
constexpr std::uint32_t kTrns = Tag("tRNS");

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct PngFile {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA)
    std::vector<std::span<const std::uint8_t>> idat;
    std::size_t idatBytes = 0;
};

// The IHDR body (13 bytes) of a picture the fast reading takes.
bool ReadHeader(const std::uint8_t* body, PngFile& file) {
    file.width = Be32(body);
    file.height = Be32(body + 4);
    const std::uint8_t bitDepth = body[8], colorType = body[9], compression = body[10],
                       filter = body[11], interlace = body[12];
    constexpr auto kSide = static_cast<std::uint32_t>(kMaxPictureSide);
    if (file.width == 0 || file.height == 0 || file.width > kSide || file.height > kSide ||
        bitDepth != 8 || (colorType != 2 && colorType != 6) || compression != 0 || filter != 0 ||
        interlace != 0) {
        return false;
    }
    file.channels = colorType == 6 ? 4 : 3;
    return true;
}

std::optional<PngFile> WalkChunks(std::span<const std::uint8_t> data) {
    if (data.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), data.begin())) {
        return std::nullopt;
    }
    enum class Stage { Header, BeforeIdat, InIdat, AfterIdat };
    Stage stage = Stage::Header;
    PngFile file;
    std::size_t pos = kSignature.size();
    for (;;) {
        if (data.size() - pos < 12) {
            return std::nullopt;  // truncated, or no IEND
        }
        const std::uint8_t* chunk = data.data() + pos;
        const std::uint32_t length = Be32(chunk);
        if (length > kPngLongestChunk || length > data.size() - pos - 12) {
            return std::nullopt;
        }
        const std::uint8_t* type = chunk + 4;
        const std::uint8_t* body = chunk + 8;
        if (crc32(0L, type, static_cast<uInt>(length) + 4) != Be32(body + length)) {
            return std::nullopt;
        }
        if (!std::all_of(type, type + 4, IsLetter)) {
            return std::nullopt;
        }
        pos += std::size_t{length} + 12;
        const std::uint32_t tag = Be32(type);
        if (stage == Stage::Header) {
            if (tag != kIhdr || length != 13 || !ReadHeader(body, file)) {
                return std::nullopt;
            }
            stage = Stage::BeforeIdat;
        } else if (tag == kIdat) {
            if (stage == Stage::AfterIdat) {
                return std::nullopt;
            }
            stage = Stage::InIdat;
            file.idat.emplace_back(body, length);
            file.idatBytes += length;
        } else if (tag == kIend) {
            if (stage == Stage::BeforeIdat || length != 0) {
                return std::nullopt;
            }
            return file;
        } else if ((type[0] & 0x20) == 0 || tag == kTrns) {
            return std::nullopt;  // PLTE, a second IHDR, any unknown critical chunk; tRNS
        } else if (stage == Stage::InIdat) {
            stage = Stage::AfterIdat;
        }
    }
}

// Filtered byte k of a pixel is delivered as byte kOrder[k]: red and blue change places.
constexpr std::array<int, 4> kOrder = {2, 1, 0, 3};

// One row, the portable way: in holds the filtered pixels (red first), out receives the
// delivered ones, prev is the delivered row above (zeros for the first row).
template <int N, int Filter>
void UnfilterRowPlain(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* prev,
                      std::size_t width) {
    std::array<std::uint8_t, N> a{}, c{};
    for (std::size_t x = 0; x < width; ++x) {
        std::array<std::uint8_t, N> raw, b, px;
        std::memcpy(raw.data(), in + x * N, N);
        std::memcpy(b.data(), prev + x * N, N);
        for (int k = 0; k < N; ++k) {
            const int f = raw[static_cast<std::size_t>(kOrder[static_cast<std::size_t>(k)])];
            const auto i = static_cast<std::size_t>(k);
            int predicted = 0;
            if constexpr (Filter == 1) {
                predicted = a[i];
            } else if constexpr (Filter == 2) {
                predicted = b[i];
            } else if constexpr (Filter == 3) {
                predicted = (a[i] + b[i]) >> 1;
            } else if constexpr (Filter == 4) {
                // Written as selections so the compiler can avoid branches, which photo
                // noise would mispredict.
                const int pa = std::abs(b[i] - c[i]);
                const int pb = std::abs(a[i] - c[i]);
                const int pc = std::abs(a[i] + b[i] - 2 * c[i]);
                predicted = pb <= pc ? b[i] : c[i];
                predicted = (pa <= pb) & (pa <= pc) ? a[i] : predicted;
            }
            px[i] = static_cast<std::uint8_t>(f + predicted);
        }
        std::memcpy(out + x * N, px.data(), N);
        a = px;
        c = b;
    }
}

#if defined(__SSE2__)

// The same with one pixel in the low four 16-bit lanes of an SSE2 register.
template <int N>
__m128i LoadPixel(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, N);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
}

template <int N>
void StorePixel(std::uint8_t* p, __m128i v) {
    const auto bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
    std::memcpy(p, &bytes, N);
}

__m128i Abs16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

__m128i Select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <int N, int Filter>
void UnfilterRowSse2(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* prev,
                     std::size_t width) {
    const __m128i low = _mm_set1_epi16(0xFF);
    __m128i a = _mm_setzero_si128();
    __m128i c = _mm_setzero_si128();
    for (std::size_t x = 0; x < width; ++x) {
        const __m128i raw = _mm_shufflelo_epi16(LoadPixel<N>(in + x * N), _MM_SHUFFLE(3, 0, 1, 2));
        const __m128i b = LoadPixel<N>(prev + x * N);
        __m128i predicted = _mm_setzero_si128();
        if constexpr (Filter == 1) {
            predicted = a;
        } else if constexpr (Filter == 2) {
            predicted = b;
        } else if constexpr (Filter == 3) {
            predicted = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
        } else if constexpr (Filter == 4) {
            const __m128i bc = _mm_sub_epi16(b, c);
            const __m128i ac = _mm_sub_epi16(a, c);
            const __m128i pa = Abs16(bc);
            const __m128i pb = Abs16(ac);
            const __m128i pc = Abs16(_mm_add_epi16(bc, ac));
            const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
            predicted = Select(_mm_cmpeq_epi16(smallest, pa), a,
                               Select(_mm_cmpeq_epi16(smallest, pb), b, c));
        }
        const __m128i px = _mm_and_si128(_mm_add_epi16(raw, predicted), low);
        StorePixel<N>(out + x * N, px);
        a = px;
        c = b;
    }
}

#endif

template <int N, int Filter>
void UnfilterRow(PngUnfilter how, const std::uint8_t* in, std::uint8_t* out,
                 const std::uint8_t* prev, std::size_t width) {
#if defined(__SSE2__)
    if (how == PngUnfilter::Best) {
        UnfilterRowSse2<N, Filter>(in, out, prev, width);
        return;
    }
#endif
    (void)how;
    UnfilterRowPlain<N, Filter>(in, out, prev, width);
}

template <int N>
bool UnfilterRows(PngUnfilter how, PixelBytes& buffer, std::size_t width, std::size_t height) {
    const std::size_t rowBytes = width * N;
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* in = buffer.data() + y * (rowBytes + 1);
        std::uint8_t* out = buffer.data() + y * rowBytes;
        const std::uint8_t* prev = y == 0 ? zeros.data() : out - rowBytes;
        switch (in[0]) {
            case 0:
                UnfilterRow<N, 0>(how, in + 1, out, prev, width);
                break;
            case 1:
                UnfilterRow<N, 1>(how, in + 1, out, prev, width);
                break;
            case 2:
                UnfilterRow<N, 2>(how, in + 1, out, prev, width);
                break;
            case 3:
                UnfilterRow<N, 3>(how, in + 1, out, prev, width);
                break;
            case 4:
                UnfilterRow<N, 4>(how, in + 1, out, prev, width);
                break;
            default:
                return false;
        }
    }
    return true;
}

using Decompressor = CHandle<libdeflate_decompressor, libdeflate_free_decompressor>;

}  // namespace

std::optional<DecodedBitmap> DecodePngFast(std::span<const std::uint8_t> data,
                                           PngUnfilter unfilter) {
    const std::optional<PngFile> file = WalkChunks(data);
    if (!file) {
        return std::nullopt;
    }
    const std::size_t width = file->width, height = file->height;
    const auto channels = static_cast<std::size_t>(file->channels);
    const std::size_t rowBytes = width * channels;
    const std::size_t inflatedBytes = height * (rowBytes + 1);

    // One IDAT (as small files have) is inflated where it lies; several are joined first.
    std::vector<std::uint8_t> joined;
    std::span<const std::uint8_t> stream = file->idat.front();
    if (file->idat.size() > 1) {
        joined.reserve(file->idatBytes);
        for (const auto piece : file->idat) {
            joined.insert(joined.end(), piece.begin(), piece.end());
        }
        stream = joined;
    }
    if (stream.size() < 2) {
        return std::nullopt;
    }
    const unsigned windowCode = stream[0] >> 4u;  // CINFO: window of 2^(8 + CINFO) bytes
    if (windowCode > 7 || (windowCode < 7 && (std::size_t{256} << windowCode) < inflatedBytes)) {
        return std::nullopt;
    }

    const Decompressor decompressor(libdeflate_alloc_decompressor());
    if (!decompressor) {
        return std::nullopt;
    }
    PixelBytes buffer(inflatedBytes);
    std::size_t streamBytes = 0;
    if (libdeflate_zlib_decompress_ex(decompressor.get(), stream.data(), stream.size(),
                                      buffer.data(), buffer.size(), &streamBytes,
                                      nullptr) != LIBDEFLATE_SUCCESS ||
        streamBytes != stream.size()) {
        return std::nullopt;
    }
    const bool unfiltered = channels == 4 ? UnfilterRows<4>(unfilter, buffer, width, height)
                                          : UnfilterRows<3>(unfilter, buffer, width, height);
    if (!unfiltered) {
        return std::nullopt;
    }
    buffer.resize(height * rowBytes);

    DecodedBitmap out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.depth = channels == 4 ? 32 : 24;
    out.stride = rowBytes;
    out.bits = std::move(buffer);
    return out;
}

}  // namespace varlen
