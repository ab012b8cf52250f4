// JPEG decoding through libjpeg-turbo, from memory, to 24-bit blue-green-red rows.
//
// Contract: grey, YCbCr/RGB and CMYK/YCCK pictures, baseline or progressive. Grey is
// repeated into the three channels; CMYK becomes RGB by multiplying each colour ink's
// complement with the black ink's complement (rounded); pictures with an Adobe marker are
// stored with inverted inks, so their raw values already are the complements.
//
// Traps:
// - libjpeg's error_exit must not return; ours longjmps back into RunJpeg, which calls
//   setjmp and holds only trivially destructible locals. Buffers belong to the caller's
//   JpegJob and the decompressor to a guard in the caller, so no destructor is skipped.
// - libjpeg only warns when the data ends early or a scan stops short, and then pads the
//   picture with grey; those warnings are turned into errors so truncated files and frame
//   headers that claim more than was coded are refused, like the other formats.
// - Size limits are checked after the header and before the output is allocated; the
//   library's own working memory is capped, and the number of progressive scans is
//   limited, so a small hostile file cannot demand gigabytes or endless work.
// - APP1 segments are kept by libjpeg (each at most 64 KiB, and only as many as the file
//   holds) so that the first "Exif" one gives the orientation; the others are ignored.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared before it
#include <cstring>
#include <vector>

#include <jpeglib.h>
// clang-format off
#include <jerror.h>
// clang-format on

#include "io/exif_orientation.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

constexpr long kJpegWorkMemory = 512L << 20;
constexpr int kMaxScans = 1000;

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    bool created = false;
    std::span<const std::uint8_t> data;
    // Filled by RunJpeg.
    int components = 0;
    bool adobe = false;
    int orientation = 1;
    std::size_t rowBytes = 0;
    PixelBytes buffer;  // pages untouched until their rows are decoded

    JpegJob() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&err, 0, sizeof err);
        std::memset(&progress, 0, sizeof progress);
    }
    ~JpegJob() {
        if (created) {
            jpeg_destroy_decompress(&cinfo);
        }
    }
    JpegJob(const JpegJob&) = delete;
    JpegJob& operator=(const JpegJob&) = delete;

    void Allocate() { buffer.resize(rowBytes * cinfo.output_height); }
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void JpegMessage(j_common_ptr cinfo, int level) {
    // The data ended before the picture did (JWRN_JPEG_EOF), or a scan ended before all its
    // pixels (JWRN_HIT_MARKER, e.g. a frame header claiming more rows than were coded):
    // libjpeg would fill the rest with grey; we refuse the picture.
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
        JpegFail(cinfo);
    }
}

void JpegSilent(j_common_ptr) {}

void JpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) {
            JpegFail(cinfo);
        }
    }
}

// The setjmp frame: trivially destructible locals only.
bool RunJpeg(JpegJob* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = JpegFail;
    job->err.pub.emit_message = JpegMessage;
    job->err.pub.output_message = JpegSilent;
    if (setjmp(job->err.jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    job->created = true;
    cinfo->mem->max_memory_to_use = kJpegWorkMemory;
    job->progress.progress_monitor = JpegProgress;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data.data(), static_cast<unsigned long>(job->data.size()));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        static constexpr JOCTET kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, kExif, 6) == 0) {
            job->orientation = ExifOrientation({m->data, m->data_length});
            break;
        }
    }
    if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
        cinfo->image_width > kMaxPictureSide || cinfo->image_height > kMaxPictureSide) {
        return false;
    }
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo->out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo->out_color_space = JCS_CMYK;
            break;
        case JCS_RGB:
        case JCS_YCbCr:
            cinfo->out_color_space = JCS_EXT_BGR;
            break;
        default:
            return false;
    }
    job->adobe = cinfo->saw_Adobe_marker != 0;
    jpeg_start_decompress(cinfo);
    job->components = cinfo->output_components;
    const int expected = cinfo->out_color_space == JCS_GRAYSCALE ? 1
                         : cinfo->out_color_space == JCS_CMYK    ? 4
                                                                 : 3;
    if (job->components != expected || cinfo->output_width != cinfo->image_width ||
        cinfo->output_height != cinfo->image_height) {
        return false;
    }
    job->rowBytes = static_cast<std::size_t>(cinfo->output_width) * job->components;
    job->Allocate();
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = job->buffer.data() + job->rowBytes * cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            return false;
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

std::uint8_t InkProduct(int colour, int black) {
    return static_cast<std::uint8_t>((colour * black + 127) / 255);
}

}  // namespace

std::optional<DecodedBitmap> DecodeJpeg(std::span<const std::uint8_t> data) {
    if (SniffEncoded(data) != EncodedKind::Jpeg) {
        return std::nullopt;
    }
    JpegJob job;
    job.data = data;
    if (!RunJpeg(&job)) {
        return std::nullopt;
    }
    DecodedBitmap out;
    out.width = static_cast<int>(job.cinfo.output_width);
    out.height = static_cast<int>(job.cinfo.output_height);
    out.depth = 24;
    out.orientation = job.orientation;
    if (job.components == 3) {
        out.stride = job.rowBytes;
        out.bits = std::move(job.buffer);
        return out;
    }
    const std::size_t w = static_cast<std::size_t>(out.width);
    out.stride = w * 3;
    out.bits.resize(out.stride * static_cast<std::size_t>(out.height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(out.height); ++y) {
        const std::uint8_t* src = job.buffer.data() + y * job.rowBytes;
        std::uint8_t* dst = out.bits.data() + y * out.stride;
        for (std::size_t x = 0; x < w; ++x) {
            if (job.components == 1) {
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
                continue;
            }
            int c = src[4 * x], m = src[4 * x + 1], ye = src[4 * x + 2], k = src[4 * x + 3];
            if (!job.adobe) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            dst[3 * x] = InkProduct(ye, k);
            dst[3 * x + 1] = InkProduct(m, k);
            dst[3 * x + 2] = InkProduct(c, k);
        }
    }
    return out;
}

}  // namespace varlen
